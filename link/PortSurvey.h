// What is on each of the six ports, as the system tells it without opening any of them.
#pragma once

#include "platform/PortDevice.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct PortFinding {
  int16_t PortIndex = 0;
  // USB: a printer of ours is listed under the port's name. A parallel port never says.
  bool PrinterFound = false;
  std::string DeviceNode{};  // the node the port opens; empty for a USB port without a printer
  std::string DeviceId{};    // the printer's IEEE 1284 device ID; empty when not known
  uint16_t ModelCode = 0;  // the model the device ID names (0x301, 0x302), 0 when none
  std::string Serial{};      // the printer's USB serial; empty when it gives none
  std::optional<UsbRoute> Route{};  // how a USB port reaches the printer found on it
};

// Whether discovery lists `printer` under `portName` ("VLUSB1:"), in any letter case.
bool ListedAs(const UsbPrinterEntry& printer, const char* portName);

// The port `portIndex` (0..5). A USB list that cannot be had finds nothing.
PortFinding SurveyPort(PortSystem& ports, int16_t portIndex);

// Every port in PortIndex order: VLUSB1..VLUSB3, then LPT1..LPT3. Fails when the USB printers
// cannot be listed.
Outcome<std::vector<PortFinding>> SurveyPorts(PortSystem& ports);
