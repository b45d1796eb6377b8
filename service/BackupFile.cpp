#include "service/BackupFile.h"

#include "link/ModelChoice.h"
#include "platform/Crc32.h"
#include "platform/NewFile.h"
#include "platform/RegularFile.h"
#include "service/TPDalUsbId.h"
#include "service/TPHeadID.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <vector>

namespace {

constexpr std::string_view ChecksumKey = "checksum";
constexpr int MaxNameAttempts = 99;

struct HeaderField {
  const char* Key;
  std::string BackupHeader::*Field;
};

constexpr std::array<HeaderField, 5> HeaderFields{{
    {"model", &BackupHeader::Model},
    {"port", &BackupHeader::Port},
    {"date", &BackupHeader::Date},
    {"head-id", &BackupHeader::HeadId},
    {"usb-id", &BackupHeader::UsbId},
}};

std::string Hex(unsigned value, int digits) {
  char text[9];
  std::snprintf(text, sizeof text, "%0*X", digits, value);
  return text;
}

std::optional<unsigned> ParseHex(std::string_view text, size_t digits) {
  if (text.size() != digits) return std::nullopt;
  unsigned value = 0;
  for (char c : text) {
    unsigned digit = 0;
    if (c >= '0' && c <= '9') {
      digit = static_cast<unsigned>(c - '0');
    } else if (c >= 'A' && c <= 'F') {
      digit = static_cast<unsigned>(c - 'A' + 10);
    } else {
      return std::nullopt;
    }
    value = value * 16 + digit;
  }
  return value;
}

bool PrintableAscii(char c) { return static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7F; }

// A header value is one line of printable text: anything else shows as '?'.
std::string OneLine(const std::string& text) {
  std::string line;
  for (char c : text) line += PrintableAscii(c) ? c : '?';
  return line;
}

std::string HeaderLine(const HeaderField& field, const BackupHeader& header) {
  return std::string(field.Key) + " = " + header.*field.Field + "\n";
}

std::string CellBytes(const BackupValues& values) {
  std::string bytes;
  for (size_t i = 0; i < BackupSet.size(); ++i) {
    bytes.push_back(static_cast<char>(BackupSet[i]));
    bytes.push_back(static_cast<char>(values[i]));
  }
  return bytes;
}

std::optional<size_t> IndexInBackupSet(unsigned address) {
  for (size_t i = 0; i < BackupSet.size(); ++i)
    if (BackupSet[i] == address) return i;
  return std::nullopt;
}

// "key = value" split at the first " = ".
bool SplitLine(std::string_view line, std::string_view& key, std::string_view& value) {
  const size_t equals = line.find(" = ");
  if (equals == std::string_view::npos) return false;
  key = line.substr(0, equals);
  value = line.substr(equals + 3);
  return true;
}

BackupFileCheck Refused(std::string problem) { return {std::nullopt, std::move(problem)}; }

}  // namespace

uint32_t CellsOnlyChecksum(const BackupValues& values) { return Crc32(CellBytes(values)); }

uint32_t BackupChecksum(const BackupContents& contents) {
  std::string covered;
  for (const HeaderField& field : HeaderFields) covered += HeaderLine(field, contents.Header);
  return Crc32(covered + CellBytes(contents.Values));
}

std::string OtherModelProblem(const BackupHeader& header, uint16_t chosenModelCode) {
  const std::string chosen = ModelName(chosenModelCode);
  if (header.Model == chosen) return {};
  return "This backup was taken from an " + header.Model + "; the chosen model is the " + chosen + ".";
}

std::string FormatBackup(const BackupContents& contents) {
  BackupContents written = contents;
  for (const HeaderField& field : HeaderFields) written.Header.*field.Field = OneLine(contents.Header.*field.Field);
  std::string text = std::string(BackupFormatName) + " " + std::to_string(BackupFormatVersion) + "\n";
  for (const HeaderField& field : HeaderFields) text += HeaderLine(field, written.Header);
  for (size_t i = 0; i < BackupSet.size(); ++i) text += Hex(BackupSet[i], 2) + " = " + Hex(written.Values[i], 2) + "\n";
  text += std::string(ChecksumKey) + " = " + Hex(BackupChecksum(written), 8) + "\n";
  return text;
}

