#include "sim/engine/PageReduction.h"

#include "sim/engine/PageGeometry.h"
#include "sim/engine/PageRenderer.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// The page rows (or columns) that reduced row (or column) `i` covers: [first, end).
struct Span {
  int First;
  int End;
};

Span Covered(int i, double scale, int limit) {
  const int first = std::min(limit - 1, static_cast<int>(std::floor(i / scale)));
  const int end = std::clamp(static_cast<int>(std::floor((i + 1) / scale)), first + 1, limit);
  return {first, end};
}

// Averages the page pixels under reduced row `y` into `out` (RGB32).
void ReduceRow(const QImage& page, const std::array<QRgb, 256>& colours, double scale, int y, int width,
               QRgb* out) {
  const Span rows = Covered(y, scale, page.height());
  for (int x = 0; x < width; ++x) {
    const Span columns = Covered(x, scale, page.width());
    unsigned red = 0, green = 0, blue = 0, count = 0;
    for (int row = rows.First; row < rows.End; ++row) {
      const uchar* line = page.constScanLine(row);
      for (int column = columns.First; column < columns.End; ++column) {
        const QRgb colour = colours[line[column]];
        red += qRed(colour);
        green += qGreen(colour);
        blue += qBlue(colour);
        ++count;
      }
    }
    out[x] = qRgb(static_cast<int>(red / count), static_cast<int>(green / count), static_cast<int>(blue / count));
  }
}

QImage Reduce(const QImage& page, double scale, const std::vector<uint8_t>* drawnRows, const QImage* blank) {
  const int width = std::max(1, static_cast<int>(std::lround(page.width() * scale)));
  const int height = std::max(1, static_cast<int>(std::lround(page.height() * scale)));
  std::array<QRgb, 256> colours{};
  for (int i = 0; i < page.colorCount() && i < 256; ++i) colours[static_cast<size_t>(i)] = page.color(i);
  QImage reduced(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y) {
    auto* out = reinterpret_cast<QRgb*>(reduced.scanLine(y));
    const Span rows = Covered(y, scale, page.height());
    const bool drawn =
        drawnRows == nullptr || blank == nullptr ||
        std::any_of(drawnRows->begin() + rows.First, drawnRows->begin() + rows.End, [](uint8_t d) { return d != 0; });
    if (drawn) {
      ReduceRow(page, colours, scale, y, width, out);
    } else {
      std::copy_n(reinterpret_cast<const QRgb*>(blank->constScanLine(y)), width, out);
    }
  }
  return reduced;
}

}  // namespace

QImage ReducedPage(const QImage& page, double scale, const std::vector<uint8_t>* drawnRows) {
  if (page.isNull() || !(scale >= SmallestPageScale && scale <= 1.0)) return {};
  if (page.format() != QImage::Format_Indexed8) {
    const int width = std::max(1, static_cast<int>(std::lround(page.width() * scale)));
    const int height = std::max(1, static_cast<int>(std::lround(page.height() * scale)));
    return page.convertToFormat(QImage::Format_RGB32)
        .scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  }
  const bool sheetOfThePrinter = page.size() == QSize(PageGeometry::ImageWidth, PageGeometry::ImageHeight);
  const bool knownRows = drawnRows != nullptr && drawnRows->size() == static_cast<size_t>(page.height());
  if (!sheetOfThePrinter || !knownRows) return Reduce(page, scale, nullptr, nullptr);
  // The reduced blank sheet of the last scale asked for.
  static double blankScale = 0;
  static QImage blank;
  if (blank.isNull() || blankScale != scale) {
    blank = Reduce(PageRenderer::BlankSheet(), scale, nullptr, nullptr);
    blankScale = scale;
  }
  return Reduce(page, scale, drawnRows, &blank);
}
