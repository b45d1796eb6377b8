#include "tests/analysis/tool/ScanDegrader.h"

#include "sim/engine/PageGeometry.h"

#include <QBuffer>
#include <QPainter>
#include <QRadialGradient>
#include <QTransform>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <numbers>
#include <random>
#include <vector>

namespace {

constexpr double PagePixelsPerInch = PageGeometry::PixelsPerInch;

// One axis of an area resampling: output pixel j covers [j, j + 1) x ratio
// source pixels and takes each in proportion to how much of it it covers.
struct AreaWeights {
  std::vector<int> First;  // the first source pixel of each output pixel
  std::vector<std::vector<float>> Weights;
};

AreaWeights AreaResampling(int sourceLength, int outputLength, double ratio) {
  AreaWeights weights;
  for (int j = 0; j < outputLength; ++j) {
    const double from = j * ratio, to = (j + 1) * ratio;
    const int first = static_cast<int>(std::floor(from));
    std::vector<float> row;
    for (int i = first; i < to && i < sourceLength; ++i)
      row.push_back(static_cast<float>((std::min<double>(i + 1, to) - std::max<double>(i, from)) / ratio));
    weights.First.push_back(first);
    weights.Weights.push_back(std::move(row));
  }
  return weights;
}

uint8_t Channel(uint32_t pixel, int c) { return static_cast<uint8_t>((pixel >> (16 - 8 * c)) & 0xFF); }
uint32_t Pixel(const std::array<float, 3>& channels) {
  uint32_t pixel = 0xFF000000u;
  for (int c = 0; c < 3; ++c)
    pixel |= static_cast<uint32_t>(std::clamp(channels[static_cast<size_t>(c)] + 0.5f, 0.0f, 255.0f)) << (16 - 8 * c);
  return pixel;
}

// The sheet at the scan's resolution, upright: each scan pixel the mean of the
// sheet under it, so that lines thinner than a pixel stay as lighter lines.
QImage SheetAtScanResolution(const QImage& sheet, double pixelsPerInch, double stretchPercent) {
  const double ratio = PagePixelsPerInch / pixelsPerInch;
  const double ratioDown = ratio / (1 + stretchPercent / 100);
  QImage scan(static_cast<int>(sheet.width() / ratio), static_cast<int>(sheet.height() / ratioDown), QImage::Format_RGB32);
  const AreaWeights across = AreaResampling(sheet.width(), scan.width(), ratio);
  const AreaWeights down = AreaResampling(sheet.height(), scan.height(), ratioDown);
  std::vector<std::array<float, 3>> column(static_cast<size_t>(sheet.width()));
  for (int y = 0; y < scan.height(); ++y) {
    // Down first: the sheet's rows under this scan row, weighted.
    std::fill(column.begin(), column.end(), std::array<float, 3>{});
    const auto& rowWeights = down.Weights[static_cast<size_t>(y)];
    for (size_t k = 0; k < rowWeights.size(); ++k) {
      const auto* line = reinterpret_cast<const uint32_t*>(sheet.constScanLine(down.First[static_cast<size_t>(y)] + static_cast<int>(k)));
      for (int x = 0; x < sheet.width(); ++x)
        for (int c = 0; c < 3; ++c) column[static_cast<size_t>(x)][static_cast<size_t>(c)] += rowWeights[k] * Channel(line[x], c);
    }
    auto* out = reinterpret_cast<uint32_t*>(scan.scanLine(y));
    for (int x = 0; x < scan.width(); ++x) {
      std::array<float, 3> sum{};
      const auto& weights = across.Weights[static_cast<size_t>(x)];
      for (size_t k = 0; k < weights.size(); ++k)
        for (int c = 0; c < 3; ++c)
          sum[static_cast<size_t>(c)] += weights[k] * column[static_cast<size_t>(across.First[static_cast<size_t>(x)]) + k][static_cast<size_t>(c)];
      out[x] = Pixel(sum);
    }
  }
  return scan;
}

// The scan: the sheet turned by the rotation about the scan's centre, on the
// lid, in the paper's tint. Between sheet pixels the colour is interpolated.
QImage OnTheGlass(const QImage& sheet, const ScanDegradation& degradation) {
  const int lid = static_cast<int>(std::lround(degradation.LidInches * degradation.PixelsPerInch));
  QImage scan(sheet.width() + 2 * lid, sheet.height() + 2 * lid, QImage::Format_RGB32);
  const double radians = degradation.RotationDegrees * std::numbers::pi / 180.0;
  const double cosine = std::cos(radians), sine = std::sin(radians);
  const double centreX = scan.width() / 2.0, centreY = scan.height() / 2.0;
  std::array<float, 3> tint{};
  for (int c = 0; c < 3; ++c) tint[static_cast<size_t>(c)] = Channel(degradation.Paper, c) / 255.0f;
  const auto* bits = reinterpret_cast<const uint32_t*>(sheet.constBits());
  const size_t stride = static_cast<size_t>(sheet.bytesPerLine()) / sizeof(uint32_t);
  for (int y = 0; y < scan.height(); ++y) {
    // Pixel centres, turned back onto the sheet.
    const double dy = y + 0.5 - centreY;
    double sheetX = (0.5 - centreX) * cosine + dy * sine + sheet.width() / 2.0 - 0.5;
    double sheetY = -(0.5 - centreX) * sine + dy * cosine + sheet.height() / 2.0 - 0.5;
    auto* out = reinterpret_cast<uint32_t*>(scan.scanLine(y));
    for (int x = 0; x < scan.width(); ++x, sheetX += cosine, sheetY -= sine) {
      const int left = static_cast<int>(sheetX + 4096) - 4096;
      const int top = static_cast<int>(sheetY + 4096) - 4096;
      if (left < 0 || top < 0 || left + 1 >= sheet.width() || top + 1 >= sheet.height()) {
        out[x] = 0xFF000000u | degradation.Lid;
        continue;
      }
      const float fx = static_cast<float>(sheetX - left), fy = static_cast<float>(sheetY - top);
      const uint32_t* corner = bits + static_cast<size_t>(top) * stride + static_cast<size_t>(left);
      std::array<float, 3> colour{};
      for (int c = 0; c < 3; ++c) {
        const float upper = Channel(corner[0], c) * (1 - fx) + Channel(corner[1], c) * fx;
        const float lower = Channel(corner[stride], c) * (1 - fx) + Channel(corner[stride + 1], c) * fx;
        colour[static_cast<size_t>(c)] = (upper * (1 - fy) + lower * fy) * tint[static_cast<size_t>(c)];
      }
      out[x] = Pixel(colour);
    }
  }
  return scan;
}

void Blur(QImage& image, double sigma) {
  if (sigma <= 0) return;
  const int radius = static_cast<int>(std::ceil(3 * sigma));
  std::vector<float> kernel(static_cast<size_t>(2 * radius + 1));
  float total = 0;
  for (int i = -radius; i <= radius; ++i) total += kernel[static_cast<size_t>(i + radius)] = static_cast<float>(std::exp(-i * i / (2 * sigma * sigma)));
  for (float& weight : kernel) weight /= total;
  auto* bits = reinterpret_cast<uint32_t*>(image.bits());
  const size_t stride = static_cast<size_t>(image.bytesPerLine()) / sizeof(uint32_t);
  std::vector<std::array<float, 3>> line;
  for (int pass = 0; pass < 2; ++pass) {
    const bool rows = pass == 0;
    const int lines = rows ? image.height() : image.width();
    const int length = rows ? image.width() : image.height();
    line.resize(static_cast<size_t>(length));
    for (int l = 0; l < lines; ++l) {
      auto at = [&](int i) -> uint32_t& {
        return rows ? bits[static_cast<size_t>(l) * stride + static_cast<size_t>(i)] : bits[static_cast<size_t>(i) * stride + static_cast<size_t>(l)];
      };
      for (int i = 0; i < length; ++i) {
        std::array<float, 3> sum{};
        for (int k = -radius; k <= radius; ++k) {
          const uint32_t pixel = at(std::clamp(i + k, 0, length - 1));
          for (int c = 0; c < 3; ++c) sum[static_cast<size_t>(c)] += kernel[static_cast<size_t>(k + radius)] * Channel(pixel, c);
        }
        line[static_cast<size_t>(i)] = sum;
      }
      for (int i = 0; i < length; ++i) at(i) = Pixel(line[static_cast<size_t>(i)]);
    }
  }
}

// Gaussian noise from a table of draws picked by a cheap generator: the
// bench makes hundreds of millions of noisy samples.
class Noise {
public:
  Noise(double sigma, uint64_t seed) : State(seed | 1) {
    std::mt19937_64 random(seed);
    std::normal_distribution<float> normal(0.0f, static_cast<float>(sigma));
    for (float& draw : Table) draw = normal(random);
  }
  float Next() {
    State ^= State << 13;
    State ^= State >> 7;
    State ^= State << 17;
    return Table[State & (Table.size() - 1)];
  }

private:
  std::array<float, 1 << 16> Table{};
  uint64_t State;
};

void AddNoise(QImage& image, const ScanDegradation& degradation) {
  if (degradation.NoiseSigma <= 0) return;
  auto noise = std::make_unique<Noise>(degradation.NoiseSigma, degradation.Seed);
  for (int y = 0; y < image.height(); ++y) {
    auto* row = reinterpret_cast<uint32_t*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      std::array<float, 3> colour{};
      for (int c = 0; c < 3; ++c) colour[static_cast<size_t>(c)] = Channel(row[x], c) + noise->Next();
      row[x] = Pixel(colour);
    }
  }
}

