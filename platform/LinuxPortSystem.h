// The printer ports of a Linux machine: parallel ports, usblp printers found through sysfs, and device overrides.
#pragma once

#include "platform/Clock.h"
#include "platform/LinuxClock.h"
#include "platform/LibusbPrinters.h"
#include "platform/LinuxPortDevice.h"
#include "platform/PortDevice.h"
#include "platform/TracingPortDevice.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Environment:
//   ARVANA_DEVICE_LPT1..3     another node for that parallel port
//   ARVANA_DEVICE_VLUSB1..3   the node of that USB port (the standalone
//                             virtual printer's pseudo-terminal), in place of
//                             what discovery found
//   ARVANA_TRACE=FILE         every device opened records its traffic in FILE
//   ARVANA_USB=usblp|libusb   reach USB printers through that route only; unless given, usblp
//                             where it serves the printer and libusb where it does not
class LinuxPortSystem : public PortSystem {
public:
  // Reads one environment variable; nullopt when it is not set.
  using Environment = std::function<std::optional<std::string>(const std::string& name)>;
  // Lists the printers libusb finds, on the device nodes under `devRoot`.
  using LibusbLister = std::function<Outcome<std::vector<LibusbPrinter>>(const std::string& devRoot)>;

  // `sysfsRoot` and `devRoot` are where sysfs and the device nodes are
  // mounted; an empty `environment` reads the process environment; the trace
  // takes its time from `traceClock`, or from the real clock when null; `libusb` lists the
  // printers libusb finds (a test of a made-up machine gives its own).
  explicit LinuxPortSystem(std::string sysfsRoot = "/sys", std::string devRoot = "/dev",
                           Environment environment = {}, Clock* traceClock = nullptr,
                           LibusbLister libusb = ListLibusbPrinters);

  // "LPT1".."LPT3" (any letter case) are <dev>/lp0..lp2.
  Outcome<std::unique_ptr<PortDevice>> OpenParallel(const std::string& name) override;
  // A USB device's node (<dev>/bus/usb/...) is opened through libusb, anything else as a device node.
  Outcome<std::unique_ptr<PortDevice>> OpenUsb(const std::string& devicePath) override;
  // The usblp printers under <sysfs>/class/usbmisc in ascending number, then those libusb finds
  // that usblp does not serve, in ascending bus and address; those of the maker VELOR are called
  // "VLUSB1:", "VLUSB2:", "VLUSB3:" in that order (a fourth gets no name), then the overrides
  // from the environment (whose device IDs are not known). Each carries its device ID and the
  // serial of its USB device. Fails for an ARVANA_USB that names no route.
  Outcome<std::vector<UsbPrinterEntry>> ListUsbPrinters() override;
  // <dev>/lp0..lp2, or the node the environment gives for the port.
  std::string ParallelNode(const std::string& name) const override;

private:
  struct UsbRoutes {
    bool Usblp = true;
    bool Libusb = true;
  };
  std::optional<std::string> Variable(const std::string& name) const;
  Outcome<UsbRoutes> ChosenRoutes() const;
  // Appends the usblp printers; `served` gets the bus and address of each one's USB device.
  Outcome<void> AddUsblpPrinters(std::vector<UsbPrinterEntry>& printers, std::vector<std::pair<int, int>>& served);
  // Appends the printers libusb finds but for those usblp serves.
  Outcome<void> AddLibusbPrinters(std::vector<UsbPrinterEntry>& printers, const std::vector<std::pair<int, int>>& served,
                                  bool onlyRoute);
  Outcome<std::unique_ptr<PortDevice>> OpenTraced(const std::string& path, LinuxPortDevice::DeviceKind kind);
  // Wraps `device` in the trace when ARVANA_TRACE asks for one.
  std::unique_ptr<PortDevice> Traced(std::unique_ptr<PortDevice> device);

  std::string SysfsRoot;
  std::string DevRoot;
  Environment ReadVariable;
  LibusbLister ListLibusb;
  LinuxClock RealClock;
  Clock& TraceClock;
  TracingPortDevice::TraceFile Trace;
  int64_t TraceStartMs = 0;
  bool TraceFailed = false;
};
