#include "service/ConfirmedWrites.h"

#include <algorithm>
#include <cstdio>

namespace {

std::string Hex(uint8_t value) {
  char text[3];
  std::snprintf(text, sizeof text, "%02X", value);
  return text;
}

}  // namespace

Ack ConfirmedWrites::WriteCells(std::span<const EepromCell> cells) {
  for (const EepromCell& cell : cells) {
    Ack answer = Ack::Busy;
    for (int attempt = 1; attempt <= BusyWriteTries && answer == Ack::Busy; ++attempt) {
      if (attempt > 1) Comm.PauseMs(BusyRetryPauseMs);
      answer = Comm.ControlWriteEeprom(cell.Address, cell.Value);
    }
    if (answer != Ack::Ok) return answer;
  }
  return Ack::Ok;
}

std::vector<CellDifference> ConfirmedWrites::Differences(std::span<const EepromCell> cells) {
  std::vector<CellDifference> differences;
  for (const EepromCell& cell : cells) {
    const std::optional<uint8_t> found = Comm.ControlReadEeprom(cell.Address).Answer();
    if (found != cell.Value) differences.push_back({cell.Address, cell.Value, found});
  }
  return differences;
}

std::optional<std::string> ConfirmedWrites::WriteAndConfirm(std::span<const EepromCell> cells,
                                                            std::string_view notWritten) {
  const Ack answer = WriteCells(cells);
  if (answer == Ack::Failed) Comm.FailAcknowledgement();
  if (answer != Ack::Ok) return BusyText(notWritten);
  return Confirm(cells);
}

std::optional<std::string> ConfirmedWrites::Confirm(std::span<const EepromCell> cells) {
  const std::vector<CellDifference> differences = Differences(cells);
  if (differences.empty()) return std::nullopt;
  return DifferenceText(differences);
}

std::string ConfirmedWrites::BusyText(std::string_view notWritten) {
  return "The printer is busy: " + std::string(notWritten) + ".";
}

std::string ConfirmedWrites::DifferenceText(const std::vector<CellDifference>& differences) {
  // A printer none of whose cells could be read back may well hold them: it is not known.
  const bool noneRead = std::none_of(differences.begin(), differences.end(),
                                     [](const CellDifference& cell) { return cell.Found.has_value(); });
  std::string text = noneRead ? "The written cells could not be read back: whether the printer holds them is not known:"
                              : "The printer does not hold what was written:";
  for (const CellDifference& cell : differences) {
    text += "\nAddress " + Hex(cell.Address) + ": wanted " + Hex(cell.Wanted) + ", found " +
            (cell.Found ? Hex(*cell.Found) : std::string("??"));
  }
  return text;
}
