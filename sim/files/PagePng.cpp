#include "sim/files/PagePng.h"

#include "sim/engine/PageGeometry.h"

#include <zlib.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <memory>

using namespace PageGeometry;

namespace {

// A run of blank rows is put together from cached runs of 1, 2, 4, ... rows.
constexpr int CachedRunSizes = 13;  // 1 to 4096 rows
static_assert((1 << CachedRunSizes) - 1 >= PaperHeight);  // every run is a sum of cached ones
constexpr size_t RowBytes = ImageWidth + 1;  // the filter byte (0: none), then the pixels
constexpr int DeflateLevel = 1;

// One piece of the deflate stream: whole blocks ending on a byte boundary
// (a full flush), no final block, with the Adler-32 of the bytes it stands for.
struct DeflatePiece {
  std::vector<uint8_t> Compressed;
  uLong Adler = 0;
  uLong Length = 0;
};

// Compresses `rows` (RowBytes each) into one piece that needs nothing before it.
class RowCompressor {
public:
  RowCompressor() {
    std::memset(&Stream, 0, sizeof Stream);
    Ready = deflateInit2(&Stream, DeflateLevel, Z_DEFLATED, -15, 8, Z_RLE) == Z_OK;
  }
  ~RowCompressor() {
    if (Ready) deflateEnd(&Stream);
  }
  RowCompressor(const RowCompressor&) = delete;
  RowCompressor& operator=(const RowCompressor&) = delete;

  bool Compress(const uint8_t* const* rows, size_t count, DeflatePiece& piece) {
    if (!Ready || deflateReset(&Stream) != Z_OK) return false;
    piece.Compressed.clear();
    piece.Adler = adler32(0L, Z_NULL, 0);
    piece.Length = 0;
    std::array<uint8_t, 64 * 1024> out{};
    for (size_t i = 0; i < count; ++i) {
      piece.Adler = adler32(piece.Adler, rows[i], RowBytes);
      piece.Length += RowBytes;
      Stream.next_in = const_cast<Bytef*>(rows[i]);
      Stream.avail_in = RowBytes;
      const int flush = i + 1 == count ? Z_FULL_FLUSH : Z_NO_FLUSH;
      do {
        Stream.next_out = out.data();
        Stream.avail_out = out.size();
        if (deflate(&Stream, flush) == Z_STREAM_ERROR) return false;
        piece.Compressed.insert(piece.Compressed.end(), out.data(), out.data() + (out.size() - Stream.avail_out));
      } while (Stream.avail_out == 0);
    }
    return true;
  }

private:
  z_stream Stream;
  bool Ready = false;
};

// The two kinds of blank row: border only (above and below the paper) and paper between borders.
enum class BlankRow { Border, Paper };

std::array<uint8_t, RowBytes> MakeBlankRow(BlankRow kind) {
  std::array<uint8_t, RowBytes> row{};
  row[0] = 0;  // no filter
  std::memset(row.data() + 1, BorderIndex, ImageWidth);
  if (kind == BlankRow::Paper) std::memset(row.data() + 1 + PaperMargin, PaperIndex, PaperWidth);
  return row;
}

// Runs of 2^k blank rows of each kind, made once for the whole program: up to
// JointRows rows are compressed together, longer runs are copies of those put
// one after the other (each piece stands on its own), which costs next to nothing.
constexpr int JointRowsLog = 6;

DeflatePiece Joined(const DeflatePiece& first, const DeflatePiece& second) {
  DeflatePiece both = first;
  both.Compressed.insert(both.Compressed.end(), second.Compressed.begin(), second.Compressed.end());
  both.Adler = adler32_combine(first.Adler, second.Adler, static_cast<z_off_t>(second.Length));
  both.Length = first.Length + second.Length;
  return both;
}

struct BlankRuns {
  std::array<std::array<DeflatePiece, CachedRunSizes>, 2> Runs;
  bool Ready = true;

  BlankRuns() {
    RowCompressor compressor;
    for (BlankRow kind : {BlankRow::Border, BlankRow::Paper}) {
      auto& runs = Runs[static_cast<size_t>(kind)];
      const std::array<uint8_t, RowBytes> row = MakeBlankRow(kind);
      const std::vector<const uint8_t*> rows(size_t{1} << JointRowsLog, row.data());
      for (int k = 0; k < CachedRunSizes; ++k) {
        if (k <= JointRowsLog) {
          Ready = Ready && compressor.Compress(rows.data(), size_t{1} << k, runs[k]);
        } else {
          runs[k] = Joined(runs[k - 1], runs[k - 1]);
        }
      }
    }
  }
};

const BlankRuns& TheBlankRuns() {
  static const BlankRuns runs;
  return runs;
}

class IdatBuilder {
public:
  void Append(const DeflatePiece& piece) {
    Data.insert(Data.end(), piece.Compressed.begin(), piece.Compressed.end());
    Adler = adler32_combine(Adler, piece.Adler, static_cast<z_off_t>(piece.Length));
  }
  void AppendBlankRows(BlankRow kind, int count) {
    const auto& runs = TheBlankRuns().Runs[static_cast<size_t>(kind)];
    for (int k = CachedRunSizes - 1; k >= 0; --k)
      if ((count & (1 << k)) != 0) Append(runs[k]);
  }
  // The zlib stream: header, the pieces, an empty final block, the Adler-32.
  std::vector<uint8_t> Finish() const {
    std::vector<uint8_t> stream = {0x78, 0x01};
    stream.insert(stream.end(), Data.begin(), Data.end());
    stream.push_back(0x03);  // final block, fixed codes, at once its end code
    stream.push_back(0x00);
    for (int shift : {24, 16, 8, 0}) stream.push_back(static_cast<uint8_t>(Adler >> shift));
    return stream;
  }

private:
  std::vector<uint8_t> Data;
  uLong Adler = adler32(0L, Z_NULL, 0);
};

void PutWord(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift : {24, 16, 8, 0}) out.push_back(static_cast<uint8_t>(value >> shift));
}

void PutChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
  PutWord(out, static_cast<uint32_t>(data.size()));
  const size_t typeAt = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  PutWord(out, static_cast<uint32_t>(crc32(0L, out.data() + typeAt, static_cast<uInt>(out.size() - typeAt))));
}

bool IsPageImage(const QImage& page) {
  return page.format() == QImage::Format_Indexed8 && page.width() == ImageWidth && page.height() == ImageHeight &&
         page.colorCount() == static_cast<int>(PaletteSize);
}

}  // namespace

namespace PagePng {

bool Encode(const QImage& page, const std::vector<uint8_t>* drawnRows, std::vector<uint8_t>& file,
            std::string& reason) {
  if (!IsPageImage(page) || (drawnRows != nullptr && drawnRows->size() != static_cast<size_t>(ImageHeight))) {
    reason = "not a page image";
    return false;
  }
  if (!TheBlankRuns().Ready) {
    reason = "the compressor cannot be started";
    return false;
  }
  IdatBuilder idat;
  RowCompressor compressor;
  std::vector<std::vector<uint8_t>> drawn;  // the drawn rows of one run, with their filter bytes
  std::vector<const uint8_t*> drawnPointers;
  DeflatePiece piece;
  int y = 0;
  while (y < ImageHeight) {
    const bool paper = y >= PaperMargin && y < PaperMargin + PaperHeight;
    const bool isDrawn = paper && (drawnRows == nullptr || (*drawnRows)[static_cast<size_t>(y)] != 0);
    int end = y + 1;
    if (isDrawn) {
      while (end < PaperMargin + PaperHeight && (drawnRows == nullptr || (*drawnRows)[static_cast<size_t>(end)] != 0))
        ++end;
      drawn.assign(static_cast<size_t>(end - y), std::vector<uint8_t>(RowBytes, 0));
      drawnPointers.clear();
      for (int row = y; row < end; ++row) {
        std::vector<uint8_t>& bytes = drawn[static_cast<size_t>(row - y)];
        std::memcpy(bytes.data() + 1, page.constScanLine(row), ImageWidth);
        drawnPointers.push_back(bytes.data());
      }
      if (!compressor.Compress(drawnPointers.data(), drawnPointers.size(), piece)) {
        reason = "compression failed";
        return false;
      }
      idat.Append(piece);
    } else {
      const int limit = paper ? PaperMargin + PaperHeight : (y < PaperMargin ? PaperMargin : ImageHeight);
      while (end < limit && !(paper && drawnRows != nullptr && (*drawnRows)[static_cast<size_t>(end)] != 0)) ++end;
      idat.AppendBlankRows(paper ? BlankRow::Paper : BlankRow::Border, end - y);
    }
    y = end;
  }

  file = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  std::vector<uint8_t> header;
  PutWord(header, ImageWidth);
  PutWord(header, ImageHeight);
  header.insert(header.end(), {8, 3, 0, 0, 0});  // 8 bits, palette, deflate, no filter method, no interlace
  PutChunk(file, "IHDR", header);
  std::vector<uint8_t> palette;
  for (int i = 0; i < page.colorCount(); ++i) {
    const QRgb colour = page.color(i);
    palette.insert(palette.end(), {static_cast<uint8_t>(qRed(colour)), static_cast<uint8_t>(qGreen(colour)),
                                   static_cast<uint8_t>(qBlue(colour))});
  }
  PutChunk(file, "PLTE", palette);
  std::vector<uint8_t> resolution;
  const uint32_t perMetre = static_cast<uint32_t>(PixelsPerInch / 0.0254 + 0.5);
  PutWord(resolution, perMetre);
  PutWord(resolution, perMetre);
  resolution.push_back(1);  // metres
  PutChunk(file, "pHYs", resolution);
  PutChunk(file, "IDAT", idat.Finish());
  PutChunk(file, "IEND", {});
  return true;
}

bool Write(const QImage& page, const std::vector<uint8_t>* drawnRows, const std::string& path, std::string& reason) {
  std::vector<uint8_t> file;
  if (!Encode(page, drawnRows, file, reason)) return false;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(std::fopen(path.c_str(), "wb"), &std::fclose);
  if (!out || std::fwrite(file.data(), 1, file.size(), out.get()) != file.size() || std::fflush(out.get()) != 0) {
    reason = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace PagePng
