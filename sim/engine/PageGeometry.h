// Where the virtual printer puts everything on a page image, and in which colours: the fixed contract of its pages.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

// One pixel is 1/360 inch in both directions. A page image is the A4 sheet
// with a mid-grey border of PaperMargin pixels all round; a print position
// (x, y) on the paper lies at image pixel (PaperMargin + x, PaperMargin + y).
namespace PageGeometry {

constexpr int PixelsPerInch = 360;
constexpr int PaperWidth = 2976;   // A4, 8.27 inch
constexpr int PaperHeight = 4208;  // A4, 11.69 inch
constexpr int PaperMargin = 60;
constexpr int ImageWidth = PaperWidth + 2 * PaperMargin;    // 3096
constexpr int ImageHeight = PaperHeight + 2 * PaperMargin;  // 4328
static_assert(ImageWidth == 3096 && ImageHeight == 4328);

// The first print line of a sheet lies PageTop below the paper's top edge,
// plus the stored top margin (EEPROM cell TopMarginCell, signed, in pixels).
constexpr int DefaultPageTop = 42;
constexpr uint8_t TopMarginCell = 0x2E;
// Everything printed is shifted right by the stored first dot position
// (EEPROM cell FirstDotCell, signed, 1/2880 inch) divided by
// FirstDotUnitsPerPixel, rounded toward zero.
constexpr uint8_t FirstDotCell = 0x39;
constexpr int FirstDotUnitsPerPixel = 8;

// Text: 10 characters per inch, 6 lines per inch. A character cell's top is
// the print line; the glyph is a 5 x 7 dot-matrix character (lower case with
// two rows of descender) drawn with squares of GlyphDotSize pixels, centred
// in the cell, so capitals are 28 pixels high.
constexpr int CharacterWidth = 36;
constexpr int LineHeight = 60;
constexpr int GlyphColumns = 5;
constexpr int GlyphRows = 9;  // 7 above the base line, 2 of descender
constexpr int GlyphDotSize = 4;
constexpr int GlyphLeft = (CharacterWidth - GlyphColumns * GlyphDotSize) / 2;  // 8

// Raster graphics: raster lines 1/120 inch apart and dots 1/360 inch apart
// until a SetRasterResolution says otherwise; vertical and horizontal moves in
// units of 1/360 inch (SetUnit 10, in 1/3600 inch) until a SetUnit says otherwise.
constexpr int DefaultRasterLinePitch = 3;
constexpr int DefaultDotPitch = 1;
constexpr int DefaultUnit = 10;
constexpr int UnitsPerInchBase = 3600;

// A dot is a square anchored at its position: a 1-bit dot fills its one
// pixel; 2-bit dot values 1, 2, 3 (small, medium, large droplet) are squares
// of 1, 2 and 3 pixels in the light, medium and full shade of the ink.
constexpr int OneBitDotSize = 1;
constexpr std::array<int, 4> TwoBitDotSize = {0, 1, 2, 3};

// Bi-directional printing: a right-to-left block is displaced by
// (true offset - Bi-D value in use) x BidPixelsPerStep pixels.
constexpr int BidPixelsPerStep = 3;

// ---------------------------------------------------------------------------
// Inks, by their colour number in a raster header.
enum class Ink : uint8_t { Black, Magenta, Cyan, Yellow, LightMagenta, LightCyan };
constexpr size_t InkCount = 6;

struct InkInfo {
  Ink Which;
  uint8_t ColourNumber;
  const char* Name;
  uint32_t Rgb;  // full shade, 0xRRGGBB
};

constexpr std::array<InkInfo, InkCount> Inks = {{
    {Ink::Black, 0x00, "black", 0x000000},
    {Ink::Magenta, 0x01, "magenta", 0xE0008C},
    {Ink::Cyan, 0x02, "cyan", 0x00A0E0},
    {Ink::Yellow, 0x04, "yellow", 0xF0D000},
    {Ink::LightMagenta, 0x11, "light magenta", 0xF080C8},
    {Ink::LightCyan, 0x12, "light cyan", 0x70D0F0},
}};

constexpr std::optional<Ink> InkFromColourNumber(uint8_t number) {
  for (const InkInfo& info : Inks)
    if (info.ColourNumber == number) return info.Which;
  return std::nullopt;
}

// Shades of an ink: how much of the ink's colour lies over the white paper.
enum class Shade : uint8_t { Light, Medium, Full };
constexpr size_t ShadeCount = 3;
constexpr std::array<int, ShadeCount> ShadePercent = {40, 70, 100};

constexpr Shade ShadeOfTwoBitDot(int value) {
  return value <= 1 ? Shade::Light : value == 2 ? Shade::Medium : Shade::Full;
}

// The colour table of a page image (8-bit indexed): paper, border, then each
// ink in the order of Inks with its three shades, light first.
constexpr uint8_t PaperIndex = 0;
constexpr uint8_t BorderIndex = 1;
constexpr uint8_t FirstInkIndex = 2;
constexpr size_t PaletteSize = FirstInkIndex + InkCount * ShadeCount;
constexpr uint32_t PaperRgb = 0xFFFFFF;
constexpr uint32_t BorderRgb = 0x808080;

constexpr uint8_t DotIndex(Ink ink, Shade shade) {
  return static_cast<uint8_t>(FirstInkIndex + static_cast<size_t>(ink) * ShadeCount + static_cast<size_t>(shade));
}
// Text is printed in full black.
constexpr uint8_t TextIndex = DotIndex(Ink::Black, Shade::Full);

// The ink's colour laid over white paper at `percent` coverage.
constexpr uint32_t Blend(uint32_t rgb, int percent) {
  uint32_t result = 0;
  for (int shift : {16, 8, 0}) {
    const int channel = static_cast<int>((rgb >> shift) & 0xFF);
    const int blended = 255 - (255 - channel) * percent / 100;
    result |= static_cast<uint32_t>(blended) << shift;
  }
  return result;
}

constexpr std::array<uint32_t, PaletteSize> Palette() {
  std::array<uint32_t, PaletteSize> palette{};
  palette[PaperIndex] = PaperRgb;
  palette[BorderIndex] = BorderRgb;
  for (const InkInfo& info : Inks)
    for (size_t shade = 0; shade < ShadeCount; ++shade)
      palette[DotIndex(info.Which, static_cast<Shade>(shade))] = Blend(info.Rgb, ShadePercent[shade]);
  return palette;
}

constexpr uint32_t DotRgb(Ink ink, Shade shade) { return Palette()[DotIndex(ink, shade)]; }

static_assert(Inks[static_cast<size_t>(Ink::LightCyan)].Which == Ink::LightCyan, "Inks is in the order of Ink");
static_assert(Palette()[TextIndex] == 0x000000);
static_assert(Blend(0x00A0E0, 40) == 0x99D9F3);

}  // namespace PageGeometry
