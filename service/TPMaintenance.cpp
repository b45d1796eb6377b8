#include "service/TPMaintenance.h"

#include "service/ConfirmedWrites.h"

#include <array>

std::optional<std::string> TPMaintenance::ReadProtectionCounter() {
  uint8_t low = 0;
  uint8_t high = 0;
  if (!Comm.ControlTryReadEeprom(ProtectionCounterLow, low)) return std::nullopt;
  if (!Comm.ControlTryReadEeprom(ProtectionCounterHigh, high)) return std::nullopt;
  return std::to_string(high * 256u + low);
}

std::optional<std::string> TPMaintenance::ClearProtectionCounter() {
  const std::array<EepromCell, 2> cleared{{{ProtectionCounterHigh, 0x00}, {ProtectionCounterLow, 0x00}}};
  return ConfirmedWrites(Comm).WriteAndConfirm(cleared, "the protection counter was not cleared");
}
