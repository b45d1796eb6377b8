#include "service/TPDalEeprom.h"

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

int TPDalEeprom::HexToByte(std::string_view text) {
  if (text.size() < 2) return InvalidHexByte;
  const int high = HexDigit(text[0]);
  const int low = HexDigit(text[1]);
  if (high < 0 || low < 0) return InvalidHexByte;
  return 16 * high + low;
}

EepromReadOutcome TPDalEeprom::ReadCells(TPDalD4Comm& comm, std::span<const uint8_t> cells, std::span<uint8_t> values) {
  for (size_t i = 0; i < cells.size() && i < values.size(); ++i) {
    const EepromRead read = comm.ControlReadEeprom(cells[i]);
    if (read.Outcome != EepromReadOutcome::Answered) return read.Outcome;
    values[i] = read.Value;
  }
  return EepromReadOutcome::Answered;
}
