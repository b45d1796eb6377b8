// Finding the printer ports on a made-up sysfs and /dev tree: naming, order, overrides and the trace.
#include "platform/LinuxPortSystem.h"
#include "platform/VirtualClock.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdlib.h>

namespace fs = std::filesystem;

namespace {

class FakeMachine : public ::testing::Test {
protected:
  void SetUp() override {
    char pattern[] = "/tmp/arvana-ports-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    Root = pattern;
    fs::create_directories(Root / "dev/usb");
  }
  void TearDown() override { fs::remove_all(Root); }

  // A usblp printer lpN; a null `deviceId` leaves its description unreadable.
  void AddPrinter(int number, const char* deviceId) {
    const fs::path device = Root / "sys/class/usbmisc" / ("lp" + std::to_string(number)) / "device";
    fs::create_directories(device);
    if (deviceId != nullptr) std::ofstream(device / "ieee1284_id") << deviceId;
  }

  LinuxPortSystem System() {
    return LinuxPortSystem((Root / "sys").string(), (Root / "dev").string(),
                           [this](const std::string& name) -> std::optional<std::string> {
                             auto found = Environment.find(name);
                             if (found == Environment.end()) return std::nullopt;
                             return found->second;
                           },
                           &Clock, [this](const std::string&) -> Outcome<std::vector<LibusbPrinter>> {
                             if (LibusbFails) return Failure{FailureKind::AccessRefused, "libusb: no access"};
                             return LibusbFinds;
                           });
  }

  std::string Dev(const std::string& node) const { return (Root / "dev" / node).string(); }

  fs::path Root;
  std::map<std::string, std::string> Environment;
  std::vector<LibusbPrinter> LibusbFinds;  // what libusb finds on this machine
  bool LibusbFails = false;
  VirtualClock Clock;
};

}  // namespace

TEST_F(FakeMachine, NamesOurUsbPrintersInNumericOrderAndAppliesOverrides) {
  AddPrinter(10, "MANUFACTURER:velor;COMMAND SET:ESCPL2;MODEL:Print 360;");
  AddPrinter(2, "MFG: VELOR ;CMD:ESCPL2,D4;MDL:Print 350;\n");
  AddPrinter(1, "MFG:Other;MDL:VELOR;CMD:PCL;");
  AddPrinter(3, nullptr);
  AddPrinter(4, "MFG:VELORX;MDL:Print 350;");
  fs::create_directories(Root / "sys/class/usbmisc/hiddev0");
  // The serial is the USB device's, the parent of the interface that `device` leads to.
  std::ofstream(Root / "sys/class/usbmisc/lp2/serial") << "L35A012345\n";

  Outcome<std::vector<UsbPrinterEntry>> listed = System().ListUsbPrinters();
  ASSERT_TRUE(listed);
  std::vector<UsbPrinterEntry> printers = *listed;
  ASSERT_EQ(printers.size(), 5u);
  const std::vector<std::string> paths{Dev("usb/lp1"), Dev("usb/lp2"), Dev("usb/lp3"), Dev("usb/lp4"),
                                       Dev("usb/lp10")};
  const std::vector<std::string> names{"", "VLUSB1:", "", "", "VLUSB2:"};
  for (size_t i = 0; i < printers.size(); ++i) {
    EXPECT_EQ(printers[i].DevicePath, paths[i]) << i;
    EXPECT_EQ(printers[i].PortName, names[i]) << i;
    EXPECT_EQ(printers[i].Readable, i != 2) << i;
  }
  // Each carries what the printer says of itself: its device ID as given, the model, the serial.
  const std::vector<PrinterModel> models{PrinterModel::Unknown, PrinterModel::Print350, PrinterModel::Unknown,
                                         PrinterModel::Unknown, PrinterModel::Print360};
  for (size_t i = 0; i < printers.size(); ++i) EXPECT_EQ(printers[i].Model, models[i]) << i;
  EXPECT_EQ(printers[1].DeviceId, "MFG: VELOR ;CMD:ESCPL2,D4;MDL:Print 350;");
  EXPECT_EQ(printers[1].Serial, "L35A012345");
  EXPECT_EQ(printers[2].DeviceId, "");
  EXPECT_EQ(printers[4].Serial, "");

  // An override takes the place of the printer of that name, or adds one.
  Environment["ARVANA_DEVICE_VLUSB2"] = "/dev/pts/7";
  Environment["ARVANA_DEVICE_VLUSB3"] = "/dev/pts/8";
  listed = System().ListUsbPrinters();
  ASSERT_TRUE(listed);
  printers = *listed;
  ASSERT_EQ(printers.size(), 6u);
  EXPECT_EQ(printers[4].DevicePath, "/dev/pts/7");
  EXPECT_EQ(printers[4].PortName, "VLUSB2:");
  EXPECT_EQ(printers[5].DevicePath, "/dev/pts/8");
  EXPECT_EQ(printers[5].PortName, "VLUSB3:");
  EXPECT_TRUE(printers[5].Readable);
}

