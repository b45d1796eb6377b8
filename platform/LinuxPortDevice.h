// A printer port on a Linux device node: a parallel port with comm time-outs, or a USB printer.
#pragma once

#include "platform/LinuxClock.h"
#include "platform/Outcome.h"
#include "platform/PortDevice.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

// How a USB printer device paces its replies and writes; the defaults are
// what the program uses, tests shorten them.
struct UsbDeviceTiming {
  uint32_t FirstByteMs = 200;       // how long a read waits for a reply to begin
  uint32_t GapMs = 5;               // a reply has ended when no byte follows within this
  uint32_t WriteMultiplierMs = 1;   // write time-out per byte ...
  uint32_t WriteConstantMs = 3000;  // ... plus this
};

class LinuxPortDevice : public PortDevice {
public:
  enum class DeviceKind {
    Comm,        // reads and writes follow the time-outs set with SetTimeouts
    UsbPrinter,  // keeps its own time-outs; one read returns one reply
  };

  // Opens `path` for reading and writing. A terminal (the pseudo-terminal of
  // the standalone virtual printer) is switched to raw bytes. Fails with
  // "path: system error" when the node cannot be opened.
  static Outcome<std::unique_ptr<LinuxPortDevice>> Open(const std::string& path, DeviceKind kind,
                                                        const UsbDeviceTiming& usbTiming = UsbDeviceTiming());

  ~LinuxPortDevice() override;
  LinuxPortDevice(const LinuxPortDevice&) = delete;
  LinuxPortDevice& operator=(const LinuxPortDevice&) = delete;

  bool GetTimeouts(CommTimeouts& timeouts) override;
  bool SetTimeouts(const CommTimeouts& timeouts) override;
  PortResult Write(const uint8_t* data, size_t length, size_t& written) override;
  PortResult Read(uint8_t* buffer, size_t length, size_t& got) override;
  void LimitWaits(uint32_t milliseconds) override { WaitBoundMs = milliseconds; }

private:
  // A total time-out within the bound LimitWaits set (0 = none, on either side).
  uint64_t Bounded(uint64_t total) const;

  LinuxPortDevice(int fd, DeviceKind kind, const UsbDeviceTiming& usbTiming);
  // Switches the terminal `fd` to raw bytes, held by this program alone.
  static std::optional<Failure> MakeRaw(int fd, const std::string& path);

  // Writes until all is accepted or `deadline` (steady ms, NoDeadline = none) passes.
  PortResult WriteUntil(const uint8_t* data, size_t length, size_t& written, int64_t deadline);
  // Reads until `length` bytes arrived; before the first byte until
  // `firstDeadline`, after it until `totalDeadline` or until no byte followed
  // the previous one within `gapMs` (0 = no gap limit).
  PortResult ReadUntil(uint8_t* buffer, size_t length, size_t& got, int64_t firstDeadline, int64_t totalDeadline,
                       uint32_t gapMs);
  // Takes whatever has already arrived, without waiting.
  PortResult ReadAvailable(uint8_t* buffer, size_t length, size_t& got);
  // Waits until `events` are ready. Returns the ready events, 0 when
  // `deadline` passed, -1 with errno set when the device cannot be waited on.
  int WaitFor(short events, int64_t deadline);
  // Waits a little before trying again after the device said "not now",
  // so a driver without readiness reports is not polled in a busy loop.
  void Backoff(int64_t deadline);
  int64_t DeadlineAfter(uint64_t milliseconds);

  static constexpr int64_t NoDeadline = -1;

  int Fd;
  DeviceKind Kind;
  UsbDeviceTiming UsbTiming;
  CommTimeouts Timeouts;
  uint32_t WaitBoundMs = 0;  // set by LimitWaits
  LinuxClock Time;
};
