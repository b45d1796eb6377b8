#include "analysis/NozzleCheckReader.h"

#include "analysis/BidPageReader.h"
#include "analysis/Profile.h"
#include "analysis/ScanFrame.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <optional>

namespace {

// The layout of the page, in dots of 1/360 inch. Six blocks, one per colour,
// BlockWidth wide at BlockPitch, stand in two rows: the solid row, then
// RowPitch below its top the nozzle check. A block of the check is two bands
// of one line of one dot from each nozzle, LinePitch apart, nozzle 1 at the
// top; the second band follows the first at the same pitch, so the block is
// 96 lines at one pitch.
constexpr size_t ColourCount = NozzleColourNames.size();
constexpr double BlockWidth = 472;
constexpr double BlockPitch = 480;
constexpr double BlocksWidth = BlockPitch * (ColourCount - 1) + BlockWidth;
constexpr double LinePitch = 3;
constexpr int Lines = 2 * NozzlesPerColour;
constexpr double CheckHeight = (Lines - 1) * LinePitch + 1;
constexpr double RowPitch = 408;
// From the middle of the solid row to the top of the check's first line.
constexpr double SolidMiddleToFirstLine = RowPitch - 288.0 / 2;
// Columns at each side of a block left out of the measurements.
constexpr double BlockInset = 24;
// Line places weighed beyond each end of the check: paper there tells where
// the check begins, even when the end nozzles are clogged in some colours.
constexpr int Beyond = 6;
constexpr int Slots = Lines + 2 * Beyond;
// A block is also read in this many strips side by side, for lines broken part of the way.
constexpr int Strips = 4;

// A line's ink, as a share of its block's typical line, at or below which the
// line is missing and at or above which it is printed; between is unclear.
constexpr double AbsentShare = 0.35;
constexpr double PresentShare = 0.65;
// The printed lines of a block must scatter about their typical ink by no more
// than one part in this many, or the block is too faint (or the scan too
// coarse) to tell a missing line from a weak one.
constexpr double LeastClearness = 7;
// Below this many pixels per dot down the page the lines stand closer than
// 2.1 pixels apart, and a line that cannot be told is blamed on the coarse scan.
constexpr double FinePixelsPerDot = 0.7;
// More missing nozzles than this in one colour means the block was not read.
constexpr int MostMissing = NozzlesPerColour / 2;
// A strip where more lines than this break off is damage, not broken lines.
constexpr int MostBrokenInStrip = 4;

// Every other nozzle missing over a stretch is the scan's pixels beating with
// the line pitch (lines that fall across two pixels look weaker than lines
// that fall on one), not clogs.
constexpr int LongestAlternation = 4;

bool Alternating(const std::array<bool, NozzlesPerColour>& missing) {
  for (int start = 0; start < 2; ++start) {
    int run = 0;
    for (int nozzle = start; nozzle < NozzlesPerColour; nozzle += 2) {
      if (!missing[static_cast<size_t>(nozzle)]) {
        run = 0;
        continue;
      }
      if (++run >= LongestAlternation) return true;
      const bool printedAfter = nozzle + 1 < NozzlesPerColour && !missing[static_cast<size_t>(nozzle + 1)];
      if (!printedAfter) run = 0;
    }
  }
  return false;
}

// The inks of a row of rows, smoothed over 2 * radius + 1 rows.
std::vector<double> Smoothed(const std::vector<double>& profile, int radius) {
  std::vector<double> sums(profile.size() + 1, 0);
  for (size_t i = 0; i < profile.size(); ++i) sums[i + 1] = sums[i] + profile[i];
  std::vector<double> smooth(profile.size());
  const int size = static_cast<int>(profile.size());
  for (int i = 0; i < size; ++i) {
    const int from = std::max(0, i - radius);
    const int to = std::min(size, i + radius + 1);
    smooth[static_cast<size_t>(i)] = (sums[static_cast<size_t>(to)] - sums[static_cast<size_t>(from)]) / (to - from);
  }
  return smooth;
}

// Rows of the page as high as a row of blocks, with ink across them.
std::vector<RowBand> CandidateBands(const InkImage& image, double rough) {
  constexpr double BandInk = 6;
  std::vector<double> rows = RowProfile(image, 0, image.Width);
  // A lid or a shadow along the whole page is no band: only what stands out
  // of its surroundings over less than a band's height or so is kept.
  rows = TopHat(rows, static_cast<int>(0.9 * CheckHeight * rough));
  rows = Smoothed(rows, std::max(1, static_cast<int>(std::lround(3 * rough))));
  std::vector<RowBand> bands;
  int top = -1;
  for (int y = 0; y <= image.Height; ++y) {
    const bool inked = y < image.Height && rows[static_cast<size_t>(y)] >= BandInk;
    if (inked && top < 0) top = y;
    if (!inked && top >= 0) {
      const double height = y - top;
      if (height >= 0.8 * CheckHeight * rough && height <= 1.25 * CheckHeight * rough) bands.push_back({top, y});
      top = -1;
    }
  }
  return bands;
}

struct Blocks {
  double Origin = 0;  // left edge of the first block, in pixels
  double Scale = 0;   // pixels per dot across the page
  double Left(size_t block) const { return Origin + Scale * BlockPitch * static_cast<double>(block); }
  double Right(size_t block) const { return Left(block) + Scale * BlockWidth; }
  double InnerLeft(size_t block) const { return Left(block) + BlockInset * Scale; }
  double InnerRight(size_t block) const { return Right(block) - BlockInset * Scale; }
};

struct Edge {
  double At;
  bool Rising;
};

// The twelve block edges of the layout, in dots from the first block's left edge.
double LayoutEdge(int index) { return BlockPitch * (index / 2) + (index % 2 ? BlockWidth : 0); }
bool LayoutRising(int index) { return index % 2 == 0; }

// Where ink steps up or down across the columns: the peaks of the slope,
// to a fraction of a pixel, the strongest first.
std::vector<Edge> EdgesOf(const std::vector<double>& columns, double rough) {
  constexpr double LeastStep = 4;
  constexpr size_t MostEdges = 60;
  const int size = static_cast<int>(columns.size());
  std::vector<double> slope(columns.size(), 0);
  for (int x = 1; x + 1 < size; ++x)
    slope[static_cast<size_t>(x)] = columns[static_cast<size_t>(x + 1)] - columns[static_cast<size_t>(x - 1)];
  const int reach = std::max(2, static_cast<int>(std::lround(4 * rough)));
  std::vector<std::pair<double, Edge>> found;
  for (int x = 2; x + 2 < size; ++x) {
    const double here = slope[static_cast<size_t>(x)];
    if (std::abs(here) < LeastStep) continue;
    bool peak = true;
    for (int other = std::max(1, x - reach); other <= std::min(size - 2, x + reach) && peak; ++other)
      if (other != x) {
        const double there = slope[static_cast<size_t>(other)];
        peak = here > 0 ? !(there > here || (there == here && other < x)) : !(there < here || (there == here && other < x));
      }
    if (!peak) continue;
    const double before = slope[static_cast<size_t>(x - 1)];
    const double after = slope[static_cast<size_t>(x + 1)];
    const double curve = before - 2 * here + after;
    const double shift = curve != 0 ? std::clamp(0.5 * (before - after) / curve, -0.5, 0.5) : 0;
    found.push_back({std::abs(here), Edge{x + 0.5 + shift, here > 0}});
  }
  std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
  if (found.size() > MostEdges) found.resize(MostEdges);
  std::vector<Edge> edges;
  for (const auto& [strength, edge] : found) edges.push_back(edge);
  return edges;
}

// The blocks of a band fitted to the edges that fall where the layout puts
// them, whichever edges are lost to a lid, a crease or a faint colour.
std::optional<Blocks> FitBlocks(const InkImage& image, const RowBand& band, double rough) {
  constexpr int LeastEdges = 7;
  constexpr int LeastEvenBlocks = 3;
  const int inset = (band.Bottom - band.Top) / 10;
  const int rows = band.Bottom - band.Top - 2 * inset;
  if (rows <= 0) return std::nullopt;
  std::vector<double> columns = ColumnProfile(image, band.Top + inset, band.Bottom - inset);
  for (double& value : columns) value /= rows;
  const std::vector<Edge> edges = EdgesOf(columns, rough);

  // Each layout edge takes the nearest found edge of its kind within reach.
  auto match = [&](double origin, double scale, std::array<int, 12>& which) {
    int count = 0;
    const double tolerance = 2.5 * scale;
    for (int e = 0; e < 12; ++e) {
      const double at = origin + scale * LayoutEdge(e);
      which[static_cast<size_t>(e)] = -1;
      double nearest = tolerance;
      for (size_t i = 0; i < edges.size(); ++i)
        if (edges[i].Rising == LayoutRising(e) && std::abs(edges[i].At - at) <= nearest) {
          nearest = std::abs(edges[i].At - at);
          which[static_cast<size_t>(e)] = static_cast<int>(i);
        }
      count += which[static_cast<size_t>(e)] >= 0;
    }
    return count;
  };
  int best = 0;
  Blocks blocks;
  std::array<int, 12> which{};
  for (size_t a = 0; a < edges.size(); ++a)
    for (size_t b = 0; b < edges.size(); ++b) {
      if (edges[b].At <= edges[a].At) continue;
      for (int p = 0; p < 12; ++p) {
        if (LayoutRising(p) != edges[a].Rising) continue;
        for (int q = p + 1; q < 12; ++q) {
          if (LayoutRising(q) != edges[b].Rising || LayoutEdge(q) - LayoutEdge(p) < 400) continue;
          const double scale = (edges[b].At - edges[a].At) / (LayoutEdge(q) - LayoutEdge(p));
          if (scale < 0.85 * rough || scale > 1.2 * rough) continue;
          const double origin = edges[a].At - scale * LayoutEdge(p);
          // The first or last block may run off the sheet's edge by a little.
          if (origin < -BlockInset * scale || origin + scale * (BlocksWidth - BlockInset) > image.Width) continue;
          const int count = match(origin, scale, which);
          if (count > best) {
            best = count;
            blocks = {origin, scale};
          }
        }
      }
    }
  if (best < LeastEdges) return std::nullopt;
  // Refitted to every edge that matched.
  for (int pass = 0; pass < 2; ++pass) {
    match(blocks.Origin, blocks.Scale, which);
    LineFit line;
    for (int e = 0; e < 12; ++e)
      if (which[static_cast<size_t>(e)] >= 0) line.Add(LayoutEdge(e), edges[static_cast<size_t>(which[static_cast<size_t>(e)])].At);
    if (!line.Fits() || line.Slope() <= 0) return std::nullopt;
    blocks = {line.Intercept(), line.Slope()};
  }
  if (match(blocks.Origin, blocks.Scale, which) < LeastEdges) return std::nullopt;
  // A block is even ink across: lines or text where blocks should be are no blocks.
  int even = 0;
  for (size_t b = 0; b < ColourCount; ++b) {
    const int left = std::max(0, static_cast<int>(blocks.InnerLeft(b)));
    const int right = std::min(static_cast<int>(columns.size()), static_cast<int>(blocks.InnerRight(b)));
    if (right - left < 10) continue;
    double sum = 0, squares = 0;
    for (int x = left; x < right; ++x) {
      sum += columns[static_cast<size_t>(x)];
      squares += columns[static_cast<size_t>(x)] * columns[static_cast<size_t>(x)];
    }
    const double mean = sum / (right - left);
    const double spread = std::sqrt(std::max(0.0, squares / (right - left) - mean * mean));
    even += mean >= 3 && spread <= 0.2 * mean + 1.5;
  }
  if (even < LeastEvenBlocks) return std::nullopt;
  return blocks;
}

// A band of six blocks found on the page.
struct FoundBlockRow {
  RowBand Rows;
  Blocks X;
  // Mean ink inside each block.
  std::array<double, ColourCount> Ink{};
};

double MeanInside(const InkImage& image, const RowBand& rows, const Blocks& x, size_t block) {
  const int left = std::max(0, static_cast<int>(x.InnerLeft(block)));
  const int right = std::min(image.Width, static_cast<int>(x.InnerRight(block)));
  const int inset = (rows.Bottom - rows.Top) / 10;
  if (right <= left) return 0;
  const std::vector<double> profile = RowProfile(image, left, right, rows.Top + inset, rows.Bottom - inset);
  double sum = 0;
  for (double value : profile) sum += value;
  return profile.empty() ? 0 : sum / static_cast<double>(profile.size());
}

std::vector<FoundBlockRow> FindBlockRows(const InkImage& image, double rough) {
  std::vector<FoundBlockRow> found;
  for (const RowBand& band : CandidateBands(image, rough)) {
    const std::optional<Blocks> blocks = FitBlocks(image, band, rough);
    if (!blocks) continue;
    FoundBlockRow f{band, *blocks, {}};
    for (size_t b = 0; b < ColourCount; ++b) f.Ink[b] = MeanInside(image, band, *blocks, b);
    found.push_back(f);
  }
  return found;
}

// The comb's component at `period` pixels over image rows [from, to) of a
// profile whose index 0 is row `first`, each row taken at its middle. The rows
// are weighed by a Hann window, so that neither the ends of the rows looked at
// nor a pattern of twice the pitch (lines that a scanner's resampling shows
// stronger and weaker by turns) leaks into it.
std::complex<double> CombSum(const std::vector<double>& profile, int first, int from, int to, double period) {
  from = std::max(from, first);
  to = std::min(to, first + static_cast<int>(profile.size()));
  if (to <= from) return 0;
  double mean = 0, weights = 0;
  const double length = to - from;
  auto weight = [&](int y) { return 0.5 - 0.5 * std::cos(2 * std::numbers::pi * (y - from + 0.5) / length); };
  for (int y = from; y < to; ++y) {
    mean += weight(y) * profile[static_cast<size_t>(y - first)];
    weights += weight(y);
  }
  mean /= weights;
  std::complex<double> sum = 0;
  const double step = 2 * std::numbers::pi / period;
  for (int y = from; y < to; ++y)
    sum += weight(y) * (profile[static_cast<size_t>(y - first)] - mean) * std::polar(1.0, -step * (y + 0.5));
  return 2.0 * sum;
}

// How strongly a band's rows repeat at the check's line pitch: near 1 for
// lines, near 0 for solid ink.
double Combness(const InkImage& image, const FoundBlockRow& band) {
  std::vector<double> rows(static_cast<size_t>(band.Rows.Bottom - band.Rows.Top), 0);
  for (size_t b = 0; b < ColourCount; ++b) {
    const std::vector<double> profile = RowProfile(image, static_cast<int>(band.X.InnerLeft(b)), static_cast<int>(band.X.InnerRight(b)),
                                                   band.Rows.Top, band.Rows.Bottom);
    for (size_t i = 0; i < rows.size() && i < profile.size(); ++i) rows[i] += profile[i];
  }
  double total = 0;
  for (double value : rows) total += value;
  if (total <= 0) return 0;
  double best = 0;
  for (double stretch = 0.95; stretch <= 1.05; stretch += 0.002)
    best = std::max(best, std::abs(CombSum(rows, band.Rows.Top, band.Rows.Top, band.Rows.Bottom, LinePitch * band.X.Scale * stretch)));
  return 2 * best / total;
}

// Which way up the titles say the check stands: they begin at the left, above
// and below it. 1 upright, -1 upside down, 0 cannot be told.
int TitlesFacing(const InkImage& image, const FoundBlockRow& check) {
  const double s = check.X.Scale;
  auto ink = [&](double top, double bottom, size_t firstBlock) {
    const int from = std::max(0, static_cast<int>(top));
    const int to = std::min(image.Height, static_cast<int>(bottom));
    const int left = std::max(0, static_cast<int>(check.X.Left(firstBlock)));
    const int right = std::min(image.Width, static_cast<int>(check.X.Right(firstBlock + 1)));
    if (to <= from || right <= left) return 0.0;
    const std::vector<double> rows = RowProfile(image, left, right, from, to);
    double sum = 0;
    for (double value : rows) sum += value;
    return sum / static_cast<double>(rows.size());
  };
  const double above = check.Rows.Top - 62 * s, aboveEnd = check.Rows.Top - 8 * s;
  const double below = check.Rows.Bottom + 8 * s, belowEnd = check.Rows.Bottom + 100 * s;
  const double left = ink(above, aboveEnd, 0) + ink(below, belowEnd, 0);
  const double right = ink(above, aboveEnd, ColourCount - 2) + ink(below, belowEnd, ColourCount - 2);
  constexpr double LeastTitleInk = 2;
  if (left >= LeastTitleInk && left > 4 * right) return 1;
  if (right >= LeastTitleInk && right > 4 * left) return -1;
  return 0;
}

struct Layout {
  FoundBlockRow Check;
  std::optional<FoundBlockRow> Solid;
};

enum class PageFacing { Upright, UpsideDown, Unknown, NotFound };

// Finds the check in the image and which way up it stands: the solid row above
// it (denser by far than the lines) and the titles at the left.
PageFacing FindLayout(const InkImage& image, double rough, Layout& layout) {
  const std::vector<FoundBlockRow> bands = FindBlockRows(image, rough);
  if (bands.empty()) return PageFacing::NotFound;
  int pairFacing = 0;
  bool conflict = false;
  for (size_t a = 0; a < bands.size(); ++a)
    for (size_t b = 0; b < bands.size(); ++b) {
      const FoundBlockRow& upper = bands[a];
      const FoundBlockRow& lower = bands[b];
      const double s = upper.X.Scale;
      const double gap = lower.Rows.Top - upper.Rows.Top;
      if (gap < 0.94 * RowPitch * s || gap > 1.06 * RowPitch * s) continue;
      if (std::abs(upper.X.Origin - lower.X.Origin) > 10 * s || std::abs(upper.X.Scale / lower.X.Scale - 1) > 0.03) continue;
      std::vector<double> ratios;
      for (size_t c = 0; c < ColourCount; ++c) {
        const double denser = std::max(upper.Ink[c], lower.Ink[c]);
        if (denser >= 10) ratios.push_back(lower.Ink[c] / std::max(upper.Ink[c], 1e-3));
      }
      if (ratios.size() < 3) continue;
      const double ratio = Median(ratios);
      const int facing = ratio < 0.6 ? 1 : ratio > 1 / 0.6 ? -1 : 0;
      if (facing == 0) continue;
      if (pairFacing != 0 && pairFacing != facing) conflict = true;
      pairFacing = facing;
      layout.Check = facing > 0 ? lower : upper;
      layout.Solid = facing > 0 ? upper : lower;
    }
  if (conflict) return PageFacing::Unknown;
  if (pairFacing == 0) {
    // No solid row beside it: the check alone, known by its lines.
    double best = 0;
    for (const FoundBlockRow& band : bands) {
      const double combness = Combness(image, band);
      if (combness > best) {
        best = combness;
        layout.Check = band;
      }
    }
    constexpr double LeastCombness = 0.15;
    if (best < LeastCombness) return PageFacing::NotFound;
  }
  const int titles = TitlesFacing(image, layout.Check);
  if (pairFacing != 0 && titles != 0 && pairFacing != titles) return PageFacing::Unknown;
  const int facing = pairFacing != 0 ? pairFacing : titles;
  if (facing == 0) return PageFacing::Unknown;
  return facing > 0 ? PageFacing::Upright : PageFacing::UpsideDown;
}

// The same band in the image turned half round.
FoundBlockRow HalfTurned(const FoundBlockRow& band, const InkImage& turned) {
  FoundBlockRow result = band;
  result.Rows = {turned.Height - band.Rows.Bottom, turned.Height - band.Rows.Top};
  result.X.Origin = turned.Width - (band.X.Origin + band.X.Scale * BlocksWidth);
  std::reverse(result.Ink.begin(), result.Ink.end());
  return result;
}

// One block's rows of ink, over its whole width and over each strip.
struct BlockProfiles {
  std::vector<double> Whole;
  std::array<std::vector<double>, Strips> Strip;
};

// The check's place down the page: the top of line 1 of each block, and the pixels per dot.
struct Placement {
  std::array<double, ColourCount> FirstLine{};
};

// What one line of ink shows in the row profile: the ink a pixel whose middle
// lies `t` pixels from the line's centre sees. At first a line of one dot,
// blurred and seen through a pixel; then learnt from the lines themselves,
// which also takes in how the scanner resampled the page.
struct Response {
  static constexpr int BinsPerPixel = 8;
  static constexpr double Reach = 3.5;
  double Half = 0.5;
  double Blur = 0.6;
  std::vector<double> Bins;

