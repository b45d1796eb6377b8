// What the link relies on from every port: the same cases over the in-process virtual printer and over
// the program's own Linux port code on a pseudo-terminal that the virtual printer serves.
#include "link/LinkWire.h"
#include "platform/LinuxPortDevice.h"
#include "sim/ports/PtyServer.h"
#include "sim/ports/SimPortSystem.h"
#include "tests/sim/SimTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

enum class PortKind { Parallel, Usb };

// Short time-outs, so that the ports on real time wait little; the virtual printer waits them out on its clock.
constexpr CommTimeouts ShortTimeouts{
    .ReadIntervalTimeout = 20,
    .ReadTotalTimeoutMultiplier = 0,
    .ReadTotalTimeoutConstant = 50,
    .WriteTotalTimeoutMultiplier = 0,
    .WriteTotalTimeoutConstant = 1000,
};

// The answers of the printer to the mode switch (8 bytes) and to Init (9 bytes), told by their code byte.
constexpr size_t ModeSwitchReplySize = 8;
constexpr size_t InitReplySize = 9;
constexpr size_t ReplyCodeAt = 6;
constexpr uint8_t ModeSwitchReplyCode = 0xD1;
constexpr uint8_t InitReplyCode = 0x80;

// The ports of the in-process virtual printer; its answers are there as soon as the write returns.
class InProcessPrinter {
public:
  std::unique_ptr<PortDevice> Open(PortKind kind) {
    auto port = kind == PortKind::Usb ? Ports.OpenUsb("sim:usb1") : Ports.OpenParallel("LPT1");
    EXPECT_TRUE(port) << port.Fault().Message;
    return port ? std::move(*port) : nullptr;
  }
  void Answer() {}
  // A USB printer's device goes with its power.
  void LoseDevice() { Printer.PowerOff(); }

private:
  VirtualClock TheClock;
  VirtualPrinter Printer{TheClock, ""};
  SimPortSystem Ports{Printer, TheClock};
};

// The program's Linux port on a pseudo-terminal; the virtual printer answers when it is served.
class PseudoTerminalPrinter {
public:
  PseudoTerminalPrinter() {
    std::string reason;
    EXPECT_TRUE(Server->Open(reason)) << reason;
  }
  std::unique_ptr<PortDevice> Open(PortKind kind) {
    UsbDeviceTiming timing;
    timing.FirstByteMs = 50;
    auto port = LinuxPortDevice::Open(
        Server->SlavePath(),
        kind == PortKind::Usb ? LinuxPortDevice::DeviceKind::UsbPrinter : LinuxPortDevice::DeviceKind::Comm, timing);
    EXPECT_TRUE(port) << port.Fault().Message;
    return port ? std::unique_ptr<PortDevice>(std::move(*port)) : nullptr;
  }
  void Answer() {
    std::string reason;
    ASSERT_TRUE(Server->ServeOnce(1000, reason)) << reason;
  }
  // The server's end closes: the terminal hangs up, as a printer's node does when it goes.
  void LoseDevice() { Server.reset(); }

private:
  VirtualClock TheClock;
  VirtualPrinter Printer{TheClock, ""};
  std::unique_ptr<PtyServer> Server = std::make_unique<PtyServer>(Printer, TheClock);
};

template <class Printer>
class PortContract : public testing::Test {
protected:
  // Writes the block whole, as every port does while the printer takes it.
  void WriteWhole(PortDevice& port, const Bytes& block) {
    size_t written = 0;
    ASSERT_EQ(port.Write(block.data(), block.size(), written), PortResult::Done);
    ASSERT_EQ(written, block.size());
  }

  Printer ThePrinterSide;
  uint8_t Buffer[256] = {};
  size_t Got = 0;
};

using PortImplementations = testing::Types<InProcessPrinter, PseudoTerminalPrinter>;
TYPED_TEST_SUITE(PortContract, PortImplementations);

