// Replies from the printer, as the port delivers them, into the port driver and the link: start-up,
// status, EEPROM reads on both channels, service commands with credits, WaitReady and the reset.
#include "fuzz/FuzzSupport.h"
#include "link/PortChoice.h"
#include "link/PrinterStatus.h"
#include "link/TPDalD4Comm.h"
#include "link/TPFactory.h"
#include "link/TPPrinterDriver.h"
#include "platform/PortDevice.h"
#include "platform/VirtualClock.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

// The fuzzer's bytes are the printer's answers, in blocks led by their
// length (two bytes): a USB read takes one block, a parallel read as many
// bytes as it asks for, across blocks.
class FuzzedPort : public PortDevice {
public:
  // Blocks reach past the reply buffer's 256 bytes, so over-long replies arrive too.
  static constexpr uint16_t MaxBlock = 300;

  FuzzedPort(FuzzReader& input, bool usb) : Input(input), Usb(usb) {}
  bool GetTimeouts(CommTimeouts& timeouts) override {
    timeouts = Timeouts;
    return !Usb;
  }
  bool SetTimeouts(const CommTimeouts& timeouts) override {
    Timeouts = timeouts;
    return !Usb;
  }
  PortResult Write(const uint8_t*, size_t length, size_t& written) override {
    written = length;
    return PortResult::Done;
  }
  PortResult Read(uint8_t* buffer, size_t length, size_t& got) override {
    got = 0;
    if (Usb) {
      // One reply a read, cut to what the reader takes.
      const std::vector<uint8_t> block = Input.Bytes(Input.Word() % MaxBlock);
      got = std::min(length, block.size());
      if (got > 0) std::memcpy(buffer, block.data(), got);
      return got == length ? PortResult::Done : PortResult::TimedOut;
    }
    // A byte stream: blocks run on into each other until the read is served or the input ends.
    while (got < length) {
      if (Offset == Pending.size()) {
        if (Input.Empty()) break;
        Pending = Input.Bytes(Input.Word() % MaxBlock);
        Offset = 0;
        continue;
      }
      const size_t count = std::min(length - got, Pending.size() - Offset);
      std::memcpy(buffer + got, Pending.data() + Offset, count);
      Offset += count;
      got += count;
    }
    return got == length ? PortResult::Done : PortResult::TimedOut;
  }

private:
  FuzzReader& Input;
  bool Usb;
  CommTimeouts Timeouts;
  std::vector<uint8_t> Pending;
  size_t Offset = 0;
};

class FuzzedPorts : public PortSystem {
public:
  explicit FuzzedPorts(FuzzReader& input) : Input(input) {}
  Outcome<std::unique_ptr<PortDevice>> OpenParallel(const std::string&) override {
    return std::make_unique<FuzzedPort>(Input, false);
  }
  Outcome<std::unique_ptr<PortDevice>> OpenUsb(const std::string&) override {
    return std::make_unique<FuzzedPort>(Input, true);
  }
  Outcome<std::vector<UsbPrinterEntry>> ListUsbPrinters() override {
    return std::vector<UsbPrinterEntry>{{"/dev/usb/lp0", "VLUSB1:", true}};
  }
  std::string ParallelNode(const std::string& name) const override { return name; }

private:
  FuzzReader& Input;
};

class FixedPort : public PortChoice {
public:
  explicit FixedPort(int16_t index) : Index(index) {}
  int16_t GetPortIndex() const override { return Index; }

private:
  int16_t Index;
};

// One exchange the program starts, chosen by a byte.
void RunOperation(uint8_t choice, FuzzReader& input, TPDalD4Comm& comm, TPFactory& factory) {
  switch (choice % 9) {
    case 0:
      comm.RequestStatus();
      break;
    case 1:
      comm.ControlReadEeprom(input.Byte());
      break;
    case 2:
      factory.ReadEeprom(input.Byte());
      break;
    case 3:
      factory.RunCleaning(2);
      break;
    case 4: {
      const uint8_t bytes[100] = {};
      comm.SendData(bytes, input.Byte() % sizeof bytes);
      comm.FlushData();
      break;
    }
    case 5:
      comm.WaitReady();
      break;
    case 6:
      comm.RequestReset();
      break;
    case 7:
      comm.ControlWriteEeprom(input.Byte(), input.Byte());
      break;
    case 8:
      comm.OpenDataChannelWhenReady();
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzReader input(data, size);
  const bool usb = (input.Byte() & 1) != 0;
  const int16_t portIndex = usb ? 0 : FirstParallelPortIndex;  // VLUSB1 or LPT1
  VirtualClock clock;
  QuietDialogs dialogs;
  UnwindingEnd end;
  UnwindingFatalExit fatal(end);
  FuzzedPorts ports(input);
  FixedPort choice(portIndex);
  PrinterStatus status;
  TPPrinterDriver driver(ports, choice, clock, dialogs, fatal);
  TPDalD4Comm comm(driver, clock, dialogs, fatal, status);
  TPFactory factory(comm, dialogs);
  try {
    if (!comm.StartLinkToControlChannel(portIndex)) return 0;
    comm.OpenChannel(DataSocket);
    // A bounded number of exchanges: every one of them may wait on the virtual clock.
    for (int step = 0; step < 64 && !input.Empty(); ++step) RunOperation(input.Byte(), input, comm, factory);
  } catch (const ProgramEndedInFuzz&) {
    // The program's forced end after a fault of the printer: an expected outcome.
  }
  return 0;
}
