// The EEPROM map and the Bi-D values: the cell sets derived from them and the names shown, against literal lists.
#include "eeprom/BidValues.h"
#include "eeprom/EepromMap.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

std::vector<int> CellList(std::initializer_list<std::pair<int, int>> runs) {
  std::vector<int> cells;
  for (const auto& [first, last] : runs)
    for (int cell = first; cell <= last; ++cell) cells.push_back(cell);
  return cells;
}

template <size_t N>
std::vector<int> CellList(const std::array<uint8_t, N>& cells) {
  return std::vector<int>(cells.begin(), cells.end());
}

}  // namespace

TEST(EepromMap, GroupsLieInAddressOrderWithoutOverlapsAndCoverEveryCellAnItemUses) {
  int previousLast = -1;
  for (const CellGroup& group : EepromMap) {
    SCOPED_TRACE(group.Name);
    EXPECT_LE(group.First, group.Last);
    EXPECT_GT(group.First, previousLast);
    EXPECT_LT(group.Last, EepromSize);
    previousLast = group.Last;
  }
  std::vector<uint8_t> used{ExchangeStateCell, InkFlagCell,   ProtectionCounterHigh, ProtectionCounterLow,
                            InkCountersFirst,  InkCountersLast, BidMarkerCellFirst,  BidMarkerCellSecond,
                            TopMarginCell,     FirstDotCell,  InitialCellA,          InitialCellB,
                            HeadIdSumCell,     UsbIdSerialCell, UsbIdDateCell,       MarketIdCell};
  used.insert(used.end(), HeadIdValueCells.begin(), HeadIdValueCells.end());
  for (const BidValue& value : BidValues) used.push_back(value.Address);
  for (uint8_t cell : used) EXPECT_NE(CellGroupOf(cell), nullptr) << int{cell};

  EXPECT_EQ(CellGroupOf(TopMarginCell)->Format, CellFormat::SignedByte);
  EXPECT_EQ(CellGroupOf(FirstDotCell)->Format, CellFormat::SignedTo128);
  for (const BidValue& value : BidValues) EXPECT_EQ(CellGroupOf(value.Address)->Format, CellFormat::SignedByte);
}

TEST(EepromMap, BackupAndExchangeTakeTheirCellsInAddressOrder) {
  EXPECT_EQ(CellList(BackupSet), CellList({{0x0A, 0x0B}, {0x10, 0x27}, {0x2A, 0x2B}, {0x2E, 0x2E}, {0x33, 0x39}, {0x3F, 0x4C},
                                     {0x4D, 0x5E}, {0x5F, 0x5F}}));
  EXPECT_EQ(BackupSet.size(), 69u);
  // 0x09 stays: it lies between the two runs the exchange clears.
  EXPECT_EQ(CellList(ExchangeClearedCells), CellList({{0x01, 0x08}, {0x0A, 0x28}}));
}

TEST(EepromMap, CellsAreNamedAsTheBackupComparisonShowsThem) {
  const std::vector<std::pair<int, std::string>> names{
      {0x0A, "protection counter, high"}, {0x0B, "protection counter, low"}, {0x10, "ink counters"},
      {0x27, "ink counters"},             {0x2A, "Bi-D marker"},             {0x2B, "Bi-D marker"},
      {0x2E, "top margin"},               {0x33, "Bi-D MS Black"},           {0x34, "Bi-D 6pl Black"},
      {0x35, "Bi-D 4pl Black"},           {0x36, "Bi-D MS Color"},           {0x37, "Bi-D 6pl Color"},
      {0x38, "Bi-D 4pl Color"},           {0x39, "first dot position"},      {0x3F, "head ID"},
      {0x42, "head ID"},                  {0x4C, "head ID"},                 {0x4D, "USB ID"},
      {0x5E, "USB ID"},                   {0x5F, "market ID"},
      // Cells no item uses, and cells that are only cleared, have no name.
      {0x09, ""}, {0x29, ""}, {0x3B, ""}, {0x60, ""}, {0xFF, ""}, {0x02, ""}, {0x28, ""}};
  for (const auto& [cell, name] : names) EXPECT_EQ(CellName(static_cast<uint8_t>(cell)), name) << cell;
}

TEST(BidValues, EachValueHasItsOwnCellPairAndArgumentAndIsFoundByThem) {
  std::set<int> cells;
  std::set<std::pair<int, int>> pairs;
  std::set<std::string> arguments;
  for (const BidValue& value : BidValues) {
    SCOPED_TRACE(value.Name);
    cells.insert(value.Address);
    pairs.insert({value.DotMode, value.InkGroup});
    arguments.insert(value.ArgumentName);
    // The command line lowers what is typed before it looks the name up.
    for (const char* c = value.ArgumentName; *c != '\0'; ++c) EXPECT_FALSE(*c >= 'A' && *c <= 'Z');
    EXPECT_EQ(FindBidValue(value.DotMode, value.InkGroup), &value);
    EXPECT_EQ(BidValueAt(value.Address), &value);
    EXPECT_EQ(BidValueOfArgument(value.ArgumentName), &value);
  }
  EXPECT_EQ(cells.size(), BidValues.size());
  EXPECT_EQ(pairs.size(), BidValues.size());
  EXPECT_EQ(arguments.size(), BidValues.size());
  EXPECT_EQ(FindBidValue(4, 1), nullptr);
  EXPECT_EQ(FindBidValue(1, 3), nullptr);
  EXPECT_EQ(BidValueAt(0x39), nullptr);
  EXPECT_EQ(BidValueOfArgument("black"), nullptr);
}
