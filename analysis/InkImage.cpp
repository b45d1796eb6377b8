#include "analysis/InkImage.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <vector>

namespace {

constexpr double A4LongSideInches = 11.69;

uint8_t InkOf(uint32_t rgb) {
  const uint32_t lowest = std::min({(rgb >> 16) & 0xFFu, (rgb >> 8) & 0xFFu, rgb & 0xFFu});
  return static_cast<uint8_t>(255u - lowest);
}

// The commonest of `length` ink values.
template <typename Value>
int CommonestInk(size_t length, Value value) {
  std::array<size_t, 256> counts{};
  for (size_t i = 0; i < length; ++i) ++counts[value(i)];
  return static_cast<int>(std::max_element(counts.begin(), counts.end()) - counts.begin());
}

// Whatever lies around the sheet (a scanner lid darker than paper, the grey
// margin of a rendered page) is cleared: from each edge of the image inward,
// as long as the ink stays even and above bare paper.
constexpr uint8_t SurroundInk = 25;
constexpr int SurroundEvenness = 40;

// Marks the run from index 0 of a line of `length` pixels that lies beyond
// the sheet: it starts in the colour of the side's surround.
template <typename Value, typename Mark>
void MarkFromEdge(int length, int surround, Value value, Mark mark) {
  if (length == 0 || surround < SurroundInk || std::abs(value(0) - surround) > SurroundEvenness) return;
  const int first = value(0);
  for (int i = 0; i < length && value(i) >= SurroundInk && std::abs(value(i) - first) <= SurroundEvenness; ++i) mark(i);
}

void ClearSurround(InkImage& image) {
  const int width = image.Width;
  const int height = image.Height;
  std::vector<uint8_t> beyond(image.Ink.size(), 0);
  auto index = [&](int x, int y) { return static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x); };
  auto ink = [&](int x, int y) { return static_cast<int>(image.Ink[index(x, y)]); };
  auto clear = [&](int x, int y) { beyond[index(x, y)] = 1; };
  // The commonest ink along each side is its surround, if it has one.
  const auto rows = static_cast<size_t>(height), columns = static_cast<size_t>(width);
  const int left = CommonestInk(rows, [&](size_t y) { return ink(0, static_cast<int>(y)); });
  const int right = CommonestInk(rows, [&](size_t y) { return ink(width - 1, static_cast<int>(y)); });
  const int top = CommonestInk(columns, [&](size_t x) { return ink(static_cast<int>(x), 0); });
  const int bottom = CommonestInk(columns, [&](size_t x) { return ink(static_cast<int>(x), height - 1); });
  for (int y = 0; y < height; ++y) {
    MarkFromEdge(width, left, [&](int i) { return ink(i, y); }, [&](int i) { clear(i, y); });
    MarkFromEdge(width, right, [&](int i) { return ink(width - 1 - i, y); }, [&](int i) { clear(width - 1 - i, y); });
  }
  for (int x = 0; x < width; ++x) {
    MarkFromEdge(height, top, [&](int i) { return ink(x, i); }, [&](int i) { clear(x, i); });
    MarkFromEdge(height, bottom, [&](int i) { return ink(x, height - 1 - i); }, [&](int i) { clear(x, height - 1 - i); });
  }
  for (size_t i = 0; i < beyond.size(); ++i)
    if (beyond[i]) image.Ink[i] = 0;
}

// The paper is found as a background across the page, not as one level for
// the whole sheet: a lid left open, a vignette or a phone's lamp light one part
// of the sheet more than another, and ink is judged against the paper it lies
// on. The background is taken in tiles: in each tile the level most of its
// pixels are at least as light as, then the lightest level over a window
// broader than any printed block (so that blocks of ink and stains are not
// taken for paper), then the darkest over the same window (so that the
// background follows the light again up to the window's reach), then smoothed.
constexpr int BackgroundTile = 16;
// A tile's paper level: this share of its pixels carry at most as much ink.
constexpr double TilePaperShare = 0.3;
// Half the window, in inches: printed blocks and stains up to about 1.4 inch
// across are ink; lighting changes more slowly than that.
constexpr double BackgroundReachInches = 0.7;

using TileGrid = std::vector<std::vector<double>>;

// Each tile's value replaced by the lowest (or highest) within `reach` tiles either way.
TileGrid Spread(const TileGrid& grid, int reach, bool lowest) {
  const int rows = static_cast<int>(grid.size()), columns = static_cast<int>(grid.front().size());
  auto better = [&](double a, double b) { return lowest ? std::min(a, b) : std::max(a, b); };
  TileGrid across = grid, out = grid;
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < columns; ++c) {
      double value = grid[static_cast<size_t>(r)][static_cast<size_t>(c)];
      for (int k = std::max(0, c - reach); k <= std::min(columns - 1, c + reach); ++k)
        value = better(value, grid[static_cast<size_t>(r)][static_cast<size_t>(k)]);
      across[static_cast<size_t>(r)][static_cast<size_t>(c)] = value;
    }
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < columns; ++c) {
      double value = across[static_cast<size_t>(r)][static_cast<size_t>(c)];
      for (int k = std::max(0, r - reach); k <= std::min(rows - 1, r + reach); ++k)
        value = better(value, across[static_cast<size_t>(k)][static_cast<size_t>(c)]);
      out[static_cast<size_t>(r)][static_cast<size_t>(c)] = value;
    }
  return out;
}

