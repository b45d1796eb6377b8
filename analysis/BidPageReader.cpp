#include "analysis/BidPageReader.h"

#include "analysis/Profile.h"

#include <algorithm>
#include <cmath>

namespace {

// The layout of a section, in dots of 1/360 inch. A section is a band of three
// rows of short vertical marks, each row MarkHeight high: the ruler above and
// below, printed left to right, and between them the right-to-left marks of
// the candidate slots. A slot holds three marks MarkPitch apart; slots stand
// SlotPitch apart, the first candidate's on the left.
constexpr double MarkHeight = 48;
constexpr double BandHeight = 3 * MarkHeight;
constexpr double MarkPitch = 48;
constexpr double SlotPitch = 504;
constexpr int MarksPerSlot = 3;
// Text is at most 28 dots high, a mark 48: ink running down at least this far
// belongs to a mark.
constexpr double LeastMarkRun = 38;
// The longest gap a run of ink may have and still be one mark: three clogged
// nozzles side by side.
constexpr double MarkGap = 10;
// Ink that counts as printed when looking for marks.
constexpr uint8_t MarkInk = 45;
// The rows of a band each mark row is measured over, as fractions of the band
// height, clear of where the rows meet.
constexpr double UpperRows[2] = {0.05, 0.28};
constexpr double MiddleRows[2] = {0.38, 0.62};
constexpr double LowerRows[2] = {0.72, 0.95};
// Half the width over which a mark's centre is taken, and how far it may lie
// from where the ruler's pitch puts it.
constexpr double CentreHalfWidth = 12;
// Ink broader than this (in dots, either side) is no mark.
constexpr double BroadestMark = 12;
constexpr double RulerTolerance = 6;
constexpr double MarkPitchTolerance = 6;
// Slot estimates further than this (in steps) from the section's median are
// not counted.
constexpr double AgreementSteps = 0.75;
constexpr int LeastAgreeingSlots = 3;

struct Band {
  int Top;
  int Bottom;
  double Height() const { return Bottom - Top; }
};

// Bands of rows where ink runs down far enough to be marks.
std::vector<Band> MarkBands(const InkImage& image, double roughScale) {
  const int leastRun = std::max(4, static_cast<int>(LeastMarkRun * roughScale));
  // A clogged nozzle leaves a gap of a few rows in a mark; the mark goes on below it.
  const int bridged = std::max(2, static_cast<int>(std::lround(MarkGap * roughScale)));
  std::vector<int> rowCounts(static_cast<size_t>(image.Height), 0);
  for (int x = 0; x < image.Width; ++x) {
    int runStart = -1;
    int lastInked = -1;
    for (int y = 0; y <= image.Height; ++y) {
      const bool inked = y < image.Height && image.At(x, y) >= MarkInk;
      if (inked) {
        if (runStart < 0) runStart = y;
        lastInked = y;
        continue;
      }
      if (runStart >= 0 && (y - lastInked > bridged || y == image.Height)) {
        if (lastInked + 1 - runStart >= leastRun)
          for (int row = runStart; row <= lastInked; ++row) ++rowCounts[static_cast<size_t>(row)];
        runStart = -1;
      }
    }
  }
  constexpr int LeastMarksInRow = 3;
  const int allowedGap = bridged;
  std::vector<Band> bands;
  int top = -1;
  int lastMarked = -1;
  for (int y = 0; y <= image.Height; ++y) {
    const bool marked = y < image.Height && rowCounts[static_cast<size_t>(y)] >= LeastMarksInRow;
    if (marked) {
      if (top < 0) top = y;
      lastMarked = y;
    } else if (top >= 0 && (y - lastMarked > allowedGap || y == image.Height)) {
      bands.push_back({top, lastMarked + 1});
      top = -1;
    }
  }
  std::erase_if(bands, [&](const Band& band) {
    return band.Height() < 100 * roughScale || band.Height() > 200 * roughScale;
  });
  return bands;
}

// Where the ruler's marks put slot `slot`, mark `mark`.
struct RulerFit {
  double Origin = 0;
  double Scale = 0;  // pixels per dot
  int Matched = 0;
  double At(int slot, int mark) const { return Origin + Scale * (SlotPitch * slot + MarkPitch * mark); }
};

// How many of the fifteen marks have a peak within `tolerance(dots)` pixels of where `fit` puts them.
template <typename Tolerance>
int Matches(const RulerFit& fit, const std::vector<int>& peaks, Tolerance tolerance) {
  int matched = 0;
  for (int s = 0; s < BidCandidateCount; ++s)
    for (int m = 0; m < MarksPerSlot; ++m) {
      const double dots = SlotPitch * s + MarkPitch * m;
      matched += std::any_of(peaks.begin(), peaks.end(),
                             [&](int peak) { return std::abs(peak - fit.At(s, m)) <= tolerance(dots); });
    }
  return matched;
}

// Least squares over the peaks that lie near a mark: position = origin + scale * dots.
RulerFit Refined(const RulerFit& fit, const std::vector<int>& peaks) {
  LineFit line;
  for (int s = 0; s < BidCandidateCount; ++s)
    for (int m = 0; m < MarksPerSlot; ++m)
      for (int peak : peaks)
        if (std::abs(peak - fit.At(s, m)) <= RulerTolerance * fit.Scale) line.Add(SlotPitch * s + MarkPitch * m, peak);
  if (!line.Fits()) return fit;
  RulerFit refined = fit;
  refined.Scale = line.Slope();
  refined.Origin = line.Intercept();
  refined.Matched = Matches(refined, peaks, [&](double) { return RulerTolerance * refined.Scale; });
  return refined;
}

// Fits the ruler's fifteen marks to the peaks: every pair of neighbouring
// peaks proposes a scale and every place of the first of them an origin. The
// scale of one pair is rough, so marks far from the pair may stand a little
// further off at first; the proposal most peaks agree with is refined by
// least squares. Two proposals a slot apart that fit equally well leave the
// slots unknown.
RulerFit FitRuler(const std::vector<int>& peaks, double bandScale) {
  constexpr double RoughScaleError = 0.03;
  RulerFit best;
  bool tie = false;
  for (size_t i = 0; i + 1 < peaks.size(); ++i) {
    const double scale = (peaks[i + 1] - peaks[i]) / MarkPitch;
    if (scale < 0.7 * bandScale || scale > 1.4 * bandScale) continue;
    for (int slot = 0; slot < BidCandidateCount; ++slot)
      for (int mark = 0; mark + 1 < MarksPerSlot; ++mark) {
        const double anchor = SlotPitch * slot + MarkPitch * mark;
        RulerFit rough{peaks[i] - scale * anchor, scale, 0};
        rough.Matched = Matches(rough, peaks, [&](double dots) {
          return RulerTolerance * scale + RoughScaleError * std::abs(dots - anchor) * scale;
        });
        if (rough.Matched < 2 * MarksPerSlot) continue;
        const RulerFit fit = Refined(Refined(rough, peaks), peaks);
        if (fit.Matched > best.Matched) {
          best = fit;
          tie = false;
        } else if (fit.Matched == best.Matched && std::abs(fit.Origin - best.Origin) > SlotPitch * fit.Scale / 2) {
          tie = true;
        }
      }
  }
  if (tie) return RulerFit{};
  return best;
}

struct Mark {
  double Centre = -1;
  double Mass = 0;
};

Mark MeasureMark(const std::vector<double>& profile, double near, double half, double floor) {
  Mark mark;
  mark.Centre = Centroid(profile, near, half, floor);
  if (mark.Centre < 0) return mark;
  const int from = std::max(0, static_cast<int>(std::ceil(mark.Centre - half)));
  const int to = std::min(static_cast<int>(profile.size()) - 1, static_cast<int>(std::floor(mark.Centre + half)));
  for (int i = from; i <= to; ++i) mark.Mass += std::max(0.0, profile[static_cast<size_t>(i)] - floor);
  return mark;
}

bool MassLooksLikeAMark(double mass, double typical) { return mass >= 0.5 * typical && mass <= 2.0 * typical; }

// The ink of a mark row down each column, with anything broader than a mark
// (the scanner lid, a wash of ink) taken away.
std::vector<double> RowsOf(const InkImage& image, const Band& band, const double (&rows)[2]) {
  const std::vector<double> profile = ColumnProfile(image, band.Top + static_cast<int>(std::lround(band.Height() * rows[0])),
                                                    band.Top + static_cast<int>(std::lround(band.Height() * rows[1])));
  return TopHat(profile, static_cast<int>(std::lround(BroadestMark * band.Height() / BandHeight)));
}

struct SectionGeometry {
  RulerFit Ruler;
  std::array<std::optional<double>, BidCandidateCount> OffsetDots{};
};

// Measures the five slots of a band: the right-to-left marks' mean position
// against the ruler's, above and below averaged so that a slight tilt cancels.
SectionGeometry MeasureSection(const InkImage& image, const Band& band) {
  SectionGeometry geometry;
  const double bandScale = band.Height() / BandHeight;
  const std::vector<double> upper = RowsOf(image, band, UpperRows);
  const std::vector<double> middle = RowsOf(image, band, MiddleRows);
  const std::vector<double> lower = RowsOf(image, band, LowerRows);
  std::vector<double> ruler(upper.size());
  for (size_t x = 0; x < ruler.size(); ++x) ruler[x] = upper[x] + lower[x];
  const double rulerTop = *std::max_element(ruler.begin(), ruler.end());
  if (rulerTop <= 0) return geometry;
  geometry.Ruler = FitRuler(Peaks(ruler, 0.3 * rulerTop, 20 * bandScale), bandScale);
  const RulerFit& fit = geometry.Ruler;
  if (fit.Matched < 3 * MarksPerSlot) return geometry;

  const double scale = fit.Scale;
  const double half = CentreHalfWidth * scale;
  const double upperFloor = Median(upper), lowerFloor = Median(lower), middleFloor = Median(middle);
  std::array<std::array<Mark, MarksPerSlot>, BidCandidateCount> uppers{}, lowers{};
  std::vector<double> masses;
  for (int slot = 0; slot < BidCandidateCount; ++slot)
    for (int m = 0; m < MarksPerSlot; ++m) {
      uppers[slot][m] = MeasureMark(upper, fit.At(slot, m), half, upperFloor);
      lowers[slot][m] = MeasureMark(lower, fit.At(slot, m), half, lowerFloor);
      masses.push_back(uppers[slot][m].Mass);
      masses.push_back(lowers[slot][m].Mass);
    }
  const double typicalMass = Median(masses);
  // A row's profile height at a mark, for telling marks from specks.
  std::vector<double> heights;
  for (int slot = 0; slot < BidCandidateCount; ++slot)
    for (int m = 0; m < MarksPerSlot; ++m) {
      const int at = static_cast<int>(std::lround(fit.At(slot, m)));
      if (at >= 0 && at < static_cast<int>(upper.size())) heights.push_back(upper[static_cast<size_t>(at)] - upperFloor);
    }
  const double typicalHeight = Median(heights);
  if (typicalMass <= 0 || typicalHeight <= 0) return geometry;

  for (int slot = 0; slot < BidCandidateCount; ++slot) {
    double rulerSum = 0;
    bool rulerGood = true;
    for (int m = 0; m < MarksPerSlot; ++m) {
      for (const Mark& mark : {uppers[slot][m], lowers[slot][m]})
        rulerGood = rulerGood && mark.Centre >= 0 && std::abs(mark.Centre - fit.At(slot, m)) <= RulerTolerance * scale &&
                    MassLooksLikeAMark(mark.Mass, typicalMass);
      rulerSum += (uppers[slot][m].Centre + lowers[slot][m].Centre) / 2;
    }
    if (!rulerGood) continue;

    // The right-to-left marks: the three highest peaks of the middle row
    // nearer this slot than any other, evenly spaced, with nothing like them beside.
    const double slotCentre = fit.At(slot, 1);
    const double reach = SlotPitch * scale / 2;
    std::vector<int> found;
    for (int peak : Peaks(middle, middleFloor + 0.35 * typicalHeight, 20 * scale))
      if (std::abs(peak - slotCentre) < reach) found.push_back(peak);
    if (found.size() < MarksPerSlot) continue;
    std::sort(found.begin(), found.end(), [&](int a, int b) { return middle[static_cast<size_t>(a)] > middle[static_cast<size_t>(b)]; });
    if (found.size() > MarksPerSlot &&
        middle[static_cast<size_t>(found[MarksPerSlot])] - middleFloor > 0.5 * (middle[static_cast<size_t>(found[MarksPerSlot - 1])] - middleFloor))
      continue;
    found.resize(MarksPerSlot);
    std::sort(found.begin(), found.end());
    bool evenlySpaced = true;
    for (size_t i = 1; i < found.size(); ++i)
      evenlySpaced = evenlySpaced && std::abs(found[i] - found[i - 1] - MarkPitch * scale) <= MarkPitchTolerance * scale;
    if (!evenlySpaced) continue;
    double markSum = 0;
    bool marksGood = true;
    for (int peak : found) {
      const Mark mark = MeasureMark(middle, peak, half, middleFloor);
      marksGood = marksGood && mark.Centre >= 0 && MassLooksLikeAMark(mark.Mass, typicalMass);
      markSum += mark.Centre;
    }
    if (!marksGood) continue;
    geometry.OffsetDots[static_cast<size_t>(slot)] = (markSum - rulerSum) / MarksPerSlot / scale;
  }
  return geometry;
}

// Turns the five measured slots into the section's reading.
void Judge(BidSectionReading& section) {
  std::vector<double> estimates;
  for (int slot = 0; slot < BidCandidateCount; ++slot)
    if (section.OffsetDots[static_cast<size_t>(slot)])
      estimates.push_back(section.Candidates[static_cast<size_t>(slot)] + *section.OffsetDots[static_cast<size_t>(slot)] / BidDotsPerStep);
  if (estimates.size() < LeastAgreeingSlots) {
    section.Problem = "cannot read: too few candidates could be measured (smudged or missing)";
    return;
  }
  const double median = Median(estimates);
  double sum = 0;
  int agreeing = 0;
  for (double estimate : estimates)
    if (std::abs(estimate - median) <= AgreementSteps) {
      sum += estimate;
      ++agreeing;
    }
  const double mean = sum / agreeing;
  double squares = 0;
  for (double estimate : estimates)
    if (std::abs(estimate - median) <= AgreementSteps) squares += (estimate - mean) * (estimate - mean);
  const double rms = std::sqrt(squares / agreeing);
  section.Confidence = std::max(0.0, static_cast<double>(agreeing) / BidCandidateCount * (1.0 - rms / AgreementSteps));
  if (agreeing < LeastAgreeingSlots || section.Confidence < BidLeastConfidence) {
    section.Problem = "cannot read: the candidates' marks do not agree";
    return;
  }
  section.Estimate = std::round(mean * 10) / 10;
  const double first = section.Candidates.front();
  const double last = section.Candidates.back();
  section.Outside = mean < first - 0.5 || mean > last + 0.5;
  if (section.Outside) return;
  int best = section.Candidates.front();
  for (int candidate : section.Candidates)
    if (std::abs(candidate - mean) < std::abs(best - mean)) best = candidate;
  section.Best = best;
}

}  // namespace

