// The in-process ports: names, USB discovery, parallel byte stream versus USB answer blocks, faults.
#include <gtest/gtest.h>

#include "sim/SimPortSystem.h"
#include "tests/sim/SimTestSupport.h"

namespace {

struct SimPorts : SimHost {
  SimPortSystem Ports{Printer, TheClock};
};

TEST(SimPortSystem, NamesDiscoveryAndRefusals) {
  SimPorts sim;
  std::string reason;
  for (const char* name : {"LPT1", "LPT2", "LPT3"}) EXPECT_NE(sim.Ports.OpenParallel(name, reason), nullptr) << name;
  for (const char* name : {"LPT4", "LPT1:", "lpt1", "sim:usb1"}) {
    reason.clear();
    EXPECT_EQ(sim.Ports.OpenParallel(name, reason), nullptr) << name;
    EXPECT_FALSE(reason.empty()) << name;
  }

  std::vector<UsbPrinterEntry> printers;
  ASSERT_TRUE(sim.Ports.ListUsbPrinters(printers));
  ASSERT_EQ(printers.size(), 3u);
  for (size_t i = 0; i < printers.size(); ++i) {
    EXPECT_EQ(printers[i].DevicePath, "sim:usb" + std::to_string(i + 1));
    EXPECT_EQ(printers[i].PortName, "VLUSB" + std::to_string(i + 1) + ":");
    EXPECT_NE(sim.Ports.OpenUsb(printers[i].DevicePath, reason), nullptr);
  }
  EXPECT_EQ(sim.Ports.OpenUsb("VLUSB1:", reason), nullptr);

  sim.Ports.SetOpenFails(true);
  reason.clear();
  EXPECT_EQ(sim.Ports.OpenParallel("LPT1", reason), nullptr);
  EXPECT_NE(reason.find("Permission denied"), std::string::npos);
  EXPECT_EQ(sim.Ports.OpenUsb("sim:usb1", reason), nullptr);

  sim.Ports.SetListFails(true);
  EXPECT_FALSE(sim.Ports.ListUsbPrinters(printers));
  EXPECT_TRUE(printers.empty());
}

TEST(SimPortDevice, ParallelReadsAByteStreamAndWaitsOutTimeouts) {
  SimPorts sim;
  std::string reason;
  std::unique_ptr<PortDevice> port = sim.Ports.OpenParallel("LPT2", reason);
  ASSERT_NE(port, nullptr);
  const CommTimeouts timeouts{200, 1, 5000, 1, 3000};
  ASSERT_TRUE(port->SetTimeouts(timeouts));
  CommTimeouts readBack;
  ASSERT_TRUE(port->GetTimeouts(readBack));
  EXPECT_EQ(readBack, timeouts);

  size_t written = 0;
  const Bytes modeSwitch = ModeSwitchBlock();
  ASSERT_TRUE(Transferred(port->Write(modeSwitch.data(), modeSwitch.size(), written)));
  EXPECT_EQ(written, modeSwitch.size());
  const Bytes init = InitBlock();
  ASSERT_TRUE(Transferred(port->Write(init.data(), init.size(), written)));

  // Two answers wait (8 and 9 bytes); the host reads the header, then the rest.
  uint8_t buffer[256] = {};
  size_t got = 0;
  ASSERT_TRUE(Transferred(port->Read(buffer, 6, got)));
  EXPECT_EQ(got, 6u);
  EXPECT_EQ(buffer[3], 0x08);
  ASSERT_TRUE(Transferred(port->Read(buffer + 6, 2, got)));
  EXPECT_EQ(got, 2u);
  EXPECT_EQ(buffer[6], 0xD1);
  EXPECT_TRUE(sim.TheClock.Pauses().empty());

  // Asking for more than waits: the 9 bytes come after the interval time-out.
  ASSERT_TRUE(Transferred(port->Read(buffer, 20, got)));
  EXPECT_EQ(got, 9u);
  EXPECT_EQ(buffer[6], 0x80);
  EXPECT_EQ(sim.TheClock.Pauses(), (std::vector<uint32_t>{200}));

  // Nothing waits: the whole total time-out, 1 ms x 6 + 5000.
  sim.TheClock.ClearPauses();
  ASSERT_TRUE(Transferred(port->Read(buffer, 6, got)));
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(sim.TheClock.Pauses(), (std::vector<uint32_t>{5006}));
}

TEST(SimPortDevice, UsbReadsOneAnswerPerRead) {
  SimPorts sim;
  std::string reason;
  std::unique_ptr<PortDevice> port = sim.Ports.OpenUsb("sim:usb3", reason);
  ASSERT_NE(port, nullptr);
  CommTimeouts timeouts;
  EXPECT_FALSE(port->GetTimeouts(timeouts));

  size_t written = 0;
  for (const Bytes& block : {ModeSwitchBlock(), InitBlock()})
    ASSERT_TRUE(Transferred(port->Write(block.data(), block.size(), written)));
  uint8_t buffer[256] = {};
  size_t got = 0;
  ASSERT_TRUE(Transferred(port->Read(buffer, sizeof buffer, got)));
  EXPECT_EQ(got, 8u);
  EXPECT_EQ(buffer[6], 0xD1);
  ASSERT_TRUE(Transferred(port->Read(buffer, sizeof buffer, got)));
  EXPECT_EQ(got, 9u);
  EXPECT_EQ(buffer[6], 0x80);
  ASSERT_TRUE(Transferred(port->Read(buffer, sizeof buffer, got)));
  EXPECT_EQ(got, 0u);
  EXPECT_TRUE(sim.TheClock.Pauses().empty()) << "an empty USB read returns at once";
}

TEST(SimPortDevice, ShortWriteLosesTheBlock) {
  SimPorts sim;
  std::string reason;
  std::unique_ptr<PortDevice> port = sim.Ports.OpenUsb("sim:usb1", reason);
  sim.Printer.Faults().ShortWrite = true;
  const Bytes modeSwitch = ModeSwitchBlock();
  size_t written = 0;
  ASSERT_TRUE(Transferred(port->Write(modeSwitch.data(), modeSwitch.size(), written)));
  EXPECT_EQ(written, modeSwitch.size() - 1);
  EXPECT_FALSE(sim.Printer.InPacketMode());
  EXPECT_TRUE(sim.Printer.Capture().empty());
  EXPECT_EQ(sim.Printer.PendingReplyBytes(), 0u);
}

}  // namespace

