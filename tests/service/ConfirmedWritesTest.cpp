#include "service/ConfirmedWrites.h"

#include <gtest/gtest.h>

TEST(ConfirmedWrites, TextsNameEveryCellThatDiffers) {
  EXPECT_EQ(ConfirmedWrites::DifferenceText({{0x0A, 0x00, 0x57}, {0x0B, 0x00, std::nullopt}}),
            "The printer does not hold what was written:\nAddress 0A: wanted 00, found 57\nAddress 0B: wanted 00, "
            "found ??");
  EXPECT_EQ(ConfirmedWrites::DifferenceText({{0x0A, 0x00, std::nullopt}, {0x0B, 0x00, std::nullopt}}),
            "The written cells could not be read back: whether the printer holds them is not known:\nAddress 0A: "
            "wanted 00, found ??\nAddress 0B: wanted 00, found ??");
  EXPECT_EQ(ConfirmedWrites::BusyText("the top margin was not written"),
            "The printer is busy: the top margin was not written.");
}
