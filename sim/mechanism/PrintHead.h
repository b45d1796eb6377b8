// The virtual printer's head: which nozzles fire, how they clog and are cleaned, and the ink left in the cartridges.
#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/engine/PageGeometry.h"

// Each ink has NozzlesPerInk nozzles; raster line n of a block is printed by
// nozzle n mod NozzlesPerInk, so a clogged nozzle leaves its line out of the
// nozzle check and every 48th line out of a solid block.
//
// Nozzles clog now and then while the printer is on, and a few at once after
// a long idle time; a cleaning frees most of them. Chance is a seeded random
// whose seed is kept with the head, so a head behaves the same way again from
// the same file, and a test can fix it with SetSeed.
//
// The state is kept in head.txt beside the EEPROM image:
//   # comment lines
//   seed = <decimal>                 the random source's next seed
//   last-used = <calendar seconds>   when the printer last worked
//   black = <48 characters>          '.' a nozzle that fires, 'x' a clogged one, nozzle 1 first
//   ... one line per ink, named as in PageGeometry::Inks ("light-magenta", "light-cyan")
//   ink = <six percentages>          the cartridges, in the order of the status reply's ink values
class PrintHead {
public:
  static constexpr size_t NozzlesPerInk = 48;
  static constexpr size_t InkCount = PageGeometry::InkCount;

  // A head fresh from the shelf (no file yet) has stood for a while.
  static constexpr int NewHeadClogs = 4;
  // While the printer works, one nozzle clogs every ClogIntervalMs.
  static constexpr int64_t ClogIntervalMs = 4LL * 3600 * 1000;
  // A printer left alone this long loses IdleClogs nozzles at once.
  static constexpr int64_t LongIdleMs = 12LL * 3600 * 1000;
  static constexpr int IdleClogs = 3;
  // What the trainer's "clog nozzles" does.
  static constexpr int TrainerClogs = 3;
  // The chance, in percent, that a cleaning frees one clogged nozzle: the
  // powerful head cleaning frees more than the ink charge.
  static constexpr int HeadCleaningFreesPercent = 90;
  static constexpr int InkChargeFreesPercent = 60;

  // Ink is counted in thousandths of a percent of a new cartridge. The
  // status reply's order: black, cyan, magenta, yellow, light cyan, light magenta.
  static constexpr int32_t FullCartridge = 100000;
  static constexpr std::array<uint8_t, InkCount> DefaultQuantities = {0x48, 0x41, 0x50, 0x3A, 0x5B, 0x4D};
  static constexpr std::array<const char*, InkCount> QuantityNames = {"black",      "cyan",          "magenta",
                                                                      "yellow",     "light cyan",    "light magenta"};
  // What each sequence takes: about 1/24 of a new black and 1/13 of a new
  // colour cartridge for a head cleaning, 1/10 and 1/5 for an ink charge.
  static constexpr int32_t HeadCleaningBlack = FullCartridge / 24;
  static constexpr int32_t HeadCleaningColour = FullCartridge / 13;
  static constexpr int32_t InkChargeBlack = FullCartridge / 10;
  static constexpr int32_t InkChargeColour = FullCartridge / 5;

  enum class Sequence { HeadCleaning, InkCharge };

  // The head.txt the printer writes is under 1 KiB (two comments and nine short lines); 8 KiB
  // leaves room for a trainer's comments. A larger file is refused unread, like a FIFO or device.
  static constexpr size_t FileLimit = 8 * 1024;

  // `filePath` empty: a healthy head and the default ink, nothing on disk.
  // A missing file is created for a head fresh from the shelf; a file that
  // cannot be read (not a regular file, larger than FileLimit, not the
  // format) is reported in Messages() and replaced. `calendarNow`
  // (seconds) tells how long a stored head stood idle.
  PrintHead(std::string filePath, int64_t calendarNow);

  bool Clogged(PageGeometry::Ink ink, size_t nozzle) const;  // nozzle 0..NozzlesPerInk-1
  void SetClogged(PageGeometry::Ink ink, size_t nozzle, bool clogged);
  size_t CloggedCount() const;
  // Clogs `count` nozzles that still fire, chosen by the random source.
  void ClogRandomNozzles(int count);
  // Fixes the random source (tests, trainers who want the same lesson twice).
  void SetSeed(uint64_t seed);

  // The printer took a block from the host at `nowMs` (its steady clock):
  // the time since the last one wears the head.
  void Work(int64_t nowMs, int64_t calendarNow);

  // A cleaning sequence ran: clogged nozzles are freed by chance, the ink is used.
  void Clean(Sequence sequence);

  // The ink values of the status reply: whole percent, rounded; a value set
  // above 100 (0xFF: not known) is reported as set and never used up.
  std::array<uint8_t, InkCount> Quantities() const;
  void SetQuantities(const std::array<uint8_t, InkCount>& quantities);

  // What went wrong with the file, readable; empty while all is well.
  const std::vector<std::string>& Messages() const { return MessageList; }

  // The file format, both ways; Parse gives false and a reason for a text that is not one.
  std::string Format() const;
  bool Parse(const std::string& text, std::string& reason);

private:
  uint64_t Draw();
  void UseInk(size_t index, int32_t amount);
  void Save();

  std::string FilePath;
  std::array<std::bitset<NozzlesPerInk>, InkCount> CloggedNozzles{};  // by PageGeometry::Ink
  std::array<int32_t, InkCount> Ink{};                                 // status order
  uint64_t Seed = 0x5EED;
  int64_t LastUsed = 0;  // calendar seconds
  std::optional<int64_t> LastWorkMs;
  int64_t WorkSinceClogMs = 0;
  std::vector<std::string> MessageList;
};
