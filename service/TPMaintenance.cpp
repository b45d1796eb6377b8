#include "service/TPMaintenance.h"

std::string TPMaintenance::ReadProtectionCounter() {
  const unsigned low = Comm.ControlReadEeprom(ProtectionCounterLow);
  const unsigned high = Comm.ControlReadEeprom(ProtectionCounterHigh);
  return std::to_string(high * 256 + low);
}

void TPMaintenance::ClearProtectionCounter() {
  Comm.ControlWriteEeprom(ProtectionCounterHigh, 0x00);
  Comm.ControlWriteEeprom(ProtectionCounterLow, 0x00);
}
