#include "analysis/NozzleCheckReader.h"

#include "analysis/Profile.h"
#include "analysis/ScanFrame.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

// The layout of the pattern, in dots of 1/360 inch: six blocks, one per
// colour, BlockWidth wide at BlockPitch; each block is two bands BandPitch
// apart, and a band is one line of one dot from each nozzle, LinePitch apart,
// nozzle 1 at the top.
constexpr double BlockWidth = 472;
constexpr double BlockPitch = 480;
constexpr int Bands = 2;
constexpr double BandPitch = 144;
constexpr double LinePitch = 3;
constexpr double PatternHeight = BandPitch + (NozzlesPerColour - 1) * LinePitch + 1;  // 286
// Rows whose mean ink over the whole width reaches this belong to a row of blocks.
constexpr double BlockRowInk = 20;
// Columns at each side of a block left out of the line measurements.
constexpr double BlockInset = 24;
// A line holding less than this share of its block's typical ink, averaged
// over both bands, is missing; a quarter of it holding less than
// BrokenShare is broken.
constexpr double MissingShare = 0.6;
constexpr double BrokenShare = 0.5;
constexpr int Quarters = 4;
// More missing nozzles than this in one colour means the block was not read.
constexpr int MostMissing = NozzlesPerColour / 2;

struct Region {
  int Top;
  int Bottom;
};

struct Blocks {
  double Origin = 0;  // left edge of the first block, in pixels
  double Scale = 0;   // pixels per dot
  double Left(int block) const { return Origin + Scale * BlockPitch * block; }
  double Right(int block) const { return Left(block) + Scale * BlockWidth; }
};

std::vector<Region> BlockRows(const InkImage& image, double roughScale) {
  const std::vector<double> rows = RowProfile(image, 0, image.Width);
  std::vector<Region> regions;
  int top = -1;
  for (int y = 0; y <= image.Height; ++y) {
    const bool inked = y < image.Height && rows[static_cast<size_t>(y)] >= BlockRowInk;
    if (inked && top < 0) top = y;
    if (!inked && top >= 0) {
      const double height = y - top;
      if (height >= 0.7 * PatternHeight * roughScale && height <= 1.4 * PatternHeight * roughScale) regions.push_back({top, y});
      top = -1;
    }
  }
  return regions;
}

// Where the half level of a block's plateau is crossed, between pixel `inside` and `outside`.
double Crossing(const std::vector<double>& columns, int outside, int inside, double half) {
  const double a = columns[static_cast<size_t>(outside)];
  const double b = columns[static_cast<size_t>(inside)];
  if (b == a) return (outside + inside) / 2.0;
  return outside + (half - a) / (b - a) * (inside - outside);
}

// The six blocks of a region, fitted to their twelve edges; empty unless all six stand where the pitch puts them.
std::optional<Blocks> FindBlocks(const InkImage& image, const Region& region, double roughScale) {
  const int inset = (region.Bottom - region.Top) / 10;
  std::vector<double> columns = ColumnProfile(image, region.Top + inset, region.Bottom - inset);
  const double rows = region.Bottom - region.Top - 2 * inset;
  for (double& value : columns) value /= rows;
  std::vector<double> sorted = columns;
  std::sort(sorted.begin(), sorted.end());
  const double threshold = 0.35 * sorted[sorted.size() * 3 / 4];
  if (threshold <= 2) return std::nullopt;
  std::vector<std::pair<double, double>> edges;
  int start = -1;
  for (int x = 0; x <= static_cast<int>(columns.size()); ++x) {
    const bool inked = x < static_cast<int>(columns.size()) && columns[static_cast<size_t>(x)] >= threshold;
    if (inked && start < 0) start = x;
    if (!inked && start >= 0) {
      if (x - start >= 0.6 * BlockWidth * roughScale && start > 0 && x < static_cast<int>(columns.size())) {
        std::vector<double> inside(columns.begin() + start, columns.begin() + x);
        const double half = Median(inside) / 2;
        int left = start;
        while (left > 0 && columns[static_cast<size_t>(left - 1)] >= half) --left;
        int right = x - 1;
        while (right + 1 < static_cast<int>(columns.size()) && columns[static_cast<size_t>(right + 1)] >= half) ++right;
        if (left > 0 && right + 1 < static_cast<int>(columns.size()))
          edges.push_back({Crossing(columns, left - 1, left, half) + 0.5, Crossing(columns, right + 1, right, half) + 0.5});
      }
      start = -1;
    }
  }
  if (edges.size() != NozzleColourNames.size()) return std::nullopt;
  // Least squares over the edges: position = origin + scale * dots.
  LineFit line;
  for (size_t block = 0; block < edges.size(); ++block) {
    line.Add(BlockPitch * static_cast<double>(block), edges[block].first);
    line.Add(BlockPitch * static_cast<double>(block) + BlockWidth, edges[block].second);
  }
  Blocks blocks;
  blocks.Scale = line.Slope();
  blocks.Origin = line.Intercept();
  if (blocks.Scale <= 0) return std::nullopt;
  for (size_t block = 0; block < edges.size(); ++block)
    if (std::abs(edges[block].first - blocks.Left(static_cast<int>(block))) > 4 * blocks.Scale ||
        std::abs(edges[block].second - blocks.Right(static_cast<int>(block))) > 4 * blocks.Scale)
      return std::nullopt;
  if (std::abs(region.Bottom - region.Top - PatternHeight * blocks.Scale) > 16 * blocks.Scale) return std::nullopt;
  return blocks;
}