  double Extent() const { return Bins.empty() ? Half + 4 * Blur + 1 : Reach; }
  double operator()(double t) const {
    if (!Bins.empty()) {
      const int bin = static_cast<int>(std::floor((t + Reach) * BinsPerPixel));
      return bin >= 0 && bin < static_cast<int>(Bins.size()) ? Bins[static_cast<size_t>(bin)] : 0.0;
    }
    constexpr int Steps = 6;
    double value = 0;
    for (int step = 0; step < Steps; ++step) {
      const double u = t - 0.5 + (step + 0.5) / Steps;
      value += Blur > 0 ? 0.5 * (std::erf((u + Half) / (Blur * std::numbers::sqrt2)) - std::erf((u - Half) / (Blur * std::numbers::sqrt2)))
                        : (std::abs(u) <= Half ? 1.0 : 0.0);
    }
    return value / Steps;
  }
  // The same response as bins.
  std::vector<double> AsBins() const {
    std::vector<double> bins(static_cast<size_t>(2 * Reach * BinsPerPixel));
    for (size_t i = 0; i < bins.size(); ++i) bins[i] = (*this)(-Reach + (static_cast<double>(i) + 0.5) / BinsPerPixel);
    return bins;
  }
};

// A least squares model of a block's rows: each line place a line of its own
// amount of ink, on a background that may shade from top to bottom.
class LineModel {
public:
  LineModel(double firstLine, double scale, const Response& response, int from, int to) : First(firstLine), Scale(scale), From(from), To(to) {
    const int unknowns = Slots + 2;
    Normal.assign(static_cast<size_t>(unknowns * unknowns), 0);
    const double reach = response.Extent();
    for (int y = from; y < to; ++y) {
      Row row;
      const double middle = y + 0.5;
      const int lowest = std::max(0, static_cast<int>(std::floor((middle - reach - firstLine) / (LinePitch * scale) - 0.5 / LinePitch)) + Beyond);
      const int highest = std::min(Slots - 1, static_cast<int>(std::ceil((middle + reach - firstLine) / (LinePitch * scale))) + Beyond);
      row.FirstSlot = lowest;
      for (int slot = lowest; slot <= highest; ++slot) row.Values.push_back(response(middle - Centre(slot)));
      const double along = (y - (from + to) / 2.0) / std::max(1, to - from);
      for (size_t i = 0; i < row.Values.size(); ++i) {
        const int si = row.FirstSlot + static_cast<int>(i);
        for (size_t j = 0; j < row.Values.size(); ++j) At(si, row.FirstSlot + static_cast<int>(j)) += row.Values[i] * row.Values[j];
        At(si, Slots) += row.Values[i];
        At(Slots, si) += row.Values[i];
        At(si, Slots + 1) += row.Values[i] * along;
        At(Slots + 1, si) += row.Values[i] * along;
      }
      At(Slots, Slots) += 1;
      At(Slots, Slots + 1) += along;
      At(Slots + 1, Slots) += along;
      At(Slots + 1, Slots + 1) += along * along;
      RowsOf.push_back(std::move(row));
    }
    // A line place no pixel sees (beyond the image) is held at no ink.
    for (int i = 0; i < unknowns; ++i) At(i, i) += 1e-6 * (1 + At(i, i));
    Factored = Factor();
  }

