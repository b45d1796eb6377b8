// The virtual printer as a USB printer: a configfs gadget with the printer function.
#include "sim/ports/PrinterGadget.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>

namespace {

constexpr const char* EnglishStrings = "strings/0x409";  // the USB language ID of US English
constexpr const char* Configuration = "configs/c.1";
constexpr const char* PrinterFunction = "functions/printer.0";
constexpr const char* ConfigurationName = "Printer";
// The bus powers the controller, not the printer: the least it may ask for.
constexpr const char* MaxPowerMa = "2";
// Answers the function holds for a host that has not read them yet; more wait in the server,
// which drops them when the host goes.
constexpr const char* FunctionQueueLength = "2";
constexpr const char* DeviceIdPadding = "  ";
constexpr unsigned UsbVersion2 = 0x0200;

Failure GadgetFailure(const std::string& what, int error) {
  return {FailureKindOf(error), what + ": " + std::strerror(error)};
}

// The entries of a folder, sorted; empty when it cannot be read.
std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* dir = opendir(folder.c_str())) {
    while (const dirent* entry = readdir(dir)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string UsbNumber(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04x", value);
  return text;
}

}  // namespace

std::string PaddedDeviceId(const std::string& deviceId) { return deviceId + DeviceIdPadding; }

std::string GadgetFolder(const std::string& controller) { return std::string(GadgetName) + "-" + controller; }

Outcome<std::unique_ptr<PrinterGadget>> PrinterGadget::Create(const GadgetIdentity& identity,
                                                              const std::string& controller,
                                                              const GadgetPaths& paths) {
  std::unique_ptr<PrinterGadget> gadget(new PrinterGadget(paths));
  std::string chosen = controller;
  if (chosen.empty()) {
    const std::vector<std::string> controllers = FolderEntries(paths.Controllers);
    if (controllers.empty())
      return Failure{FailureKind::NotFound,
                     "no USB device controller in " + paths.Controllers + " (on a computer without one, load dummy_hcd)"};
    chosen = controllers.front();
  }
  if (Outcome<void> built = gadget->Build(identity, chosen); !built) return built.Fault();
  if (Outcome<void> bound = gadget->Bind(chosen); !bound) return bound.Fault();
  return gadget;
}

PrinterGadget::~PrinterGadget() {
  Unbind();
  Remove();
}

namespace {

// Writes an attribute in one write: configfs takes each write as the whole new value.
Outcome<void> WriteAttribute(const std::string& path, const std::string& value) {
  int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0 && errno == ENOENT) fd = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);  // not configfs
  if (fd < 0) return GadgetFailure(path, errno);
  const ssize_t count = write(fd, value.data(), value.size());
  const int error = errno;
  close(fd);
  if (count != static_cast<ssize_t>(value.size())) return GadgetFailure(path, count < 0 ? error : EIO);
  return {};
}

}  // namespace

