// Makes scans of the virtual printer's pages: the sheet laid askew on a scanner's glass, seen at a scanner's resolution, blurred, noisy, tinted, compressed.
#pragma once

#include <QByteArray>
#include <QImage>

#include <cstdint>
#include <string>

struct ScanDegradation {
  std::string Name;
  double PixelsPerInch = 300;
  double RotationDegrees = 0;
  // Gaussian blur, in scan pixels.
  double BlurSigma = 0;
  // Gaussian noise, in levels of 0..255, each channel on its own.
  double NoiseSigma = 0;
  // 0: PNG; otherwise JPEG at this quality.
  int JpegQuality = 0;
  // The paper's colour; ink darkens it as it darkens white.
  uint32_t Paper = 0xFFFFFF;
  // The scanner lid around the sheet, in inches, and its colour.
  double LidInches = 0;
  uint32_t Lid = 0xE8E8E4;
  uint64_t Seed = 1;
  // What else befalls the sheet or the scan; all off by default.
  // The scan turned by whole quarter turns, clockwise: a sheet laid sideways or upside down.
  int QuarterTurns = 0;
  // The scanner's motor running fast or slow: the page longer along the paper by this percentage.
  double StretchPercent = 0;
  // Light falling off towards the corners, to 1 - Vignette there; and from left to right, to 1 - Gradient.
  double Vignette = 0;
  double Gradient = 0;
  bool Grey = false;
  bool BlackAndWhite = false;
  // Damage to the sheet, in inches from its top left corner: a stain (x, y, radius), a crease
  // down the sheet at x, the sheet cut off below y (the lid shows there).
  double StainX = 0, StainY = 0, StainRadius = 0;
  double CreaseX = 0;
  double CutBelow = 0;
};

// The sheet of a rendered page (360 dpi, the grey surround left off) as a scan.
QImage DegradedScan(const QImage& renderedPage, const ScanDegradation& degradation);
// The scan as its file's bytes, PNG or JPEG as the degradation says.
QByteArray ScanFileBytes(const QImage& scan, const ScanDegradation& degradation);