  bool Usable() const { return Factored && To - From > Slots + 2; }
  double Centre(int slot) const { return First + Scale * (LinePitch * (slot - Beyond) + 0.5); }

  struct Solution {
    std::array<double, Slots> Ink{};
    double Squares = 0;
  };

  // `profile` holds rows from image row `first`.
  Solution Solve(const std::vector<double>& profile, int first) const {
    Solution solution;
    const int unknowns = Slots + 2;
    std::vector<double> rhs(static_cast<size_t>(unknowns), 0);
    auto value = [&](int y) {
      const int i = y - first;
      return i >= 0 && i < static_cast<int>(profile.size()) ? profile[static_cast<size_t>(i)] : 0.0;
    };
    for (int y = From; y < To; ++y) {
      const Row& row = RowsOf[static_cast<size_t>(y - From)];
      const double v = value(y);
      const double along = (y - (From + To) / 2.0) / std::max(1, To - From);
      for (size_t i = 0; i < row.Values.size(); ++i) rhs[static_cast<size_t>(row.FirstSlot) + i] += row.Values[i] * v;
      rhs[Slots] += v;
      rhs[Slots + 1] += v * along;
    }
    const std::vector<double> x = Back(rhs);
    for (int y = From; y < To; ++y) {
      const Row& row = RowsOf[static_cast<size_t>(y - From)];
      const double along = (y - (From + To) / 2.0) / std::max(1, To - From);
      double model = x[Slots] + x[Slots + 1] * along;
      for (size_t i = 0; i < row.Values.size(); ++i) model += row.Values[i] * x[static_cast<size_t>(row.FirstSlot) + i];
      solution.Squares += (value(y) - model) * (value(y) - model);
    }
    for (int slot = 0; slot < Slots; ++slot) solution.Ink[static_cast<size_t>(slot)] = x[static_cast<size_t>(slot)];
    return solution;
  }

private:
  struct Row {
    int FirstSlot = 0;
    std::vector<double> Values;
  };

