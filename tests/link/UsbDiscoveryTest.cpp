// The driver and the Linux port system together, on a made-up sysfs and /dev tree.
#include "platform/LinuxPortSystem.h"
#include "tests/link/LinkFixture.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdlib.h>

namespace fs = std::filesystem;

class UsbDiscoveryTest : public testing::Test {
protected:
  void SetUp() override {
    char pattern[] = "/tmp/arvana-discovery-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    Root = pattern;
    fs::create_directories(Root / "dev/usb");
  }
  void TearDown() override { fs::remove_all(Root); }

  // A usblp printer lpN with its device node (a plain file that collects what is written).
  void AddPrinter(int number, const std::string& deviceId) {
    const std::string name = "lp" + std::to_string(number);
    const fs::path device = Root / "sys/class/usbmisc" / name / "device";
    fs::create_directories(device);
    std::ofstream(device / "ieee1284_id") << deviceId;
    std::ofstream(Root / "dev/usb" / name);
  }
  std::string Written(int number) const {
    std::ifstream node(Root / "dev/usb" / ("lp" + std::to_string(number)), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(node), {});
  }

  fs::path Root;
  VirtualClock Clock;
  TestDialogs Boxes;
  TestProgramEnd End;
  FakeFatalExit Fatal{Boxes, End};
  FixedPortChoice Choice;
};

TEST_F(UsbDiscoveryTest, OpensOnlyThePrinterWithTheChosenPortName) {
  AddPrinter(0, "MFG:VELOR;CMD:ESCPL2;MDL:Print 350;");
  AddPrinter(3, "MFG:Velor;CMD:ESCPL2;MDL:Print 360;");  // maker in other letter case
  // libusb finds nothing here: only the made-up tree counts.
  LinuxPortSystem ports((Root / "sys").string(), (Root / "dev").string(),
                        [](const std::string&) { return std::optional<std::string>(); }, &Clock,
                        [](const std::string&) { return Outcome<std::vector<LibusbPrinter>>(std::vector<LibusbPrinter>()); });
  TPPrinterDriver driver(ports, Choice, Clock, Boxes, Fatal);

  const Bytes block{'h', 'i'};
  Choice.Index = 1;
  driver.OpenPort(1);
  EXPECT_STREQ(driver.ChosenPortName(), "VLUSB2:");
  // The port says how it reached the printer, for status --json and the start window.
  EXPECT_EQ(driver.OpenedRoute(), "usblp");
  EXPECT_EQ(driver.OpenedNode(), (Root / "dev/usb/lp3").string());
  driver.WritePort(block.data(), block.size());
  Choice.Index = 0;
  driver.OpenPort(0);
  driver.WritePort(block.data(), 1);
  EXPECT_EQ(Written(3), "hi");
  EXPECT_EQ(Written(0), "h");
  EXPECT_TRUE(Boxes.Shown.empty());

  // There is no third printer.
  EXPECT_THROW(driver.OpenPort(2), ProgramEnded);
  EXPECT_EQ(driver.OpenedRoute(), "");
  EXPECT_EQ(Boxes.Texts(), (std::vector<std::string>{"Cannot open port."}));
}
