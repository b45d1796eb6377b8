// The six ports of the program, all leading to the one in-process virtual printer.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/PortDevice.h"
#include "sim/VirtualPrinter.h"

// "LPT1".."LPT3" open as parallel ports; discovery lists three USB printers
// with the device paths "sim:usb1".."sim:usb3" and the port names
// "VLUSB1:".."VLUSB3:". Any other name cannot be opened.
class SimPortSystem : public PortSystem {
public:
  SimPortSystem(VirtualPrinter& printer, Clock& clock);

  Outcome<std::unique_ptr<PortDevice>> OpenParallel(const std::string& name) override;
  Outcome<std::unique_ptr<PortDevice>> OpenUsb(const std::string& devicePath) override;
  // Each carries the printer's device ID and USB serial.
  Outcome<std::vector<UsbPrinterEntry>> ListUsbPrinters() override;
  // "virtual printer" for LPT1..LPT3.
  std::string ParallelNode(const std::string& name) const override;

  // For tests: every open fails (as a port without permission would), or the
  // USB list cannot be had.
  void SetOpenFails(bool fails) { OpenFails = fails; }
  void SetListFails(bool fails) { ListFails = fails; }

private:
  VirtualPrinter& Printer;
  Clock& TheClock;
  bool OpenFails = false;
  bool ListFails = false;
};
