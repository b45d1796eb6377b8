// The printer's EEPROM as the program knows it: where each named cell or group of cells lies, how
// its value is stored, and which cells the backup carries and transport liquid exchange 2 clears.
// The map is the same for both models; only the market ID's value differs between them.
#pragma once

#include "eeprom/BidValues.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

// Cells 0x00..0xFF; the EEPROM check reaches every one, named or not.
constexpr size_t EepromSize = 256;

// --- The named cells, in address order. Cells 0x09, 0x29, 0x2C, 0x2D, 0x2F..0x32, 0x3B, 0x3D,
// 0x3E and 0x60..0xFF are used by no item.

// How far a transport liquid exchange has come.
constexpr uint8_t ExchangeStateCell = 0x00;
constexpr uint8_t ExchangeStateAtReplacement = 0x80;  // the carriage was sent to the replacement position
constexpr uint8_t ExchangeStateComplete = 0x10;       // exchange 2 is done

// Ink flag 2: only ever cleared, with the cells after it up to 0x28 (but 0x09).
constexpr uint8_t InkFlagCell = 0x01;

// The protection (waste ink) counter: an unsigned 16-bit value, 256 × high byte + low byte.
constexpr uint8_t ProtectionCounterHigh = 0x0A;
constexpr uint8_t ProtectionCounterLow = 0x0B;

// 24 ink counters, carried from board to board but never read as numbers.
constexpr uint8_t InkCountersFirst = 0x10;
constexpr uint8_t InkCountersLast = 0x27;

// Both hold BidMarkerValue once a Bi-D value was set.
constexpr uint8_t BidMarkerCellFirst = 0x2A;
constexpr uint8_t BidMarkerCellSecond = 0x2B;
constexpr uint8_t BidMarkerValue = 0xF9;

// The top margin, a signed byte: beyond ±TopMarginNeutralLimit it reads as "+" or "-", else as "0".
constexpr uint8_t TopMarginCell = 0x2E;
constexpr int TopMarginNeutralLimit = 20;

// The six Bi-D values follow, BidCellsFirst..BidCellsLast: BidValues names each one's cell.

// The first dot position in 1/2880 inch: a signed byte, but 0x80 reads as +128.
constexpr uint8_t FirstDotCell = 0x39;

// Written by the initial setting of a new main board, always with these values.
constexpr uint8_t InitialCellA = 0x3A;
constexpr uint8_t InitialValueA = 0x03;
constexpr uint8_t InitialCellB = 0x3C;
constexpr uint8_t InitialValueB = 0x99;

// The print head's ID: its twelve values in position order, each in its position's coding (the
// head ID item's), and the check cell written before them. 0x42 lies among them, never written.
constexpr std::array<uint8_t, 12> HeadIdValueCells{0x3F, 0x46, 0x40, 0x41, 0x43, 0x44, 0x45, 0x48, 0x4B, 0x49, 0x4C, 0x4A};
constexpr uint8_t HeadIdSumCell = 0x47;
// The head ID's 14 cells run from the lowest to the highest of those.
constexpr uint8_t HeadIdFirstCell = [] {
  uint8_t first = HeadIdSumCell;
  for (uint8_t cell : HeadIdValueCells) first = cell < first ? cell : first;
  return first;
}();
constexpr uint8_t HeadIdLastCell = [] {
  uint8_t last = HeadIdSumCell;
  for (uint8_t cell : HeadIdValueCells) last = cell > last ? cell : last;
  return last;
}();
static_assert(HeadIdLastCell - HeadIdFirstCell + 1 == 14);

// The USB ID, ASCII: the typed serial, then the characters of the date of writing.
constexpr uint8_t UsbIdSerialCell = 0x4D;
constexpr size_t UsbIdSerialLength = 10;
constexpr uint8_t UsbIdDateCell = UsbIdSerialCell + UsbIdSerialLength;  // 0x57
constexpr size_t UsbIdDateLength = 8;
constexpr size_t UsbIdLength = UsbIdSerialLength + UsbIdDateLength;
constexpr uint8_t UsbIdLastCell = UsbIdSerialCell + UsbIdLength - 1;  // 0x5E

// The market ID, the one value that differs between the models.
constexpr uint8_t MarketIdCell = 0x5F;
constexpr uint8_t MarketId350 = 0x00;
constexpr uint8_t MarketId360 = 0x10;

// --- The map.

// How a group's cells hold their value.
enum class CellFormat : uint8_t {
  ExchangeState,  // one of the ExchangeState values
  Cleared,        // only ever cleared to 0
  CounterHigh,    // the high byte of an unsigned 16-bit value
  CounterLow,     // its low byte
  Opaque,         // carried from board to board, never interpreted
  Marker,         // BidMarkerValue
  SignedByte,     // two's complement
  SignedTo128,    // two's complement, but 0x80 reads as +128
  InitialValue,   // the initial setting's fixed value
  HeadIdCoded,    // the head ID's values in their codings, and their check cell
  Characters,     // ASCII characters
  MarketId,       // MarketId350 or MarketId360
};

