// Drawing on the virtual printer's sheet: raster dots as small squares, characters from the dot-matrix font.
#include "sim/engine/PageRenderer.h"

#include <cstdlib>
#include <cstring>
#include <sys/mman.h>
#include <utility>

#include "sim/engine/PageFont.h"

using namespace PageGeometry;

namespace {

QList<QRgb> ColourTable() {
  QList<QRgb> table;
  for (uint32_t rgb : Palette()) table.append(0xFF000000u | rgb);
  return table;
}

// The image row of paper row `y`, or nullptr when the row lies off the paper.
uint8_t* PaperRow(uint8_t* bits, qsizetype stride, int64_t y) {
  if (y < 0 || y >= PaperHeight) return nullptr;
  return bits + (y + PaperMargin) * stride + PaperMargin;
}

// Fills image row `row` as a blank sheet has it.
void BlankRow(uint8_t* line, int row) {
  const bool paperRow = row >= PaperMargin && row < PaperMargin + PaperHeight;
  if (!paperRow) {
    std::memset(line, BorderIndex, ImageWidth);
    return;
  }
  std::memset(line, BorderIndex, PaperMargin);
  std::memset(line + PaperMargin, PaperIndex, PaperWidth);
  std::memset(line + PaperMargin + PaperWidth, BorderIndex, PaperMargin);
}

// The memory of a sheet. A sheet is 13 MB, and new memory costs a page
// fault for every 4 KB of it the first time it is touched: asking the kernel
// for huge pages makes that a few faults a sheet.
QImage NewSheetImage() {
  constexpr size_t HugePage = size_t{2} << 20;
  constexpr size_t Bytes = (size_t{ImageWidth} * ImageHeight + HugePage - 1) / HugePage * HugePage;
  static_assert(ImageWidth % 4 == 0, "rows of an image over our own memory must be 32-bit aligned");
  void* memory = std::aligned_alloc(HugePage, Bytes);
  if (memory == nullptr) return QImage(ImageWidth, ImageHeight, QImage::Format_Indexed8);
  ::madvise(memory, Bytes, MADV_HUGEPAGE);  // a hint: without it the sheet works all the same
  return QImage(static_cast<uchar*>(memory), ImageWidth, ImageHeight, ImageWidth, QImage::Format_Indexed8, std::free,
                memory);
}

}  // namespace

QImage PageRenderer::BlankSheet() {
  QImage image = NewSheetImage();
  image.setColorTable(ColourTable());
  image.setDotsPerMeterX(static_cast<int>(PixelsPerInch / 0.0254 + 0.5));
  image.setDotsPerMeterY(static_cast<int>(PixelsPerInch / 0.0254 + 0.5));
  uint8_t* bits = image.bits();
  const qsizetype stride = image.bytesPerLine();
  for (int row = 0; row < ImageHeight; ++row) BlankRow(bits + row * stride, row);
  return image;
}

void PageRenderer::ClearDrawnRows(QImage& sheet, const std::vector<uint8_t>& drawnRows) {
  if (sheet.isNull() || drawnRows.size() != static_cast<size_t>(sheet.height())) return;
  for (int row = 0; row < sheet.height(); ++row)
    if (drawnRows[static_cast<size_t>(row)] != 0) BlankRow(sheet.scanLine(row), row);
}

void PageRenderer::LoadSheet(QImage spare) {
  if (SheetLoaded()) return;
  const bool usable = spare.isDetached() && spare.format() == QImage::Format_Indexed8 &&
                      spare.width() == ImageWidth && spare.height() == ImageHeight;
  Sheet = usable ? std::move(spare) : BlankSheet();
  Bits = Sheet.bits();
  Stride = Sheet.bytesPerLine();
  Drawn.assign(ImageHeight, 0);
}

QImage PageRenderer::TakeSheet() {
  Bits = nullptr;
  Stride = 0;
  return std::exchange(Sheet, QImage());
}