TYPED_TEST(PortContract, AParallelPortKeepsTheTimeoutsSetAndAUsbPortItsOwn) {
  auto parallel = this->ThePrinterSide.Open(PortKind::Parallel);
  ASSERT_TRUE(parallel);
  ASSERT_TRUE(parallel->SetTimeouts(ShortTimeouts));
  CommTimeouts readBack;
  ASSERT_TRUE(parallel->GetTimeouts(readBack));
  EXPECT_EQ(readBack, ShortTimeouts);
  parallel.reset();

  auto usb = this->ThePrinterSide.Open(PortKind::Usb);
  ASSERT_TRUE(usb);
  EXPECT_FALSE(usb->GetTimeouts(readBack));
  EXPECT_FALSE(usb->SetTimeouts(ShortTimeouts));
}

// The answers form one byte stream: a read asking for more than waits ends with what came, as a time-out.
TYPED_TEST(PortContract, AParallelReadTakesBytesFromTheStreamAndTimesOutShort) {
  auto port = this->ThePrinterSide.Open(PortKind::Parallel);
  ASSERT_TRUE(port);
  ASSERT_TRUE(port->SetTimeouts(ShortTimeouts));
  // Each block answered before the next is written: a server that found the two in one read and
  // one that found them apart answer alike, both replies waiting in the stream.
  this->WriteWhole(*port, ModeSwitchBlock());
  this->ThePrinterSide.Answer();
  this->WriteWhole(*port, InitBlock());
  this->ThePrinterSide.Answer();

  ASSERT_EQ(port->Read(this->Buffer, LinkWire::PacketHeaderSize, this->Got), PortResult::Done);
  EXPECT_EQ(this->Got, LinkWire::PacketHeaderSize);
  EXPECT_EQ(this->Buffer[3], ModeSwitchReplySize);
  ASSERT_EQ(port->Read(this->Buffer + LinkWire::PacketHeaderSize, 2, this->Got), PortResult::Done);
  EXPECT_EQ(this->Buffer[ReplyCodeAt], ModeSwitchReplyCode);

  EXPECT_EQ(port->Read(this->Buffer, 20, this->Got), PortResult::TimedOut);
  EXPECT_EQ(this->Got, InitReplySize);
  EXPECT_EQ(this->Buffer[ReplyCodeAt], InitReplyCode);

  EXPECT_EQ(port->Read(this->Buffer, LinkWire::PacketHeaderSize, this->Got), PortResult::TimedOut);
  EXPECT_EQ(this->Got, 0u);
}

// One read is one answer; a buffer smaller than the answer takes it in parts; nothing waiting is a time-out.
TYPED_TEST(PortContract, AUsbReadTakesOneAnswer) {
  auto port = this->ThePrinterSide.Open(PortKind::Usb);
  ASSERT_TRUE(port);
  this->WriteWhole(*port, ModeSwitchBlock());
  this->ThePrinterSide.Answer();
  EXPECT_EQ(port->Read(this->Buffer, sizeof this->Buffer, this->Got), PortResult::TimedOut);
  EXPECT_EQ(this->Got, ModeSwitchReplySize);
  EXPECT_EQ(this->Buffer[ReplyCodeAt], ModeSwitchReplyCode);

  this->WriteWhole(*port, InitBlock());
  this->ThePrinterSide.Answer();
  ASSERT_EQ(port->Read(this->Buffer, 3, this->Got), PortResult::Done);
  EXPECT_EQ(this->Got, 3u);
  EXPECT_EQ(port->Read(this->Buffer, sizeof this->Buffer, this->Got), PortResult::TimedOut);
  EXPECT_EQ(this->Got, InitReplySize - 3);
  EXPECT_EQ(this->Buffer[ReplyCodeAt - 3], InitReplyCode);

  EXPECT_EQ(port->Read(this->Buffer, sizeof this->Buffer, this->Got), PortResult::TimedOut);
  EXPECT_EQ(this->Got, 0u);
}

// A printer that merely stays silent times out; one whose device has gone is reported lost, at once.
TYPED_TEST(PortContract, ALostDeviceIsToldFromATimeout) {
  auto port = this->ThePrinterSide.Open(PortKind::Usb);
  ASSERT_TRUE(port);
  EXPECT_EQ(port->Read(this->Buffer, sizeof this->Buffer, this->Got), PortResult::TimedOut);

  this->ThePrinterSide.LoseDevice();
  const Bytes block = ModeSwitchBlock();
  size_t written = 99;
  EXPECT_EQ(port->Write(block.data(), block.size(), written), PortResult::DeviceLost);
  EXPECT_EQ(written, 0u);
}

}  // namespace
