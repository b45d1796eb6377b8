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

std::unique_ptr<PortDevice> SimPortSystem::OpenParallel(const std::string& name, std::string& reason) {
  Printer.CheckTrainerFiles();
  if (!Contains(ParallelNames, name)) {
    reason = "virtual printer: no parallel port named \"" + name + "\"";
    return nullptr;
  }
  if (OpenFails) {
    reason = "virtual printer: " + name + ": Permission denied";
    return nullptr;
  }
  return std::make_unique<SimPortDevice>(Printer, TheClock, SimPortDevice::Kind::Parallel);
}

std::unique_ptr<PortDevice> SimPortSystem::OpenUsb(const std::string& devicePath, std::string& reason) {
  Printer.CheckTrainerFiles();
  if (!Contains(UsbPaths, devicePath) || !Printer.PoweredOn()) {
    reason = "virtual printer: no USB printer at \"" + devicePath + "\"";
    return nullptr;
  }
  if (OpenFails) {
    reason = "virtual printer: " + devicePath + ": Permission denied";
    return nullptr;
  }
  return std::make_unique<SimPortDevice>(Printer, TheClock, SimPortDevice::Kind::Usb);
}

bool SimPortSystem::ListUsbPrinters(std::vector<UsbPrinterEntry>& printers) {
  printers.clear();
  if (ListFails) return false;
  // A printer that is switched off has no USB device.
  Printer.CheckTrainerFiles();
  if (!Printer.PoweredOn()) return true;
  for (size_t i = 0; i < UsbPaths.size(); ++i) printers.push_back({UsbPaths[i], UsbPortNames[i], true});
  return true;
}
