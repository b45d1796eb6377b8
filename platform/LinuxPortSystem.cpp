// The printer ports of a Linux machine: parallel ports, usblp printers found through sysfs, and device overrides.
#include "platform/LinuxPortSystem.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <unistd.h>

namespace {

constexpr const char* MakerName = "VELOR";
constexpr int UsbPortCount = 3;
constexpr int ParallelPortCount = 3;
constexpr const char* DeviceVariablePrefix = "ARVANA_DEVICE_";
constexpr const char* TraceVariable = "ARVANA_TRACE";
constexpr const char* RouteVariable = "ARVANA_USB";
constexpr const char* UsbDeviceNodes = "/bus/usb/";  // under the device root: what libusb opens

// The number N of a usbmisc entry "lpN"; -1 for any other entry.
int PrinterNumber(const char* entryName) {
  if (std::strncmp(entryName, "lp", 2) != 0) return -1;
  const char* digits = entryName + 2;
  const size_t count = std::strlen(digits);
  if (count == 0 || count > 9) return -1;
  if (!std::all_of(digits, digits + count, [](char c) { return c >= '0' && c <= '9'; })) return -1;
  return std::atoi(digits);
}

// Reads a small sysfs attribute; false when it cannot be read.
bool ReadAttribute(const std::string& path, std::string& text) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  text.clear();
  char chunk[1024];
  for (;;) {
    const ssize_t count = ::read(fd, chunk, sizeof chunk);
    if (count > 0) {
      text.append(chunk, static_cast<size_t>(count));
    } else if (count == 0) {
      break;
    } else if (errno != EINTR) {
      ::close(fd);
      return false;
    }
  }
  ::close(fd);
  return true;
}

// A one-line sysfs attribute without the line end and blanks after it; false when it cannot be read.
bool ReadLineAttribute(const std::string& path, std::string& text) {
  if (!ReadAttribute(path, text)) return false;
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
  return true;
}

// The USB serial number of usbmisc entry `entry`: an attribute of the USB device, the parent of
// the printer interface its `device` link leads to. Empty when the printer gives none.
std::string UsbSerial(const std::string& entry) {
  std::string serial;
  if (!ReadLineAttribute(entry + "/device/../serial", serial)) return {};
  return serial;
}

// The bus and device number of the USB device of usbmisc entry `entry`; {-1, -1} when not known.
std::pair<int, int> UsbBusAndAddress(const std::string& entry) {
  std::string bus;
  std::string address;
  if (!ReadLineAttribute(entry + "/device/../busnum", bus) || !ReadLineAttribute(entry + "/device/../devnum", address))
    return {-1, -1};
  return {std::atoi(bus.c_str()), std::atoi(address.c_str())};
}

// The number 1..3 of "LPT1".."LPT3" in any letter case; 0 for any other name.
int ParallelNumber(const std::string& name) {
  int number = 0;
  if (name.size() == 4 && strncasecmp(name.c_str(), "LPT", 3) == 0) number = name[3] - '0';
  return number >= 1 && number <= ParallelPortCount ? number : 0;
}

}  // namespace

const char* UsbRouteName(UsbRoute route) {
  switch (route) {
    case UsbRoute::Usblp:
      return "usblp";
    case UsbRoute::Libusb:
      return "libusb";
    case UsbRoute::Named:
      return "device";
    case UsbRoute::Virtual:
      return "virtual printer";
  }
  return "";
}

LinuxPortSystem::LinuxPortSystem(std::string sysfsRoot, std::string devRoot, Environment environment,
                                 Clock* traceClock, LibusbLister libusb)
    : SysfsRoot(std::move(sysfsRoot)),
      DevRoot(std::move(devRoot)),
      ReadVariable(std::move(environment)),
      ListLibusb(std::move(libusb)),
      TraceClock(traceClock != nullptr ? *traceClock : RealClock) {}

