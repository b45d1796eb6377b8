// Writing EEPROM cells so that a claim of success is true: a busy printer is
// asked again, and what was written is read back before anybody says so.
#pragma once

#include "link/TPDalD4Comm.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct EepromCell {
  uint8_t Address;
  uint8_t Value;
};

// A cell that does not hold what was written to it; Found is empty when it could not be read.
struct CellDifference {
  uint8_t Address;
  uint8_t Wanted;
  std::optional<uint8_t> Found;
};

// A control-channel write answered busy is tried again after this pause, this many times in all.
constexpr int BusyWriteTries = 5;
constexpr uint32_t BusyRetryPauseMs = 1000;

class ConfirmedWrites {
public:
  explicit ConfirmedWrites(TPDalD4Comm& comm) : Comm(comm) {}

  // Writes the cells in order on the control channel, asking a busy printer
  // again. The answer to the first cell that was not accepted (Busy after the
  // last try, or Failed), else Ok; the cells after it are not sent. A caller
  // that cannot go on without an acknowledgement ends the program on Failed
  // (TPDalD4Comm::FailAcknowledgement).
  Ack WriteCells(std::span<const EepromCell> cells);
  // Reads every cell back on the control channel; the cells that differ.
  std::vector<CellDifference> Differences(std::span<const EepromCell> cells);

  // Writes, then reads back. Nothing when the printer holds every cell;
  // otherwise the text for the technician: `notWritten` names what was not
  // written when the printer stayed busy ("the top margin was not written").
  std::optional<std::string> WriteAndConfirm(std::span<const EepromCell> cells, std::string_view notWritten);
  // Reads back cells written another way (service commands); the text as above.
  std::optional<std::string> Confirm(std::span<const EepromCell> cells);

  static std::string BusyText(std::string_view notWritten);
  // A first line, then one line per cell: address, wanted and found value in hexadecimal ("??": unreadable).
  // The first line says the printer does not hold them only when a cell was read back.
  static std::string DifferenceText(const std::vector<CellDifference>& differences);

  TPDalD4Comm& Link() { return Comm; }

private:
  TPDalD4Comm& Comm;
};
