// What the firmware's parts share: clock, EEPROM, mechanism, faults and the record of host mistakes.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Clock.h"
#include "sim/EepromImage.h"
#include "sim/Mechanism.h"
#include "sim/PrinterFaults.h"

class PrinterCore {
public:
  // `eepromPath` empty keeps the EEPROM in memory only.
  PrinterCore(Clock& clock, std::string eepromPath);

  int64_t NowMs() { return TheClock.SteadyMilliseconds(); }
  // Milliseconds since the printer was created (time stamps of the capture).
  int64_t ElapsedMs() { return NowMs() - StartMs; }

  EepromImage& Eeprom() { return Image; }
  const EepromImage& Eeprom() const { return Image; }
  Mechanism& Work() { return Mech; }
  PrinterFaults& Faults() { return FaultSwitches; }
  const PrinterFaults& Faults() const { return FaultSwitches; }

  // What a status request reports now.
  PrinterCondition Condition();
  void SetWarnings(std::vector<int> codes) { WarningCodes = std::move(codes); }
  void SetInkQuantities(const std::array<uint8_t, 6>& quantities) { Ink = quantities; }

  // Records something the host did wrong, stamped with the time.
  void Violation(std::string_view text);
  const std::vector<std::string>& Violations() const { return ViolationList; }
  void ClearViolations() { ViolationList.clear(); }

  // The host's model code must be the same in every request; the first one
  // seen is learned. False (and a violation) when it changed.
  bool CheckModelCode(uint8_t first, uint8_t second, std::string_view where);
  void ForgetModelCode() { ModelCode.reset(); }

  // Restart of the firmware: the EEPROM is taken into use afresh and the
  // mechanism is busy for `busyMs`.
  void Reinitialise(int64_t busyMs);

private:
  Clock& TheClock;
  int64_t StartMs;
  EepromImage Image;
  Mechanism Mech;
  PrinterFaults FaultSwitches;
  std::vector<int> WarningCodes;
  std::array<uint8_t, 6> Ink = {0x48, 0x41, 0x50, 0x3A, 0x5B, 0x4D};
  std::optional<std::array<uint8_t, 2>> ModelCode;
  std::vector<std::string> ViolationList;
};