  double& At(int i, int j) { return Normal[static_cast<size_t>(i * (Slots + 2) + j)]; }
  double Get(int i, int j) const { return Normal[static_cast<size_t>(i * (Slots + 2) + j)]; }

  // Cholesky in place: the lower triangle becomes L.
  bool Factor() {
    const int n = Slots + 2;
    for (int j = 0; j < n; ++j) {
      double diagonal = At(j, j);
      for (int k = 0; k < j; ++k) diagonal -= At(j, k) * At(j, k);
      if (diagonal <= 0) return false;
      At(j, j) = std::sqrt(diagonal);
      for (int i = j + 1; i < n; ++i) {
        double sum = At(i, j);
        for (int k = 0; k < j; ++k) sum -= At(i, k) * At(j, k);
        At(i, j) = sum / At(j, j);
      }
    }
    return true;
  }

  std::vector<double> Back(std::vector<double> b) const {
    const int n = Slots + 2;
    for (int i = 0; i < n; ++i) {
      for (int k = 0; k < i; ++k) b[static_cast<size_t>(i)] -= Get(i, k) * b[static_cast<size_t>(k)];
      b[static_cast<size_t>(i)] /= Get(i, i);
    }
    for (int i = n - 1; i >= 0; --i) {
      for (int k = i + 1; k < n; ++k) b[static_cast<size_t>(i)] -= Get(k, i) * b[static_cast<size_t>(k)];
      b[static_cast<size_t>(i)] /= Get(i, i);
    }
    return b;
  }

