// A printer port on a Linux device node: a parallel port with comm time-outs, or a USB printer.
#include "platform/LinuxPortDevice.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// An interval time-out of all ones with no total time-out means "return at
// once with what has arrived", as on the ports the program was made for.
constexpr uint32_t ReturnAtOnce = UINT32_MAX;

// Longest wait the program may ask for; keeps deadline arithmetic in range.
constexpr uint64_t LongestWaitMs = uint64_t{1} << 40;

// Back-off after a "try again" from a driver that reported readiness.
constexpr int64_t BackoffMs = 10;

uint64_t TotalTimeout(uint32_t multiplier, uint32_t constant, size_t length) {
  if (multiplier != 0 && length > (LongestWaitMs - constant) / multiplier) return LongestWaitMs;
  return uint64_t{multiplier} * length + constant;
}

// What a failed system call on the device means for the link.
PortResult FailureOf(int error) {
  switch (error) {
    case ENODEV:  // a USB printer unplugged or switched off
    case ENXIO:
    case EIO:  // a parallel port without its printer, a terminal whose other end closed
      return PortResult::DeviceLost;
    case EACCES:
    case EPERM:
      return PortResult::AccessRefused;
    default:
      return PortResult::Failed;
  }
}

// A transfer that ended without a failure: complete, or cut short by its time-out.
PortResult Ended(size_t done, size_t length) { return done == length ? PortResult::Done : PortResult::TimedOut; }

Failure SystemFailure(const std::string& path, int error) {
  return {FailureKindOf(error), path + ": " + std::strerror(error)};
}

Failure InUse(const std::string& path) {
  return {FailureKind::InUse, std::string(PortInUseText) + " (" + path + ")"};
}

}  // namespace

Outcome<std::unique_ptr<LinuxPortDevice>> LinuxPortDevice::Open(const std::string& path, DeviceKind kind,
                                                                const UsbDeviceTiming& usbTiming) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    // A terminal another program holds exclusively refuses the open itself.
    return errno == EBUSY ? InUse(path) : SystemFailure(path, errno);
  }
  // One program per printer: two would mix their packets on the wire. The lock goes with the descriptor.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    ::close(fd);
    return error == EWOULDBLOCK ? InUse(path) : SystemFailure(path, error);
  }
  if (isatty(fd)) {
    if (std::optional<Failure> failure = MakeRaw(fd, path)) {
      ::close(fd);
      return std::move(*failure);
    }
  }
  return std::unique_ptr<LinuxPortDevice>(new LinuxPortDevice(fd, kind, usbTiming));
}

std::optional<Failure> LinuxPortDevice::MakeRaw(int fd, const std::string& path) {
  // Line editing, echo and newline translation would change the printer's bytes.
  termios settings{};
  if (tcgetattr(fd, &settings) != 0) return SystemFailure(path, errno);
  cfmakeraw(&settings);
  settings.c_cflag |= CLOCAL | CREAD;
  if (tcsetattr(fd, TCSANOW, &settings) != 0) return SystemFailure(path, errno);
  // Last, so that no way out leaves the mark behind: a terminal then also refuses any later
  // open, by programs that do not ask for the lock.
  if (::ioctl(fd, TIOCEXCL) != 0) return SystemFailure(path, errno);
  return std::nullopt;
}

LinuxPortDevice::LinuxPortDevice(int fd, DeviceKind kind, const UsbDeviceTiming& usbTiming)
    : Fd(fd), Kind(kind), UsbTiming(usbTiming) {}

LinuxPortDevice::~LinuxPortDevice() {
  // A pseudo-terminal keeps its exclusive mark after the close: the next program must find it free.
  if (isatty(Fd)) ::ioctl(Fd, TIOCNXCL);
  ::close(Fd);
}

bool LinuxPortDevice::GetTimeouts(CommTimeouts& timeouts) {
  switch (Kind) {
    case DeviceKind::Comm:
      timeouts = Timeouts;
      return true;
    case DeviceKind::UsbPrinter:
      return false;
  }
  return false;
}

bool LinuxPortDevice::SetTimeouts(const CommTimeouts& timeouts) {
  switch (Kind) {
    case DeviceKind::Comm:
      Timeouts = timeouts;
      return true;
    case DeviceKind::UsbPrinter:
      return false;
  }
  return false;
}

uint64_t LinuxPortDevice::Bounded(uint64_t total) const {
  if (WaitBoundMs == 0) return total;
  return total == 0 ? WaitBoundMs : std::min<uint64_t>(total, WaitBoundMs);
}

PortResult LinuxPortDevice::Write(const uint8_t* data, size_t length, size_t& written) {
  written = 0;
  uint64_t total = 0;
  switch (Kind) {
    case DeviceKind::Comm:
      total = TotalTimeout(Timeouts.WriteTotalTimeoutMultiplier, Timeouts.WriteTotalTimeoutConstant, length);
      break;
    case DeviceKind::UsbPrinter:
      total = TotalTimeout(UsbTiming.WriteMultiplierMs, UsbTiming.WriteConstantMs, length);
      break;
  }
  total = Bounded(total);
  return WriteUntil(data, length, written, total == 0 ? NoDeadline : DeadlineAfter(total));
}

