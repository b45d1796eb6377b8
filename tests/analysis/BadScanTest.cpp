// Images that are no readable page: each ends in a message of its own, and nothing is read from them.
#include "analysis/BidPageReader.h"
#include "analysis/NozzleCheckReader.h"
#include "tests/analysis/ScanBench.h"

#include <QBuffer>
#include <QPainter>
#include <zlib.h>

#include <random>
#include <variant>

namespace {

std::vector<uint8_t> Encoded(const QImage& image, const char* format) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format);
  return {bytes.begin(), bytes.end()};
}

std::string ProblemOf(const std::vector<uint8_t>& file) {
  const ScanRead read = ReadScanBytes(file);
  const auto* problem = std::get_if<std::string>(&read);
  return problem ? *problem : std::string();
}

void Big32(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift : {24, 16, 8, 0}) out.push_back(static_cast<uint8_t>(value >> shift));
}

void Chunk(std::vector<uint8_t>& png, const char* type, const std::vector<uint8_t>& data) {
  Big32(png, static_cast<uint32_t>(data.size()));
  std::vector<uint8_t> body(type, type + 4);
  body.insert(body.end(), data.begin(), data.end());
  png.insert(png.end(), body.begin(), body.end());
  Big32(png, static_cast<uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size()))));
}

// A whole, valid PNG of `side` x `side` white one-bit pixels, made row by row
// so that the test itself never holds the image.
std::vector<uint8_t> HugeWhitePng(uint32_t side) {
  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  Big32(header, side);
  Big32(header, side);
  header.insert(header.end(), {1, 0, 0, 0, 0});  // one bit, greyscale
  Chunk(png, "IHDR", header);
  z_stream stream{};
  deflateInit(&stream, Z_BEST_SPEED);
  std::vector<uint8_t> row(1 + (side + 7) / 8, 0xFF), compressed, piece(1 << 16);
  row[0] = 0;  // no filter
  for (uint32_t y = 0; y < side; ++y) {
    stream.next_in = row.data();
    stream.avail_in = static_cast<uInt>(row.size());
    do {
      stream.next_out = piece.data();
      stream.avail_out = static_cast<uInt>(piece.size());
      deflate(&stream, y + 1 == side ? Z_FINISH : Z_NO_FLUSH);
      compressed.insert(compressed.end(), piece.data(), piece.data() + (piece.size() - stream.avail_out));
    } while (stream.avail_out == 0);
  }
  deflateEnd(&stream);
  Chunk(png, "IDAT", compressed);
  Chunk(png, "IEND", {});
  return png;
}

// Something that is not a printed page: gradients, shapes and lines at random.
QImage Photo() {
  QImage photo(2400, 3400, QImage::Format_RGB32);
  QPainter painter(&photo);
  QLinearGradient sky(0, 0, 0, 3400);
  sky.setColorAt(0, QColor(90, 140, 220));
  sky.setColorAt(1, QColor(230, 200, 150));
  painter.fillRect(photo.rect(), sky);
  std::mt19937 draw(7);
  for (int i = 0; i < 300; ++i) {
    painter.setPen(QPen(QColor::fromRgb(draw() & 0xFFFFFF), 1 + draw() % 12));
    painter.setBrush(QColor::fromRgb(draw() & 0xFFFFFF));
    const int x = static_cast<int>(draw() % 2400), y = static_cast<int>(draw() % 3400);
    if (i % 3 == 0) painter.drawLine(x, y, static_cast<int>(draw() % 2400), static_cast<int>(draw() % 3400));
    else painter.drawEllipse(x, y, 20 + static_cast<int>(draw() % 400), 20 + static_cast<int>(draw() % 400));
  }
  return photo;
}

}  // namespace

TEST(BadScans, FilesThatAreNoScanOfAPageSaySoBeforeAnythingIsRead) {
  EXPECT_EQ(ProblemOf({}), "The image is no image this program can read: scan the page as PNG, JPEG or TIFF.");
  EXPECT_EQ(ProblemOf({'%', 'P', 'D', 'F', '-', '1', '.', '4'}),
            "The image is no image this program can read: scan the page as PNG, JPEG or TIFF.");

  QImage pixel(1, 1, QImage::Format_RGB32);
  pixel.fill(Qt::white);
  EXPECT_EQ(ProblemOf(Encoded(pixel, "PNG")),
            "The image has 1 x 1 pixels, too few to show a page: scan the whole sheet at 150 to 2400 dpi (above 1200 dpi as JPEG).");

  EXPECT_EQ(ProblemOf(HugeWhitePng(20000)),
            "The image has 20000 x 20000 pixels, too many to read: scan the page at 150 to 2400 dpi (above 1200 dpi as JPEG).");

  QImage sheet(2480, 3508, QImage::Format_RGB32);
  sheet.fill(QColor(250, 250, 250));
  QPainter(&sheet).fillRect(200, 300, 2000, 400, Qt::black);
  for (const char* format : {"PNG", "JPEG"}) {
    std::vector<uint8_t> file = Encoded(sheet, format);
    file.resize(file.size() / 2);
    EXPECT_EQ(ProblemOf(file), "The image is cut short: scan the page again or save it again.") << format;
  }
}

TEST_F(ScanBench, PagesThatAreNotThePatternAskedForGiveAMessageAndNoReading) {
  QImage blank(2480, 3508, QImage::Format_RGB32);
  blank.fill(Qt::white);
  const QImage photo = Photo();
  const QImage bidPage = PrintBidPage({0, 0, 0, 0, 0, 0}, {2, -4, 0, 4, -2, 6});
  const QImage checkPage = PrintCheckPage({});
  const ScanDegradation& scanner = Degradations()[0];
  auto read = [](const QImage& image) { return std::get<InkImage>(ReadScanBytes(Encoded(image, "PNG"))); };

  const std::string noBid = "No Bi-D pattern was found in the image: scan the Bi-D pattern page, the whole sheet, upright.";
  const std::string noNozzles =
      "No nozzle check pattern was found in the image: scan the first page of the A4 check pattern, the whole sheet, upright.";
  EXPECT_EQ(ReadBidPage(read(blank), {}).Problem, noBid);
  EXPECT_EQ(ReadNozzleCheck(read(blank)).Problem, noNozzles);
  EXPECT_EQ(ReadNozzleCheck(Scanned(bidPage, scanner)).Problem, noNozzles);
  EXPECT_FALSE(ReadBidPage(Scanned(checkPage, scanner), {}).Problem.empty());
  EXPECT_EQ(ReadNozzleCheck(read(photo)).Problem, noNozzles);
  const BidPageReading fromPhoto = ReadBidPage(read(photo), {});
  if (fromPhoto.Problem.empty()) {
    for (const BidSectionReading& section : fromPhoto.Sections) EXPECT_FALSE(section.Read());
  }
  // An empty image, as a caller might hand over.
  EXPECT_EQ(ReadBidPage(InkImage{}, {}).Problem, "The image is empty.");
  EXPECT_EQ(ReadNozzleCheck(InkImage{}).Problem, "The image is empty.");
}
