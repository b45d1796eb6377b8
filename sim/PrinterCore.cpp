// Shared firmware state: the reported condition, model-code checks and violations.
#include "sim/PrinterCore.h"

#include <cstdio>
#include <utility>

#include "sim/wire/PrinterWire.h"

PrinterCore::PrinterCore(Clock& clock, std::string eepromPath, std::string headPath, uint8_t factoryMarketId)
    : TheClock(clock),
      StartMs(clock.SteadyMilliseconds()),
      Image(std::move(eepromPath), factoryMarketId),
      PrintingHead(std::move(headPath), clock.CalendarSeconds()) {}

std::vector<int> PrinterCore::InkWarnings() const {
  const std::array<uint8_t, 6> ink = PrintingHead.Quantities();
  const auto low = [](uint8_t percent) { return percent <= InkLowPercent; };
  std::vector<int> codes;
  if (ink[0] == 0) {
    codes.push_back(WarningBlackOut);
  } else if (low(ink[0])) {
    codes.push_back(WarningBlackLow);
  }
  bool colourLow = false;
  bool colourOut = false;
  for (size_t i = 1; i < ink.size(); ++i) {
    colourOut = colourOut || ink[i] == 0;
    colourLow = colourLow || low(ink[i]);
  }
  if (colourOut) {
    codes.push_back(WarningColourOut);
  } else if (colourLow) {
    codes.push_back(WarningColourLow);
  }
  return codes;
}

PrinterCondition PrinterCore::Condition() {
  PrinterCondition condition;
  condition.Warnings = WarningCodes ? *WarningCodes : InkWarnings();
  condition.InkQuantities = PrintingHead.Quantities();
  const PrinterState activity = Mech.Activity(NowMs());
  if (FaultSwitches.PrinterError) {
    condition.State = PrinterState::Error;
    condition.ErrorNumber = *FaultSwitches.PrinterError;
  } else if (FaultSwitches.PaperOut) {
    condition.State = PrinterState::Error;
    condition.ErrorNumber = ErrorNumberPaperOut;
  } else if (Image.ProtectionCounter() > EepromImage::CounterLimit) {
    // The waste ink pad is full: the printer refuses work until the counter is cleared.
    condition.State = PrinterState::Error;
    condition.ErrorNumber = ErrorNumberMaintenanceRequest;
  } else if (FaultSwitches.HeldState) {
    condition.State = *FaultSwitches.HeldState;
  } else {
    condition.State = activity;
  }
  return condition;
}

void PrinterCore::Violation(std::string_view text) {
  const int64_t ms = ElapsedMs();
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%lld.%03lld s: ", static_cast<long long>(ms / 1000),
                static_cast<long long>(ms % 1000));
  if (ViolationList.size() >= MaxViolations) {
    const size_t half = MaxViolations / 2;
    ViolationList.erase(ViolationList.begin(), ViolationList.begin() + static_cast<long>(half));
    DroppedViolations += half;
  }
  if (text.size() > MaxViolationLength) {
    ViolationList.push_back(std::string(stamp) + std::string(text.substr(0, MaxViolationLength)) + "...");
  } else {
    ViolationList.push_back(std::string(stamp) + std::string(text));
  }
}

bool PrinterCore::CheckModelCode(uint8_t first, uint8_t second, std::string_view where) {
  const std::array<uint8_t, 2> code = {first, second};
  if (!ModelCode) {
    ModelCode = code;
    return true;
  }
  if (*ModelCode == code) return true;
  Violation(std::string(where) + " carries model code " + PrinterWire::HexBytes(code.data(), 2) +
            " after the host used " + PrinterWire::HexBytes(ModelCode->data(), 2));
  return false;
}

void PrinterCore::Reinitialise(int64_t busyMs) {
  Image.Reload();
  Mech.Restart(busyMs, NowMs());
}
