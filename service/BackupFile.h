// The file that keeps an old main board's values: written the moment they are read, before the board comes
// out, and read again to restore them, the same day or later.
//
// A text file a person can read and diff:
//   arvana-eeprom-backup 2                 format name and version
//   model = Arvana Print 360               the header, one "key = value" a line, all five present
//   port = LPT1:
//   date = 2026-12-08 15:03
//   head-id = M3EURJ00TG4KK
//   usb-id = ABC123456719C3D110
//   0A = 57                                the 69 cells of BackupSet in its order, address = value, hexadecimal
//   ...
//   checksum = 8 hexadecimal digits        CRC-32 of the five header lines ("key = value\n", in the order
//                                          above) followed by the address and value bytes of the cells in
//                                          BackupSet order
// Every line is printable ASCII. Version 1 files, whose checksum covers the cells only, are still read:
// their header could have been edited unnoticed, and the technician is told so.
#pragma once

#include "eeprom/EepromMap.h"
#include "platform/Clock.h"
#include "platform/NewFile.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// One value per cell of BackupSet, in its order.
using BackupValues = std::array<uint8_t, BackupSet.size()>;

struct BackupHeader {
  std::string Model;   // "Arvana Print 360"
  std::string Port;    // "LPT1:"
  std::string Date;    // "2026-12-08 15:03"
  std::string HeadId;  // as the board's cells spell it
  std::string UsbId;   // the 18 stored characters, '?' for a byte that is no printable character
};

struct BackupContents {
  BackupHeader Header;
  BackupValues Values{};  // in BackupSet order
};

// A file read and checked: the contents, or the reason it was refused (one sentence for the technician).
struct BackupFileCheck {
  std::optional<BackupContents> Contents;
  std::string Problem;
  bool HeaderProtected = true;  // false for a version 1 file
  bool Unreadable = false;      // the file itself could not be read: Problem names it already
};

// Shown before a version 1 file is used.
constexpr std::string_view UnprotectedHeaderText = "This file's header is not protected by its checksum.";

constexpr std::string_view BackupFormatName = "arvana-eeprom-backup";
constexpr int BackupFormatVersion = 2;
constexpr int FirstBackupFormatVersion = 1;  // checksum over the cells only
constexpr std::string_view BackupFileExtension = ".eeprom";
constexpr size_t BackupFileLimit = 64 * 1024;  // a backup is about 700 bytes

std::string FormatBackup(const BackupContents& contents);
BackupFileCheck ParseBackup(std::string_view text);
// Reads and checks the file at `path`.
BackupFileCheck ReadBackupFile(const std::string& path);

// $XDG_DATA_HOME/arvana-adjust/backups, or ~/.local/share/arvana-adjust/backups.
constexpr UserFolderPlace BackupPlace{"XDG_DATA_HOME", ".local/share", "arvana-adjust/backups"};
std::string BackupFolder();
// "2026-12-08T1503-360-M3EURJ00TG4KK.eeprom"; characters of the head ID that
// do not belong in a file name become '_'.
std::string BackupFileName(const LocalDateTime& when, uint16_t modelCode, const std::string& headId);
// "2026-12-08 15:03"
std::string BackupDate(const LocalDateTime& when);
// Saves as a new file in `folder` under `name`, or under "-2", "-3" ... when
// that name is taken: a file is never written over. The path written, or
// nothing (and why in `error`).
std::optional<std::string> SaveBackupFile(const std::string& folder, const std::string& name,
                                          const BackupContents& contents, std::string& error);

// A backup of the values just read from a board: the header spells its head ID and USB ID from them.
BackupContents DescribeBackup(const BackupValues& values, uint16_t modelCode, const std::string& port,
                              const LocalDateTime& when);
// The value of `cell` among the backup values; nothing for a cell outside BackupSet.
std::optional<uint8_t> BackupValueOf(const BackupValues& values, uint8_t cell);

// CRC-32 (IEEE 802.3) of the file's header lines and the address and value bytes of its cells (version 2).
uint32_t BackupChecksum(const BackupContents& contents);
// The version 1 checksum: the cells only.
uint32_t CellsOnlyChecksum(const BackupValues& values);

// The sentence refusing a backup taken from another model than `chosenModelCode`, empty when they agree.
std::string OtherModelProblem(const BackupHeader& header, uint16_t chosenModelCode);