// What a group's cells take part in, besides their own item.
constexpr uint8_t ItemOnly = 0;
constexpr uint8_t InBackup = 1;           // carried from an old main board to a new one
constexpr uint8_t ClearedByExchange = 2;  // cleared at the end of transport liquid exchange 2

struct CellGroup {
  uint8_t First;
  uint8_t Last;
  const char* Name;  // as the backup comparison shows it; empty for cells that are only cleared
  CellFormat Format;
  uint8_t Uses;  // ItemOnly, or InBackup and ClearedByExchange combined
};

// In address order, without overlaps.
constexpr std::array<CellGroup, 17> EepromMap{{
    {ExchangeStateCell, ExchangeStateCell, "exchange state", CellFormat::ExchangeState, ItemOnly},
    {InkFlagCell, InkFlagCell, "ink flag 2", CellFormat::Cleared, ClearedByExchange},
    {0x02, 0x08, "", CellFormat::Cleared, ClearedByExchange},
    {ProtectionCounterHigh, ProtectionCounterHigh, "protection counter, high", CellFormat::CounterHigh,
     InBackup | ClearedByExchange},
    {ProtectionCounterLow, ProtectionCounterLow, "protection counter, low", CellFormat::CounterLow,
     InBackup | ClearedByExchange},
    {0x0C, 0x0F, "", CellFormat::Cleared, ClearedByExchange},
    {InkCountersFirst, InkCountersLast, "ink counters", CellFormat::Opaque, InBackup | ClearedByExchange},
    {0x28, 0x28, "", CellFormat::Cleared, ClearedByExchange},
    {BidMarkerCellFirst, BidMarkerCellSecond, "Bi-D marker", CellFormat::Marker, InBackup},
    {TopMarginCell, TopMarginCell, "top margin", CellFormat::SignedByte, InBackup},
    {BidCellsFirst, BidCellsLast, "Bi-D values", CellFormat::SignedByte, InBackup},  // each shown by its own name
    {FirstDotCell, FirstDotCell, "first dot position", CellFormat::SignedTo128, InBackup},
    {InitialCellA, InitialCellA, "initial-setting cell", CellFormat::InitialValue, ItemOnly},
    {InitialCellB, InitialCellB, "initial-setting cell", CellFormat::InitialValue, ItemOnly},
    {HeadIdFirstCell, HeadIdLastCell, "head ID", CellFormat::HeadIdCoded, InBackup},
    {UsbIdSerialCell, UsbIdLastCell, "USB ID", CellFormat::Characters, InBackup},
    {MarketIdCell, MarketIdCell, "market ID", CellFormat::MarketId, InBackup},
}};

// The group `cell` belongs to; nullptr for a cell no item uses.
constexpr const CellGroup* CellGroupOf(uint8_t cell) {
  for (const CellGroup& group : EepromMap)
    if (cell >= group.First && cell <= group.Last) return &group;
  return nullptr;
}

// What a cell holds, as the backup comparison shows it: a Bi-D value's own name ("Bi-D MS Black"),
// else its group's; empty for a cell that has no name.
inline std::string CellName(uint8_t cell) {
  if (const BidValue* value = BidValueAt(cell)) return std::string(BidCellNamePrefix) + value->Name;
  const CellGroup* group = CellGroupOf(cell);
  return group != nullptr ? group->Name : "";
}

// How many cells take part in `use`.
constexpr size_t CellCount(uint8_t use) {
  size_t count = 0;
  for (const CellGroup& group : EepromMap)
    if ((group.Uses & use) != 0) count += static_cast<size_t>(group.Last - group.First + 1);
  return count;
}

// The cells that take part in `use`, in address order.
template <size_t Count>
constexpr std::array<uint8_t, Count> CellsFor(uint8_t use) {
  std::array<uint8_t, Count> cells{};
  size_t at = 0;
  for (const CellGroup& group : EepromMap) {
    if ((group.Uses & use) == 0) continue;
    for (int cell = group.First; cell <= group.Last; ++cell) cells[at++] = static_cast<uint8_t>(cell);
  }
  return cells;
}

// The cells carried from an old main board to a new one, in the order they are read and written.
constexpr std::array<uint8_t, CellCount(InBackup)> BackupSet = CellsFor<CellCount(InBackup)>(InBackup);
// The cells transport liquid exchange 2 clears, in the order they are written.
constexpr std::array<uint8_t, CellCount(ClearedByExchange)> ExchangeClearedCells =
    CellsFor<CellCount(ClearedByExchange)>(ClearedByExchange);
