// Pseudo-terminal service of the virtual printer: raw terminal, block splitting, one write per answer.
#include "sim/PtyServer.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "sim/PrinterWire.h"

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
  if (Printer.Holding()) {
    // Only the trainer's file ends a hold; what waited then leaves.
    Printer.CheckTrainerFiles();
    CollectAnswers();
  }
  pollfd watch{MasterFd, POLLIN, 0};
  if (!Outgoing.empty()) watch.events |= POLLOUT;
  const int ready = poll(&watch, 1, waitMs);
  if (ready < 0) {
    if (errno == EINTR) return true;
    reason = SystemError("poll");
    return false;
  }
  // A host killed while it held the terminal exclusively leaves the mark: a quiet terminal is
  // made free for the next one (the hosts' own lock still keeps them one at a time).
  if (ready == 0) ioctl(SlaveFd, TIOCNXCL);
  if ((watch.revents & POLLIN) != 0) {
    uint8_t buffer[4096];
    for (;;) {
      const ssize_t count = read(MasterFd, buffer, sizeof buffer);
      if (count > 0) {
        Splitter.Add(buffer, static_cast<size_t>(count), TheClock.SteadyMilliseconds());
        continue;
      }
      if (count < 0 && (errno == EAGAIN || errno == EINTR || errno == EIO)) break;  // EIO: no slave open
      if (count < 0) {
        reason = SystemError("reading the pseudo-terminal");
        return false;
      }
      break;
    }
  }
  std::vector<uint8_t> block;
  while (Splitter.Next(block)) Deliver(block);
  if (Splitter.TakeStale(TheClock.SteadyMilliseconds(), block)) Deliver(block);
  return WriteAnswers(reason);
}

void PtyServer::Deliver(const std::vector<uint8_t>& block) {
  // A host that starts afresh must not read answers meant for an earlier run.
  if (PrinterWire::Equals(PrinterWire::ModeSwitch, block.data(), block.size())) {
    tcflush(SlaveFd, TCIFLUSH);
    Outgoing.clear();
    OutgoingOffset = 0;
  }
  Printer.ReceiveFromHost(block.data(), block.size());
  CollectAnswers();
}

void PtyServer::CollectAnswers() {
  std::vector<uint8_t> answer(PrinterWire::MaxPacketSize);
  while (Printer.PendingReplyBytes() > 0) {
    answer.resize(Printer.PendingReplyBytes());
    answer.resize(Printer.TakeReplyBlock(answer.data(), answer.size()));
    Outgoing.push_back(answer);
  }
}

bool PtyServer::WriteAnswers(std::string& reason) {
  while (!Outgoing.empty()) {
    const std::vector<uint8_t>& front = Outgoing.front();
    const ssize_t count = write(MasterFd, front.data() + OutgoingOffset, front.size() - OutgoingOffset);
    if (count < 0) {
      if (errno == EAGAIN || errno == EINTR) return true;  // the terminal is full: later
      reason = SystemError("writing the pseudo-terminal");
      return false;
    }
    OutgoingOffset += static_cast<size_t>(count);
    if (OutgoingOffset == front.size()) {
      Outgoing.pop_front();
      OutgoingOffset = 0;
    }
  }
  return true;
}
