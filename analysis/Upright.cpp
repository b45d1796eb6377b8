#include "analysis/Upright.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// The coarse search looks at pixels of about 1/50 inch, where a page's ink
// fits in a few thousand points, in steps that move the far edge of an A4
// page by about one coarse pixel.
constexpr int CoarsePixelsPerInch = 50;
constexpr double CoarseStepDegrees = 0.1;
// The fine search, around the coarse angle, works on single pixels.
constexpr double FineSpanDegrees = 0.15;
constexpr double FineStepDegrees = 0.01;
// Ink that counts as printed for the projections.
constexpr uint8_t PrintedInk = 60;
// At most this many printed points take part in each search: evenly taken
// from a page full of ink, they still fix its angle to the step.
constexpr size_t CoarsePointLimit = 30'000;
constexpr size_t FinePointLimit = 100'000;

struct Point {
  float X;
  float Y;
};

// The concentration of the points projected at `degrees`: the sum of squared
// counts of the bins along rows and along columns.
double Concentration(const std::vector<Point>& points, double degrees, int width, int height) {
  const double slope = std::tan(degrees * std::numbers::pi / 180.0);
  const int margin = static_cast<int>(std::ceil(std::abs(slope) * std::max(width, height))) + 2;
  std::vector<uint32_t> rows(static_cast<size_t>(height + 2 * margin), 0);
  std::vector<uint32_t> columns(static_cast<size_t>(width + 2 * margin), 0);
  for (const Point& point : points) {
    const int row = static_cast<int>(std::lround(point.Y - point.X * slope)) + margin;
    const int column = static_cast<int>(std::lround(point.X + point.Y * slope)) + margin;
    if (row >= 0 && row < static_cast<int>(rows.size())) ++rows[static_cast<size_t>(row)];
    if (column >= 0 && column < static_cast<int>(columns.size())) ++columns[static_cast<size_t>(column)];
  }
  double sum = 0;
  for (uint32_t count : rows) sum += static_cast<double>(count) * count;
  for (uint32_t count : columns) sum += static_cast<double>(count) * count;
  return sum;
}

double BestAngle(const std::vector<Point>& points, double from, double to, double step, int width, int height) {
  double best = 0;
  double bestScore = -1;
  for (double degrees = from; degrees <= to + step / 2; degrees += step) {
    const double score = Concentration(points, degrees, width, height);
    if (score > bestScore) {
      bestScore = score;
      best = degrees;
    }
  }
  return best;
}

// Whether the point at (x, y) is one of the one in `stride` taken. Taken by a
// hash of its place, not every stride-th in raster order: in a solid block
// that would pick a slanted lattice of points, which the projections then
// find most concentrated at a slant of its own.
bool Taken(int x, int y, size_t stride) {
  if (stride <= 1) return true;
  uint64_t hash = (static_cast<uint64_t>(static_cast<uint32_t>(x)) << 32) | static_cast<uint32_t>(y);
  hash ^= hash >> 33;
  hash *= 0xFF51AFD7ED558CCDull;
  hash ^= hash >> 33;
  hash *= 0xC4CEB9FE1A85EC53ull;
  hash ^= hash >> 33;
  return hash % stride == 0;
}

// Printed points of a coarse grid: a cell counts when any pixel in it is printed.
std::vector<Point> CoarsePoints(const InkImage& image, int cell, int& width, int& height) {
  width = (image.Width + cell - 1) / cell;
  height = (image.Height + cell - 1) / cell;
  std::vector<uint8_t> marked(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
  for (int y = 0; y < image.Height; ++y) {
    const uint8_t* row = image.Row(y);
    for (int x = 0; x < image.Width; ++x)
      if (row[x] >= PrintedInk) marked[static_cast<size_t>(y / cell) * static_cast<size_t>(width) + static_cast<size_t>(x / cell)] = 1;
  }
  const size_t printed = static_cast<size_t>(std::count(marked.begin(), marked.end(), 1));
  const size_t stride = std::max<size_t>(1, printed / CoarsePointLimit + 1);
  std::vector<Point> points;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (marked[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] && Taken(x, y, stride))
        points.push_back({static_cast<float>(x), static_cast<float>(y)});
  return points;
}

std::vector<Point> FinePoints(const InkImage& image) {
  size_t printed = 0;
  for (uint8_t value : image.Ink) printed += value >= PrintedInk;
  const size_t stride = std::max<size_t>(1, printed / FinePointLimit + 1);
  std::vector<Point> points;
  points.reserve(printed / stride + 1);
  for (int y = 0; y < image.Height; ++y) {
    const uint8_t* row = image.Row(y);
    for (int x = 0; x < image.Width; ++x)
      if (row[x] >= PrintedInk && Taken(x, y, stride)) points.push_back({static_cast<float>(x), static_cast<float>(y)});
  }
  return points;
}

}  // namespace

double SkewDegrees(const InkImage& image) {
  if (image.Empty()) return 0;
  const int cell = std::max(1, WorkingPixelsPerInch / CoarsePixelsPerInch);
  int coarseWidth = 0;
  int coarseHeight = 0;
  const std::vector<Point> coarse = CoarsePoints(image, cell, coarseWidth, coarseHeight);
  if (coarse.empty()) return 0;
  const double rough = BestAngle(coarse, -MaxSkewDegrees, MaxSkewDegrees, CoarseStepDegrees, coarseWidth, coarseHeight);
  const std::vector<Point> fine = FinePoints(image);
  return BestAngle(fine, rough - FineSpanDegrees, rough + FineSpanDegrees, FineStepDegrees, image.Width, image.Height);
}

InkImage Turned(const InkImage& image, double degrees) {
  InkImage turned;
  turned.Width = image.Width;
  turned.Height = image.Height;
  turned.Reduction = image.Reduction;
  turned.Ink.assign(image.Ink.size(), 0);
  const double radians = degrees * std::numbers::pi / 180.0;
  const double cosine = std::cos(radians);
  const double sine = std::sin(radians);
  const double centreX = image.Width / 2.0;
  const double centreY = image.Height / 2.0;
  for (int y = 0; y < image.Height; ++y) {
    const double dy = y - centreY;
    uint8_t* out = &turned.At(0, y);
    for (int x = 0; x < image.Width; ++x) {
      const double dx = x - centreX;
      // An upright point (dx, dy) lay at the turned position in the scan.
      const double sourceX = centreX + dx * cosine - dy * sine;
      const double sourceY = centreY + dx * sine + dy * cosine;
      const int left = static_cast<int>(std::floor(sourceX));
      const int top = static_cast<int>(std::floor(sourceY));
      if (left < 0 || top < 0 || left + 1 >= image.Width || top + 1 >= image.Height) continue;
      const double fx = sourceX - left;
      const double fy = sourceY - top;
      const double upper = image.At(left, top) * (1 - fx) + image.At(left + 1, top) * fx;
      const double lower = image.At(left, top + 1) * (1 - fx) + image.At(left + 1, top + 1) * fx;
      out[x] = static_cast<uint8_t>(upper * (1 - fy) + lower * fy + 0.5);
    }
  }
  return turned;
}