std::vector<uint8_t> PageRenderer::TakeDrawnRows() { return std::exchange(Drawn, {}); }

void PageRenderer::MarkDrawn(int64_t paperRow) {
  if (paperRow >= 0 && paperRow < PaperHeight) Drawn[static_cast<size_t>(paperRow + PaperMargin)] = 1;
}

void PageRenderer::FillSquare(int64_t x, int64_t y, int size, uint8_t index) {
  for (int dy = 0; dy < size; ++dy) {
    uint8_t* row = PaperRow(Bits, Stride, y + dy);
    if (row == nullptr) continue;
    MarkDrawn(y + dy);
    for (int dx = 0; dx < size; ++dx) {
      const int64_t column = x + dx;
      if (column >= 0 && column < PaperWidth) row[column] = index;
    }
  }
}

void PageRenderer::DrawCharacter(int64_t x, int64_t y, uint8_t character) {
  LoadSheet();
  const PageFont::Glyph& glyph = PageFont::GlyphOf(character);
  for (int row = 0; row < GlyphRows; ++row) {
    for (int column = 0; column < GlyphColumns; ++column) {
      if ((glyph[row] & (1u << (GlyphColumns - 1 - column))) == 0) continue;
      FillSquare(x + GlyphLeft + column * GlyphDotSize, y + row * GlyphDotSize, GlyphDotSize, TextIndex);
    }
  }
}

void PageRenderer::DrawRasterLine(int64_t x, int64_t y, const uint8_t* bytes, size_t count, int bitsPerDot,
                                  int dotPitch, Ink ink) {
  LoadSheet();
  if (bytes == nullptr || (bitsPerDot != 1 && bitsPerDot != 2) || dotPitch < 1) return;
  const int largest = bitsPerDot == 1 ? OneBitDotSize : TwoBitDotSize[3];
  // Nothing of the line can reach the paper: leave at once (a stream may place lines far off).
  const int64_t dotsPerByte = 8 / bitsPerDot;
  if (y >= PaperHeight || y + largest <= 0 || x >= PaperWidth) return;
  if (x + static_cast<int64_t>(count) * dotsPerByte * dotPitch + largest <= 0) return;

  uint8_t* rows[3] = {PaperRow(Bits, Stride, y), PaperRow(Bits, Stride, y + 1), PaperRow(Bits, Stride, y + 2)};
  bool touched[3] = {false, false, false};  // rows where a dot landed: drawn on
  const uint8_t fullIndex = DotIndex(ink, Shade::Full);
  int64_t dotX = x;
  for (size_t i = 0; i < count; ++i, dotX += dotsPerByte * dotPitch) {
    const uint8_t byte = bytes[i];
    if (byte == 0) continue;
    if (bitsPerDot == 1) {
      if (rows[0] == nullptr) continue;
      for (int bit = 0; bit < 8; ++bit) {
        if ((byte & (0x80u >> bit)) == 0) continue;
        const int64_t column = dotX + bit * dotPitch;
        if (column >= 0 && column < PaperWidth) {
          rows[0][column] = fullIndex;
          touched[0] = true;
        }
      }
      continue;
    }
    for (int dot = 0; dot < 4; ++dot) {
      const int value = (byte >> (6 - 2 * dot)) & 0x03;
      if (value == 0) continue;
      const int size = TwoBitDotSize[static_cast<size_t>(value)];
      const uint8_t index = DotIndex(ink, ShadeOfTwoBitDot(value));
      const int64_t left = dotX + dot * dotPitch;
      for (int dy = 0; dy < size; ++dy) {
        uint8_t* row = rows[dy];
        if (row == nullptr) continue;
        for (int dx = 0; dx < size; ++dx) {
          const int64_t column = left + dx;
          if (column >= 0 && column < PaperWidth) {
            row[column] = index;
            touched[dy] = true;
          }
        }
      }
    }
  }
  for (int k = 0; k < 3; ++k)
    if (touched[k]) MarkDrawn(y + k);
}
