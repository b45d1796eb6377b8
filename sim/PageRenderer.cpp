// Drawing on the virtual printer's sheet: raster dots as small squares, characters from the dot-matrix font.
#include "sim/PageRenderer.h"

#include <cstring>
#include <utility>

#include "sim/PageFont.h"

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

}  // namespace

QImage PageRenderer::BlankSheet() {
  QImage image(ImageWidth, ImageHeight, QImage::Format_Indexed8);
  image.setColorTable(ColourTable());
  image.setDotsPerMeterX(static_cast<int>(PixelsPerInch / 0.0254 + 0.5));
  image.setDotsPerMeterY(static_cast<int>(PixelsPerInch / 0.0254 + 0.5));
  uint8_t* bits = image.bits();
  const qsizetype stride = image.bytesPerLine();
  for (int row = 0; row < ImageHeight; ++row) {
    uint8_t* line = bits + row * stride;
    const bool paperRow = row >= PaperMargin && row < PaperMargin + PaperHeight;
    if (!paperRow) {
      std::memset(line, BorderIndex, ImageWidth);
      continue;
    }
    std::memset(line, BorderIndex, PaperMargin);
    std::memset(line + PaperMargin, PaperIndex, PaperWidth);
    std::memset(line + PaperMargin + PaperWidth, BorderIndex, PaperMargin);
  }
  return image;
}

void PageRenderer::LoadSheet() {
  if (SheetLoaded()) return;
  Sheet = BlankSheet();
  Bits = Sheet.bits();
  Stride = Sheet.bytesPerLine();
}

QImage PageRenderer::TakeSheet() {
  Bits = nullptr;
  Stride = 0;
  return std::exchange(Sheet, QImage());
}

void PageRenderer::FillSquare(int64_t x, int64_t y, int size, uint8_t index) {
  for (int dy = 0; dy < size; ++dy) {
    uint8_t* row = PaperRow(Bits, Stride, y + dy);
    if (row == nullptr) continue;
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
        if (column >= 0 && column < PaperWidth) rows[0][column] = fullIndex;
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
          if (column >= 0 && column < PaperWidth) row[column] = index;
        }
      }
    }
  }
}
