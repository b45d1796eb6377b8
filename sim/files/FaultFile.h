// DIR/faults.conf: the fault switches a trainer edits while the program runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/mechanism/PrinterFaults.h"

// Everything the file can switch.
struct FaultSwitches {
  PrinterFaults Faults;
  bool PowerOn = true;
};

struct FaultFileContents {
  FaultSwitches Switches;
  std::vector<std::string> NotUnderstood;  // the lines as written, without their comments
  // Not empty when the file was refused ("<path>: <reason>": a FIFO, a device, a folder, larger
  // than FaultFileLimit): Switches then mean nothing and the switches in force stay as they are.
  std::string Refused;
};

// A faults.conf is a few dozen lines of `name = value` (the one the panel writes is under 1 KiB);
// 64 KiB leaves room for any comments a trainer writes, and a larger file is refused unread.
inline constexpr size_t FaultFileLimit = 64 * 1024;

// One `name = value` per line; '#' starts a comment; a switch left out is off
// (the power on). Boolean switches take on/off, true/false or 1/0;
// printer-error takes 0..99, held-state busy, printing or cleaning,
// eeprom-fault-cell two hexadecimal digits, hold-after-writes 1..9999,
// power on or off; "off" switches
// each of them off.
FaultFileContents ParseFaultFile(std::string_view text);

// The switches whose values differ, each as "name = value" of `after`, in a fixed order.
std::vector<std::string> ChangedSwitches(const FaultSwitches& before, const FaultSwitches& after);

// The whole file for `switches`: every switch on a line of its own, so that
// ParseFaultFile gives them back.
std::string FormatFaultFile(const FaultSwitches& switches);

class FaultFile {
public:
  // `path` empty: there is no file, and Poll never has news.
  explicit FaultFile(std::string path) : Path(std::move(path)) {}

  // The file's contents when it changed since the last look (time or size),
  // or when a file that was there has gone (then every switch is off).
  // Nothing while it is unchanged, and while no file has ever been there.
  // A file that is not a regular file, or larger than FaultFileLimit, is not
  // read (nor waited on): its contents carry the reason in Refused.
  std::optional<FaultFileContents> Poll();
  // Replaces the file with FormatFaultFile(switches), whole or not at all;
  // the next Poll does not report it back. False with a reason when it cannot.
  bool Write(const FaultSwitches& switches, std::string& reason);

private:
  std::string Path;
  bool Seen = false;
  std::filesystem::file_time_type LastTime{};
  uintmax_t LastSize = 0;
};