double MeanInk(const InkImage& image, const Region& region, const Blocks& blocks) {
  const std::vector<double> rows = RowProfile(image, static_cast<int>(blocks.Left(0)),
                                              static_cast<int>(blocks.Right(static_cast<int>(NozzleColourNames.size()) - 1)),
                                              region.Top, region.Bottom);
  double sum = 0;
  for (double value : rows) sum += value;
  return rows.empty() ? 0 : sum / static_cast<double>(rows.size());
}

// The centre of line `nozzle` (0-based) of `band`, in dots below the first line's top.
double LineCentre(int band, int nozzle) { return BandPitch * band + LinePitch * nozzle + 0.5; }

// One block's rows of ink, over its whole width and over each quarter.
struct BlockProfiles {
  int Top = 0;  // the image row of index 0
  std::vector<double> Whole;
  std::array<std::vector<double>, Quarters> Quarter;
};

BlockProfiles ProfilesOf(const InkImage& image, const Blocks& blocks, int block, int top, int bottom) {
  BlockProfiles profiles;
  profiles.Top = top;
  const double left = blocks.Left(block) + BlockInset * blocks.Scale;
  const double right = blocks.Right(block) - BlockInset * blocks.Scale;
  profiles.Whole = RowProfile(image, static_cast<int>(left), static_cast<int>(right), top, bottom);
  for (int q = 0; q < Quarters; ++q)
    profiles.Quarter[static_cast<size_t>(q)] =
        RowProfile(image, static_cast<int>(left + (right - left) * q / Quarters),
                   static_cast<int>(left + (right - left) * (q + 1) / Quarters), top, bottom);
  return profiles;
}

using LineShares = std::array<std::array<double, NozzlesPerColour>, Bands>;

// Each line's ink in `profile` as a share of the block's typical line.
LineShares Shares(const std::vector<double>& profile, double firstLine, double scale) {
  LineShares shares{};
  std::vector<double> all;
  for (int band = 0; band < Bands; ++band)
    for (int nozzle = 0; nozzle < NozzlesPerColour; ++nozzle) {
      const double centre = firstLine + LineCentre(band, nozzle) * scale;
      shares[band][nozzle] = MeanOver(profile, centre - LinePitch / 2 * scale, centre + LinePitch / 2 * scale);
      all.push_back(shares[band][nozzle]);
    }
  const double typical = Median(all);
  for (auto& band : shares)
    for (double& share : band) share = typical > 0 ? share / typical : 0;
  return shares;
}

// Where the block's first line lies (in profile rows), from the centre of its ink:
// the centre of the lines that fire, as far as they are known.
double FirstLineFromCentre(const std::vector<double>& profile, const std::array<bool, NozzlesPerColour>& fires,
                           double scale) {
  // Bare paper above and below the pattern sets the floor, so that noise does
  // not pull the centre towards the middle of the rows looked at.
  constexpr size_t FloorRows = 6;
  std::vector<double> bare;
  for (size_t i = 0; i < std::min(FloorRows, profile.size()); ++i) {
    bare.push_back(profile[i]);
    bare.push_back(profile[profile.size() - 1 - i]);
  }
  const double floor = Median(bare);
  double weight = 0;
  double moment = 0;
  for (size_t i = 0; i < profile.size(); ++i) {
    const double above = std::max(0.0, profile[i] - floor);
    weight += above;
    moment += above * static_cast<double>(i);
  }
  double centres = 0;
  int lines = 0;
  for (int band = 0; band < Bands; ++band)
    for (int nozzle = 0; nozzle < NozzlesPerColour; ++nozzle)
      if (fires[static_cast<size_t>(nozzle)]) {
        centres += LineCentre(band, nozzle);
        ++lines;
      }
  if (weight <= 0 || lines == 0) return 0;
  return moment / weight - centres / lines * scale;
}

