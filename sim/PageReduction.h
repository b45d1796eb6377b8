// A reduced copy of a printed page, for a quick look on screen.
#pragma once

#include <QImage>

// Pages are 360 dpi; a scale of 0.25 gives 90 dpi. Lines thinner than a
// pixel of the copy come out lighter rather than vanishing.
constexpr double SmallestPageScale = 0.02;

// `scale` in SmallestPageScale..1; a null image for a null page or a scale outside.
QImage ReducedPage(const QImage& page, double scale);
