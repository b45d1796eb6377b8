// The true bi-directional offsets of the virtual printer's head, fixed per printer and kept in mechanics.txt.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Where the dots of a right-to-left pass really land compared with a
// left-to-right pass, for each droplet mode and ink group, in Bi-D value
// steps. A printer whose Bi-D value in use equals the true offset prints both
// directions in line. The offsets belong to the mechanism, not to the EEPROM:
// a new main board keeps them.
class BidMechanics {
public:
  // In the order MS Black, MS Color, 6pl Black, 6pl Color, 4pl Black, 4pl Color.
  using Offsets = std::array<int, 6>;
  static constexpr size_t Count = 6;
  static constexpr std::array<const char*, Count> Names = {"MS Black",  "MS Color",  "6pl Black",
                                                           "6pl Color", "4pl Black", "4pl Color"};
  // The range of an offset: what the Bi-D values can make up for.
  static constexpr int Limit = 36;
  // A printer without a directory has these.
  static constexpr Offsets MemoryOffsets = {2, -4, 0, 4, -2, 6};
  // A new printer gets even offsets in -NewLimit..NewLimit at random.
  static constexpr int NewLimit = 6;
  // The mechanics.txt the printer writes is about 200 bytes (three comments and six numbers);
  // 8 KiB leaves room for a trainer's comments. A larger file is refused unread, like a FIFO.
  static constexpr size_t FileLimit = 8 * 1024;

  // Droplet modes (by the dot size of SetDotSize) and ink groups.
  enum class DropletMode { MS, SixPl, FourPl };
  enum class InkGroup { Black, Color };
  static std::optional<DropletMode> ModeOfDotSize(uint8_t dotSize);
  static size_t IndexOf(DropletMode mode, InkGroup group);
  // The EEPROM cell of the Bi-D value of `mode` and `group` (0x33..0x38).
  static uint8_t BidCell(DropletMode mode, InkGroup group);

  // `filePath` empty: MemoryOffsets, nothing on disk. A missing file is
  // created with new offsets. A file that cannot be read (not a regular file,
  // larger than FileLimit) or does not hold six offsets in -Limit..Limit is
  // reported in Messages() and left as it is; the printer then works with
  // MemoryOffsets.
  explicit BidMechanics(std::string filePath);

  const Offsets& Get() const { return Values; }
  // Replaces the offsets and saves them. Offsets outside -Limit..Limit change
  // nothing: false, and the reason when `reason` is given.
  bool Set(const Offsets& offsets, std::string* reason = nullptr);

  // What went wrong with the file, readable; empty while all is well.
  const std::vector<std::string>& Messages() const { return MessageList; }

  // Reads the file format: comment lines start with '#'; the other lines
  // hold six integers in all. False with a reason when it is not that.
  static bool Parse(const std::string& text, Offsets& offsets, std::string& reason);
  static std::string Format(const Offsets& offsets);

private:
  void Save();

  std::string FilePath;
  Offsets Values = MemoryOffsets;
  std::vector<std::string> MessageList;
};
