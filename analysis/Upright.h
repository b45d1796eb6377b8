// Turning a scan upright: the page may lie a few degrees askew on the scanner glass.
#pragma once

#include "analysis/InkImage.h"

// The largest skew looked for, in degrees either way.
constexpr double MaxSkewDegrees = 3.5;

// The angle, in degrees, of the page's printed rows against the image's rows
// (positive when they fall to the right, in image coordinates with y down).
// Found where the ink, projected along the rows and along the columns, is
// most concentrated: text lines, pattern rows and bars all sharpen then.
double SkewDegrees(const InkImage& image);

// The image turned by `degrees` about its centre, so that rows that fell at
// that angle lie level; pixels from outside the image are bare paper.
InkImage Turned(const InkImage& image, double degrees);
