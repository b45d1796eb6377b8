// The protection (waste ink) counter: a 16-bit value, high byte in cell 0x0A, low byte in 0x0B.
#pragma once

#include "link/TPDalD4Comm.h"

#include <optional>
#include <string>

constexpr uint8_t ProtectionCounterHigh = 0x0A;
constexpr uint8_t ProtectionCounterLow = 0x0B;

class TPMaintenance {
public:
  explicit TPMaintenance(TPDalD4Comm& comm) : Comm(comm) {}

  // Reads the low byte, then the high byte; the value as decimal text
  // without separators, nothing when either byte could not be read.
  std::optional<std::string> ReadProtectionCounter();
  // Writes 0 to the high byte, then to the low byte, and reads both back.
  // Nothing when the printer holds 0; otherwise what went wrong, for the technician.
  std::optional<std::string> ClearProtectionCounter();

private:
  TPDalD4Comm& Comm;
};