// usblp where it serves the printer, libusb where it does not, or either alone when ARVANA_USB
// says so; the numbering counts our printers along that list.
TEST_F(FakeMachine, RoutesEachUsbPrinterThroughUsblpOrLibusb) {
  AddPrinter(0, "MFG:VELOR;MDL:Print 360;");
  AddPrinter(1, "MFG:Other;MDL:Print 360;");
  std::ofstream(Root / "sys/class/usbmisc/lp0/busnum") << "1\n";
  std::ofstream(Root / "sys/class/usbmisc/lp0/devnum") << "2\n";
  const auto found = [](uint8_t bus, uint8_t address, const char* id) {
    return LibusbPrinter{.Node = UsbDeviceNode("/dev", bus, address), .Bus = bus, .Address = address,
                         .Readable = id != nullptr, .DeviceId = id != nullptr ? id : "", .Serial = "S"};
  };
  LibusbFinds = {found(1, 2, "MFG:VELOR;MDL:Print 360;"), found(1, 5, "MFG:VELOR;MDL:Print 350;"),
                 found(2, 3, "MFG:Other;MDL:Print 350;"), found(3, 4, nullptr)};
  struct Expected {
    std::string Path;
    std::string PortName;
    UsbRoute Route;
  };
  const auto expect = [&](const std::vector<Expected>& expected) {
    const Outcome<std::vector<UsbPrinterEntry>> listed = System().ListUsbPrinters();
    ASSERT_TRUE(listed) << listed.Fault().Message;
    ASSERT_EQ(listed->size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
      EXPECT_EQ((*listed)[i].DevicePath, expected[i].Path) << i;
      EXPECT_EQ((*listed)[i].PortName, expected[i].PortName) << i;
      EXPECT_EQ((*listed)[i].Route, expected[i].Route) << i;
    }
  };
  // The printer usblp serves (bus 1, device 2) is not listed twice.
  expect({{Dev("usb/lp0"), "VLUSB1:", UsbRoute::Usblp},
          {Dev("usb/lp1"), "", UsbRoute::Usblp},
          {"/dev/bus/usb/001/005", "VLUSB2:", UsbRoute::Libusb},
          {"/dev/bus/usb/002/003", "", UsbRoute::Libusb},
          {"/dev/bus/usb/003/004", "", UsbRoute::Libusb}});
  Environment["ARVANA_USB"] = "libusb";
  expect({{"/dev/bus/usb/001/002", "VLUSB1:", UsbRoute::Libusb},
          {"/dev/bus/usb/001/005", "VLUSB2:", UsbRoute::Libusb},
          {"/dev/bus/usb/002/003", "", UsbRoute::Libusb},
          {"/dev/bus/usb/003/004", "", UsbRoute::Libusb}});
  Environment["ARVANA_USB"] = "usblp";
  expect({{Dev("usb/lp0"), "VLUSB1:", UsbRoute::Usblp}, {Dev("usb/lp1"), "", UsbRoute::Usblp}});

  Environment["ARVANA_USB"] = "both";
  const Outcome<std::vector<UsbPrinterEntry>> refused = System().ListUsbPrinters();
  ASSERT_FALSE(refused);
  EXPECT_EQ(refused.Fault().Message, "ARVANA_USB=both names no route to a USB printer (usblp or libusb)");

  // Where libusb cannot look, usblp's printers are still there; asked for alone, it is a failure.
  LibusbFails = true;
  Environment.erase("ARVANA_USB");
  expect({{Dev("usb/lp0"), "VLUSB1:", UsbRoute::Usblp}, {Dev("usb/lp1"), "", UsbRoute::Usblp}});
  Environment["ARVANA_USB"] = "libusb";
  EXPECT_FALSE(System().ListUsbPrinters());
}

