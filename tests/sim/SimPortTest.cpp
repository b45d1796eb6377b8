// The in-process ports: names, USB discovery, parallel byte stream versus USB answer blocks, faults.
#include <gtest/gtest.h>

#include "sim/ports/SimPortSystem.h"
#include "tests/sim/SimTestSupport.h"

namespace {

struct SimPorts : SimHost {
  SimPortSystem Ports{Printer, TheClock};
};

TEST(SimPortSystem, NamesDiscoveryAndRefusals) {
  SimPorts sim;
  for (const char* name : {"LPT1", "LPT2", "LPT3"}) EXPECT_TRUE(sim.Ports.OpenParallel(name)) << name;
  for (const char* name : {"LPT4", "LPT1:", "lpt1", "sim:usb1"}) {
    const auto refused = sim.Ports.OpenParallel(name);
    ASSERT_FALSE(refused) << name;
    EXPECT_EQ(refused.Fault().Kind, FailureKind::NotFound) << name;
    EXPECT_FALSE(refused.Fault().Message.empty()) << name;
  }

  Outcome<std::vector<UsbPrinterEntry>> listed = sim.Ports.ListUsbPrinters();
  ASSERT_TRUE(listed);
  const std::vector<UsbPrinterEntry> printers = *listed;
  ASSERT_EQ(printers.size(), 3u);
  for (size_t i = 0; i < printers.size(); ++i) {
    EXPECT_EQ(printers[i].DevicePath, "sim:usb" + std::to_string(i + 1));
    EXPECT_EQ(printers[i].PortName, "VLUSB" + std::to_string(i + 1) + ":");
    EXPECT_TRUE(sim.Ports.OpenUsb(printers[i].DevicePath));
  }
  EXPECT_EQ(sim.Ports.ParallelNode("LPT2"), "virtual printer");
  EXPECT_EQ(sim.Ports.ParallelNode("LPT4"), "");
  EXPECT_FALSE(sim.Ports.OpenUsb("VLUSB1:"));

  sim.Ports.SetOpenFails(true);
  const auto refused = sim.Ports.OpenParallel("LPT1");
  ASSERT_FALSE(refused);
  EXPECT_EQ(refused.Fault().Kind, FailureKind::AccessRefused);
  EXPECT_NE(refused.Fault().Message.find("Permission denied"), std::string::npos);
  EXPECT_FALSE(sim.Ports.OpenUsb("sim:usb1"));

  sim.Ports.SetListFails(true);
  EXPECT_FALSE(sim.Ports.ListUsbPrinters());
}

// The time-outs are waited out on the printer's clock: the interval once some bytes came, the
// whole total when none did; an empty USB read returns at once.
TEST(SimPortDevice, TimeoutsPassOnThePrintersClock) {
  SimPorts sim;
  std::unique_ptr<PortDevice> port = std::move(*sim.Ports.OpenParallel("LPT2"));
  ASSERT_TRUE(port->SetTimeouts(CommTimeouts{200, 1, 5000, 1, 3000}));
  size_t written = 0;
  const Bytes modeSwitch = ModeSwitchBlock();
  ASSERT_EQ(port->Write(modeSwitch.data(), modeSwitch.size(), written), PortResult::Done);

  uint8_t buffer[256] = {};
  size_t got = 0;
  ASSERT_EQ(port->Read(buffer, 6, got), PortResult::Done);
  EXPECT_TRUE(sim.TheClock.Pauses().empty());
  ASSERT_EQ(port->Read(buffer, 20, got), PortResult::TimedOut);
  EXPECT_EQ(got, 2u);
  EXPECT_EQ(sim.TheClock.Pauses(), (std::vector<uint32_t>{200}));
  sim.TheClock.ClearPauses();
  ASSERT_EQ(port->Read(buffer, 6, got), PortResult::TimedOut);
  EXPECT_EQ(sim.TheClock.Pauses(), (std::vector<uint32_t>{5006}));  // 1 ms x 6 + 5000

  sim.TheClock.ClearPauses();
  std::unique_ptr<PortDevice> usb = std::move(*sim.Ports.OpenUsb("sim:usb3"));
  ASSERT_EQ(usb->Read(buffer, sizeof buffer, got), PortResult::TimedOut);
  EXPECT_TRUE(sim.TheClock.Pauses().empty());
}

TEST(SimPortDevice, ShortWriteLosesTheBlock) {
  SimPorts sim;
  std::unique_ptr<PortDevice> port = std::move(*sim.Ports.OpenUsb("sim:usb1"));
  sim.Printer.Faults().ShortWrite = true;
  const Bytes modeSwitch = ModeSwitchBlock();
  size_t written = 0;
  ASSERT_EQ(port->Write(modeSwitch.data(), modeSwitch.size(), written), PortResult::TimedOut);
  EXPECT_EQ(written, modeSwitch.size() - 1);
  EXPECT_FALSE(sim.Printer.InPacketMode());
  EXPECT_TRUE(sim.Printer.Capture().empty());
  EXPECT_EQ(sim.Printer.PendingReplyBytes(), 0u);
}

}  // namespace

namespace {

TEST(SimPortSystem, ASwitchedOffPrinterHasNoUsbDeviceAndASilentParallelPort) {
  SimPorts sim;
  sim.Printer.PowerOff();
  Outcome<std::vector<UsbPrinterEntry>> listed = sim.Ports.ListUsbPrinters();
  ASSERT_TRUE(listed);
  EXPECT_TRUE(listed->empty());
  EXPECT_FALSE(sim.Ports.OpenUsb("sim:usb1"));
  // A parallel port takes the block into silence.
  const Bytes block = ModeSwitchBlock();
  size_t written = 0;
  std::unique_ptr<PortDevice> parallel = std::move(*sim.Ports.OpenParallel("LPT1"));
  EXPECT_EQ(parallel->Write(block.data(), block.size(), written), PortResult::Done);
  EXPECT_EQ(sim.Printer.PendingReplyBytes(), 0u);

  sim.Printer.PowerOn();
  listed = sim.Ports.ListUsbPrinters();
  ASSERT_TRUE(listed);
  EXPECT_EQ(listed->size(), 3u);
}

}  // namespace
