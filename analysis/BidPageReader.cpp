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
// The longest a run of ink may be and still be a mark: three marks one above
// the other, where the right-to-left marks stand in line with the ruler.
constexpr double LongestMarkRun = 1.5 * BandHeight;
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

// Bands of rows where ink runs down far enough to be marks. Runs far longer
// than a band (a crease, the edge of a stain) are no marks and are left out.
std::vector<RowBand> MarkBands(const InkImage& image, double roughScale) {
  const int leastRun = std::max(4, static_cast<int>(LeastMarkRun * roughScale));
  const int longestRun = static_cast<int>(LongestMarkRun * roughScale);
  // A clogged nozzle leaves a gap of a few rows in a mark; the mark goes on below it.
  const int bridged = std::max(2, static_cast<int>(std::lround(MarkGap * roughScale)));
  std::vector<int> rowCounts(static_cast<size_t>(image.Height) + 1, 0);
  // Runs are followed down every column at once, row by row.
  std::vector<int> runStart(static_cast<size_t>(image.Width), -1), lastInked(static_cast<size_t>(image.Width), -1);
  std::vector<int> runDifference(static_cast<size_t>(image.Height) + 1, 0);
  auto endRun = [&](size_t x) {
    const int length = lastInked[x] + 1 - runStart[x];
    if (length >= leastRun && length <= longestRun) {
      ++runDifference[static_cast<size_t>(runStart[x])];
      --runDifference[static_cast<size_t>(lastInked[x] + 1)];
    }
    runStart[x] = -1;
  };
  for (int y = 0; y < image.Height; ++y) {
    const uint8_t* row = image.Row(y);
    for (size_t x = 0; x < runStart.size(); ++x) {
      if (row[x] >= MarkInk) {
        if (runStart[x] < 0) runStart[x] = y;
        lastInked[x] = y;
      } else if (runStart[x] >= 0 && y - lastInked[x] > bridged) {
        endRun(x);
      }
    }
  }
  for (size_t x = 0; x < runStart.size(); ++x)
    if (runStart[x] >= 0) endRun(x);
  int running = 0;
  for (size_t y = 0; y < rowCounts.size(); ++y) rowCounts[y] = running += runDifference[y];
  constexpr int LeastMarksInRow = 3;
  const int allowedGap = bridged;
  std::vector<RowBand> bands;
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
  std::erase_if(bands, [&](const RowBand& band) {
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
std::vector<double> RowsOf(const InkImage& image, const RowBand& band, const double (&rows)[2]) {
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
SectionGeometry MeasureSection(const InkImage& image, const RowBand& band) {
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
  return std::clamp(static_cast<int>(std::lround(*Estimate)), BidLowest, BidHighest);
}

namespace {

// The page's sections stand one below the other at this pitch, in dots; the
// line of candidate numbers stands above each band, clear of it by a few dots.
constexpr double SectionPitch = 303;
constexpr double NumbersFrom = 66;
constexpr double NumbersTo = 8;
// The share of the numbers' ink that must lie on one side of the bands for
// the page's orientation to be told.
constexpr double LeastFacingMargin = 0.5;
// How much a page lit unevenly from end to end takes off a section's confidence.
constexpr double LightingWeight = 0.5;
// A section's grid place may stand this share of the pitch off.
constexpr double PlaceTolerance = 0.2;

struct FoundBand {
  RowBand Where;
  SectionGeometry Geometry;
  bool RulerFound() const { return Geometry.Ruler.Matched >= 3 * MarksPerSlot; }
};

std::vector<FoundBand> FindBands(const InkImage& image, double roughScale) {
  std::vector<FoundBand> found;
  for (const RowBand& band : MarkBands(image, roughScale)) found.push_back({band, MeasureSection(image, band)});
  return found;
}

// Printed ink (pixels) of rows [top, bottom) over columns [left, right).
int InkedPixels(const InkImage& image, double left, double top, double right, double bottom) {
  const int x0 = std::max(0, static_cast<int>(left)), x1 = std::min(image.Width, static_cast<int>(right));
  const int y0 = std::max(0, static_cast<int>(top)), y1 = std::min(image.Height, static_cast<int>(bottom));
  int count = 0;
  for (int y = y0; y < y1; ++y) {
    const uint8_t* row = image.Row(y);
    for (int x = x0; x < x1; ++x) count += row[x] >= MarkInk;
  }
  return count;
}

// Which way up the bands stand: +1 when the candidate numbers stand above
// them, -1 when below (the page lies upside down), 0 when it cannot be told.
// Only the columns of the three middle slots are looked at: the section
// titles stand left of the first, and right of the last when upside down. `margin` is how clearly one side won.
int Facing(const InkImage& image, const std::vector<FoundBand>& bands, double& margin) {
  double above = 0, below = 0;
  for (const FoundBand& band : bands) {
    if (!band.RulerFound()) continue;
    const RulerFit& fit = band.Geometry.Ruler;
    const double left = fit.At(1, 0) - MarkPitch * fit.Scale, right = fit.At(BidCandidateCount - 2, MarksPerSlot - 1) + MarkPitch * fit.Scale;
    above += InkedPixels(image, left, band.Where.Top - NumbersFrom * fit.Scale, right, band.Where.Top - NumbersTo * fit.Scale);
    below += InkedPixels(image, left, band.Where.Bottom + NumbersTo * fit.Scale, right, band.Where.Bottom + NumbersFrom * fit.Scale);
  }
  margin = above + below > 0 ? std::abs(above - below) / (above + below) : 0;
  if (margin < LeastFacingMargin) return 0;
  return above > below ? 1 : -1;
}

// Text left of the first slot tells the ends of the page: the headline stands
// above the first section's title, and every section but the last has the
// next one's title below it. Rows in dots from the band's top (above) or
// bottom (below); columns from the first ruler mark.
constexpr double HeadlineRows[2] = {-185, -140};
constexpr double NextTitleRows[2] = {30, 72};
constexpr double TextColumns[2] = {-350, -30};
// Less ink than about half a character is no text.
constexpr double LeastTextDots = 100;

bool TextBeside(const InkImage& image, const FoundBand& band, double from, double to) {
  const RulerFit& fit = band.Geometry.Ruler;
  const double left = fit.At(0, 0) + TextColumns[0] * fit.Scale, right = fit.At(0, 0) + TextColumns[1] * fit.Scale;
  return InkedPixels(image, left, from, right, to) >= LeastTextDots * fit.Scale * fit.Scale;
}

bool HeadlineAbove(const InkImage& image, const FoundBand& band) {
  const double scale = band.Geometry.Ruler.Scale;
  return TextBeside(image, band, band.Where.Top + HeadlineRows[0] * scale, band.Where.Top + HeadlineRows[1] * scale);
}

bool TitleBelow(const InkImage& image, const FoundBand& band) {
  const double scale = band.Geometry.Ruler.Scale;
  return TextBeside(image, band, band.Where.Bottom + NextTitleRows[0] * scale, band.Where.Bottom + NextTitleRows[1] * scale);
}

// Which section each band with a ruler is, from their places on the page's
// grid of sections; empty when it cannot be told. Where the first or last
// sections were lost, the headline above the first band found and the title
// below the last one tell which end is missing.
std::optional<std::array<std::optional<size_t>, BidSectionNames.size()>> PlaceSections(const InkImage& image,
                                                                                        const std::vector<FoundBand>& bands) {
  std::vector<size_t> ruled;
  for (size_t i = 0; i < bands.size(); ++i)
    if (bands[i].RulerFound()) ruled.push_back(i);
  if (ruled.empty()) return std::nullopt;
  std::vector<double> scales;
  for (size_t i : ruled) scales.push_back(bands[i].Geometry.Ruler.Scale);
  const double pitch = SectionPitch * Median(scales);
  const double origin = bands[ruled.front()].Where.Top;
  std::vector<std::pair<int, size_t>> places;
  for (size_t i : ruled) {
    const double steps = (bands[i].Where.Top - origin) / pitch;
    const int place = static_cast<int>(std::lround(steps));
    if (std::abs(steps - place) > PlaceTolerance) continue;
    if (!places.empty() && places.back().first == place) return std::nullopt;
    places.push_back({place, i});
  }
  const int sections = static_cast<int>(BidSectionNames.size());
  const int span = places.back().first - places.front().first;
  if (span >= sections) return std::nullopt;
  int first = 0;
  if (span < sections - 1) {
    const bool startsAtFirst = HeadlineAbove(image, bands[places.front().second]);
    const bool endsAtLast = !TitleBelow(image, bands[places.back().second]);
    if (startsAtFirst == endsAtLast) return std::nullopt;
    first = startsAtFirst ? 0 : sections - 1 - span;
  }
  std::array<std::optional<size_t>, BidSectionNames.size()> placed{};
  for (const auto& [place, i] : places) placed[static_cast<size_t>(place + first)] = i;
  return placed;
}

struct Oriented {
  ScanFrame Frame;
  std::vector<FoundBand> Bands;
  double Margin = 0;
};

// The page turned upright: sideways or upside down on the glass is found
// from where the candidate numbers stand; empty when no band with a ruler
// was found either way, and with `unknown` set when bands were found but
// which way up they stand cannot be told.
std::optional<Oriented> Orient(const ScanFrame& straight, bool& unknown) {
  for (int quarter : {0, 1}) {
    ScanFrame frame = straight.Turned(quarter);
    std::vector<FoundBand> bands = FindBands(frame.Image(), frame.RoughPixelsPerDot());
    if (std::none_of(bands.begin(), bands.end(), [](const FoundBand& band) { return band.RulerFound(); })) continue;
    double margin = 0;
    const int facing = Facing(frame.Image(), bands, margin);
    if (facing == 0) {
      unknown = true;
      return std::nullopt;
    }
    if (facing < 0) {
      frame = frame.Turned(2);
      bands = FindBands(frame.Image(), frame.RoughPixelsPerDot());
    }
    return Oriented{std::move(frame), std::move(bands), margin};
  }
  return std::nullopt;
}

}  // namespace

BidPageReading ReadBidPage(const InkImage& scan, const std::array<int, BidSectionNames.size()>& middles) {
  BidPageReading page;
  for (size_t i = 0; i < page.Sections.size(); ++i)
    for (size_t slot = 0; slot < BidCandidateOffsets.size(); ++slot)
      page.Sections[i].Candidates[slot] = middles[i] + BidCandidateOffsets[slot];
  if (scan.Empty()) {
    page.Problem = "The image is empty.";
    return page;
  }
  const ScanFrame straight(scan);
  page.SkewDegrees = straight.SkewDegrees();
  bool unknown = false;
  const std::optional<Oriented> oriented = Orient(straight, unknown);
  if (unknown) {
    page.Problem = PageOrientationUnknownText;
    return page;
  }
  if (!oriented) {
    page.Problem = "No Bi-D pattern was found in the image: scan the Bi-D pattern page, the whole sheet, upright.";
    return page;
  }
  const ScanFrame& frame = oriented->Frame;
  const std::vector<FoundBand>& bands = oriented->Bands;
  page.QuarterTurns = frame.QuarterTurns();
  const auto placed = PlaceSections(frame.Image(), bands);
  if (!placed) {
    page.Problem = "The Bi-D sections cannot be told apart: scan the whole Bi-D pattern page, upright.";
    return page;
  }
  std::vector<double> scales, origins;
  for (const auto& index : *placed)
    if (index) {
      scales.push_back(bands[*index].Geometry.Ruler.Scale);
      origins.push_back(bands[*index].Geometry.Ruler.Origin);
    }
  // The slots of all sections stand one above the other.
  const RulerFit typical{Median(origins), Median(scales), 0};
  page.PixelsPerInch = typical.Scale * 360 * scan.Reduction;
  const double placedTop = [&] {
    for (size_t i = 0; i < placed->size(); ++i)
      if ((*placed)[i]) return bands[*(*placed)[i]].Where.Top - static_cast<double>(i) * SectionPitch * typical.Scale;
    return 0.0;
  }();
  for (size_t i = 0; i < page.Sections.size(); ++i) {
    BidSectionReading& section = page.Sections[i];
    const std::optional<size_t> index = (*placed)[i];
    const RulerFit& fit = index ? bands[*index].Geometry.Ruler : typical;
    const double top = index ? bands[*index].Where.Top : placedTop + static_cast<double>(i) * SectionPitch * typical.Scale;
    const double bottom = index ? bands[*index].Where.Bottom : top + BandHeight * typical.Scale;
    for (int slot = 0; slot < BidCandidateCount; ++slot)
      section.Slots[static_cast<size_t>(slot)] = frame.ToScan(fit.At(slot, 0) - MarkPitch * fit.Scale / 2, top,
                                                              fit.At(slot, MarksPerSlot - 1) + MarkPitch * fit.Scale / 2, bottom);
    if (!index) {
      const bool bare = InkedPixels(frame.Image(), typical.At(0, 0), top, typical.At(BidCandidateCount - 1, MarksPerSlot - 1),
                                    bottom) < LeastMarkRun * typical.Scale * typical.Scale * MarksPerSlot;
      section.Problem = top + BandHeight * typical.Scale / 2 > frame.Image().Height
                            ? "cannot read: the section is not on the scan (the sheet or the scan is cut short)"
                        : bare ? "cannot read: no marks show where the section stands (too faint for a grey or black-and-white scan, or not printed)"
                               : "cannot read: the section's ruler cannot be found (smudged or missing)";
      continue;
    }
    section.OffsetDots = bands[*index].Geometry.OffsetDots;
    Judge(section);
    // However well the slots agree, a reading is no surer than the page's
    // orientation, and less sure where the light was uneven.
    section.Confidence *= std::min(1.0, oriented->Margin) * (1 - LightingWeight * scan.LightingUnevenness);
    if (section.Read() && section.Confidence < BidLeastConfidence) {
      section.Problem = "cannot read: the page's orientation is too uncertain";
      section.Best.reset();
      section.Estimate.reset();
    }
  }
  return page;
}
