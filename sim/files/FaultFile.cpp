#include "sim/files/FaultFile.h"

#include <array>
#include <sstream>
#include <system_error>

#include "platform/RegularFile.h"
#include "sim/files/SimFile.h"

namespace {

std::string_view Trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return lower;
}

std::optional<bool> OnOff(const std::string& value) {
  if (value == "on" || value == "true" || value == "1") return true;
  if (value == "off" || value == "false" || value == "0") return false;
  return std::nullopt;
}

struct BoolSwitch {
  const char* Name;
  bool PrinterFaults::*Field;
};

constexpr std::array<BoolSwitch, 7> BoolSwitches{{
    {"busy-ack", &PrinterFaults::BusyAck},
    {"no-answer", &PrinterFaults::NoAnswer},
    {"short-eeprom-reply", &PrinterFaults::ShortEepromReply},
    {"drop-eeprom-reply", &PrinterFaults::DropEepromReply},
    {"paper-out", &PrinterFaults::PaperOut},
    {"short-write", &PrinterFaults::ShortWrite},
    {"wrong-socket", &PrinterFaults::WrongSocket},
}};

struct HeldStateName {
  const char* Name;
  PrinterState State;
};

constexpr std::array<HeldStateName, 3> HeldStates{{
    {"busy", PrinterState::Busy},
    {"printing", PrinterState::Printing},
    {"cleaning", PrinterState::Cleaning},
}};

std::optional<int> Number(const std::string& value, int base, int highest) {
  if (value.empty() || value.size() > 2) return std::nullopt;
  int number = 0;
  for (char c : value) {
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    if (digit < 0) return std::nullopt;
    number = number * base + digit;
  }
  if (number > highest) return std::nullopt;
  return number;
}

// Applies one switch; false when name or value is not understood.
bool Apply(const std::string& name, const std::string& value, FaultSwitches& switches) {
  PrinterFaults& faults = switches.Faults;
  for (const BoolSwitch& entry : BoolSwitches) {
    if (name != entry.Name) continue;
    const std::optional<bool> on = OnOff(value);
    if (on) faults.*entry.Field = *on;
    return on.has_value();
  }
  if (name == "power") {
    const std::optional<bool> on = OnOff(value);
    if (on) switches.PowerOn = *on;
    return on.has_value();
  }
  // Only the words switch these off: 0 and 00 are an error number and a cell.
  const bool off = value == "off" || value == "false";
  if (name == "printer-error") {
    if (off) {
      faults.PrinterError.reset();
      return true;
    }
    const std::optional<int> number = Number(value, 10, 99);
    if (number) faults.PrinterError = *number;
    return number.has_value();
  }
  if (name == "eeprom-fault-cell") {
    if (off) {
      faults.EepromFaultCell.reset();
      return true;
    }
    const std::optional<int> cell = Number(value, 16, 0xFF);
    if (cell && value.size() == 2) faults.EepromFaultCell = static_cast<uint8_t>(*cell);
    return cell && value.size() == 2;
  }
  if (name == "hold-after-writes") {
    if (off) {
      faults.HoldAfterWrites.reset();
      return true;
    }
    const std::optional<int> count = Number(value, 10, 9999);
    if (count && *count > 0) faults.HoldAfterWrites = static_cast<uint32_t>(*count);
    return count && *count > 0;
  }
  if (name == "held-state") {
    for (const HeldStateName& entry : HeldStates) {
      if (value == entry.Name) {
        faults.HeldState = entry.State;
        return true;
      }
    }
    if (off) faults.HeldState.reset();
    return off;
  }
  return false;
}

std::string HeldStateText(const std::optional<PrinterState>& state) {
  if (!state) return "off";
  for (const HeldStateName& entry : HeldStates)
    if (entry.State == *state) return entry.Name;
  return std::to_string(static_cast<int>(*state));
}

std::string CountText(const std::optional<uint32_t>& count) { return count ? std::to_string(*count) : "off"; }

std::string CellText(const std::optional<uint8_t>& cell) {
  if (!cell) return "off";
  static constexpr char Digits[] = "0123456789ABCDEF";
  return {Digits[*cell >> 4], Digits[*cell & 0x0F]};
}

}  // namespace

