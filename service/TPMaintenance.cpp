#include "service/TPMaintenance.h"

#include "service/ConfirmedWrites.h"

#include <array>

std::optional<std::string> TPMaintenance::ReadProtectionCounter() {
  const std::optional<uint8_t> low = Comm.ControlReadEeprom(ProtectionCounterLow).Answer();
  if (!low) return std::nullopt;
  const std::optional<uint8_t> high = Comm.ControlReadEeprom(ProtectionCounterHigh).Answer();
  if (!high) return std::nullopt;
  return std::to_string(*high * 256u + *low);
}

std::optional<std::string> TPMaintenance::ClearProtectionCounter() {
  const std::array<EepromCell, 2> cleared{{{ProtectionCounterHigh, 0x00}, {ProtectionCounterLow, 0x00}}};
  return ConfirmedWrites(Comm).WriteAndConfirm(cleared, "the protection counter was not cleared");
}
