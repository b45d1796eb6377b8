#include "analysis/InkImage.h"

#include <algorithm>
#include <array>
#include <cstdlib>

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
  // The paper's own ink level: the commonest value, as most of a sheet is bare.
  const int paper = CommonestInk(image.Ink.size(), [&](size_t i) { return image.Ink[i]; });
  for (uint8_t& value : image.Ink) value = value > paper ? static_cast<uint8_t>(value - paper) : 0;
  ClearSurround(image);
  return image;
}