PortResult LinuxPortDevice::Read(uint8_t* buffer, size_t length, size_t& got) {
  got = 0;
  switch (Kind) {
    case DeviceKind::Comm: {
      const uint64_t unbounded =
          TotalTimeout(Timeouts.ReadTotalTimeoutMultiplier, Timeouts.ReadTotalTimeoutConstant, length);
      if (Timeouts.ReadIntervalTimeout == ReturnAtOnce && unbounded == 0) return ReadAvailable(buffer, length, got);
      const uint64_t total = Bounded(unbounded);
      const int64_t deadline = total == 0 ? NoDeadline : DeadlineAfter(total);
      return ReadUntil(buffer, length, got, deadline, deadline, Timeouts.ReadIntervalTimeout);
    }
    case DeviceKind::UsbPrinter:
      return ReadUntil(buffer, length, got, DeadlineAfter(Bounded(UsbTiming.FirstByteMs)),
                       WaitBoundMs == 0 ? NoDeadline : DeadlineAfter(WaitBoundMs),
                       std::max<uint32_t>(UsbTiming.GapMs, 1));
  }
  return PortResult::Failed;
}

PortResult LinuxPortDevice::WriteUntil(const uint8_t* data, size_t length, size_t& written, int64_t deadline) {
  while (written < length) {
    const int ready = WaitFor(POLLOUT, deadline);
    if (ready < 0) return FailureOf(errno);
    if (ready == 0) return PortResult::TimedOut;  // what was accepted counts as written
    const ssize_t count = ::write(Fd, data + written, length - written);
    if (count > 0) {
      written += static_cast<size_t>(count);
    } else if (count == 0 || errno == EAGAIN || errno == EWOULDBLOCK) {
      Backoff(deadline);
    } else if (errno != EINTR) {
      return FailureOf(errno);
    }
  }
  return PortResult::Done;
}

PortResult LinuxPortDevice::ReadUntil(uint8_t* buffer, size_t length, size_t& got, int64_t firstDeadline,
                                      int64_t totalDeadline, uint32_t gapMs) {
  int64_t lastByte = 0;
  while (got < length) {
    int64_t deadline = firstDeadline;
    if (got > 0) {
      deadline = totalDeadline;
      if (gapMs != 0) {
        const int64_t gapEnd = lastByte + static_cast<int64_t>(std::min<uint64_t>(gapMs, LongestWaitMs));
        deadline = deadline == NoDeadline ? gapEnd : std::min(deadline, gapEnd);
      }
    }
    const int ready = WaitFor(POLLIN, deadline);
    if (ready < 0) return FailureOf(errno);
    if (ready == 0) return PortResult::TimedOut;  // the count tells how much came
    const ssize_t count = ::read(Fd, buffer + got, length - got);
    if (count > 0) {
      got += static_cast<size_t>(count);
      lastByte = Time.SteadyMilliseconds();
    } else if (count == 0) {
      // End of data on a device that has hung up is a lost device; otherwise
      // it was an empty transfer and the reply may still come.
      if ((ready & (POLLHUP | POLLERR)) != 0) return PortResult::DeviceLost;
      Backoff(deadline);
    } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
      Backoff(deadline);
    } else if (errno != EINTR) {
      return FailureOf(errno);
    }
  }
  return PortResult::Done;
}

PortResult LinuxPortDevice::ReadAvailable(uint8_t* buffer, size_t length, size_t& got) {
  while (got < length) {
    const ssize_t count = ::read(Fd, buffer + got, length - got);
    if (count > 0) {
      got += static_cast<size_t>(count);
    } else if (count == 0 || errno == EAGAIN || errno == EWOULDBLOCK) {
      return Ended(got, length);
    } else if (errno != EINTR) {
      return FailureOf(errno);
    }
  }
  return PortResult::Done;
}

int LinuxPortDevice::WaitFor(short events, int64_t deadline) {
  for (;;) {
    int timeout = -1;
    if (deadline != NoDeadline) {
      const int64_t remaining = deadline - Time.SteadyMilliseconds();
      if (remaining <= 0) return 0;
      timeout = static_cast<int>(std::min<int64_t>(remaining, INT_MAX));
    }
    pollfd entry{Fd, events, 0};
    const int result = ::poll(&entry, 1, timeout);
    if (result < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (result == 0) continue;  // the loop head decides whether the deadline has passed
    if ((entry.revents & POLLNVAL) != 0) {
      errno = EBADF;
      return -1;
    }
    return entry.revents;
  }
}

void LinuxPortDevice::Backoff(int64_t deadline) {
  int64_t wait = BackoffMs;
  if (deadline != NoDeadline) wait = std::clamp<int64_t>(deadline - Time.SteadyMilliseconds(), 0, BackoffMs);
  if (wait > 0) ::poll(nullptr, 0, static_cast<int>(wait));
}

int64_t LinuxPortDevice::DeadlineAfter(uint64_t milliseconds) {
  return Time.SteadyMilliseconds() + static_cast<int64_t>(std::min(milliseconds, LongestWaitMs));
}
