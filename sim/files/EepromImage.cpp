// The printer's EEPROM: factory contents, the working copy and the file that keeps it.
#include "sim/files/EepromImage.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "platform/RegularFile.h"
#include "sim/files/SimFile.h"

namespace {

// Head ID values of the factory head: positions 1..12 of its ID and the cells
// they live in; cell 0x47 holds (44 - sum of the five high-coded values) mod 256.
struct HeadIdCell {
  uint8_t Address;
  uint8_t Value;
};
constexpr std::array<HeadIdCell, 12> FactoryHeadId = {{
    {0x3F, 12},
    {0x46, 3},
    {0x40, 5},
    {0x41, 20},
    {0x43, 17},
    {0x44, 9},
    {0x45, 14},
    {0x48, 45},
    {0x4B, 50},
    {0x49, 38},
    {0x4C, 60},
    {0x4A, 41},
}};
constexpr uint8_t HeadIdSumCell = 0x47;

constexpr char FactoryUsbId[] = "TZ3K048271Q3E9C520";  // serial, then made 14 March 2025, 09:42:05

// Bi-D values at 0x33..0x38 (MS, 6pl, 4pl Black; MS, 6pl, 4pl Color).
constexpr std::array<int8_t, 6> FactoryBid = {1, -2, 0, 3, -1, 2};

constexpr uint8_t FactoryCounterHigh = 0x57;
constexpr uint8_t FactoryCounterLow = 0x08;

}  // namespace

EepromImage::Cells EepromImage::FactoryImage(uint8_t marketId) {
  Cells cells{};
  unsigned highSum = 0;
  for (size_t i = 0; i < FactoryHeadId.size(); ++i) {
    cells[FactoryHeadId[i].Address] = FactoryHeadId[i].Value;
    if (i >= 7) highSum += FactoryHeadId[i].Value;
  }
  cells[HeadIdSumCell] = static_cast<uint8_t>(44 - highSum);
  for (size_t i = 0; i + 1 < sizeof FactoryUsbId; ++i)
    cells[UsbIdFirstCell + i] = static_cast<uint8_t>(FactoryUsbId[i]);
  for (size_t i = 0; i < FactoryBid.size(); ++i) cells[0x33 + i] = static_cast<uint8_t>(FactoryBid[i]);
  cells[CounterHighCell] = FactoryCounterHigh;
  cells[CounterLowCell] = FactoryCounterLow;
  cells[MarketIdCell] = marketId;
  return cells;
}

EepromImage::Cells EepromImage::NewBoardImage() {
  Cells cells;
  cells.fill(0xFF);
  return cells;
}

EepromImage::EepromImage(std::string filePath, uint8_t factoryMarketId) : FilePath(std::move(filePath)) {
  StoredCells = FactoryImage(factoryMarketId);
  if (!FilePath.empty()) {
    std::error_code error;
    if (std::filesystem::exists(FilePath, error)) {
      const Outcome<std::string> read = ReadWholeFile(FilePath, FileLimit);
      if (!read) {
        // "<path>: <reason>": not a regular file, larger than the image, unreadable.
        MessageList.push_back(read.Fault().Message + ": starting from the factory image.");
        Save();
      } else if (read->size() != Size) {
        MessageList.push_back(FilePath + " holds " + std::to_string(read->size()) +
                              " bytes instead of 256: starting from the factory image.");
        Save();
      } else {
        for (size_t i = 0; i < Size; ++i) StoredCells[i] = static_cast<uint8_t>((*read)[i]);
      }
    } else {
      Save();
    }
  }
  InUseCells = StoredCells;
}

void EepromImage::Set(uint8_t address, uint8_t value) {
  StoredCells[address] = value;
  ++Writes[address];
  ++HostWriteCount;
  Save();
}

void EepromImage::SetLive(uint8_t address, uint8_t value) {
  InUseCells[address] = value;
  Set(address, value);
}

void EepromImage::Replace(const Cells& cells) {
  StoredCells = cells;
  InUseCells = cells;
  for (uint32_t& count : Writes) ++count;
  Save();
}

unsigned EepromImage::ProtectionCounter() const {
  return static_cast<unsigned>(StoredCells[CounterHighCell]) * 256u + StoredCells[CounterLowCell];
}

void EepromImage::SetProtectionCounter(unsigned value) {
  if (value > 0xFFFF) value = 0xFFFF;
  StoredCells[CounterHighCell] = static_cast<uint8_t>(value >> 8);
  StoredCells[CounterLowCell] = static_cast<uint8_t>(value & 0xFF);
  ++Writes[CounterHighCell];
  ++Writes[CounterLowCell];
  Save();
}

// Writes a temporary file and renames it over the old one, so that a crash
// never leaves half an image behind.
void EepromImage::Save() {
  if (FilePath.empty()) return;
  std::string refusal;
  const bool saved = ReplaceRegularFile(FilePath, std::string(StoredCells.begin(), StoredCells.end()), refusal);
  if (!saved && !SaveFailureReported) {
    SaveFailureReported = true;
    MessageList.push_back(FilePath + " cannot be written (" + refusal +
                          "): EEPROM changes are kept in memory only.");
  }
}
