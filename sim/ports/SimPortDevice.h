// One open port to the in-process virtual printer, behaving as a parallel port or a USB printer device.
#pragma once

#include "platform/Clock.h"
#include "platform/PortDevice.h"
#include "sim/VirtualPrinter.h"

class SimPortDevice : public PortDevice {
public:
  enum class Kind { Parallel, Usb };

  // Time-outs are waited out on `clock`, which is normally the printer's own.
  SimPortDevice(VirtualPrinter& printer, Clock& clock, Kind kind);

  // Parallel: the time-outs set last (zeros at first). USB: false, the device
  // keeps time-outs of its own.
  bool GetTimeouts(CommTimeouts& timeouts) override;
  bool SetTimeouts(const CommTimeouts& timeouts) override;

  // Hands the whole block to the printer. With the ShortWrite fault the port
  // takes one byte fewer and nothing reaches the printer. A printer held by
  // hold-after-writes takes the block once it goes on, or nothing when the
  // write time-out passes first.
  PortResult Write(const uint8_t* data, size_t length, size_t& written) override;

  // Parallel: the printer's answers are one byte stream; when fewer bytes
  // wait than asked for, the read returns what there is after its time-out:
  // the interval time-out once some bytes came, the total time-out
  // (multiplier x length + constant) when none did, passed on the clock.
  // USB: one answer per read, the whole answer (up to `length` bytes), or 0
  // bytes at once when none waits.
  PortResult Read(uint8_t* buffer, size_t length, size_t& got) override;

private:
  // A held printer takes nothing in: the write waits for it, up to a minute. False when the minute passed first.
  bool WaitWhileHeld();

  VirtualPrinter& Printer;
  Clock& TheClock;
  Kind DeviceKind;
  CommTimeouts Timeouts;
};
