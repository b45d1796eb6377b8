// The six Bi-D values as the program knows them: their order, their names in every spelling, their cells and range.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

// The printer's numbering of a value's droplet mode and ink group (the first two bytes of SetBidValue).
constexpr uint8_t BidDotModeMs = 1;
constexpr uint8_t BidDotMode6pl = 2;
constexpr uint8_t BidDotMode4pl = 3;
constexpr uint8_t BidInkBlack = 1;
constexpr uint8_t BidInkColor = 2;

// One Bi-D value. Two more spellings are made from Name: the pattern page's section title is Name
// after one space (" MS Black"), the backup comparison's cell name is BidCellNamePrefix and Name.
struct BidValue {
  const char* Name;          // "MS Black": the item's messages, the scan's lines, the unfinished notes
  const char* LongName;      // "Multi shot Black": the lines of "Check present adjustment data."
  const char* ArgumentName;  // "ms-black": the command line's NAME, taken in any case
  uint8_t DotMode;
  uint8_t InkGroup;
  uint8_t Address;  // its EEPROM cell: a signed byte, two's complement
};

// In the order in which they are handled, shown and printed, one after another.
constexpr std::array<BidValue, 6> BidValues{{
    {"MS Black", "Multi shot Black", "ms-black", BidDotModeMs, BidInkBlack, 0x33},
    {"MS Color", "Multi shot Color", "ms-color", BidDotModeMs, BidInkColor, 0x36},
    {"6pl Black", "MDX 6pl Black", "6pl-black", BidDotMode6pl, BidInkBlack, 0x34},
    {"6pl Color", "MDX 6pl Color", "6pl-color", BidDotMode6pl, BidInkColor, 0x37},
    {"4pl Black", "MDX 4pl Black", "4pl-black", BidDotMode4pl, BidInkBlack, 0x35},
    {"4pl Color", "MDX 4pl Color", "4pl-color", BidDotMode4pl, BidInkColor, 0x38},
}};

// What a write may store in any of them.
constexpr int BidLowest = -36;
constexpr int BidHighest = 36;
static_assert(BidLowest == -BidHighest, "the range is symmetric around 0");

// The candidates a section of the Bi-D pattern page tries: five values around the value it is
// printed with, 2 apart, from left to right. The page's printer and its reader both go by them.
constexpr int BidCandidateCount = 5;
constexpr int BidCandidateStep = 2;
// How far the outermost candidates lie from the middle one: 4.
constexpr int BidCandidateReach = BidCandidateStep * (BidCandidateCount / 2);
// {-4, -2, 0, 2, 4}
constexpr std::array<int, BidCandidateCount> BidCandidateOffsets = [] {
  std::array<int, BidCandidateCount> offsets{};
  for (size_t i = 0; i < offsets.size(); ++i) offsets[i] = BidCandidateStep * static_cast<int>(i) - BidCandidateReach;
  return offsets;
}();

constexpr std::string_view BidCellNamePrefix = "Bi-D ";

// The value of a (dot mode, ink group) pair; nullptr for a pair that names none.
constexpr const BidValue* FindBidValue(int dotMode, int inkGroup) {
  for (const BidValue& value : BidValues)
    if (value.DotMode == dotMode && value.InkGroup == inkGroup) return &value;
  return nullptr;
}

// The value stored in `cell`; nullptr for any other cell.
constexpr const BidValue* BidValueAt(uint8_t cell) {
  for (const BidValue& value : BidValues)
    if (value.Address == cell) return &value;
  return nullptr;
}

// The value the command line names (exactly, in small letters); nullptr for another name.
constexpr const BidValue* BidValueOfArgument(std::string_view argument) {
  for (const BidValue& value : BidValues)
    if (argument == value.ArgumentName) return &value;
  return nullptr;
}

// The lowest and highest of the six cells: they lie side by side, so a backup carries them as one run.
constexpr uint8_t BidCellsFirst = [] {
  uint8_t first = BidValues.front().Address;
  for (const BidValue& value : BidValues) first = value.Address < first ? value.Address : first;
  return first;
}();
constexpr uint8_t BidCellsLast = [] {
  uint8_t last = BidValues.front().Address;
  for (const BidValue& value : BidValues) last = value.Address > last ? value.Address : last;
  return last;
}();
static_assert(BidCellsLast - BidCellsFirst + 1 == BidValues.size(), "the Bi-D cells form one run");
