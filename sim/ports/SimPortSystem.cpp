// Opening the in-process virtual printer by any of the program's port names.
#include "sim/ports/SimPortSystem.h"

#include <array>

#include "sim/ports/SimPortDevice.h"

namespace {

constexpr std::array<const char*, 3> ParallelNames = {"LPT1", "LPT2", "LPT3"};
constexpr std::array<const char*, 3> UsbPaths = {"sim:usb1", "sim:usb2", "sim:usb3"};
constexpr std::array<const char*, 3> UsbPortNames = {"VLUSB1:", "VLUSB2:", "VLUSB3:"};

template <size_t N>
bool Contains(const std::array<const char*, N>& names, const std::string& name) {
  for (const char* candidate : names)
    if (name == candidate) return true;
  return false;
}

}  // namespace

SimPortSystem::SimPortSystem(VirtualPrinter& printer, Clock& clock) : Printer(printer), TheClock(clock) {}

Outcome<std::unique_ptr<PortDevice>> SimPortSystem::OpenParallel(const std::string& name) {
  Printer.CheckTrainerFiles();
  if (!Contains(ParallelNames, name)) {
    return Failure{FailureKind::NotFound, "virtual printer: no parallel port named \"" + name + "\""};
  }
  if (OpenFails) return Failure{FailureKind::AccessRefused, "virtual printer: " + name + ": Permission denied"};
  return std::make_unique<SimPortDevice>(Printer, TheClock, SimPortDevice::Kind::Parallel);
}

Outcome<std::unique_ptr<PortDevice>> SimPortSystem::OpenUsb(const std::string& devicePath) {
  Printer.CheckTrainerFiles();
  if (!Contains(UsbPaths, devicePath) || !Printer.PoweredOn()) {
    return Failure{FailureKind::NotFound, "virtual printer: no USB printer at \"" + devicePath + "\""};
  }
  if (OpenFails) return Failure{FailureKind::AccessRefused, "virtual printer: " + devicePath + ": Permission denied"};
  return std::make_unique<SimPortDevice>(Printer, TheClock, SimPortDevice::Kind::Usb);
}

Outcome<std::vector<UsbPrinterEntry>> SimPortSystem::ListUsbPrinters() {
  if (ListFails) return Failure{FailureKind::Failed, "virtual printer: the USB printers cannot be listed"};
  std::vector<UsbPrinterEntry> printers;
  // A printer that is switched off has no USB device.
  Printer.CheckTrainerFiles();
  if (!Printer.PoweredOn()) return printers;
  // The model is read from the printer's own device ID as the system's discovery reads it.
  const std::string deviceId = Printer.DeviceId();
  const PrinterModel model = ModelNamed(ParseDeviceId(deviceId));
  for (size_t i = 0; i < UsbPaths.size(); ++i)
    printers.push_back({UsbPaths[i], UsbPortNames[i], true, deviceId, model, Printer.UsbSerial(), UsbRoute::Virtual});
  return printers;
}

std::string SimPortSystem::ParallelNode(const std::string& name) const {
  return Contains(ParallelNames, name) ? "virtual printer" : "";
}
