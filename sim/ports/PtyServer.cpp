// Pseudo-terminal service of the virtual printer: raw terminal, block splitting, one write per answer.
#include "sim/ports/PtyServer.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "sim/wire/PrinterWire.h"

namespace {

std::string SystemError(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

}  // namespace

PtyServer::~PtyServer() {
  if (SlaveFd >= 0) close(SlaveFd);
  if (MasterFd >= 0) close(MasterFd);
}

bool PtyServer::Open(std::string& reason) {
  MasterFd = posix_openpt(O_RDWR | O_NOCTTY);
  if (MasterFd < 0) {
    reason = SystemError("posix_openpt");
    return false;
  }
  char name[128];
  if (grantpt(MasterFd) != 0 || unlockpt(MasterFd) != 0 || ptsname_r(MasterFd, name, sizeof name) != 0) {
    reason = SystemError("preparing the pseudo-terminal");
    return false;
  }
  Path = name;
  SlaveFd = open(Path.c_str(), O_RDWR | O_NOCTTY);
  if (SlaveFd < 0) {
    reason = SystemError(("opening " + Path).c_str());
    return false;
  }
  termios settings{};
  if (tcgetattr(SlaveFd, &settings) != 0) {
    reason = SystemError("tcgetattr");
    return false;
  }
  cfmakeraw(&settings);
  if (tcsetattr(SlaveFd, TCSANOW, &settings) != 0) {
    reason = SystemError("tcsetattr");
    return false;
  }
  const int flags = fcntl(MasterFd, F_GETFL);
  if (flags < 0 || fcntl(MasterFd, F_SETFL, flags | O_NONBLOCK) != 0) {
    reason = SystemError("fcntl");
    return false;
  }
  return true;
}

bool PtyServer::ServeOnce(int waitMs, std::string& reason) {
  if (MasterFd < 0) {
    reason = "the pseudo-terminal is not open";
    return false;
  }
  // A host gone leaves its requests in the terminal too: the next one must be heard.
  if (Outgoing.BeforeWait(Printer, TheClock.SteadyMilliseconds(), HostGoneMs, LastTakenMs)) tcflush(SlaveFd, TCIFLUSH);
  // Requests are read only while the answers to them can wait, and only what one block needs.
  const bool reading = Reading() && Splitter.Buffered() < HostBlockSplitter::MaxBlock;
  pollfd watch{MasterFd, static_cast<short>(reading ? POLLIN : 0), 0};
  if (!Outgoing.Empty()) watch.events |= POLLOUT;
  const int ready = poll(&watch, 1, waitMs);
  if (ready < 0) {
    if (errno == EINTR) return true;
    reason = SystemError("poll");
    return false;
  }
  // A host killed while it held the terminal exclusively leaves the mark: a quiet terminal is
  // made free for the next one (the hosts' own lock still keeps them one at a time).
  if (ready == 0) ioctl(SlaveFd, TIOCNXCL);
  if (reading && (watch.revents & POLLIN) != 0) {
    uint8_t buffer[ReadSize];
    const ssize_t count = read(MasterFd, buffer, sizeof buffer);
    if (count > 0) {
      Splitter.Add(buffer, static_cast<size_t>(count), TheClock.SteadyMilliseconds());
    } else if (count < 0 && errno != EAGAIN && errno != EINTR && errno != EIO) {  // EIO: no slave open
      reason = SystemError("reading the pseudo-terminal");
      return false;
    }
  }
  std::vector<uint8_t> block;
  while (Reading() && Splitter.Next(block)) Deliver(block);
  // A partial block is judged stale only while the server reads: a host kept waiting is not late.
  if (reading && Reading() && Splitter.TakeStale(TheClock.SteadyMilliseconds(), block)) Deliver(block);
  return WriteAnswers(reason);
}

void PtyServer::Deliver(const std::vector<uint8_t>& block) {
  // A host that starts afresh must not read answers meant for an earlier run.
  if (PrinterWire::Equals(PrinterWire::ModeSwitch, block.data(), block.size())) {
    tcflush(SlaveFd, TCIFLUSH);
    Outgoing.Drop();
  }
  Printer.ReceiveFromHost(block.data(), block.size());
  Outgoing.Collect(Printer);
}

bool PtyServer::WriteAnswers(std::string& reason) {
  bool took = false;
  if (!Outgoing.WriteTo(MasterFd, took)) {
    reason = SystemError("writing the pseudo-terminal");
    return false;
  }
  if (took) LastTakenMs = TheClock.SteadyMilliseconds();
  return true;
}
