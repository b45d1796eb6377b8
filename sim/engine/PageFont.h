// The virtual printer's built-in dot-matrix character set, so that pages look the same on every machine.
#pragma once

#include <array>
#include <cstdint>

#include "sim/engine/PageGeometry.h"

namespace PageFont {

// One row of a glyph: bit 4 is the leftmost of its five columns.
using Glyph = std::array<uint8_t, PageGeometry::GlyphRows>;

// The glyph of a character byte 0x20..0xFF. Bytes outside printable ASCII
// (0x7F and above) print as a hollow box, as the firmware has no glyph for them.
const Glyph& GlyphOf(uint8_t character);

}  // namespace PageFont