// Fits the first line's row across the blocks to a straight line, so that a
// block whose edge lines are missing still lies where its neighbours put it.
std::array<double, NozzleColourNames.size()> Straightened(const std::array<double, NozzleColourNames.size()>& rows,
                                                          const Blocks& blocks) {
  std::array<bool, NozzleColourNames.size()> used{};
  used.fill(true);
  double slope = 0, intercept = 0;
  for (int pass = 0; pass < 2; ++pass) {
    LineFit line;
    for (size_t b = 0; b < rows.size(); ++b)
      if (used[b]) line.Add(blocks.Left(static_cast<int>(b)), rows[b]);
    slope = line.Slope();
    intercept = line.Intercept();
    for (size_t b = 0; b < rows.size(); ++b)
      used[b] = std::abs(rows[b] - (intercept + slope * blocks.Left(static_cast<int>(b)))) <= LinePitch / 2 * blocks.Scale;
    if (std::count(used.begin(), used.end(), true) < 3) used.fill(true);
  }
  std::array<double, NozzleColourNames.size()> fitted{};
  for (size_t b = 0; b < rows.size(); ++b) fitted[b] = intercept + slope * blocks.Left(static_cast<int>(b));
  return fitted;
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
  const ScanFrame frame(scan);
  const InkImage& image = frame.Image();
  reading.SkewDegrees = frame.SkewDegrees();
  const double roughScale = frame.RoughPixelsPerDot();

  // The pattern is the row of six blocks with the least ink: the beta
  // pattern above it is solid, the nozzle check one line in three.
  std::optional<std::pair<Region, Blocks>> found;
  double leastInk = 0;
  for (const Region& region : BlockRows(image, roughScale)) {
    const std::optional<Blocks> blocks = FindBlocks(image, region, roughScale);
    if (!blocks) continue;
    const double ink = MeanInk(image, region, *blocks);
    if (!found || ink < leastInk) {
      found = std::make_pair(region, *blocks);
      leastInk = ink;
    }
  }
  if (!found) {
    reading.Problem = "No nozzle check pattern was found in the image: scan the first page of the A4 check pattern, the whole sheet, upright.";
    return reading;
  }
  const Region& region = found->first;
  const Blocks& blocks = found->second;
  reading.PixelsPerInch = blocks.Scale * 360 * scan.Reduction;
  const int margin = static_cast<int>(std::ceil(12 * blocks.Scale));
  const int top = std::max(0, region.Top - margin);
  const int bottom = std::min(image.Height, region.Bottom + margin);

  constexpr size_t Colours = NozzleColourNames.size();
  std::array<BlockProfiles, Colours> profiles;
  std::array<std::array<bool, NozzlesPerColour>, Colours> fires{};
  for (size_t b = 0; b < Colours; ++b) {
    profiles[b] = ProfilesOf(image, blocks, static_cast<int>(b), top, bottom);
    fires[b].fill(true);
  }
  std::array<double, Colours> firstLines{};
  std::array<LineShares, Colours> shares{};
  constexpr int Rounds = 3;
  for (int round = 0; round < Rounds; ++round) {
    std::array<double, Colours> centres{};
    for (size_t b = 0; b < Colours; ++b) centres[b] = FirstLineFromCentre(profiles[b].Whole, fires[b], blocks.Scale);
    firstLines = Straightened(centres, blocks);
    for (size_t b = 0; b < Colours; ++b) {
      shares[b] = Shares(profiles[b].Whole, firstLines[b], blocks.Scale);
      for (int nozzle = 0; nozzle < NozzlesPerColour; ++nozzle)
        fires[b][static_cast<size_t>(nozzle)] = (shares[b][0][nozzle] + shares[b][1][nozzle]) / 2 >= MissingShare;
    }
  }
  for (size_t b = 0; b < Colours; ++b) {
    NozzleColourReading& colour = reading.Colours[b];
    std::array<LineShares, Quarters> quarterShares{};
    for (int q = 0; q < Quarters; ++q)
      quarterShares[static_cast<size_t>(q)] = Shares(profiles[b].Quarter[static_cast<size_t>(q)], firstLines[b], blocks.Scale);
    for (int nozzle = 0; nozzle < NozzlesPerColour; ++nozzle) {
      bool broken = !fires[b][static_cast<size_t>(nozzle)];
      for (const LineShares& quarter : quarterShares)
        broken = broken || (quarter[0][nozzle] + quarter[1][nozzle]) / 2 < BrokenShare;
      if (broken) colour.Missing.push_back(nozzle + 1);
    }
    if (static_cast<int>(colour.Missing.size()) > MostMissing) {
      colour.Missing.clear();
      colour.Problem = "cannot read: the block shows no even lines";
    }
  }
  return reading;
}