BackupFileCheck ParseBackup(std::string_view text) {
  if (text.empty()) return Refused("The backup file is empty.");
  std::vector<std::string_view> lines;
  for (size_t start = 0; start < text.size();) {
    const size_t end = text.find('\n', start);
    std::string_view line = text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    start = end + 1;
  }

  const std::string_view first = lines.front();
  const size_t space = first.find(' ');
  if (first.substr(0, space) != BackupFormatName || space == std::string_view::npos) {
    return Refused("The file is not an EEPROM backup of this program.");
  }
  for (size_t number = 1; number <= lines.size(); ++number) {
    for (char c : lines[number - 1]) {
      // A value shown to the technician must not carry terminal codes; a binary file stops here too.
      if (!PrintableAscii(c)) return Refused("The file holds characters that are not text: line " + std::to_string(number) + ".");
    }
  }
  const std::string_view version = first.substr(space + 1);
  const bool cellsOnly = version == std::to_string(FirstBackupFormatVersion);
  if (version != std::to_string(BackupFormatVersion) && !cellsOnly) {
    return Refused("The backup file has format version " + std::string(version) + "; this program reads versions " +
                   std::to_string(FirstBackupFormatVersion) + " and " + std::to_string(BackupFormatVersion) + ".");
  }

  BackupContents contents;
  std::array<bool, HeaderFields.size()> headerSeen{};
  std::array<bool, BackupSet.size()> cellSeen{};
  std::optional<uint32_t> checksum;
  for (size_t number = 2; number <= lines.size(); ++number) {
    const std::string_view line = lines[number - 1];
    const std::string lineName = "line " + std::to_string(number);
    if (line.empty()) continue;
    std::string_view key;
    std::string_view value;
    if (checksum || !SplitLine(line, key, value)) return Refused("The backup file has a line that is not understood: " + lineName + ".");
    if (key == ChecksumKey) {
      const std::optional<unsigned> sum = ParseHex(value, 8);
      if (!sum) return Refused("The backup file has a line that is not understood: " + lineName + ".");
      checksum = *sum;
      continue;
    }
    bool header = false;
    for (size_t i = 0; i < HeaderFields.size(); ++i) {
      if (key != HeaderFields[i].Key) continue;
      if (headerSeen[i]) return Refused("The backup file names " + std::string(key) + " twice.");
      headerSeen[i] = true;
      contents.Header.*HeaderFields[i].Field = std::string(value);
      header = true;
    }
    if (header) continue;
    const std::optional<unsigned> address = ParseHex(key, 2);
    const std::optional<unsigned> cellValue = ParseHex(value, 2);
    if (!address || !cellValue) return Refused("The backup file has a line that is not understood: " + lineName + ".");
    const std::optional<size_t> index = IndexInBackupSet(*address);
    if (!index) return Refused("The backup file names cell " + Hex(*address, 2) + ", which is not part of a backup.");
    if (cellSeen[*index]) return Refused("The backup file names cell " + Hex(*address, 2) + " twice.");
    cellSeen[*index] = true;
    contents.Values[*index] = static_cast<uint8_t>(*cellValue);
  }

  for (size_t i = 0; i < HeaderFields.size(); ++i) {
    if (!headerSeen[i]) return Refused("The backup file is incomplete: it has no " + std::string(HeaderFields[i].Key) + ".");
  }
  for (size_t i = 0; i < BackupSet.size(); ++i) {
    if (!cellSeen[i]) return Refused("The backup file is incomplete: cell " + Hex(BackupSet[i], 2) + " is missing.");
  }
  if (!checksum) return Refused("The backup file is incomplete: it has no checksum.");
  if (cellsOnly && *checksum != CellsOnlyChecksum(contents.Values)) {
    return Refused("The checksum of the backup file does not match its cells: the file has been changed or damaged.");
  }
  if (!cellsOnly && *checksum != BackupChecksum(contents)) {
    return Refused("The checksum of the backup file does not match its contents: the file has been changed or damaged.");
  }
  return {std::move(contents), {}, !cellsOnly};
}

BackupFileCheck ReadBackupFile(const std::string& path) {
  const Outcome<std::string> text = ReadWholeFile(path, BackupFileLimit);
  if (!text) {
    BackupFileCheck refused = Refused("The backup file cannot be read (" + text.Fault().Message + ").");
    refused.Unreadable = true;
    return refused;
  }
  return ParseBackup(*text);
}

std::string BackupFolder() { return UserFolder(BackupPlace); }

std::string BackupDate(const LocalDateTime& when) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", when.Year, when.Month, when.Day, when.Hour, when.Minute);
  return text;
}

std::string BackupFileName(const LocalDateTime& when, uint16_t modelCode, const std::string& headId) {
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02dT%02d%02d", when.Year, when.Month, when.Day, when.Hour, when.Minute);
  std::string model = ModelName(modelCode);
  model = model.size() >= 3 ? model.substr(model.size() - 3) : "unknown";
  std::string head;
  for (char c : headId) head += ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-') ? c : '_';
  return std::string(stamp) + "-" + model + "-" + head + std::string(BackupFileExtension);
}

std::optional<std::string> SaveBackupFile(const std::string& folder, const std::string& name,
                                          const BackupContents& contents, std::string& error) {
  const std::string text = FormatBackup(contents);
  const std::filesystem::path wanted = std::filesystem::path(folder) / name;
  for (int attempt = 1; attempt <= MaxNameAttempts; ++attempt) {
    std::filesystem::path path = wanted;
    if (attempt > 1) path.replace_filename(wanted.stem().string() + "-" + std::to_string(attempt) + wanted.extension().string());
    std::error_code ignored;
    if (std::filesystem::exists(path, ignored)) continue;
    error.clear();
    const Outcome<void> written = WriteNewFile(path.string(), text);
    if (written) return path.string();
    error = written.Fault().Message;
    if (std::filesystem::exists(path, ignored)) continue;  // taken meanwhile: the next name
    return std::nullopt;
  }
  error = "no free file name in " + folder;
  return std::nullopt;
}

std::optional<uint8_t> BackupValueOf(const BackupValues& values, uint8_t cell) {
  const std::optional<size_t> index = IndexInBackupSet(cell);
  if (!index) return std::nullopt;
  return values[*index];
}

BackupContents DescribeBackup(const BackupValues& values, uint16_t modelCode, const std::string& port,
                              const LocalDateTime& when) {
  BackupContents contents;
  contents.Values = values;
  contents.Header.Model = ModelName(modelCode);
  contents.Header.Port = port;
  contents.Header.Date = BackupDate(when);
  HeadIdValues headId{};
  for (size_t i = 0; i < HeadIdValueCount; ++i) headId[i] = BackupValueOf(values, HeadIdValueCells[i]).value_or(0);
  // A value without a symbol spells a byte that is no character: it shows as '?'.
  contents.Header.HeadId = OneLine(TPHeadID::SpellHeadId(headId));
  for (size_t i = 0; i < UsbIdLength; ++i) {
    const uint8_t c = BackupValueOf(values, static_cast<uint8_t>(UsbIdSerialCell + i)).value_or(0);
    contents.Header.UsbId += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
  }
  return contents;
}
