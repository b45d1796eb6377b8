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

// The image turned by whole quarter turns clockwise (0..3).
InkImage QuarterTurned(const InkImage& image, int quarterTurns);

class ScanFrame {
public:
  // Takes the skew out of `scan`; its skew is measured once here.
  explicit ScanFrame(const InkImage& scan);

  // The same scan, turned a further `quarterTurns` quarter turns clockwise:
  // the way a page laid sideways or upside down on the glass is read.
  ScanFrame Turned(int quarterTurns) const;

  const InkImage& Image() const { return Upright; }
  double SkewDegrees() const { return Skew; }
  // Quarter turns clockwise applied after the skew was taken out.
  int QuarterTurns() const { return Quarters; }
  // The page's own length of `dots` (1/360 inch) in upright pixels, from the
  // image's longer side taken as the A4 sheet's height: a first guess, which
  // a reader refines from the marks it finds.
  double RoughPixelsPerDot() const;
  // A box of the upright image, in scan file pixels.
  ScanBox ToScan(double left, double top, double right, double bottom) const;

private:
  ScanFrame() = default;

  InkImage Upright;
  double Skew = 0;
  int Quarters = 0;
  // The size of the image before the quarter turns.
  int StraightWidth = 0;
  int StraightHeight = 0;
};
