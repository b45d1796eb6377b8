// A stop signal for tests: it arrives once the virtual printer has stored a given number of cells
// more than when it was made, so that a write stops at a known cell, whatever the timing.
#pragma once

#include "platform/StopSignals.h"
#include "sim/VirtualPrinter.h"

#include <csignal>

class StopAfterWrites : public StopSignals {
public:
  StopAfterWrites(const VirtualPrinter& printer, uint32_t after, int signal = SIGTERM)
      : Printer(printer), At(printer.HostEepromWrites() + after), Signal(signal) {}
  int Pending() const override { return Printer.HostEepromWrites() >= At ? Signal : 0; }

private:
  const VirtualPrinter& Printer;
  uint32_t At;
  int Signal;
};
