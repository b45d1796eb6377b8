// A reduced copy of a printed page, for a quick look on screen.
#pragma once

#include <QImage>

#include <cstdint>
#include <vector>

// Pages are 360 dpi; a scale of 0.25 gives 90 dpi. Each pixel of the copy is
// the average of the page pixels it covers, so lines thinner than a pixel of
// the copy come out lighter rather than vanishing.
constexpr double SmallestPageScale = 0.02;

// `scale` in SmallestPageScale..1; a null image for a null page or a scale
// outside. For a page image of the printer (8-bit, with its palette)
// `drawnRows` (see PageRenderer::TakeDrawnRows) lets the rows nobody drew on
// come from a reduced blank sheet made once, so a nearly blank page costs little.
QImage ReducedPage(const QImage& page, double scale, const std::vector<uint8_t>* drawnRows = nullptr);