// The sheet cut out of the rendered page, with its damage.
QImage DamagedSheet(const QImage& page, const ScanDegradation& degradation) {
  QImage sheet = page.copy(PageGeometry::PaperMargin, PageGeometry::PaperMargin, PageGeometry::PaperWidth,
                           PageGeometry::PaperHeight).convertToFormat(QImage::Format_RGB32);
  QPainter painter(&sheet);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  if (degradation.StainRadius > 0) {
    // A coffee ring: a brown wash darker at its rim.
    painter.setCompositionMode(QPainter::CompositionMode_Multiply);
    const QPointF centre(degradation.StainX * PagePixelsPerInch, degradation.StainY * PagePixelsPerInch);
    const double radius = degradation.StainRadius * PagePixelsPerInch;
    QRadialGradient wash(centre, radius);
    wash.setColorAt(0, QColor(214, 184, 130));
    wash.setColorAt(0.85, QColor(196, 160, 100));
    wash.setColorAt(0.95, QColor(150, 110, 60));
    wash.setColorAt(1, QColor(255, 255, 255));
    painter.setBrush(wash);
    painter.drawEllipse(centre, radius, radius * 0.8);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  }
  if (degradation.CreaseX > 0) {
    const double x = degradation.CreaseX * PagePixelsPerInch;
    painter.fillRect(QRectF(x - 8, 0, 8, sheet.height()), QColor(0, 0, 0, 40));
    painter.fillRect(QRectF(x - 1, 0, 3, sheet.height()), QColor(60, 60, 60));
  }
  if (degradation.CutBelow > 0)
    painter.fillRect(QRectF(0, degradation.CutBelow * PagePixelsPerInch, sheet.width(), sheet.height()),
                     QColor(QRgb(degradation.Lid)));
  return sheet;
}

