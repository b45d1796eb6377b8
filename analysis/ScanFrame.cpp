#include "analysis/ScanFrame.h"

#include "analysis/Upright.h"

#include <cmath>
#include <numbers>

namespace {
// The height of an A4 sheet in dots of 1/360 inch.
constexpr double SheetHeightDots = 4208;
}  // namespace

ScanFrame::ScanFrame(const InkImage& scan) : Skew(::SkewDegrees(scan)) {
  Upright = std::abs(Skew) < 0.005 ? scan : Turned(scan, Skew);
}

double ScanFrame::RoughPixelsPerDot() const { return Upright.Height / SheetHeightDots; }

ScanBox ScanFrame::ToScan(double left, double top, double right, double bottom) const {
  const double radians = Skew * std::numbers::pi / 180.0;
  const double centreX = Upright.Width / 2.0;
  const double centreY = Upright.Height / 2.0;
  const double dx = (left + right) / 2 - centreX;
  const double dy = (top + bottom) / 2 - centreY;
  const double x = centreX + dx * std::cos(radians) - dy * std::sin(radians);
  const double y = centreY + dx * std::sin(radians) + dy * std::cos(radians);
  const double scale = Upright.Reduction;
  const double width = (right - left) * scale;
  const double height = (bottom - top) * scale;
  return {x * scale - width / 2, y * scale - height / 2, width, height};
}
