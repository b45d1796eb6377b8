// IEEE 1284 device IDs, as USB discovery reads them from sysfs: only our maker's printers get a name.
#include "fuzz/FuzzSupport.h"
#include "platform/LinuxPortSystem.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <optional>
#include <unistd.h>

namespace {

// A sysfs tree with one usblp printer whose device ID the fuzzer writes.
struct FakeSysfs {
  std::filesystem::path Root;
  std::filesystem::path IdFile;
  FakeSysfs() {
    Root = std::filesystem::temp_directory_path() / ("arvana-fuzz-sysfs-" + std::to_string(::getpid()));
    const std::filesystem::path device = Root / "class" / "usbmisc" / "lp0" / "device";
    std::filesystem::create_directories(device);
    IdFile = device / "ieee1284_id";
  }
  ~FakeSysfs() {
    std::error_code error;
    std::filesystem::remove_all(Root, error);
  }
};

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static FakeSysfs sysfs;
  {
    std::ofstream file(sysfs.IdFile, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  LinuxPortSystem ports(sysfs.Root.string(), "/nonexistent-dev",
                        [](const std::string&) { return std::optional<std::string>(); }, nullptr,
                        [](const std::string&) { return Outcome<std::vector<LibusbPrinter>>(std::vector<LibusbPrinter>()); });
  const Outcome<std::vector<UsbPrinterEntry>> listed = ports.ListUsbPrinters();
  FUZZ_CHECK(listed);
  const std::vector<UsbPrinterEntry>& printers = *listed;
  FUZZ_CHECK(printers.size() == 1);
  const std::string lower = Lower(std::string(reinterpret_cast<const char*>(data), size));
  // Named only when the text names the maker in a MFG or MANUFACTURER field.
  if (!printers[0].PortName.empty()) {
    FUZZ_CHECK(printers[0].PortName == "VLUSB1:");
    FUZZ_CHECK(lower.find("velor") != std::string::npos);
  }
  // A model only for our maker's printers, and only where the text spells it.
  if (printers[0].Model != PrinterModel::Unknown) {
    FUZZ_CHECK(!printers[0].PortName.empty());
    FUZZ_CHECK(lower.find(printers[0].Model == PrinterModel::Print350 ? "print 350" : "print 360") != std::string::npos);
  }
  return 0;
}
