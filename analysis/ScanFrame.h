// An upright copy of a scan and the way back from its pixels to the scan file's.
#pragma once

#include "analysis/InkImage.h"

// A box in the pixels of the scan file, for marking what was read.
struct ScanBox {
  double X = 0;
  double Y = 0;
  double Width = 0;
  double Height = 0;
};

class ScanFrame {
public:
  // Turns `scan` upright; its skew is measured once here.
  explicit ScanFrame(const InkImage& scan);

  const InkImage& Image() const { return Upright; }
  double SkewDegrees() const { return Skew; }
  // The page's own length of `dots` (1/360 inch) in upright pixels, from the
  // image's height taken as the A4 sheet's: a first guess, which a reader
  // refines from the marks it finds.
  double RoughPixelsPerDot() const;
  // A box of the upright image, in scan file pixels.
  ScanBox ToScan(double left, double top, double right, double bottom) const;

private:
  InkImage Upright;
  double Skew = 0;
};
