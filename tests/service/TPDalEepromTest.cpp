#include "service/TPDalEeprom.h"

#include <gtest/gtest.h>

TEST(TPDalEeprom, HexToByteTakesTwoCapitalHexDigits) {
  const std::vector<std::pair<const char*, int>> cases = {
      {"A0", 160}, {"0A", 10}, {"00", 0},   {"FF", 255}, {"5F", 95},  {"AG", InvalidHexByte},
      {"a0", InvalidHexByte}, {"G0", InvalidHexByte}, {"5", InvalidHexByte}, {"", InvalidHexByte},
      {" 1", InvalidHexByte}, {"1F0", 31},  // only the first two characters count
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(TPDalEeprom::HexToByte(text), expected) << text;
}
