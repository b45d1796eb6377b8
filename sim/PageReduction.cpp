#include "sim/PageReduction.h"

#include <cmath>

QImage ReducedPage(const QImage& page, double scale) {
  if (page.isNull() || !(scale >= SmallestPageScale && scale <= 1.0)) return {};
  const int width = std::max(1, static_cast<int>(std::lround(page.width() * scale)));
  const int height = std::max(1, static_cast<int>(std::lround(page.height() * scale)));
  // The smooth scaler averages whole areas only on 32-bit images.
  return page.convertToFormat(QImage::Format_RGB32).scaled(width, height, Qt::IgnoreAspectRatio,
                                                           Qt::SmoothTransformation);
}