Outcome<void> PrinterGadget::Build(const GadgetIdentity& identity, const std::string& controller) {
  struct stat status {};
  if (stat(Paths.Gadgets.c_str(), &status) != 0 || !S_ISDIR(status.st_mode))
    return Failure{FailureKind::NotFound, Paths.Gadgets + ": not there (load the libcomposite module and mount configfs)"};
  Root = Paths.Gadgets + "/" + GadgetFolder(controller);
  // Each folder on the way is made unless it is there: configfs makes some with their parent.
  const auto folder = [&](const std::string& relative) -> Outcome<void> {
    for (size_t end = relative.find('/');; end = relative.find('/', end + 1)) {
      const std::string path = Root + "/" + relative.substr(0, end);
      if (mkdir(path.c_str(), 0755) == 0) {
        Made.push_back(path);
      } else if (errno != EEXIST) {
        return GadgetFailure(path, errno);
      }
      if (end == std::string::npos) return {};
    }
  };
  const auto root = [&]() -> Outcome<void> {
    if (mkdir(Root.c_str(), 0755) == 0) {
      Made.push_back(Root);
      return {};
    }
    if (errno != EEXIST) return GadgetFailure(Root, errno);
    return Failure{FailureKind::InUse, Root + ": another virtual printer's gadget is there on " + controller +
                                              "; stop it, or remove the folder a killed one left behind"};
  };
  const auto attribute = [&](const std::string& relative, const std::string& value) {
    return WriteAttribute(Root + "/" + relative, value);
  };
  const std::string strings = std::string(EnglishStrings) + "/";
  const std::string configuration = std::string(Configuration) + "/";
  const std::string function = std::string(PrinterFunction) + "/";
  // Each step only once the one before it is done: a failure leaves the rest unmade.
  const std::vector<std::function<Outcome<void>()>> steps{
      root,
      [&] { return attribute("idVendor", UsbNumber(GadgetVendorId)); },
      [&] { return attribute("idProduct", UsbNumber(GadgetProductId)); },
      [&] { return attribute("bcdUSB", UsbNumber(UsbVersion2)); },
      [&] { return folder(EnglishStrings); },
      [&] { return attribute(strings + "manufacturer", identity.Manufacturer); },
      [&] { return attribute(strings + "product", identity.Product); },
      [&] { return attribute(strings + "serialnumber", identity.Serial); },
      [&] { return folder(Configuration); },
      [&] { return folder(configuration + EnglishStrings); },
      [&] { return attribute(configuration + strings + "configuration", ConfigurationName); },
      [&] { return attribute(configuration + "MaxPower", MaxPowerMa); },
      [&] { return folder(PrinterFunction); },
      [&] { return attribute(function + "pnp_string", PaddedDeviceId(identity.DeviceId)); },
      [&] { return attribute(function + "q_len", FunctionQueueLength); },
  };
  for (const auto& step : steps) {
    if (Outcome<void> done = step(); !done) return done.Fault();
  }
  const std::string link = Root + "/" + configuration + "printer.0";
  if (symlink((Root + "/" + PrinterFunction).c_str(), link.c_str()) != 0) return GadgetFailure(link, errno);
  Made.push_back(link);
  return {};
}

Outcome<void> PrinterGadget::Bind(const std::string& chosen) {
  const std::vector<std::string> before = FolderEntries(Paths.PrinterNodes);
  if (Outcome<void> bound = WriteAttribute(Root + "/UDC", chosen); !bound) {
    return Failure{bound.Fault().Kind, "binding to the device controller " + chosen + ": " + bound.Fault().Message};
  }
  BoundTo = chosen;
  const std::vector<std::string> after = FolderEntries(Paths.PrinterNodes);
  std::vector<std::string> added;
  std::set_difference(after.begin(), after.end(), before.begin(), before.end(), std::back_inserter(added));
  // The function's node appears when the gadget is bound; when none is new, only one can be ours.
  if (added.empty() && after.size() == 1) added = after;
  if (added.size() != 1)
    return Failure{FailureKind::NotFound, "the printer function's device node cannot be told in " + Paths.PrinterNodes};
  Node = Paths.Devices + "/" + added.front();
  return {};
}

void PrinterGadget::Unbind() {
  if (BoundTo.empty()) return;
  // An empty name unbinds; the kernel takes the line end off.
  (void)WriteAttribute(Root + "/UDC", "\n");
  BoundTo.clear();
}

void PrinterGadget::Remove() {
  for (auto made = Made.rbegin(); made != Made.rend(); ++made) {
    struct stat status {};
    if (lstat(made->c_str(), &status) != 0) continue;
    if (!S_ISDIR(status.st_mode)) {
      unlink(made->c_str());
      continue;
    }
    // configfs takes a folder's attributes with it; elsewhere they must go first.
    for (const std::string& name : FolderEntries(*made)) {
      const std::string path = *made + "/" + name;
      if (lstat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode)) unlink(path.c_str());
    }
    rmdir(made->c_str());
  }
  Made.clear();
}
