// The Linux port device on a pseudo-terminal, where it differs from other ports: raw bytes, real time-outs, locks.
#include "platform/LinuxClock.h"
#include "platform/LinuxPortDevice.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <vector>

namespace {

// The printer's end of a pseudo-terminal; the device under test opens the other end.
class PrinterEnd {
public:
  PrinterEnd() {
    Master = posix_openpt(O_RDWR | O_NOCTTY);
    if (Master >= 0 && grantpt(Master) == 0 && unlockpt(Master) == 0) DevicePath = ptsname(Master);
  }
  ~PrinterEnd() { Close(); }
  void Close() {
    if (Master >= 0) ::close(Master);
    Master = -1;
  }

  void Send(const std::vector<uint8_t>& bytes) {
    ASSERT_EQ(::write(Master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }

  // What the host wrote: `count` bytes, or fewer when nothing more comes within `quietMs`.
  std::vector<uint8_t> Receive(size_t count, int quietMs = 1000) {
    std::vector<uint8_t> bytes;
    while (bytes.size() < count) {
      pollfd entry{Master, POLLIN, 0};
      if (::poll(&entry, 1, quietMs) <= 0) break;
      uint8_t chunk[256];
      const ssize_t got = ::read(Master, chunk, std::min(sizeof chunk, count - bytes.size()));
      if (got <= 0) break;
      bytes.insert(bytes.end(), chunk, chunk + got);
    }
    return bytes;
  }

  int Master = -1;
  std::string DevicePath;
};

std::unique_ptr<LinuxPortDevice> OpenDevice(const PrinterEnd& printer, LinuxPortDevice::DeviceKind kind,
                                            const UsbDeviceTiming& timing = UsbDeviceTiming()) {
  auto device = LinuxPortDevice::Open(printer.DevicePath, kind, timing);
  EXPECT_TRUE(device) << device.Fault().Message;
  return device ? std::move(*device) : nullptr;
}

// Every byte value, among them those a terminal would otherwise translate or act on.
const std::vector<uint8_t> Awkward{0x0A, 0x0D, 0x03, 0x11, 0x13, 0x04, 0x7F, 0x00, 0x1B, 0xFF};

}  // namespace

// Raw bytes: what a terminal would otherwise translate, echo or act on goes through unchanged.
TEST(LinuxPortDevice, CommDeviceCarriesRawBytesBothWaysWithoutTimeLimits) {
  PrinterEnd printer;
  ASSERT_FALSE(printer.DevicePath.empty());
  auto device = OpenDevice(printer, LinuxPortDevice::DeviceKind::Comm);
  ASSERT_TRUE(device);

  // Zero time-outs: the read waits until every byte asked for has arrived.
  ASSERT_TRUE(device->SetTimeouts(CommTimeouts{}));
  size_t written = 0;
  ASSERT_EQ(device->Write(Awkward.data(), Awkward.size(), written), PortResult::Done);
  EXPECT_EQ(written, Awkward.size());
  // Asserted: a terminal that is not raw would also hold back the reply below forever.
  ASSERT_EQ(printer.Receive(Awkward.size()), Awkward);
  ASSERT_TRUE(printer.Receive(1, 20).empty());  // nothing added

  printer.Send(Awkward);
  std::vector<uint8_t> reply(Awkward.size());
  size_t got = 0;
  ASSERT_EQ(device->Read(reply.data(), reply.size(), got), PortResult::Done);
  EXPECT_EQ(reply, Awkward);
  EXPECT_TRUE(printer.Receive(1, 20).empty());  // nothing echoed
}

// The gap after the last byte ends a read long before its total time-out; with nothing at all the total does.
TEST(LinuxPortDevice, CommReadEndsAtTheIntervalOrTotalTimeout) {
  PrinterEnd printer;
  auto device = OpenDevice(printer, LinuxPortDevice::DeviceKind::Comm);
  ASSERT_TRUE(device);
  LinuxClock clock;
  uint8_t buffer[16] = {};
  size_t got = 99;

  ASSERT_TRUE(device->SetTimeouts(CommTimeouts{20, 0, 5000, 0, 0}));
  printer.Send({0x01, 0x02, 0x03});
  int64_t start = clock.SteadyMilliseconds();
  ASSERT_EQ(device->Read(buffer, 10, got), PortResult::TimedOut);
  EXPECT_LT(clock.SteadyMilliseconds() - start, 2500);

  // 1 ms x 10 + 30 ms.
  ASSERT_TRUE(device->SetTimeouts(CommTimeouts{20, 1, 30, 0, 0}));
  start = clock.SteadyMilliseconds();
  ASSERT_EQ(device->Read(buffer, 10, got), PortResult::TimedOut);
  EXPECT_GE(clock.SteadyMilliseconds() - start, 40);
}

TEST(LinuxPortDevice, CommWriteReportsWhatWasAcceptedWhenTheTotalTimeoutPasses) {
  PrinterEnd printer;
  auto device = OpenDevice(printer, LinuxPortDevice::DeviceKind::Comm);
  ASSERT_TRUE(device);
  ASSERT_TRUE(device->SetTimeouts(CommTimeouts{0, 0, 0, 0, 30}));
  // Far more than the terminal buffers while the printer reads nothing.
  const std::vector<uint8_t> block(4 << 20, 0x55);
  size_t written = 0;
  ASSERT_EQ(device->Write(block.data(), block.size(), written), PortResult::TimedOut);
  EXPECT_GT(written, 0u);
  EXPECT_LT(written, block.size());
}

// A command's time limit reaches below the device's own time-outs: a USB printer that takes
// nothing would otherwise hold the write for its whole time-out (here a minute).
TEST(LinuxPortDevice, LimitedWaitsEndAWriteTheDeviceWouldHoldLonger) {
  PrinterEnd printer;
  UsbDeviceTiming timing;
  timing.WriteConstantMs = 60000;
  timing.FirstByteMs = 60000;
  auto device = OpenDevice(printer, LinuxPortDevice::DeviceKind::UsbPrinter, timing);
  ASSERT_TRUE(device);
  device->LimitWaits(100);
  LinuxClock clock;
  const int64_t start = clock.SteadyMilliseconds();
  const std::vector<uint8_t> block(4 << 20, 0x55);
  size_t written = 0;
  ASSERT_EQ(device->Write(block.data(), block.size(), written), PortResult::TimedOut);
  EXPECT_LT(written, block.size());
  uint8_t reply[16];
  size_t got = 99;
  ASSERT_EQ(device->Read(reply, sizeof reply, got), PortResult::TimedOut);
  EXPECT_EQ(got, 0u);
  // Far below either time-out of the device: only the limit can have ended them.
  EXPECT_LT(clock.SteadyMilliseconds() - start, 30000);
}

// A terminal whose other end closed has hung up: reads see it as well as writes (on USB the contract shows writes).
TEST(LinuxPortDevice, LostDeviceAndMissingNodeAreErrors) {
  PrinterEnd printer;
  auto device = OpenDevice(printer, LinuxPortDevice::DeviceKind::Comm);
  ASSERT_TRUE(device);
  ASSERT_TRUE(device->SetTimeouts(CommTimeouts{20, 0, 2000, 0, 2000}));
  printer.Close();
  uint8_t buffer[4];
  size_t count = 0;
  EXPECT_EQ(device->Read(buffer, sizeof buffer, count), PortResult::DeviceLost);
  EXPECT_EQ(device->Write(buffer, sizeof buffer, count), PortResult::DeviceLost);

  const auto missing = LinuxPortDevice::Open("/nonexistent/lp7", LinuxPortDevice::DeviceKind::Comm);
  ASSERT_FALSE(missing);
  EXPECT_EQ(missing.Fault().Kind, FailureKind::NotFound);
  EXPECT_EQ(missing.Fault().Message, "/nonexistent/lp7: No such file or directory");
}

// One program per printer: while a port is open, a second open of the same node is refused and
// says why; closing the first frees it. The lock is taken on plain files as on terminals.
TEST(LinuxPortDevice, ASecondOpenOfAHeldDeviceIsRefusedUntilTheFirstCloses) {
  PrinterEnd printer;
  char file[] = "/tmp/arvana-lock-XXXXXX";
  const int fd = mkstemp(file);
  ASSERT_GE(fd, 0);
  close(fd);
  for (const std::string& path : {printer.DevicePath, std::string(file)}) {
    auto first = LinuxPortDevice::Open(path, LinuxPortDevice::DeviceKind::UsbPrinter);
    ASSERT_TRUE(first) << first.Fault().Message;
    const auto second = LinuxPortDevice::Open(path, LinuxPortDevice::DeviceKind::UsbPrinter);
    ASSERT_FALSE(second);
    EXPECT_EQ(second.Fault().Kind, FailureKind::InUse);
    EXPECT_EQ(second.Fault().Message, std::string(PortInUseText) + " (" + path + ")");
    first->reset();
    EXPECT_TRUE(LinuxPortDevice::Open(path, LinuxPortDevice::DeviceKind::UsbPrinter));
  }
  unlink(file);
}