namespace {

TEST(SimPortSystem, ASwitchedOffPrinterHasNoUsbDeviceAndASilentParallelPort) {
  SimPorts sim;
  std::string reason;
  std::unique_ptr<PortDevice> usb = sim.Ports.OpenUsb("sim:usb1", reason);
  ASSERT_NE(usb, nullptr);
  sim.Printer.PowerOff();
  std::vector<UsbPrinterEntry> printers;
  ASSERT_TRUE(sim.Ports.ListUsbPrinters(printers));
  EXPECT_TRUE(printers.empty());
  EXPECT_EQ(sim.Ports.OpenUsb("sim:usb1", reason), nullptr);
  const Bytes block = ModeSwitchBlock();
  size_t written = 99;
  EXPECT_EQ(usb->Write(block.data(), block.size(), written), PortResult::DeviceLost);  // the device it had is gone
  EXPECT_EQ(written, 0u);

  std::unique_ptr<PortDevice> parallel = sim.Ports.OpenParallel("LPT1", reason);
  ASSERT_NE(parallel, nullptr);
  EXPECT_TRUE(Transferred(parallel->Write(block.data(), block.size(), written)));
  EXPECT_EQ(sim.Printer.PendingReplyBytes(), 0u);

  sim.Printer.PowerOn();
  ASSERT_TRUE(sim.Ports.ListUsbPrinters(printers));
  EXPECT_EQ(printers.size(), 3u);
}

}  // namespace
