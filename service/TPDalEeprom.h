// Turns the technician's two-character hexadecimal input into an EEPROM byte, and reads runs of cells.
#pragma once

#include "link/TPDalD4Comm.h"

#include <cstdint>
#include <span>
#include <string_view>

// What HexToByte gives for input that is not two hexadecimal digits.
constexpr int InvalidHexByte = 500;

class TPDalEeprom {
public:
  // The first two characters as capital hexadecimal digits, high digit
  // first: 0..255, or InvalidHexByte when either is not '0'..'9' or 'A'..'F'
  // (lowercase letters included) or the text is shorter.
  static int HexToByte(std::string_view text);

  // Reads `cells` in order into the same places of `values` (as many), over the control channel.
  // Stops at the first cell without a value and says why; Answered when every cell was read.
  static EepromReadOutcome ReadCells(TPDalD4Comm& comm, std::span<const uint8_t> cells, std::span<uint8_t> values);
};
