// Port device of the in-process virtual printer: parallel byte stream or USB answer blocks.
#include "sim/ports/SimPortDevice.h"

#include <algorithm>
#include <cstdint>

SimPortDevice::SimPortDevice(VirtualPrinter& printer, Clock& clock, Kind kind)
    : Printer(printer), TheClock(clock), DeviceKind(kind) {}

bool SimPortDevice::GetTimeouts(CommTimeouts& timeouts) {
  if (DeviceKind == Kind::Usb) return false;
  timeouts = Timeouts;
  return true;
}

bool SimPortDevice::SetTimeouts(const CommTimeouts& timeouts) {
  if (DeviceKind == Kind::Usb) return false;
  Timeouts = timeouts;
  return true;
}

PortResult SimPortDevice::Write(const uint8_t* data, size_t length, size_t& written) {
  Printer.CheckTrainerFiles();  // a short write switched on in the file acts on this very block
  // The device of a USB printer that was switched off is gone: writing to it fails.
  if (DeviceKind == Kind::Usb && !Printer.PoweredOn()) {
    written = 0;
    return PortResult::DeviceLost;
  }
  if (Printer.Faults().ShortWrite && length > 0) {
    written = length - 1;
    return PortResult::TimedOut;
  }
  if (!WaitWhileHeld()) {
    written = 0;  // the write timed out: nothing was taken
    return length == 0 ? PortResult::Done : PortResult::TimedOut;
  }
  Printer.ReceiveFromHost(data, length);
  written = length;
  return PortResult::Done;
}

namespace {

// A held printer keeps the host's write waiting, as a paused printer does, so that whoever holds
// it has time to act (a signal, a second program) before the write is given up.
constexpr uint32_t HeldWriteLimitMs = 60000;

}  // namespace

bool SimPortDevice::WaitWhileHeld() {
  constexpr uint32_t StepMs = 20;
  for (uint32_t waited = 0; Printer.Holding(); waited += StepMs) {
    if (waited >= HeldWriteLimitMs) return false;
    TheClock.Pause(StepMs);
    Printer.CheckTrainerFiles();
  }
  return true;
}

PortResult SimPortDevice::Read(uint8_t* buffer, size_t length, size_t& got) {
  if (Printer.Holding()) Printer.CheckTrainerFiles();  // only the file can end the hold while the host waits
  got = 0;
  if (length == 0) return PortResult::Done;
  switch (DeviceKind) {
    case Kind::Usb:
      got = Printer.TakeReplyBlock(buffer, length);
      return got == length ? PortResult::Done : PortResult::TimedOut;
    case Kind::Parallel: {
      got = Printer.ReadReplyBytes(buffer, length);
      if (got < length) {
        const uint64_t total =
            static_cast<uint64_t>(Timeouts.ReadTotalTimeoutMultiplier) * length + Timeouts.ReadTotalTimeoutConstant;
        uint64_t wait = total;
        if (got > 0 && Timeouts.ReadIntervalTimeout != 0)
          wait = std::min<uint64_t>(total, Timeouts.ReadIntervalTimeout);
        if (wait > 0) TheClock.Pause(static_cast<uint32_t>(std::min<uint64_t>(wait, UINT32_MAX)));
        // What a held printer let go of meanwhile arrives within the same read.
        if (Printer.Holding()) Printer.CheckTrainerFiles();
        got += Printer.ReadReplyBytes(buffer + got, length - got);
      }
      return got == length ? PortResult::Done : PortResult::TimedOut;
    }
  }
  return PortResult::Failed;
}
