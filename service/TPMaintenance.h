// The protection (waste ink) counter: a 16-bit value in two EEPROM cells, high byte and low byte.
#pragma once

#include "eeprom/EepromMap.h"
#include "link/TPDalD4Comm.h"

#include <optional>
#include <string>

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
