// The driver on a made-up sysfs and /dev tree: a foreign printer that cannot describe itself is passed over.
#include "link/TPPrinterDriver.h"
#include "platform/LinuxPortSystem.h"
#include "platform/VirtualClock.h"
#include "tests/support/FakeFatalExit.h"
#include "tests/support/TestDialogs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdlib.h>

namespace fs = std::filesystem;

namespace {

class FirstUsbPort : public PortChoice {
public:
  int16_t GetPortIndex() const override { return 0; }
};

TEST(UsbDiscoveryOnSysfs, AnUnreadableDeviceIdNextToTheChosenPrinterIsSkipped) {
  char pattern[] = "/tmp/arvana-discovery-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const fs::path root = pattern;
  fs::create_directories(root / "dev/usb");
  for (int number : {0, 1}) fs::create_directories(root / "sys/class/usbmisc" / ("lp" + std::to_string(number)) / "device");
  // lp0 has no readable description; lp1 is ours.
  std::ofstream(root / "sys/class/usbmisc/lp1/device/ieee1284_id") << "MFG:VELOR;CMD:ESCPL2,D4;MDL:Print 360;";
  std::ofstream(root / "dev/usb/lp0");
  std::ofstream(root / "dev/usb/lp1");

  VirtualClock clock;
  LinuxPortSystem ports((root / "sys").string(), (root / "dev").string(),
                        [](const std::string&) -> std::optional<std::string> { return std::nullopt; }, &clock,
                        [](const std::string&) { return Outcome<std::vector<LibusbPrinter>>(std::vector<LibusbPrinter>()); });
  FirstUsbPort choice;
  TestDialogs boxes;
  TestProgramEnd end;
  FakeFatalExit fatal{boxes, end};
  TPPrinterDriver driver(ports, choice, clock, boxes, fatal);
  driver.OpenPort(0);
  EXPECT_TRUE(driver.IsOpen());
  EXPECT_STREQ(driver.ChosenPortName(), "VLUSB1:");
  EXPECT_TRUE(boxes.Shown.empty());
  driver.ClosePort();
  fs::remove_all(root);
}

}  // namespace
