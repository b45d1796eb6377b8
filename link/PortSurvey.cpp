// Looking at the ports through discovery: the printer listed under each USB port's name and what it says of itself.
#include "link/PortSurvey.h"

#include "link/ModelChoice.h"
#include "link/PortChoice.h"

#include <strings.h>

namespace {

PortFinding ParallelFinding(PortSystem& ports, int16_t portIndex) {
  PortFinding finding;
  finding.PortIndex = portIndex;
  finding.DeviceNode = ports.ParallelNode(PortNameOf(portIndex));
  return finding;
}

PortFinding UsbFinding(const std::vector<UsbPrinterEntry>& printers, int16_t portIndex) {
  PortFinding finding;
  finding.PortIndex = portIndex;
  const std::string portName = std::string(PortNameOf(portIndex)) + ":";
  for (const UsbPrinterEntry& printer : printers) {
    if (!printer.Readable || !ListedAs(printer, portName.c_str())) continue;
    finding.PrinterFound = true;
    finding.DeviceNode = printer.DevicePath;
    finding.DeviceId = printer.DeviceId;
    finding.ModelCode = ModelCodeOf(printer.Model);
    finding.Serial = printer.Serial;
    finding.Route = printer.Route;
    break;
  }
  return finding;
}

}  // namespace

bool ListedAs(const UsbPrinterEntry& printer, const char* portName) {
  return strcasecmp(printer.PortName.c_str(), portName) == 0;
}

PortFinding SurveyPort(PortSystem& ports, int16_t portIndex) {
  if (!IsUsbPort(portIndex)) return ParallelFinding(ports, portIndex);
  const Outcome<std::vector<UsbPrinterEntry>> printers = ports.ListUsbPrinters();
  return UsbFinding(printers ? *printers : std::vector<UsbPrinterEntry>{}, portIndex);
}

Outcome<std::vector<PortFinding>> SurveyPorts(PortSystem& ports) {
  const Outcome<std::vector<UsbPrinterEntry>> printers = ports.ListUsbPrinters();
  if (!printers) return printers.Fault();
  std::vector<PortFinding> findings;
  for (int16_t portIndex = 0; portIndex < PortCount; ++portIndex)
    findings.push_back(IsUsbPort(portIndex) ? UsbFinding(*printers, portIndex) : ParallelFinding(ports, portIndex));
  return findings;
}