  double First;
  double Scale;
  int From;
  int To;
  std::vector<double> Normal;
  std::vector<Row> RowsOf;
  bool Factored = false;
};

// Solves the symmetric positive definite system `a` x = `b` (n unknowns) by
// Cholesky; false when it is not positive definite.
bool SolveSymmetric(std::vector<double> a, int n, std::vector<double>& b) {
  auto at = [&](int i, int j) -> double& { return a[static_cast<size_t>(i * n + j)]; };
  for (int j = 0; j < n; ++j) {
    double diagonal = at(j, j);
    for (int k = 0; k < j; ++k) diagonal -= at(j, k) * at(j, k);
    if (diagonal <= 0) return false;
    at(j, j) = std::sqrt(diagonal);
    for (int i = j + 1; i < n; ++i) {
      double sum = at(i, j);
      for (int k = 0; k < j; ++k) sum -= at(i, k) * at(j, k);
      at(i, j) = sum / at(j, j);
    }
  }
  for (int i = 0; i < n; ++i) {
    for (int k = 0; k < i; ++k) b[static_cast<size_t>(i)] -= at(i, k) * b[static_cast<size_t>(k)];
    b[static_cast<size_t>(i)] /= at(i, i);
  }
  for (int i = n - 1; i >= 0; --i) {
    for (int k = i + 1; k < n; ++k) b[static_cast<size_t>(i)] -= at(k, i) * b[static_cast<size_t>(k)];
    b[static_cast<size_t>(i)] /= at(i, i);
  }
  return true;
}

// One block's rows and its lines' ink, as the response is learnt from them.
struct LearningBlock {
  const std::vector<double>* Profile = nullptr;
  int ProfileTop = 0;
  double FirstLine = 0;
  int From = 0;
  int To = 0;
  std::array<double, Slots> Ink{};
};

// The response that, with the lines' ink as measured, explains every block's
// rows best. A line leaves the same ink in the profile wherever it falls on the
// pixels; that ties the response at every place within a pixel together, so
// that a line seen across two pixels weighs as much as one seen in one.
Response Learnt(const Response& prior, const std::vector<LearningBlock>& blocks, double scale) {
  const int bins = static_cast<int>(2 * Response::Reach * Response::BinsPerPixel);
  const int unknowns = bins + 2 * static_cast<int>(blocks.size());
  std::vector<double> normal(static_cast<size_t>(unknowns * unknowns), 0);
  std::vector<double> rhs(static_cast<size_t>(unknowns), 0);
  auto at = [&](int i, int j) -> double& { return normal[static_cast<size_t>(i * unknowns + j)]; };
  std::vector<std::pair<int, double>> row;
  for (size_t b = 0; b < blocks.size(); ++b) {
    const LearningBlock& block = blocks[b];
    for (int y = block.From; y < block.To; ++y) {
      const int i = y - block.ProfileTop;
      if (i < 0 || i >= static_cast<int>(block.Profile->size())) continue;
      const double value = (*block.Profile)[static_cast<size_t>(i)];
      row.clear();
      const double middle = y + 0.5;
      for (int slot = 0; slot < Slots; ++slot) {
        const double t = middle - (block.FirstLine + scale * (LinePitch * (slot - Beyond) + 0.5));
        const int bin = static_cast<int>(std::floor((t + Response::Reach) * Response::BinsPerPixel));
        if (bin < 0 || bin >= bins) continue;
        row.push_back({bin, block.Ink[static_cast<size_t>(slot)]});
      }
      const double along = (y - (block.From + block.To) / 2.0) / std::max(1, block.To - block.From);
      row.push_back({bins + 2 * static_cast<int>(b), 1.0});
      row.push_back({bins + 2 * static_cast<int>(b) + 1, along});
      for (const auto& [p, u] : row) {
        rhs[static_cast<size_t>(p)] += u * value;
        for (const auto& [q, v] : row) at(p, q) += u * v;
      }
    }
  }
  double largest = 0;
  for (int i = 0; i < unknowns; ++i) largest = std::max(largest, at(i, i));
  if (largest <= 0) return prior;
  const std::vector<double> start = prior.Bins.empty() ? prior.AsBins() : prior.Bins;
  // Places within a pixel that no line fell on keep what the response was.
  const double hold = 1e-4 * largest;
  for (int q = 0; q < bins; ++q) {
    at(q, q) += hold;
    rhs[static_cast<size_t>(q)] += hold * start[static_cast<size_t>(q)];
  }
  for (int i = bins; i < unknowns; ++i) at(i, i) += 1e-9 * largest;
  // Each place within a pixel sees the whole line over the pixels around it.
  const double tie = 100 * largest;
  for (int phase = 0; phase < Response::BinsPerPixel; ++phase) {
    for (int p = phase; p < bins; p += Response::BinsPerPixel) {
      rhs[static_cast<size_t>(p)] += tie;
      for (int q = phase; q < bins; q += Response::BinsPerPixel) at(p, q) += tie;
    }
  }
  if (!SolveSymmetric(normal, unknowns, rhs)) return prior;
  Response learnt = prior;
  learnt.Bins.assign(rhs.begin(), rhs.begin() + bins);
  return learnt;
}

// The ink of a profile whose index 0 is image row `first` over image rows
// [from, to), each row a pixel of even ink.
double InkOver(const std::vector<double>& profile, int first, double from, double to) {
  double sum = 0;
  for (int y = static_cast<int>(std::floor(from)); y < static_cast<int>(std::ceil(to)); ++y) {
    const double overlap = std::min(to, y + 1.0) - std::max(from, static_cast<double>(y));
    const int i = y - first;
    if (overlap > 0 && i >= 0 && i < static_cast<int>(profile.size())) sum += overlap * profile[static_cast<size_t>(i)];
  }
  return sum;
}

using SlotInks = std::array<double, Slots>;

double SlotCentre(int slot, double firstLine, double scale) { return firstLine + scale * (LinePitch * (slot - Beyond) + 0.5); }

// Each line place's ink: the rows of its own pitch, less the paper of the
// places farthest beyond the ends. Where within its pitch a scanner put a
// line's ink does not matter to it.
SlotInks PlaceInks(const std::vector<double>& profile, int first, double firstLine, double scale) {
  SlotInks inks{};
  const double pitch = LinePitch * scale;
  for (int slot = 0; slot < Slots; ++slot) {
    const double centre = SlotCentre(slot, firstLine, scale);
    inks[static_cast<size_t>(slot)] = InkOver(profile, first, centre - pitch / 2, centre + pitch / 2);
  }
  constexpr int PaperPlaces = 3;
  std::vector<double> paper;
  for (int i = 0; i < PaperPlaces; ++i) {
    paper.push_back(inks[static_cast<size_t>(i)]);
    paper.push_back(inks[static_cast<size_t>(Slots - 1 - i)]);
  }
  const double bare = Median(paper);
  for (double& ink : inks) ink -= bare;
  return inks;
}

// The share of a line's ink that the scan's blur carries into each
// neighbouring place: what shows in places with no line between printed ones,
// the places beyond the ends included.
double SpillOf(const std::vector<SlotInks>& blocks) {
  std::vector<double> spills;
  for (const SlotInks& inks : blocks) {
    for (int slot = 1; slot + 1 < Slots; ++slot) {
      const double before = inks[static_cast<size_t>(slot - 1)];
      const double after = inks[static_cast<size_t>(slot + 1)];
      const double here = inks[static_cast<size_t>(slot)];
      const double printed = std::max(before, after);
      if (printed <= 0) continue;
      // Neighbours count as printed at a third of the stronger one, as a line
      // a resampling scanner weakens still is.
      double around = 0;
      if (before > printed / 3) around += before;
      if (after > printed / 3) around += after;
      if (here < 0.25 * printed) spills.push_back(std::max(0.0, here) / around);
    }
  }
  if (spills.empty()) return 0;
  return std::clamp(Median(spills), 0.0, 0.3);
}

// The inks as printed: each place's measure keeps 1 - 2 * spill of its own
// line and takes spill of each neighbour's.
SlotInks Unspilt(const SlotInks& measured, double spill) {
  if (spill <= 0) return measured;
  // The tridiagonal system solved from top to bottom and back.
  std::array<double, Slots> upper{}, value{};
  const double diagonal = 1 - 2 * spill;
  double pivot = diagonal;
  value[0] = measured[0] / pivot;
  for (size_t i = 1; i < Slots; ++i) {
    upper[i - 1] = spill / pivot;
    pivot = diagonal - spill * upper[i - 1];
    value[i] = (measured[i] - spill * value[i - 1]) / pivot;
  }
  SlotInks inks{};
  inks[Slots - 1] = value[Slots - 1];
  for (size_t i = Slots - 1; i-- > 0;) inks[i] = value[i] - upper[i] * inks[i + 1];
  return inks;
}

// A block's lines, each as a share of its typical line, and how clearly they stand out.
struct Shares {
  std::array<double, Slots> Of{};
  double Clearness = 0;
  bool Read = false;
};

// Every line as a share of the typical printed line near it that falls at
// the same place within a pixel: a scanner's resampling may show a line that
// falls across two pixels weaker than one that falls within one, and the
// light may change down the block. How widely the printed lines scatter about
// their typical ink tells how clearly a missing one stands out.
Shares SharesOf(const SlotInks& inks, double firstLine, double scale) {
  constexpr int Near = 16;
  constexpr size_t Peers = 6;
  Shares shares;
  std::vector<double> sorted(inks.begin(), inks.end());
  std::sort(sorted.begin(), sorted.end(), std::greater<>());
  const double strongest = sorted[Lines / 4];
  if (strongest <= 0) return shares;
  std::array<double, Slots> place{};
  for (int slot = 0; slot < Slots; ++slot) {
    const double centre = SlotCentre(slot, firstLine, scale);
    place[static_cast<size_t>(slot)] = centre - std::floor(centre);
  }
  std::vector<double> scatter;
  std::vector<std::pair<double, double>> near;
  std::vector<double> peers;
  for (int slot = 0; slot < Slots; ++slot) {
    // The printed lines nearby that fall nearest the same place within a pixel
    // (a line a resampling scanner weakens still holds a good part of the strongest).
    near.clear();
    for (int other = 0; other < Slots; ++other) {
      double apart = std::abs(place[static_cast<size_t>(other)] - place[static_cast<size_t>(slot)]);
      apart = std::min(apart, 1 - apart);
      const int distance = std::abs(other - slot);
      // Lines farther than Near are taken only where a gap leaves too few nearer.
      if (other != slot && inks[static_cast<size_t>(other)] > 0.3 * strongest)
        near.push_back({apart + 0.002 * distance + (distance > Near ? 1 : 0), inks[static_cast<size_t>(other)]});
    }
    if (near.size() < Peers) return shares;
    std::partial_sort(near.begin(), near.begin() + Peers, near.end());
    peers.clear();
    for (size_t i = 0; i < Peers; ++i) peers.push_back(near[i].second);
    const double typical = Median(peers);
    const double share = inks[static_cast<size_t>(slot)] / typical;
    shares.Of[static_cast<size_t>(slot)] = share;
    if (share > 0.5) scatter.push_back(std::abs(share - 1));
  }
  const double spread = 1.4826 * Median(scatter);
  shares.Clearness = spread > 0 ? 1 / spread : 1e9;
  shares.Read = shares.Clearness >= LeastClearness;
  return shares;
}

std::string CoarseOrFaint(double scale) {
  return scale < FinePixelsPerDot ? "cannot read: the scan is too coarse for the nozzle lines: scan at 300 dpi or more"
                                  : "cannot read: the lines are too faint in this scan";
}

}  // namespace

bool NozzleCheckReading::AnyMissing() const {
  return std::any_of(Colours.begin(), Colours.end(), [](const NozzleColourReading& colour) { return !colour.Missing.empty(); });
}

