// The rules of the wire header that no byte-exact exchange pins down on its own.
#include "link/LinkWire.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

TEST(LinkWireTest, DerivedCommandBytesFollowTheRule) {
  for (int c = 0; c < 256; ++c) {
    const uint8_t code = static_cast<uint8_t>(c);
    EXPECT_EQ(LinkWire::Complement(code) ^ code, 0xFF);
    // Rotating left again gives the code back.
    const uint8_t rotated = LinkWire::RotateRight(code);
    EXPECT_EQ(static_cast<uint8_t>((rotated << 1) | (rotated >> 7)), code);
  }
}

TEST(LinkWireTest, EepromValueTakesTwoCapitalHexDigitsAtPayloadFourteen) {
  struct Case {
    std::string Payload;
    std::optional<uint8_t> Value;
  };
  const std::vector<Case> cases = {
      {"||:41;OK;EE:5F3F\r\n", 0x3F},
      {"||:41;OK;EE:5F09\r\n", 0x09},
      {"||:41;OK;EE:5FA0\r\n", 0xA0},
      {"||:41;OK;EE:5FFF\r\n", 0xFF},
      {"||:41;OK;EE:5F00", 0x00},             // ends right behind the value
      {"||:41;OK;EE:5F0", std::nullopt},      // ends inside it
      {"||:41;OK;EE:5F3f\r\n", std::nullopt},  // small letters are no value
      {"||:41;OK;EE:5FG0\r\n", std::nullopt},
      {"||:41;OK;EE:5F@0\r\n", std::nullopt},  // just below 'A'
      {"||:41;OK;EE:5F:0\r\n", std::nullopt},  // just above '9'
      {"||:41;OK;EE:5F/0\r\n", std::nullopt},  // just below '0'
      {"||:41;OK;EE:5F0 \r\n", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Payload);
    const auto* payload = reinterpret_cast<const uint8_t*>(c.Payload.data());
    EXPECT_EQ(LinkWire::EepromValueIn(payload, c.Payload.size()), c.Value);
  }
}

TEST(LinkWireTest, CreditComesOnlyFromAWholeCreditReplyAndStaysPositive) {
  std::vector<uint8_t> reply{0x00, 0x00, 0x00, 0x0C, 0x01, 0x00, 0x84, 0x00, 0x40, 0x40, 0x01, 0x23};
  EXPECT_EQ(LinkWire::CreditInReply(reply.data(), reply.size()), 0x0123);
  EXPECT_EQ(LinkWire::CreditInReply(reply.data(), reply.size() - 1), std::nullopt);
  reply[10] = 0xFF;
  reply[11] = 0xFF;
  EXPECT_EQ(LinkWire::CreditInReply(reply.data(), reply.size()), 0x7FFF);
  reply[10] = 0x80;
  reply[11] = 0x00;
  EXPECT_EQ(LinkWire::CreditInReply(reply.data(), reply.size()), 0x7FFF);
}
