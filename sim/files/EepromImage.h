// The printer's 256-byte EEPROM, the copy of it the firmware works with, and its file.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class EepromImage {
public:
  static constexpr size_t Size = 256;
  using Cells = std::array<uint8_t, Size>;

  // Protection (waste ink) counter, high byte first, and the value above which
  // the printer asks for maintenance.
  static constexpr uint8_t CounterHighCell = 0x0A;
  static constexpr uint8_t CounterLowCell = 0x0B;
  static constexpr unsigned CounterLimit = 32195;
  // The USB ID: 18 characters, the printer's serial number and the date it was made.
  static constexpr uint8_t UsbIdFirstCell = 0x4D;
  static constexpr size_t UsbIdLength = 18;

  // The market ID cell and its value for each model.
  static constexpr uint8_t MarketIdCell = 0x5F;
  static constexpr uint8_t MarketId350 = 0x00;
  static constexpr uint8_t MarketId360 = 0x10;

  // What a printer leaves the factory with: a valid head ID and USB ID, small
  // Bi-D values, a used protection counter and the market ID of its model.
  static Cells FactoryImage(uint8_t marketId = MarketId360);
  // A new main board: every cell 0xFF.
  static Cells NewBoardImage();

  // eeprom.bin is the image itself, exactly Size bytes: a larger file is
  // refused unread (as a FIFO, device or folder is), never read to its end.
  static constexpr size_t FileLimit = Size;

  // `filePath` empty keeps the image in memory only. Otherwise the file is
  // read when it holds exactly 256 bytes; a missing file gets the factory
  // image, a file of another size is reported in Messages() and replaced by
  // the factory image. A path that is not a regular file (a FIFO, a device, a
  // folder, a link to one) is reported and never read nor written through:
  // the image is saved by writing eeprom.bin.new, a regular file, and renaming
  // it over the path.
  // The factory image carries `factoryMarketId`.
  explicit EepromImage(std::string filePath, uint8_t factoryMarketId = MarketId360);

  const Cells& Stored() const { return StoredCells; }
  // The values the firmware works with: the stored cells as of the last Reload().
  const Cells& InUse() const { return InUseCells; }

  uint8_t Get(uint8_t address) const { return StoredCells[address]; }
  // Stores one cell and saves the file. The firmware's copy is not touched.
  void Set(uint8_t address, uint8_t value);
  // Stores one cell and puts it into use at once (values the host sets live).
  void SetLive(uint8_t address, uint8_t value);
  // Replaces every cell, saves the file and reloads.
  void Replace(const Cells& cells);
  // The firmware takes the stored cells into use (restart, reset, notification).
  void Reload() { InUseCells = StoredCells; }

  // How often each cell has been stored since the printer started (a write
  // of the value a cell already holds counts too).
  const std::array<uint32_t, Size>& WriteCounts() const { return Writes; }
  // How many cells the host has had stored (Set and SetLive) since the printer started.
  uint32_t HostWrites() const { return HostWriteCount; }

  unsigned ProtectionCounter() const;
  void SetProtectionCounter(unsigned value);

  // What went wrong with the file, readable; empty while all is well.
  const std::vector<std::string>& Messages() const { return MessageList; }

private:
  void Save();

  std::string FilePath;
  Cells StoredCells{};
  Cells InUseCells{};
  std::array<uint32_t, Size> Writes{};
  uint32_t HostWriteCount = 0;
  bool SaveFailureReported = false;
  std::vector<std::string> MessageList;
};
