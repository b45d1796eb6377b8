// A scanned page as the analysis sees it: how much ink lies on each pixel, paper taken away.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

// One byte per pixel: 0 is bare paper, 255 full ink. A pixel's ink is
// 255 - min(R, G, B), so every ink of the head, yellow included, shows; the
// paper is found across the page and taken away, so that uneven light and a
// tinted sheet read as a flat white scan. A large scan is reduced by whole pixel
// blocks to about WorkingPixelsPerInch, which keeps the ink each block holds.
struct InkImage {
  int Width = 0;
  int Height = 0;
  std::vector<uint8_t> Ink;
  // Pixels of the scan file per pixel of this image, in each direction.
  int Reduction = 1;
  // How unevenly the sheet was lit, as the share of the light the paper's
  // darkest part lost against its lightest (0: a flat scan): ink is judged
  // against the paper it lies on, but faint marks in the dark are harder.
  double LightingUnevenness = 0;

  uint8_t At(int x, int y) const { return Ink[static_cast<size_t>(y) * static_cast<size_t>(Width) + static_cast<size_t>(x)]; }
  uint8_t& At(int x, int y) { return Ink[static_cast<size_t>(y) * static_cast<size_t>(Width) + static_cast<size_t>(x)]; }
  const uint8_t* Row(int y) const { return Ink.data() + static_cast<size_t>(y) * static_cast<size_t>(Width); }
  bool Empty() const { return Width <= 0 || Height <= 0; }
};

// Rows [Top, Bottom) of an image: where the readers found a band of marks or blocks.
struct RowBand {
  int Top = 0;
  int Bottom = 0;
  double Height() const { return Bottom - Top; }
};

// The resolution the analysis works at; a scan finer than this is reduced.
constexpr int WorkingPixelsPerInch = 300;
// The resolutions a whole A4 sheet is read at.
constexpr int LeastScanDpi = 150;
constexpr int MostScanDpi = 2400;
// A scan larger than this many pixels is refused before it is decoded: an A4
// sheet at 1200 dpi, with the scanner's lid around it, stays under it.
constexpr int64_t MaxScanPixels = 160'000'000;
constexpr int MaxScanSide = 16'000;
// A JPEG is reduced as it is decoded, so it is only ever held at the working
// resolution: up to an A4 sheet at 2400 dpi with the lid around it.
constexpr int64_t MaxScaledScanPixels = 700'000'000;
constexpr int MaxScaledScanSide = 32'000;
// Smaller than this in either direction it cannot show a page at 150 dpi.
constexpr int MinScanSide = 600;
// What the messages say of the resolutions a scan may have.
constexpr const char* ScanResolutionsText = "150 to 2400 dpi (above 1200 dpi as JPEG)";

// What reading a scan file gave: the image, or a message for the technician.
using ScanRead = std::variant<InkImage, std::string>;

// Reads a PNG, JPEG or TIFF file (any format the image library knows).
ScanRead ReadScanFile(const std::string& path);
// The same for a file's bytes already in memory.
ScanRead ReadScanBytes(const std::vector<uint8_t>& bytes);

// Builds the ink image from 0xRRGGBB pixels of one row after another.
// `reduction` pixels in each direction become one.
InkImage InkFromRgb(int width, int height, const uint32_t* rgb, int reduction);
// The reduction that brings a scan of these pixels near WorkingPixelsPerInch,
// taking the longer side as an A4 sheet's 11.69 inches.
int ReductionFor(int width, int height);