// The device ID of a GET_DEVICE_ID reply: its length counts its own two bytes, and what did not
// arrive is not read, so a printer that leaves those two bytes out of the count still gives its ID.
TEST(DeviceIdReply, ReadsTheLengthAsIeee1284SaysClampedToWhatArrived) {
  const std::string id = "MFG:VELOR;MDL:Print 360;";
  const auto reply = [&](size_t announced, const std::string& text) {
    std::vector<uint8_t> bytes{static_cast<uint8_t>(announced >> 8), static_cast<uint8_t>(announced & 0xFF)};
    bytes.insert(bytes.end(), text.begin(), text.end());
    return bytes;
  };
  std::vector<uint8_t> bytes = reply(id.size() + 2, id);
  EXPECT_EQ(DeviceIdFromReply(bytes.data(), bytes.size()), id);
  // Off by two, and only that many bytes sent: two characters of padding are what is lost.
  bytes = reply(id.size() + 2, id + "  ");
  EXPECT_EQ(DeviceIdFromReply(bytes.data(), id.size() + 2), id);
  // A length beyond the reply is clamped to it; one below it ends the ID there.
  bytes = reply(1000, id);
  EXPECT_EQ(DeviceIdFromReply(bytes.data(), bytes.size()), id);
  bytes = reply(2 + 9, id);
  EXPECT_EQ(DeviceIdFromReply(bytes.data(), bytes.size()), "MFG:VELOR");
  // Nothing, a length alone, or an ID ended by a zero byte.
  EXPECT_EQ(DeviceIdFromReply(bytes.data(), 1), "");
  bytes = reply(2, "");
  EXPECT_EQ(DeviceIdFromReply(bytes.data(), bytes.size()), "");
  bytes = reply(id.size() + 2, std::string("MFG:VELOR;\0junk", 15));
  EXPECT_EQ(DeviceIdFromReply(bytes.data(), bytes.size()), "MFG:VELOR;");
}

TEST_F(FakeMachine, NoUsbPrinterDriverMeansNoPrintersButOverridesStillCount) {
  Outcome<std::vector<UsbPrinterEntry>> listed = System().ListUsbPrinters();
  ASSERT_TRUE(listed);
  EXPECT_TRUE(listed->empty());

  Environment["ARVANA_DEVICE_VLUSB1"] = "/dev/pts/3";
  listed = System().ListUsbPrinters();
  ASSERT_TRUE(listed);
  ASSERT_EQ(listed->size(), 1u);
  EXPECT_EQ((*listed)[0].DevicePath, "/dev/pts/3");
  EXPECT_EQ((*listed)[0].PortName, "VLUSB1:");
  EXPECT_EQ((*listed)[0].Model, PrinterModel::Unknown);  // a pseudo-terminal says nothing of itself
}

TEST_F(FakeMachine, OpensParallelPortsByNameAndTracesWhenAsked) {
  std::ofstream(Root / "dev/lp0").put('\0');
  std::ofstream(Root / "dev/other").put('\0');
  LinuxPortSystem system = System();
  EXPECT_TRUE(system.OpenParallel("LPT1"));
  const auto missing = system.OpenParallel("LPT2");
  ASSERT_FALSE(missing);
  EXPECT_EQ(missing.Fault().Message, Dev("lp1") + ": No such file or directory");
  const auto unknown = system.OpenParallel("LPT4");
  ASSERT_FALSE(unknown);
  EXPECT_NE(unknown.Fault().Message.find("LPT4"), std::string::npos);
  const auto missingUsb = system.OpenUsb(Dev("usb/lp0"));
  ASSERT_FALSE(missingUsb);
  EXPECT_EQ(missingUsb.Fault().Message, Dev("usb/lp0") + ": No such file or directory");

  Environment["ARVANA_DEVICE_LPT3"] = Dev("other");
  EXPECT_EQ(system.ParallelNode("LPT1"), Dev("lp0"));
  EXPECT_EQ(system.ParallelNode("lpt3"), Dev("other"));
  EXPECT_EQ(system.ParallelNode("LPT4"), "");
  Environment["ARVANA_TRACE"] = (Root / "trace.log").string();
  Clock.Advance(70000);
  auto opened = system.OpenParallel("lpt3");
  ASSERT_TRUE(opened) << opened.Fault().Message;
  std::unique_ptr<PortDevice>& device = *opened;
  Clock.Advance(1500);
  const uint8_t block[] = {0x00, 0x00, 0x00, 0x1B, 0x01, 0x40};
  size_t written = 0;
  ASSERT_TRUE(Transferred(device->Write(block, sizeof block, written)));
  std::stringstream trace;
  trace << std::ifstream(Root / "trace.log").rdbuf();
  EXPECT_EQ(trace.str(), "1.500 H>P 00 00 00 1B 01 40\n");
  EXPECT_EQ(fs::file_size(Root / "dev/other"), 6u);  // the override's node got the bytes
}