std::optional<int> BidSectionReading::Suggestion() const {
  if (!Read()) return std::nullopt;
  return std::clamp(static_cast<int>(std::lround(*Estimate)), -36, 36);
}

BidPageReading ReadBidPage(const InkImage& scan, const std::array<int, BidSectionNames.size()>& middles) {
  BidPageReading page;
  for (size_t i = 0; i < page.Sections.size(); ++i)
    for (int slot = 0; slot < BidCandidateCount; ++slot)
      page.Sections[i].Candidates[static_cast<size_t>(slot)] = middles[i] + BidCandidateStep * (slot - BidCandidateCount / 2);
  if (scan.Empty()) {
    page.Problem = "The image is empty.";
    return page;
  }
  const ScanFrame frame(scan);
  page.SkewDegrees = frame.SkewDegrees();
  std::vector<Band> bands = MarkBands(frame.Image(), frame.RoughPixelsPerDot());
  std::vector<SectionGeometry> measured;
  std::vector<double> scales, origins, heights;
  for (const Band& band : bands) {
    measured.push_back(MeasureSection(frame.Image(), band));
    if (measured.back().Ruler.Matched < 3 * MarksPerSlot) continue;
    scales.push_back(measured.back().Ruler.Scale);
    origins.push_back(measured.back().Ruler.Origin);
    heights.push_back(band.Height());
  }
  if (scales.empty()) {
    page.Problem = "No Bi-D pattern was found in the image: scan the Bi-D pattern page, the whole sheet, upright.";
    return page;
  }
  // A band as high as the sections whose rulers were found is a section too,
  // one smudged past finding its ruler: it stays in the count, unread.
  const double height = Median(heights);
  std::vector<size_t> sections;
  for (size_t i = 0; i < bands.size(); ++i)
    if (measured[i].Ruler.Matched >= 3 * MarksPerSlot || std::abs(bands[i].Height() - height) <= 0.2 * height)
      sections.push_back(i);
  if (sections.size() != page.Sections.size() || scales.size() < page.Sections.size() / 2) {
    page.Problem = "The image shows " + std::to_string(scales.size()) +
                   " Bi-D sections, not six: scan the whole Bi-D pattern page, upright.";
    return page;
  }
  // The slots of all sections stand one above the other.
  const RulerFit typical{Median(origins), Median(scales), 0};
  page.PixelsPerInch = typical.Scale * 360 * scan.Reduction;
  for (size_t i = 0; i < sections.size(); ++i) {
    BidSectionReading& section = page.Sections[i];
    const Band& band = bands[sections[i]];
    const bool found = measured[sections[i]].Ruler.Matched >= 3 * MarksPerSlot;
    const RulerFit& fit = found ? measured[sections[i]].Ruler : typical;
    for (int slot = 0; slot < BidCandidateCount; ++slot)
      section.Slots[static_cast<size_t>(slot)] = frame.ToScan(fit.At(slot, 0) - MarkPitch * fit.Scale / 2, band.Top,
                                                              fit.At(slot, MarksPerSlot - 1) + MarkPitch * fit.Scale / 2,
                                                              band.Bottom);
    if (!found) {
      section.Problem = "cannot read: the section's ruler cannot be found (smudged or missing)";
      continue;
    }
    section.OffsetDots = measured[sections[i]].OffsetDots;
    Judge(section);
  }
  return page;
}