std::optional<std::string> LinuxPortSystem::Variable(const std::string& name) const {
  std::optional<std::string> value;
  if (ReadVariable) {
    value = ReadVariable(name);
  } else if (const char* text = std::getenv(name.c_str())) {
    value = text;
  }
  if (value && value->empty()) return std::nullopt;  // set but empty counts as not set
  return value;
}

Outcome<std::unique_ptr<PortDevice>> LinuxPortSystem::OpenParallel(const std::string& name) {
  const std::string path = ParallelNode(name);
  if (path.empty()) return Failure{FailureKind::NotFound, name + ": not a parallel port (LPT1 to LPT3)"};
  return OpenTraced(path, LinuxPortDevice::DeviceKind::Comm);
}

std::string LinuxPortSystem::ParallelNode(const std::string& name) const {
  const int number = ParallelNumber(name);
  if (number == 0) return {};
  const std::string portName = "LPT" + std::to_string(number);
  return Variable(DeviceVariablePrefix + portName).value_or(DevRoot + "/lp" + std::to_string(number - 1));
}

Outcome<std::unique_ptr<PortDevice>> LinuxPortSystem::OpenUsb(const std::string& devicePath) {
  if (devicePath.rfind(DevRoot + UsbDeviceNodes, 0) == 0) {
    Outcome<std::unique_ptr<PortDevice>> device = OpenLibusbPrinter(devicePath);
    if (!device) return device.Fault();
    return Traced(std::move(*device));
  }
  return OpenTraced(devicePath, LinuxPortDevice::DeviceKind::UsbPrinter);
}

Outcome<std::unique_ptr<PortDevice>> LinuxPortSystem::OpenTraced(const std::string& path,
                                                                 LinuxPortDevice::DeviceKind kind) {
  Outcome<std::unique_ptr<LinuxPortDevice>> device = LinuxPortDevice::Open(path, kind);
  if (!device) return device.Fault();
  return Traced(std::move(*device));
}

Outcome<LinuxPortSystem::UsbRoutes> LinuxPortSystem::ChosenRoutes() const {
  const std::optional<std::string> chosen = Variable(RouteVariable);
  if (!chosen) return UsbRoutes{};
  if (*chosen == UsbRouteName(UsbRoute::Usblp)) return UsbRoutes{.Usblp = true, .Libusb = false};
  if (*chosen == UsbRouteName(UsbRoute::Libusb)) return UsbRoutes{.Usblp = false, .Libusb = true};
  return Failure{FailureKind::Unsuitable, std::string(RouteVariable) + "=" + *chosen + " names no route to a USB "
                                              "printer (usblp or libusb)"};
}

Outcome<std::vector<UsbPrinterEntry>> LinuxPortSystem::ListUsbPrinters() {
  const Outcome<UsbRoutes> routes = ChosenRoutes();
  if (!routes) return routes.Fault();
  std::vector<UsbPrinterEntry> printers;
  std::vector<std::pair<int, int>> served;
  if (routes->Usblp) {
    if (Outcome<void> added = AddUsblpPrinters(printers, served); !added) return added.Fault();
  }
  if (routes->Libusb) {
    if (Outcome<void> added = AddLibusbPrinters(printers, served, !routes->Usblp); !added) return added.Fault();
  }

  int ourPrinters = 0;
  for (UsbPrinterEntry& printer : printers) {
    const DeviceIdFields fields = ParseDeviceId(printer.DeviceId);
    if (printer.Readable && NamesOurMaker(fields) && ourPrinters < UsbPortCount) {
      printer.PortName = "VLUSB" + std::to_string(++ourPrinters) + ":";
    }
    printer.Model = ModelNamed(fields);
  }

  for (int port = 1; port <= UsbPortCount; ++port) {
    const std::string portName = "VLUSB" + std::to_string(port);
    const std::optional<std::string> path = Variable(DeviceVariablePrefix + portName);
    if (!path) continue;
    UsbPrinterEntry named{.DevicePath = *path, .PortName = portName + ":"};
    named.Route = UsbRoute::Named;
    auto same = std::find_if(printers.begin(), printers.end(),
                             [&](const UsbPrinterEntry& printer) { return printer.PortName == named.PortName; });
    if (same != printers.end()) {
      *same = named;
    } else {
      printers.push_back(named);
    }
  }
  return printers;
}

