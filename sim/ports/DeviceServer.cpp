// Character-device service of the virtual printer: one transfer in, one write per answer out.
#include "sim/ports/DeviceServer.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "sim/wire/PrinterWire.h"

namespace {

// The failures with which a USB printer function says that no host is connected (unbound from
// its controller, the cable pulled, the host not yet configured it), and a node whose other end
// hung up.
bool NoHost(int error) {
  return error == ENODEV || error == ESHUTDOWN || error == EIO || error == ECONNRESET || error == EPIPE;
}

}  // namespace

DeviceServer::~DeviceServer() {
  if (Fd >= 0) close(Fd);
}

bool DeviceServer::Open(const std::string& path, std::string& reason) {
  Path = path;
  Reopens = true;
  reason.clear();
  return OpenNode(false, reason) || reason.empty();
}

bool DeviceServer::OpenNode(bool nodeMayBeGone, std::string& reason) {
  const int fd = open(Path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    // The function's node goes while the gadget is unbound from its controller, and comes back with it.
    if (NoHost(errno) || errno == ENXIO || (nodeMayBeGone && errno == ENOENT)) {
      Connected = false;
      return false;
    }
    return Failed(("opening " + Path).c_str(), reason);
  }
  Fd = fd;
  return true;
}

void DeviceServer::Adopt(int fd, const std::string& name) {
  if (Fd >= 0) close(Fd);
  Fd = fd;
  Path = name;
}

bool DeviceServer::Failed(const char* what, std::string& reason) {
  reason = std::string(what) + ": " + std::strerror(errno);
  return false;
}

bool DeviceServer::ServeOnce(int waitMs, std::string& reason) {
  if (Fd < 0) {
    if (!Reopens) {
      reason = "the device is not open";
      return false;
    }
    if (!OpenNode(true, reason)) {
      if (!reason.empty()) return false;
      HostAway(waitMs);
      return true;
    }
  }
  Outgoing.BeforeWait(Printer, TheClock.SteadyMilliseconds(), HostGoneMs, LastTakenMs);
  const bool reading = Reading() && Splitter.Buffered() < HostBlockSplitter::MaxBlock;
  pollfd watch{Fd, static_cast<short>(reading ? POLLIN : 0), 0};
  if (!Outgoing.Empty()) watch.events |= POLLOUT;
  const int ready = poll(&watch, 1, waitMs);
  if (ready < 0) return errno == EINTR || Failed("poll", reason);
  if ((watch.revents & (POLLHUP | POLLERR)) != 0 && (watch.revents & POLLIN) == 0) {
    HostAway(waitMs);
    return true;
  }
  if (reading && (watch.revents & POLLIN) != 0) ReadRequests();
  if (PendingError != 0) {
    errno = PendingError;
    PendingError = 0;
    if (!NoHost(errno)) return Failed(("reading " + Path).c_str(), reason);
    HostAway(waitMs);
    return true;
  }
  std::vector<uint8_t> block;
  while (Reading() && Splitter.Next(block)) Deliver(block);
  if (reading && Reading() && Splitter.TakeStale(TheClock.SteadyMilliseconds(), block)) Deliver(block);
  return WriteAnswers(reason);
}

void DeviceServer::ReadRequests() {
  uint8_t buffer[HostBlockSplitter::MaxBlock];
  const ssize_t count = read(Fd, buffer, sizeof buffer);
  if (count > 0) {
    Connected = true;
    Splitter.Add(buffer, static_cast<size_t>(count), TheClock.SteadyMilliseconds());
  } else if (count < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
    PendingError = errno;
  }
}

void DeviceServer::Deliver(const std::vector<uint8_t>& block) {
  // Answers meant for an earlier run of the host are still here if it never read them: its
  // successor must not read them as its own.
  if (PrinterWire::Equals(PrinterWire::ModeSwitch, block.data(), block.size())) Outgoing.Drop();
  Printer.ReceiveFromHost(block.data(), block.size());
  Outgoing.Collect(Printer);
}

bool DeviceServer::WriteAnswers(std::string& reason) {
  bool took = false;
  if (!Outgoing.WriteTo(Fd, took)) {
    if (!NoHost(errno)) return Failed(("writing " + Path).c_str(), reason);
    HostAway(0);
    return true;
  }
  if (took) LastTakenMs = TheClock.SteadyMilliseconds();
  return true;
}

void DeviceServer::HostAway(int waitMs) {
  Connected = false;
  Outgoing.Collect(Printer);
  Outgoing.Drop();
  // A function unbound from its controller does not come back on the same open node.
  if (Reopens && Fd >= 0) {
    close(Fd);
    Fd = -1;
  }
  // The node keeps reporting the hang-up at once: without a pause the server would spin.
  if (waitMs > 0) poll(nullptr, 0, waitMs);
}
