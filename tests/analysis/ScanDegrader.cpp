#include "tests/analysis/ScanDegrader.h"

#include "sim/PageGeometry.h"

#include <QBuffer>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <numbers>
#include <random>
#include <vector>

namespace {

constexpr double PagePixelsPerInch = PageGeometry::PixelsPerInch;

// Float planes of the three channels.
struct Planes {
  int Width = 0;
  int Height = 0;
  std::array<std::vector<float>, 3> Channel;
  float& At(int c, int x, int y) { return Channel[static_cast<size_t>(c)][static_cast<size_t>(y) * static_cast<size_t>(Width) + static_cast<size_t>(x)]; }
};

// Each scan pixel is the mean of a grid of points of the sheet under it, so
// that lines thinner than a scan pixel are kept as lighter lines.
Planes Sample(const QImage& page, const ScanDegradation& degradation) {
  const QImage sheet = page.convertToFormat(QImage::Format_RGB32);
  const auto* bits = reinterpret_cast<const uint32_t*>(sheet.constBits());
  const size_t stride = static_cast<size_t>(sheet.bytesPerLine()) / sizeof(uint32_t);
  const double inch = degradation.PixelsPerInch;
  const int lid = static_cast<int>(std::lround(degradation.LidInches * inch));
  const double sheetWidth = PageGeometry::PaperWidth / PagePixelsPerInch * inch;
  const double sheetHeight = PageGeometry::PaperHeight / PagePixelsPerInch * inch;
  Planes planes;
  planes.Width = static_cast<int>(std::ceil(sheetWidth)) + 2 * lid;
  planes.Height = static_cast<int>(std::ceil(sheetHeight)) + 2 * lid;
  for (auto& channel : planes.Channel) channel.assign(static_cast<size_t>(planes.Width) * static_cast<size_t>(planes.Height), 0);
  const double radians = degradation.RotationDegrees * std::numbers::pi / 180.0;
  const double cosine = std::cos(radians), sine = std::sin(radians);
  const double centreX = planes.Width / 2.0, centreY = planes.Height / 2.0;
  const double pagePerScan = PagePixelsPerInch / inch;
  const int grid = std::max(2, static_cast<int>(std::ceil(2 * pagePerScan)));
  const double pageCentreX = PageGeometry::PaperMargin + PageGeometry::PaperWidth / 2.0;
  const double pageCentreY = PageGeometry::PaperMargin + PageGeometry::PaperHeight / 2.0;
  // The lid is not tinted: its colour is taken back out of the tint laid over everything.
  uint32_t lidBeforeTint = 0;
  for (int shift : {16, 8, 0}) {
    const uint32_t tint = std::max<uint32_t>(1, (degradation.Paper >> shift) & 0xFF);
    lidBeforeTint |= std::min<uint32_t>(255, ((degradation.Lid >> shift) & 0xFF) * 255 / tint) << shift;
  }
  // One scan pixel to the right moves (cosine, -sine) x pagePerScan on the sheet.
  const double stepXx = cosine * pagePerScan, stepXy = -sine * pagePerScan;
  const double sampleStep = 1.0 / grid;
  const int paperLeft = PageGeometry::PaperMargin, paperTop = PageGeometry::PaperMargin;
  const unsigned paperWidth = static_cast<unsigned>(std::min(PageGeometry::PaperWidth, sheet.width() - paperLeft));
  const unsigned paperHeight = static_cast<unsigned>(std::min(PageGeometry::PaperHeight, sheet.height() - paperTop));
  std::vector<std::array<uint32_t, 3>> sums(static_cast<size_t>(planes.Width));
  for (int y = 0; y < planes.Height; ++y) {
    std::fill(sums.begin(), sums.end(), std::array<uint32_t, 3>{});
    for (int gy = 0; gy < grid; ++gy)
      for (int gx = 0; gx < grid; ++gx) {
        const double dx = (gx + 0.5) * sampleStep - centreX;
        const double dy = y + (gy + 0.5) * sampleStep - centreY;
        double sheetX = (dx * cosine + dy * sine) * pagePerScan + pageCentreX;
        double sheetY = (-dx * sine + dy * cosine) * pagePerScan + pageCentreY;
        for (int x = 0; x < planes.Width; ++x, sheetX += stepXx, sheetY += stepXy) {
          const unsigned px = static_cast<unsigned>(static_cast<int>(std::floor(sheetX)) - paperLeft);
          const unsigned py = static_cast<unsigned>(static_cast<int>(std::floor(sheetY)) - paperTop);
          // The paper's tint is laid over the sheet after averaging: it darkens ink and paper alike.
          const uint32_t colour = px < paperWidth && py < paperHeight
                                      ? bits[(py + static_cast<unsigned>(paperTop)) * stride + px + static_cast<unsigned>(paperLeft)]
                                      : lidBeforeTint;
          auto& sum = sums[static_cast<size_t>(x)];
          sum[0] += (colour >> 16) & 0xFF;
          sum[1] += (colour >> 8) & 0xFF;
          sum[2] += colour & 0xFF;
        }
      }
    for (int x = 0; x < planes.Width; ++x)
      for (int c = 0; c < 3; ++c) {
        const uint32_t tint = (degradation.Paper >> (16 - 8 * c)) & 0xFF;
        planes.At(c, x, y) = static_cast<float>(sums[static_cast<size_t>(x)][static_cast<size_t>(c)] * tint / 255) /
                             static_cast<float>(grid * grid);
      }
  }
  return planes;
}

void Blur(Planes& planes, double sigma) {
  if (sigma <= 0) return;
  const int radius = static_cast<int>(std::ceil(3 * sigma));
  std::vector<float> kernel(static_cast<size_t>(2 * radius + 1));
  float total = 0;
  for (int i = -radius; i <= radius; ++i) total += kernel[static_cast<size_t>(i + radius)] = static_cast<float>(std::exp(-i * i / (2 * sigma * sigma)));
  for (float& weight : kernel) weight /= total;
  std::vector<float> line;
  for (auto& channel : planes.Channel) {
    for (int pass = 0; pass < 2; ++pass) {
      const bool rows = pass == 0;
      const int lines = rows ? planes.Height : planes.Width;
      const int length = rows ? planes.Width : planes.Height;
      line.resize(static_cast<size_t>(length));
      for (int l = 0; l < lines; ++l) {
        auto index = [&](int i) {
          return rows ? static_cast<size_t>(l) * static_cast<size_t>(planes.Width) + static_cast<size_t>(i)
                      : static_cast<size_t>(i) * static_cast<size_t>(planes.Width) + static_cast<size_t>(l);
        };
        for (int i = 0; i < length; ++i) {
          float sum = 0;
          for (int k = -radius; k <= radius; ++k) sum += kernel[static_cast<size_t>(k + radius)] * channel[index(std::clamp(i + k, 0, length - 1))];
          line[static_cast<size_t>(i)] = sum;
        }
        for (int i = 0; i < length; ++i) channel[index(i)] = line[static_cast<size_t>(i)];
      }
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

QImage ToImage(const Planes& planes, const ScanDegradation& degradation) {
  QImage image(planes.Width, planes.Height, QImage::Format_RGB32);
  auto noise = std::make_unique<Noise>(degradation.NoiseSigma, degradation.Seed);
  const bool noisy = degradation.NoiseSigma > 0;
  for (int y = 0; y < planes.Height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(image.scanLine(y));
    for (int x = 0; x < planes.Width; ++x) {
      uint32_t pixel = 0xFF000000u;
      const size_t at = static_cast<size_t>(y) * static_cast<size_t>(planes.Width) + static_cast<size_t>(x);
      for (int c = 0; c < 3; ++c) {
        float value = planes.Channel[static_cast<size_t>(c)][at];
        if (noisy) value += noise->Next();
        pixel |= static_cast<uint32_t>(std::clamp(std::lround(value), 0L, 255L)) << (16 - 8 * c);
      }
      row[x] = pixel;
    }
  }
  return image;
}

}  // namespace

QImage DegradedScan(const QImage& renderedPage, const ScanDegradation& degradation) {
  Planes planes = Sample(renderedPage, degradation);
  Blur(planes, degradation.BlurSigma);
  return ToImage(planes, degradation);
}

QByteArray ScanFileBytes(const QImage& scan, const ScanDegradation& degradation) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (degradation.JpegQuality > 0)
    scan.save(&buffer, "JPEG", degradation.JpegQuality);
  else
    scan.save(&buffer, "PNG");
  return bytes;
}
