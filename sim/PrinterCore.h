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
#include "sim/files/EepromImage.h"
#include "sim/mechanism/Mechanism.h"
#include "sim/mechanism/PrintHead.h"
#include "sim/mechanism/PrinterFaults.h"

class PrinterCore {
public:
  // Ink levels at or below this percentage are reported as low.
  static constexpr uint8_t InkLowPercent = 10;
  // Warning codes: black ink low and out, colour ink low and out.
  static constexpr int WarningBlackLow = 10;
  static constexpr int WarningBlackOut = 11;
  static constexpr int WarningColourLow = 12;
  static constexpr int WarningColourOut = 13;

  // `eepromPath` and `headPath` empty keep the EEPROM and the head in memory only.
  // A printer without eeprom.bin starts from the factory image with `factoryMarketId`.
  PrinterCore(Clock& clock, std::string eepromPath, std::string headPath = {},
              uint8_t factoryMarketId = EepromImage::MarketId360);

  int64_t NowMs() { return TheClock.SteadyMilliseconds(); }
  // Milliseconds since the printer was created (time stamps of the capture).
  int64_t ElapsedMs() { return NowMs() - StartMs; }

  EepromImage& Eeprom() { return Image; }
  const EepromImage& Eeprom() const { return Image; }
  Mechanism& Work() { return Mech; }
  PrintHead& Head() { return PrintingHead; }
  const PrintHead& Head() const { return PrintingHead; }
  int64_t CalendarSeconds() { return TheClock.CalendarSeconds(); }
  PrinterFaults& Faults() { return FaultSwitches; }
  const PrinterFaults& Faults() const { return FaultSwitches; }

  // What a status request reports now.
  PrinterCondition Condition();
  // Warnings follow the ink levels until they are set here; then these are
  // reported whatever the ink (std::nullopt: follow the ink again).
  void SetWarnings(std::optional<std::vector<int>> codes) { WarningCodes = std::move(codes); }
  void SetInkQuantities(const std::array<uint8_t, 6>& quantities) { PrintingHead.SetQuantities(quantities); }
  // The warnings the ink levels give.
  std::vector<int> InkWarnings() const;

  // Violations() keeps the latest of them: past MaxViolations the older half
  // is dropped (a host sending noise makes one a block).
  static constexpr size_t MaxViolations = 1000;
  // A violation's text is cut here ("..." at the end): one may quote a whole block in hexadecimal.
  static constexpr size_t MaxViolationLength = 300;

  // Records something the host did wrong, stamped with the time.
  void Violation(std::string_view text);
  const std::vector<std::string>& Violations() const { return ViolationList; }
  // Violations dropped from the front of Violations() (cleared ones included):
  // Violations()[i] is violation ViolationsDropped() + i of all.
  size_t ViolationsDropped() const { return DroppedViolations; }
  void ClearViolations() {
    DroppedViolations += ViolationList.size();
    ViolationList.clear();
  }

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
  PrintHead PrintingHead;
  std::optional<std::vector<int>> WarningCodes;
  std::optional<std::array<uint8_t, 2>> ModelCode;
  std::vector<std::string> ViolationList;
  size_t DroppedViolations = 0;
};