TileGrid Smoothed(const TileGrid& grid, int reach) {
  const int rows = static_cast<int>(grid.size()), columns = static_cast<int>(grid.front().size());
  TileGrid out = grid;
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < columns; ++c) {
      double sum = 0;
      int count = 0;
      for (int i = std::max(0, r - reach); i <= std::min(rows - 1, r + reach); ++i)
        for (int k = std::max(0, c - reach); k <= std::min(columns - 1, c + reach); ++k) {
          sum += grid[static_cast<size_t>(i)][static_cast<size_t>(k)];
          ++count;
        }
      out[static_cast<size_t>(r)][static_cast<size_t>(c)] = sum / count;
    }
  return out;
}

TileGrid PaperLevels(const InkImage& image) {
  const int rows = (image.Height + BackgroundTile - 1) / BackgroundTile;
  const int columns = (image.Width + BackgroundTile - 1) / BackgroundTile;
  TileGrid grid(static_cast<size_t>(rows), std::vector<double>(static_cast<size_t>(columns), 0));
  std::vector<uint8_t> values;
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < columns; ++c) {
      values.clear();
      for (int y = r * BackgroundTile; y < std::min(image.Height, (r + 1) * BackgroundTile); ++y)
        for (int x = c * BackgroundTile; x < std::min(image.Width, (c + 1) * BackgroundTile); ++x) values.push_back(image.At(x, y));
      const auto nth = values.begin() + static_cast<std::ptrdiff_t>(TilePaperShare * static_cast<double>(values.size() - 1));
      std::nth_element(values.begin(), nth, values.end());
      grid[static_cast<size_t>(r)][static_cast<size_t>(c)] = *nth;
    }
  return grid;
}

void EvenLighting(InkImage& image) {
  const double pixelsPerInch = std::max(image.Width, image.Height) / A4LongSideInches;
  const int reach = std::max(1, static_cast<int>(std::lround(BackgroundReachInches * pixelsPerInch / BackgroundTile)));
  const TileGrid paper = Smoothed(Spread(Spread(PaperLevels(image), reach, true), reach, false), reach);
  const int rows = static_cast<int>(paper.size()), columns = static_cast<int>(paper.front().size());
  std::vector<double> levels;
  for (const auto& row : paper) levels.insert(levels.end(), row.begin(), row.end());
  std::sort(levels.begin(), levels.end());
  // The few tiles at each end are left out: the lid's corners, a stain.
  const double darkest = levels[levels.size() * 98 / 100], lightest = levels[levels.size() * 2 / 100];
  image.LightingUnevenness = std::clamp((darkest - lightest) / std::max(1.0, 255.0 - lightest), 0.0, 1.0);
  // Between tile centres the paper's level is interpolated.
  auto level = [&](int r, int c) {
    return paper[static_cast<size_t>(std::clamp(r, 0, rows - 1))][static_cast<size_t>(std::clamp(c, 0, columns - 1))];
  };
  for (int y = 0; y < image.Height; ++y) {
    const double ty = (y + 0.5) / BackgroundTile - 0.5;
    const int r = static_cast<int>(std::floor(ty));
    const double fy = ty - r;
    uint8_t* row = &image.At(0, y);
    for (int x = 0; x < image.Width; ++x) {
      const double tx = (x + 0.5) / BackgroundTile - 0.5;
      const int c = static_cast<int>(std::floor(tx));
      const double fx = tx - c;
      const double background = (level(r, c) * (1 - fx) + level(r, c + 1) * fx) * (1 - fy) +
                                (level(r + 1, c) * (1 - fx) + level(r + 1, c + 1) * fx) * fy;
      // Ink as the share of the paper's light it takes away there.
      const double light = 255.0 - background;
      const double ink = light > 1 ? (row[x] - background) / light * 255.0 : 0;
      row[x] = static_cast<uint8_t>(std::clamp(ink + 0.5, 0.0, 255.0));
    }
  }
}

}  // namespace

int ReductionFor(int width, int height) {
  const double pixelsPerInch = std::max(width, height) / A4LongSideInches;
  // Rounded so that a 600 dpi scan halves and anything up to 450 dpi stays whole.
  return std::max(1, static_cast<int>(pixelsPerInch / WorkingPixelsPerInch + 0.5));
}

InkImage InkFromRgb(int width, int height, const uint32_t* rgb, int reduction) {
  InkImage image;
  reduction = std::max(1, reduction);
  image.Reduction = reduction;
  image.Width = width / reduction;
  image.Height = height / reduction;
  if (image.Width <= 0 || image.Height <= 0) return InkImage{};
  image.Ink.assign(static_cast<size_t>(image.Width) * static_cast<size_t>(image.Height), 0);
  const unsigned block = static_cast<unsigned>(reduction * reduction);
  std::vector<unsigned> sums(static_cast<size_t>(image.Width));
  for (int row = 0; row < image.Height; ++row) {
    std::fill(sums.begin(), sums.end(), 0u);
    for (int dy = 0; dy < reduction; ++dy) {
      const uint32_t* line = rgb + static_cast<size_t>(row * reduction + dy) * static_cast<size_t>(width);
      for (int column = 0; column < image.Width; ++column) {
        unsigned sum = 0;
        for (int dx = 0; dx < reduction; ++dx) sum += InkOf(line[column * reduction + dx]);
        sums[static_cast<size_t>(column)] += sum;
      }
    }
    uint8_t* out = &image.At(0, row);
    for (int column = 0; column < image.Width; ++column)
      out[column] = static_cast<uint8_t>(sums[static_cast<size_t>(column)] / block);
  }
  EvenLighting(image);
  ClearSurround(image);
  return image;
}