Outcome<void> LinuxPortSystem::AddUsblpPrinters(std::vector<UsbPrinterEntry>& printers,
                                                std::vector<std::pair<int, int>>& served) {
  const std::string classDir = SysfsRoot + "/class/usbmisc";
  std::vector<int> numbers;
  if (DIR* dir = ::opendir(classDir.c_str())) {
    while (const dirent* entry = ::readdir(dir)) {
      const int number = PrinterNumber(entry->d_name);
      if (number >= 0) numbers.push_back(number);
    }
    ::closedir(dir);
  } else if (errno != ENOENT && errno != ENOTDIR) {
    const int error = errno;  // the class is there but cannot be listed
    return Failure{FailureKindOf(error), classDir + ": " + std::strerror(error)};
  }
  // Without the class directory no USB printer driver is loaded: no printers.
  std::sort(numbers.begin(), numbers.end());
  for (const int number : numbers) {
    UsbPrinterEntry printer;
    printer.DevicePath = DevRoot + "/usb/lp" + std::to_string(number);
    const std::string entry = classDir + "/lp" + std::to_string(number);
    printer.Readable = ReadLineAttribute(entry + "/device/ieee1284_id", printer.DeviceId);
    if (!printer.Readable) printer.DeviceId.clear();
    printer.Serial = UsbSerial(entry);
    served.push_back(UsbBusAndAddress(entry));
    printers.push_back(printer);
  }
  return {};
}

Outcome<void> LinuxPortSystem::AddLibusbPrinters(std::vector<UsbPrinterEntry>& printers,
                                                 const std::vector<std::pair<int, int>>& served, bool onlyRoute) {
  if (!ListLibusb) return {};
  const Outcome<std::vector<LibusbPrinter>> found = ListLibusb(DevRoot);
  if (!found) {
    // Beside usblp, a machine where libusb cannot look (no USB device nodes in a container) still has usblp's printers.
    if (!onlyRoute) return {};
    return found.Fault();
  }
  for (const LibusbPrinter& printer : *found) {
    const std::pair<int, int> device{printer.Bus, printer.Address};
    if (std::find(served.begin(), served.end(), device) != served.end()) continue;  // usblp serves it
    printers.push_back(UsbPrinterEntry{.DevicePath = printer.Node,
                                       .PortName = {},
                                       .Readable = printer.Readable,
                                       .DeviceId = printer.DeviceId,
                                       .Model = PrinterModel::Unknown,
                                       .Serial = printer.Serial,
                                       .Route = UsbRoute::Libusb});
  }
  return {};
}

std::unique_ptr<PortDevice> LinuxPortSystem::Traced(std::unique_ptr<PortDevice> device) {
  const std::optional<std::string> tracePath = Variable(TraceVariable);
  if (!tracePath) return device;
  if (!Trace && !TraceFailed) {
    Outcome<TracingPortDevice::TraceFile> opened = TracingPortDevice::OpenTraceFile(*tracePath);
    if (!opened) {
      // A trace is a help for finding faults; without it the port still works.
      std::fprintf(stderr, "%s: no trace: %s\n", TraceVariable, opened.Fault().Message.c_str());
      TraceFailed = true;
      return device;
    }
    Trace = std::move(*opened);
    TraceStartMs = TraceClock.SteadyMilliseconds();
  }
  if (!Trace) return device;
  return std::make_unique<TracingPortDevice>(std::move(device), Trace, TraceClock, TraceStartMs);
}
