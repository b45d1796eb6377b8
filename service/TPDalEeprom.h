// Turns the technician's two-character hexadecimal input into an EEPROM byte.
#pragma once

#include <string_view>

// What HexToByte gives for input that is not two hexadecimal digits.
constexpr int InvalidHexByte = 500;

class TPDalEeprom {
public:
  // The first two characters as capital hexadecimal digits, high digit
  // first: 0..255, or InvalidHexByte when either is not '0'..'9' or 'A'..'F'
  // (lowercase letters included) or the text is shorter.
  static int HexToByte(std::string_view text);
};
