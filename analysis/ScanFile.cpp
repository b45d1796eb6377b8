// Decoding scan files: the one place of the analysis that uses the image library.
#include "analysis/InkImage.h"

#include "platform/RegularFile.h"
#include "platform/ShownText.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QImageIOHandler>
#include <QImageReader>

#include <algorithm>
#include <limits>
#include <unistd.h>
#include <memory>

namespace {

// Enough for the largest scan decoded whole, as 32-bit pixels, and no more.
constexpr int AllocationLimitMegabytes = static_cast<int>(MaxScanPixels * 4 / (1024 * 1024)) + 16;

std::string Describe(const QSize& size) {
  return std::to_string(size.width()) + " x " + std::to_string(size.height()) + " pixels";
}

ScanRead Decode(QImageReader& reader, const std::string& name) {
  reader.setAllocationLimit(AllocationLimitMegabytes);
  if (!reader.canRead())
    return name + " is no image this program can read: scan the page as PNG, JPEG or TIFF.";
  const QSize size = reader.size();
  // Only the JPEG decoder reduces while it decodes; others (PNG) decode the
  // whole image first and scale it afterwards.
  const bool scalesAsItDecodes = reader.format() == "jpeg" && reader.supportsOption(QImageIOHandler::ScaledSize);
  if (size.isValid()) {
    const int64_t mostPixels = scalesAsItDecodes ? MaxScaledScanPixels : MaxScanPixels;
    const int mostSide = scalesAsItDecodes ? MaxScaledScanSide : MaxScanSide;
    if (static_cast<int64_t>(size.width()) * size.height() > mostPixels || size.width() > mostSide || size.height() > mostSide)
      return name + " has " + Describe(size) + ", too many to read: scan the page at " + ScanResolutionsText + ".";
    if (size.width() < MinScanSide || size.height() < MinScanSide)
      return name + " has " + Describe(size) + ", too few to show a page: scan the whole sheet at " + ScanResolutionsText + ".";
  }
  // A decoder that can scale as it decodes (JPEG) does the reduction itself, at a fraction of the work.
  int reduction = 1;
  if (size.isValid() && scalesAsItDecodes) {
    reduction = ReductionFor(size.width(), size.height());
    if (reduction > 1) reader.setScaledSize(QSize(size.width() / reduction, size.height() / reduction));
  }
  QImage image;
  if (!reader.read(&image) || image.isNull())
    return name + " cannot be read (" + reader.errorString().toStdString() + "): the file may be cut short.";
  if (image.width() < MinScanSide || image.height() < MinScanSide)
    return name + " has " + Describe(image.size()) + ", too few to show a page: scan the whole sheet at " + ScanResolutionsText + ".";
  if (static_cast<int64_t>(image.width()) * image.height() > MaxScanPixels)
    return name + " has " + Describe(image.size()) + ", too many to read: scan the page at " + ScanResolutionsText + ".";
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  image = QImage();
  if (rgb.isNull()) return name + " is too large to convert: scan the page at " + std::string(ScanResolutionsText) + ".";
  // Rows of a QImage are 32-bit aligned, so RGB32 rows hold exactly width pixels.
  const auto* pixels = reinterpret_cast<const uint32_t*>(rgb.constBits());
  if (reduction > 1) {
    InkImage ink = InkFromRgb(rgb.width(), rgb.height(), pixels, 1);
    ink.Reduction = reduction;
    return ink;
  }
  return InkFromRgb(rgb.width(), rgb.height(), pixels, ReductionFor(rgb.width(), rgb.height()));
}

// A PNG ends with its IEND chunk, a JPEG with its end-of-image marker; a
// file without one was cut short, and its decoder would fill in the rest.
constexpr int EndSearch = 64;

bool CutShort(const QByteArray& head, const QByteArray& tail) {
  if (head.startsWith("\x89PNG")) return !tail.contains("IEND");
  if (head.startsWith("\xFF\xD8")) return !tail.contains("\xFF\xD9");
  return false;
}

bool CutShort(const QByteArray& data) { return CutShort(data.left(8), data.right(EndSearch)); }

ScanRead DecodeBytes(QByteArray data, const std::string& name) {
  if (CutShort(data)) return name + " is cut short: scan the page again or save it again.";
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  return Decode(reader, name);
}

// No scan of a sheet at the finest accepted resolution comes near this.
constexpr qint64 MaxFileBytes = MaxScanPixels * 4;

}  // namespace

ScanRead ReadScanFile(const std::string& givenPath) {
  const std::string path = ShownText(givenPath);
  // A FIFO or a device would keep the decoder waiting or reading for ever: a scan is a regular file.
  const Outcome<int> opened = OpenRegularFile(givenPath, std::numeric_limits<size_t>::max());
  if (!opened) return "Cannot open " + opened.Fault().Message + ".";
  const int descriptor = *opened;
  QFile file;
  if (!file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    ::close(descriptor);
    return "Cannot open " + path + ": " + file.errorString().toStdString() + ".";
  }
  if (file.size() > MaxFileBytes) return path + " is too large to be a scan of one page.";
  // Only the ends are looked at here; the decoder reads the file itself, without a copy of it in memory.
  const QByteArray head = file.read(8);
  file.seek(std::max<qint64>(0, file.size() - EndSearch));
  const QByteArray tail = file.read(EndSearch);
  if (CutShort(head, tail)) return path + " is cut short: scan the page again or save it again.";
  file.seek(0);
  QImageReader reader(&file);
  return Decode(reader, path);
}

ScanRead ReadScanBytes(const std::vector<uint8_t>& bytes) {
  return DecodeBytes(QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())), "The image");
}