// Uneven light: each pixel dimmed by the vignette and the gradient where it lies.
void Light(QImage& scan, const ScanDegradation& degradation) {
  if (degradation.Vignette <= 0 && degradation.Gradient <= 0) return;
  const double centreX = scan.width() / 2.0, centreY = scan.height() / 2.0;
  const double corner = centreX * centreX + centreY * centreY;
  for (int y = 0; y < scan.height(); ++y) {
    auto* row = reinterpret_cast<uint32_t*>(scan.scanLine(y));
    for (int x = 0; x < scan.width(); ++x) {
      const double dx = x - centreX, dy = y - centreY;
      const float light = static_cast<float>((1 - degradation.Vignette * (dx * dx + dy * dy) / corner) *
                                             (1 - degradation.Gradient * x / scan.width()));
      std::array<float, 3> colour{};
      for (int c = 0; c < 3; ++c) colour[static_cast<size_t>(c)] = Channel(row[x], c) * light;
      row[x] = Pixel(colour);
    }
  }
}

// A grey scanner, or one that sees only black and white.
QImage InScannerColours(const QImage& scan, const ScanDegradation& degradation) {
  if (!degradation.Grey && !degradation.BlackAndWhite) return scan;
  QImage grey = scan.convertToFormat(QImage::Format_Grayscale8);
  if (degradation.BlackAndWhite)
    for (int y = 0; y < grey.height(); ++y) {
      uchar* row = grey.scanLine(y);
      for (int x = 0; x < grey.width(); ++x) row[x] = row[x] < 160 ? 0 : 255;
    }
  return grey;
}

}  // namespace

QImage DegradedScan(const QImage& renderedPage, const ScanDegradation& degradation) {
  QImage scan = OnTheGlass(SheetAtScanResolution(DamagedSheet(renderedPage, degradation), degradation.PixelsPerInch,
                                                 degradation.StretchPercent),
                           degradation);
  Light(scan, degradation);
  Blur(scan, degradation.BlurSigma);
  AddNoise(scan, degradation);
  if (degradation.QuarterTurns % 4 != 0) scan = scan.transformed(QTransform().rotate(90.0 * degradation.QuarterTurns));
  return InScannerColours(scan, degradation);
}

// Quick over small: a noisy scan barely compresses, and the bench writes many.
constexpr int PngQuickCompression = 90;

QByteArray ScanFileBytes(const QImage& scan, const ScanDegradation& degradation) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (degradation.JpegQuality > 0)
    scan.save(&buffer, "JPEG", degradation.JpegQuality);
  else
    scan.save(&buffer, "PNG", PngQuickCompression);
  return bytes;
}