NozzleCheckReading ReadNozzleCheck(const InkImage& scan) {
  NozzleCheckReading reading;
  if (scan.Empty()) {
    reading.Problem = "The image is empty.";
    return reading;
  }
  const std::string notFound =
      "No nozzle check pattern was found in the image: scan the first page of the A4 check pattern, the whole sheet, upright.";
  const ScanFrame straight(scan);
  reading.SkewDegrees = straight.SkewDegrees();
  // The page stands on its long side: a landscape image lies sideways, and
  // either way the page may be upside down.
  const bool sideways = straight.Image().Width > straight.Image().Height;
  ScanFrame frame = sideways ? straight.Turned(1) : straight;
  Layout layout;
  const PageFacing facing = FindLayout(frame.Image(), frame.RoughPixelsPerDot(), layout);
  if (facing == PageFacing::NotFound) {
    reading.Problem = notFound;
    return reading;
  }
  if (facing == PageFacing::Unknown) {
    reading.Problem = PageOrientationUnknownText;
    return reading;
  }
  if (facing == PageFacing::UpsideDown) {
    frame = frame.Turned(2);
    layout.Check = HalfTurned(layout.Check, frame.Image());
    if (layout.Solid) layout.Solid = HalfTurned(*layout.Solid, frame.Image());
  }
  reading.QuarterTurns = frame.QuarterTurns();
  const InkImage& image = frame.Image();
  const Blocks& x = layout.Check.X;
  reading.PixelsPerInch = x.Scale * 360 * scan.Reduction;

  auto refuseAll = [&](const std::string& problem) {
    for (NozzleColourReading& colour : reading.Colours) {
      colour.Missing.clear();
      colour.Problem = problem;
    }
    return reading;
  };

  // The rows of each block, over a margin above and below the band found.
  const int top = std::max(0, static_cast<int>(layout.Check.Rows.Top - 40 * x.Scale));
  const int bottom = std::min(image.Height, static_cast<int>(layout.Check.Rows.Bottom + 40 * x.Scale));
  std::array<bool, ColourCount> inside{};
  std::array<BlockProfiles, ColourCount> profiles;
  std::vector<double> all(static_cast<size_t>(bottom - top), 0);
  for (size_t b = 0; b < ColourCount; ++b) {
    inside[b] = x.InnerLeft(b) >= 0 && x.InnerRight(b) <= image.Width;
    const double left = std::max(0.0, x.InnerLeft(b));
    const double right = std::min(static_cast<double>(image.Width), x.InnerRight(b));
    if (right - left < 8 * Strips) {
      inside[b] = false;
      continue;
    }
    profiles[b].Whole = RowProfile(image, static_cast<int>(left), static_cast<int>(right), top, bottom);
    for (int s = 0; s < Strips; ++s)
      profiles[b].Strip[static_cast<size_t>(s)] = RowProfile(image, static_cast<int>(left + (right - left) * s / Strips),
                                                            static_cast<int>(left + (right - left) * (s + 1) / Strips), top, bottom);
    for (size_t i = 0; i < all.size(); ++i) all[i] += profiles[b].Whole[i];
  }

  // The line pitch down the page and the lines' phase, from the comb of all
  // colours together: the page may be a little longer or shorter along the
  // paper than across it.
  const int combFrom = std::max(top, static_cast<int>(layout.Check.Rows.Top - 6 * x.Scale));
  const int combTo = std::min(bottom, static_cast<int>(layout.Check.Rows.Bottom + 6 * x.Scale));
  double scale = x.Scale;
  double strongest = 0;
  for (double stretch = 0.96; stretch <= 1.0405; stretch += 0.001) {
    const double strength = std::abs(CombSum(all, top, combFrom, combTo, LinePitch * x.Scale * stretch));
    if (strength > strongest) {
      strongest = strength;
      scale = x.Scale * stretch;
    }
  }
  double total = 0;
  for (int y = combFrom; y < combTo; ++y) total += all[static_cast<size_t>(y - top)];
  const double combness = total > 0 ? 2 * strongest / total : 0;
  Placement placement;
  std::array<double, ColourCount> strength{};
  double strongestBlock = 0;
  // Lines a blurred scan runs together no longer show their pitch; then the
  // check's ends place them, and each line is read from a model of the blur.
  constexpr double SharpCombness = 0.15;
  const bool sharp = combness >= SharpCombness;
  if (sharp) {
    // The pitch refined from how the phase moves between the upper and lower halves.
    const int middle = (combFrom + combTo) / 2;
    for (int round = 0; round < 3; ++round) {
      const double period = LinePitch * scale;
      const double upper = std::arg(CombSum(all, top, combFrom, middle, period));
      const double lower = std::arg(CombSum(all, top, middle, combTo, period));
      double turn = lower - upper;
      while (turn > std::numbers::pi) turn -= 2 * std::numbers::pi;
      while (turn < -std::numbers::pi) turn += 2 * std::numbers::pi;
      const double periods = (combTo - combFrom) / 2.0 / period;
      scale *= 1 - turn / (2 * std::numbers::pi * periods);
    }
    const double period = LinePitch * scale;
    // The top of line 1 from the phase, the nearest such place to the band's top.
    auto firstLineFrom = [&](std::complex<double> sum, double near) {
      const double phase = std::arg(sum);
      const double base = -phase * period / (2 * std::numbers::pi) - 0.5 * scale;
      return base + period * std::round((near - base) / period);
    };
    const double bandTop = layout.Check.Rows.Top + std::lround(3 * x.Scale);
    const double firstLine = firstLineFrom(CombSum(all, top, combFrom, combTo, period), bandTop);
    // Each block's own phase, where its lines show well; a faint one follows
    // the others. Each is taken nearest its left neighbour's, so that a page
    // still leaning a little does not put a far block's lines one place off.
    std::array<std::complex<double>, ColourCount> sums{};
    for (size_t b = 0; b < ColourCount; ++b) {
      if (!inside[b]) continue;
      sums[b] = CombSum(profiles[b].Whole, top, combFrom, combTo, period);
      strength[b] = std::abs(sums[b]);
      strongestBlock = std::max(strongestBlock, strength[b]);
    }
    // From the strongest block outwards.
    const size_t anchor = static_cast<size_t>(std::max_element(strength.begin(), strength.end()) - strength.begin());
    placement.FirstLine[anchor] = firstLineFrom(sums[anchor], firstLine);
    for (size_t b = anchor + 1; b < ColourCount; ++b)
      placement.FirstLine[b] = inside[b] ? firstLineFrom(sums[b], placement.FirstLine[b - 1]) : placement.FirstLine[b - 1];
    for (size_t b = anchor; b-- > 0;)
      placement.FirstLine[b] = inside[b] ? firstLineFrom(sums[b], placement.FirstLine[b + 1]) : placement.FirstLine[b + 1];
  } else {
    // The check's ink is an even band, each line standing for its own pitch:
    // it begins one dot above line 1 and is 288 dots high. Found block by
    // block, as the page may still lean a little, and fitted across them.
    const double s = x.Scale;
    std::vector<double> tops, heights;
    for (size_t b = 0; b < ColourCount; ++b) {
      if (!inside[b]) continue;
      const std::vector<double>& rows = profiles[b].Whole;
      std::vector<double> paper, inner;
      for (int y = top; y < bottom; ++y) {
        const double value = rows[static_cast<size_t>(y - top)];
        // The paper below the check: above it stands a title.
        if (y >= layout.Check.Rows.Bottom + 10 * s && y < layout.Check.Rows.Bottom + 35 * s) paper.push_back(value);
        if (y >= layout.Check.Rows.Top + 30 * s && y < layout.Check.Rows.Bottom - 30 * s) inner.push_back(value);
      }
      if (paper.empty() || inner.empty()) continue;
      const double bare = Median(paper), level = Median(inner);
      if (level - bare < 4) continue;
      const double half = (bare + level) / 2;
      int y = std::max(top + 1, static_cast<int>(layout.Check.Rows.Top - 15 * s));
      while (y < bottom && rows[static_cast<size_t>(y - top)] < half) ++y;
      int z = std::min(bottom - 2, static_cast<int>(layout.Check.Rows.Bottom + 15 * s));
      while (z > y && rows[static_cast<size_t>(z - top)] < half) --z;
      if (y >= z || y <= top || z + 1 >= bottom) continue;
      auto crossing = [&](int outside, int in) {
        const double a = rows[static_cast<size_t>(outside - top)], c = rows[static_cast<size_t>(in - top)];
        return outside + 0.5 + (c == a ? 0.5 : (half - a) / (c - a)) * (in - outside);
      };
      const double upper = crossing(y - 1, y);
      const double lower = crossing(z + 1, z);
      tops.push_back(upper);
      heights.push_back((lower - upper) / (CheckHeight + 2));
    }
    if (heights.size() < 2) return refuseAll("cannot read: the lines cannot be made out in this scan");
    scale = Median(heights);
    if (scale < 0.97 * x.Scale || scale > 1.03 * x.Scale) return refuseAll("cannot read: the lines cannot be made out in this scan");
    for (size_t b = 0; b < ColourCount; ++b) {
      placement.FirstLine[b] = Median(tops) + scale;
      strength[b] = inside[b] ? 1 : 0;
    }
    strongestBlock = 1;
  }
  LineFit across;
  for (size_t b = 0; b < ColourCount; ++b)
    if (inside[b] && strength[b] >= 0.25 * strongestBlock) across.Add((x.Left(b) + x.Right(b)) / 2, placement.FirstLine[b]);
  for (size_t b = 0; b < ColourCount; ++b)
    if (!inside[b] || strength[b] < 0.25 * strongestBlock)
      placement.FirstLine[b] = across.Fits() ? across.Intercept() + across.Slope() * (x.Left(b) + x.Right(b)) / 2 : placement.FirstLine[b];

  std::array<bool, ColourCount> cut{};
  const double reach = (Beyond * LinePitch + 2) * scale;
  for (size_t b = 0; b < ColourCount; ++b)
    cut[b] = !inside[b] || placement.FirstLine[b] - reach < std::max(0, top) ||
             placement.FirstLine[b] + CheckHeight * scale + reach > std::min(image.Height, bottom);
  auto rowsOf = [&](double first) {
    return std::make_pair(static_cast<int>(std::floor(first - reach)), static_cast<int>(std::ceil(first + CheckHeight * scale + reach)));
  };

  // Every block measured, whole and strip by strip: each line's own pitch of
  // rows, the blur's spill between neighbours taken out.
  std::array<SlotInks, ColourCount> wholeInks{};
  std::array<std::array<SlotInks, Strips>, ColourCount> stripInks{};
  std::vector<SlotInks> measured;
  for (size_t b = 0; b < ColourCount; ++b) {
    if (cut[b]) continue;
    wholeInks[b] = PlaceInks(profiles[b].Whole, top, placement.FirstLine[b], scale);
    for (size_t s = 0; s < Strips; ++s) stripInks[b][s] = PlaceInks(profiles[b].Strip[s], top, placement.FirstLine[b], scale);
    measured.push_back(wholeInks[b]);
  }
  const double spill = SpillOf(measured);
  constexpr double MostSpill = 0.12;
  if (sharp && spill <= MostSpill) {
    for (size_t b = 0; b < ColourCount; ++b) {
      if (cut[b]) continue;
      wholeInks[b] = Unspilt(wholeInks[b], spill);
      for (SlotInks& inks : stripInks[b]) inks = Unspilt(inks, spill);
    }
  } else {
    // A blurred scan: the rows of each block modelled as lines blurred by the
    // blur that explains them best, each block's lines moved to where they fit.
    Response response;
    response.Half = 0.5 * scale;
    response.Blur = 1.0;
    auto squaresAt = [&](size_t b, double first, const Response& blurred) {
      const auto [from, to] = rowsOf(first);
      const LineModel model(first, scale, blurred, from, to);
      return model.Usable() ? model.Solve(profiles[b].Whole, top).Squares : 1e300;
    };
    // The fit repeats at the line pitch; which line is which is told later.
    auto nudge = [&](size_t b, int reach) {
      constexpr double Nudge = 0.2;
      std::vector<double> squares;
      for (int i = -reach; i <= reach; ++i) squares.push_back(squaresAt(b, placement.FirstLine[b] + i * Nudge, response));
      const size_t best = static_cast<size_t>(std::min_element(squares.begin(), squares.end()) - squares.begin());
      double shift = static_cast<double>(best) - reach;
      if (best > 0 && best + 1 < squares.size()) {
        const double curve = squares[best - 1] - 2 * squares[best] + squares[best + 1];
        if (curve > 0) shift += 0.5 * (squares[best - 1] - squares[best + 1]) / curve;
      }
      placement.FirstLine[b] += shift * Nudge;
    };
    for (size_t b = 0; b < ColourCount; ++b)
      if (!cut[b]) nudge(b, 6);
    double leastSquares = -1;
    for (double trial : {0.4, 0.6, 0.8, 1.0, 1.2, 1.4, 1.7, 2.0}) {
      Response tried = response;
      tried.Blur = trial;
      double squares = 0;
      for (size_t b = 0; b < ColourCount; ++b)
        if (!cut[b]) squares += squaresAt(b, placement.FirstLine[b], tried);
      if (leastSquares < 0 || squares < leastSquares) {
        leastSquares = squares;
        response.Blur = trial;
      }
    }
    // The pitch down the page from the fit too, each block held at its middle:
    // the ends of the check alone place it only to a few tenths of a percent.
    {
      constexpr int Steps = 5;
      constexpr double Step = 0.001;
      std::vector<double> squares;
      const double middleDots = CheckHeight / 2;
      for (int i = -Steps; i <= Steps; ++i) {
        const double tried = scale * (1 + i * Step);
        double sum = 0;
        for (size_t b = 0; b < ColourCount; ++b) {
          if (cut[b]) continue;
          const double first = placement.FirstLine[b] + middleDots * (scale - tried);
          const auto [from, to] = rowsOf(first);
          Response blurred = response;
          blurred.Half = 0.5 * tried;
          const LineModel model(first, tried, blurred, from, to);
          sum += model.Usable() ? model.Solve(profiles[b].Whole, top).Squares : 1e300;
        }
        squares.push_back(sum);
      }
      const size_t best = static_cast<size_t>(std::min_element(squares.begin(), squares.end()) - squares.begin());
      double shift = static_cast<double>(best) - Steps;
      if (best > 0 && best + 1 < squares.size()) {
        const double curve = squares[best - 1] - 2 * squares[best] + squares[best + 1];
        if (curve > 0) shift += 0.5 * (squares[best - 1] - squares[best + 1]) / curve;
      }
      const double tried = scale * (1 + shift * Step);
      for (size_t b = 0; b < ColourCount; ++b) placement.FirstLine[b] += middleDots * (scale - tried);
      scale = tried;
      response.Half = 0.5 * scale;
    }
    for (size_t b = 0; b < ColourCount; ++b)
      if (!cut[b]) nudge(b, 3);
    // The response learnt from the lines themselves, with what the scanner's
    // optics and resampling did to them, and the lines measured again with it.
    constexpr int LearningRounds = 2;
    for (int round = 0; round < LearningRounds; ++round) {
      std::vector<LearningBlock> learning;
      for (size_t b = 0; b < ColourCount; ++b) {
        if (cut[b]) continue;
        const auto [from, to] = rowsOf(placement.FirstLine[b]);
        const LineModel model(placement.FirstLine[b], scale, response, from, to);
        if (!model.Usable()) continue;
        learning.push_back({&profiles[b].Whole, top, placement.FirstLine[b], from, to, model.Solve(profiles[b].Whole, top).Ink});
      }
      response = Learnt(response, learning, scale);
    }
    for (size_t b = 0; b < ColourCount; ++b) {
      if (cut[b]) continue;
      const auto [from, to] = rowsOf(placement.FirstLine[b]);
      const LineModel model(placement.FirstLine[b], scale, response, from, to);
      if (!model.Usable()) {
        cut[b] = true;
        continue;
      }
      wholeInks[b] = model.Solve(profiles[b].Whole, top).Ink;
      for (size_t s = 0; s < Strips; ++s) stripInks[b][s] = model.Solve(profiles[b].Strip[s], top).Ink;
    }
  }
  std::array<Shares, ColourCount> whole{};
  std::array<std::array<Shares, Strips>, ColourCount> strips{};
  for (size_t b = 0; b < ColourCount; ++b) {
    if (cut[b]) continue;
    whole[b] = SharesOf(wholeInks[b], placement.FirstLine[b], scale);
    for (size_t s = 0; s < Strips; ++s) strips[b][s] = SharesOf(stripInks[b][s], placement.FirstLine[b], scale);
  }

  // Where line 1 lies among the places weighed: the one stretch of 96 places
  // outside which every colour shows bare paper.
  std::vector<int> candidates;
  std::vector<int> strays;
  for (int shift = -Beyond; shift <= Beyond; ++shift) {
    int stray = 0;
    for (size_t b = 0; b < ColourCount; ++b) {
      if (cut[b] || !whole[b].Read) continue;
      for (int slot = 0; slot < Slots; ++slot) {
        const int line = slot - Beyond - shift;
        if ((line < 0 || line >= Lines) && whole[b].Of[static_cast<size_t>(slot)] > 0.5) ++stray;
      }
    }
    strays.push_back(stray);
    if (stray == 0) candidates.push_back(shift);
  }
  int shift = 0;
  if (candidates.size() == 1) {
    shift = candidates.front();
  } else {
    // The end lines are missing in every colour: the solid row above tells
    // where the check begins, if it stands clearly at one of the places.
    std::optional<int> fromSolid;
    if (layout.Solid && !candidates.empty() && scale >= FinePixelsPerDot) {
      const FoundBlockRow& solid = *layout.Solid;
      std::vector<double> rows(static_cast<size_t>(std::max(1, static_cast<int>((solid.Rows.Bottom - solid.Rows.Top) + 40 * x.Scale))), 0);
      const int solidTop = std::max(0, static_cast<int>(solid.Rows.Top - 20 * x.Scale));
      const int solidBottom = std::min(image.Height, solidTop + static_cast<int>(rows.size()));
      double level = 0;
      for (size_t b = 0; b < ColourCount; ++b) {
        if (!inside[b]) continue;
        const std::vector<double> profile =
            RowProfile(image, static_cast<int>(x.InnerLeft(b)), static_cast<int>(x.InnerRight(b)), solidTop, solidBottom);
        for (size_t i = 0; i < profile.size() && i < rows.size(); ++i) rows[i] += profile[i];
      }
      std::vector<double> sorted(rows.begin(), rows.begin() + (solidBottom - solidTop));
      std::sort(sorted.begin(), sorted.end());
      level = sorted.empty() ? 0 : sorted[sorted.size() * 3 / 4];
      const double half = level / 2;
      int up = 0, down = solidBottom - solidTop - 1;
      while (up < down && rows[static_cast<size_t>(up)] < half) ++up;
      while (down > up && rows[static_cast<size_t>(down)] < half) --down;
      if (level > 0 && up > 0 && down < solidBottom - solidTop - 1) {
        const double upper = solidTop + up - 1 + (half - rows[static_cast<size_t>(up - 1)]) / (rows[static_cast<size_t>(up)] - rows[static_cast<size_t>(up - 1)]) + 0.5;
        const double lower = solidTop + down + (rows[static_cast<size_t>(down)] - half) / (rows[static_cast<size_t>(down)] - rows[static_cast<size_t>(down + 1)]) + 0.5;
        double placed = 0;
        int counted = 0;
        for (size_t b = 0; b < ColourCount; ++b)
          if (inside[b]) {
            placed += placement.FirstLine[b];
            ++counted;
          }
        const double expected = (upper + lower) / 2 + SolidMiddleToFirstLine * scale;
        const double lines = (expected - placed / std::max(1, counted)) / (LinePitch * scale);
        if (std::abs(lines - std::round(lines)) < 0.3) fromSolid = static_cast<int>(std::round(lines));
      }
    }
    if (fromSolid && std::find(candidates.begin(), candidates.end(), *fromSolid) != candidates.end()) {
      shift = *fromSolid;
    } else {
      return refuseAll("cannot read: where the nozzle lines begin cannot be told");
    }
  }

  for (size_t b = 0; b < ColourCount; ++b) {
    NozzleColourReading& colour = reading.Colours[b];
    if (cut[b]) {
      colour.Problem = "cannot read: the block is cut off";
      continue;
    }
    if (!whole[b].Read) {
      colour.Problem = CoarseOrFaint(scale);
      continue;
    }
    auto share = [&](const Shares& shares, int line) { return shares.Of[static_cast<size_t>(line + Beyond + shift)]; };
    bool marked = false;
    for (int slot = 0; slot < Slots; ++slot) {
      const int line = slot - Beyond - shift;
      if ((line < 0 || line >= Lines) && whole[b].Of[static_cast<size_t>(slot)] > 0.5) marked = true;
    }
    if (marked) {
      colour.Problem = "cannot read: there is ink beside its lines";
      continue;
    }
    bool unclear = false;
    std::array<bool, NozzlesPerColour> missing{};
    for (int nozzle = 0; nozzle < NozzlesPerColour; ++nozzle)
    {
      // A nozzle prints one line in each band: both are judged together, which
      // halves what noise or a compressed file's ringing at the edge of a gap
      // does to them; bands that disagree outright are not judged at all.
      const double first = share(whole[b], nozzle);
      const double second = share(whole[b], nozzle + NozzlesPerColour);
      const double both = (first + second) / 2;
      // The model may overshoot below paper beside a gap; far below it is no reading.
      if (std::abs(first - second) > PresentShare || both < -1) unclear = true;
      else if (both <= AbsentShare) missing[static_cast<size_t>(nozzle)] = true;
      else if (both < PresentShare) unclear = true;
    }
    if (unclear) {
      colour.Problem = scale < FinePixelsPerDot ? CoarseOrFaint(scale) : "cannot read: some of its lines are neither clearly printed nor clearly missing";
      continue;
    }
    // A line broken part of the way shows as missing in a strip of the block.
    bool damaged = false;
    for (const Shares& strip : strips[b]) {
      if (!strip.Read) continue;
      int broken = 0;
      for (int nozzle = 0; nozzle < NozzlesPerColour; ++nozzle) {
        if (missing[static_cast<size_t>(nozzle)]) continue;
        if (share(strip, nozzle) <= AbsentShare && share(strip, nozzle + NozzlesPerColour) <= AbsentShare) {
          missing[static_cast<size_t>(nozzle)] = true;
          ++broken;
        }
      }
      damaged = damaged || broken > MostBrokenInStrip;
    }
    if (damaged) {
      colour.Problem = "cannot read: part of the block is marked or missing";
      continue;
    }
    for (int nozzle = 0; nozzle < NozzlesPerColour; ++nozzle)
      if (missing[static_cast<size_t>(nozzle)]) colour.Missing.push_back(nozzle + 1);
    if (static_cast<int>(colour.Missing.size()) > MostMissing) {
      colour.Missing.clear();
      colour.Problem = "cannot read: the block shows too few lines";
    } else if (Alternating(missing)) {
      colour.Missing.clear();
      colour.Problem = "cannot read: its lines alternate strong and weak, as the scan's pixels fall on them: scan at 600 dpi";
    }
  }
  return reading;
}
