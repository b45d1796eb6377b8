#include "analysis/ScanFrame.h"

#include "analysis/Upright.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

namespace {
// The height of an A4 sheet in dots of 1/360 inch.
constexpr double SheetHeightDots = 4208;
}  // namespace

InkImage QuarterTurned(const InkImage& image, int quarterTurns) {
  const int turns = ((quarterTurns % 4) + 4) % 4;
  if (turns == 0) return image;
  InkImage turned;
  turned.Reduction = image.Reduction;
  turned.Width = turns == 2 ? image.Width : image.Height;
  turned.Height = turns == 2 ? image.Height : image.Width;
  turned.Ink.assign(image.Ink.size(), 0);
  for (int y = 0; y < image.Height; ++y) {
    const uint8_t* row = image.Row(y);
    for (int x = 0; x < image.Width; ++x) {
      // Where pixel (x, y) lands after the turn, clockwise.
      int tx = x, ty = y;
      if (turns == 1) {
        tx = image.Height - 1 - y;
        ty = x;
      } else if (turns == 2) {
        tx = image.Width - 1 - x;
        ty = image.Height - 1 - y;
      } else {
        tx = y;
        ty = image.Width - 1 - x;
      }
      turned.At(tx, ty) = row[x];
    }
  }
  return turned;
}

ScanFrame::ScanFrame(const InkImage& scan) : Skew(::SkewDegrees(scan)) {
  Upright = std::abs(Skew) < 0.005 ? scan : ::Turned(scan, Skew);
  StraightWidth = Upright.Width;
  StraightHeight = Upright.Height;
}

ScanFrame ScanFrame::Turned(int quarterTurns) const {
  ScanFrame frame;
  frame.Skew = Skew;
  frame.Quarters = (((Quarters + quarterTurns) % 4) + 4) % 4;
  frame.StraightWidth = StraightWidth;
  frame.StraightHeight = StraightHeight;
  frame.Upright = QuarterTurned(Upright, quarterTurns);
  return frame;
}

double ScanFrame::RoughPixelsPerDot() const { return std::max(Upright.Height, Upright.Width) / SheetHeightDots; }

ScanBox ScanFrame::ToScan(double left, double top, double right, double bottom) const {
  // Back through the quarter turns first: corners of the box in the deskewed image.
  auto untwist = [&](double x, double y) -> std::pair<double, double> {
    if (Quarters == 1) return {y, StraightHeight - x};
    if (Quarters == 2) return {StraightWidth - x, StraightHeight - y};
    if (Quarters == 3) return {StraightWidth - y, x};
    return {x, y};
  };
  const auto [x1, y1] = untwist(left, top);
  const auto [x2, y2] = untwist(right, bottom);
  left = std::min(x1, x2);
  right = std::max(x1, x2);
  top = std::min(y1, y2);
  bottom = std::max(y1, y2);
  const double radians = Skew * std::numbers::pi / 180.0;
  const double centreX = StraightWidth / 2.0;
  const double centreY = StraightHeight / 2.0;
  const double dx = (left + right) / 2 - centreX;
  const double dy = (top + bottom) / 2 - centreY;
  const double x = centreX + dx * std::cos(radians) - dy * std::sin(radians);
  const double y = centreY + dx * std::sin(radians) + dy * std::cos(radians);
  const double scale = Upright.Reduction;
  const double width = (right - left) * scale;
  const double height = (bottom - top) * scale;
  return {x * scale - width / 2, y * scale - height / 2, width, height};
}