FaultFileContents ParseFaultFile(std::string_view text) {
  FaultFileContents contents;
  std::istringstream lines{std::string(text)};
  std::string line;
  while (std::getline(lines, line)) {
    std::string_view content(line);
    content = Trimmed(content.substr(0, content.find('#')));
    if (content.empty()) continue;
    const size_t equals = content.find('=');
    const bool understood = equals != std::string_view::npos &&
                            Apply(Lower(Trimmed(content.substr(0, equals))), Lower(Trimmed(content.substr(equals + 1))),
                                  contents.Switches);
    if (!understood) contents.NotUnderstood.emplace_back(content);
  }
  return contents;
}

std::vector<std::string> ChangedSwitches(const FaultSwitches& before, const FaultSwitches& after) {
  std::vector<std::string> changed;
  const auto onOff = [](bool on) { return std::string(on ? "on" : "off"); };
  if (before.PowerOn != after.PowerOn) changed.push_back("power = " + onOff(after.PowerOn));
  for (const BoolSwitch& entry : BoolSwitches) {
    if (before.Faults.*entry.Field != after.Faults.*entry.Field)
      changed.push_back(std::string(entry.Name) + " = " + onOff(after.Faults.*entry.Field));
  }
  if (before.Faults.PrinterError != after.Faults.PrinterError) {
    changed.push_back("printer-error = " +
                      (after.Faults.PrinterError ? std::to_string(*after.Faults.PrinterError) : std::string("off")));
  }
  if (before.Faults.HeldState != after.Faults.HeldState)
    changed.push_back("held-state = " + HeldStateText(after.Faults.HeldState));
  if (before.Faults.EepromFaultCell != after.Faults.EepromFaultCell)
    changed.push_back("eeprom-fault-cell = " + CellText(after.Faults.EepromFaultCell));
  if (before.Faults.HoldAfterWrites != after.Faults.HoldAfterWrites)
    changed.push_back("hold-after-writes = " + CountText(after.Faults.HoldAfterWrites));
  return changed;
}

std::string FormatFaultFile(const FaultSwitches& switches) {
  const PrinterFaults& faults = switches.Faults;
  const auto onOff = [](bool on) { return std::string(on ? "on" : "off"); };
  std::string text =
      "# The virtual printer's fault switches, as its front panel last set them. Edit freely:\n"
      "# the printer takes a change before the next block from the host, and the panel follows.\n";
  text += "power = " + onOff(switches.PowerOn) + "\n";
  for (const BoolSwitch& entry : BoolSwitches) text += std::string(entry.Name) + " = " + onOff(faults.*entry.Field) + "\n";
  text += "printer-error = " + (faults.PrinterError ? std::to_string(*faults.PrinterError) : std::string("off")) + "\n";
  text += "held-state = " + HeldStateText(faults.HeldState) + "\n";
  text += "eeprom-fault-cell = " + CellText(faults.EepromFaultCell) + "\n";
  text += "hold-after-writes = " + CountText(faults.HoldAfterWrites) + "\n";
  return text;
}

bool FaultFile::Write(const FaultSwitches& switches, std::string& reason) {
  if (Path.empty()) return true;
  std::string error;
  if (!ReplaceRegularFile(Path, FormatFaultFile(switches), error)) {
    reason = "cannot write " + error;
    return false;
  }
  // Taken as seen: the switches are already in force.
  std::error_code statError;
  const auto time = std::filesystem::last_write_time(Path, statError);
  const uintmax_t size = std::filesystem::file_size(Path, statError);
  if (!statError) {
    Seen = true;
    LastTime = time;
    LastSize = size;
  }
  return true;
}

std::optional<FaultFileContents> FaultFile::Poll() {
  if (Path.empty()) return std::nullopt;
  std::error_code error;
  const auto time = std::filesystem::last_write_time(Path, error);
  if (error) {
    if (!Seen) return std::nullopt;
    Seen = false;  // the file has gone: every switch off
    return FaultFileContents{};
  }
  const uintmax_t size = std::filesystem::file_size(Path, error);
  if (Seen && time == LastTime && size == LastSize) return std::nullopt;
  Seen = true;
  LastTime = time;
  LastSize = size;
  const Outcome<std::string> text = ReadWholeFile(Path, FaultFileLimit);
  if (!text) {
    FaultFileContents refused;
    refused.Refused = text.Fault().Message;
    return refused;
  }
  return ParseFaultFile(*text);
}
