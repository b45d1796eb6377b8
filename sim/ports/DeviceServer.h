// Serves the virtual printer on a character device: the printer side of a USB printer gadget.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "sim/ports/AnswerQueue.h"
#include "sim/wire/HostBlockSplitter.h"
#include "sim/VirtualPrinter.h"

// The device node is a USB printer function's (for example /dev/g_printer0): each read takes
// what the host sent, one transfer or a few queued ones, so blocks are found again from their
// headers as on a terminal; each answer leaves in one write, which the host reads as one
// transfer.
//
// Unlike a terminal the node keeps nothing for a host that is not there, and nothing can be
// taken back from it: the function hangs up (POLLHUP, or ENODEV, ESHUTDOWN, EIO) while no host
// is connected, and the answers the server still holds are then stale and dropped. A host that
// starts afresh (the mode switch) likewise gets none of the answers meant for an earlier run.
// As on the terminal, while the answers the node did not take reach
// VirtualPrinter::UnreadAnswerLimit the server reads no requests, and after HostGoneMs without
// any taken it drops them and listens again.
class DeviceServer {
public:
  static constexpr int64_t HostGoneMs = 10000;

  DeviceServer(VirtualPrinter& printer, Clock& clock) : Printer(printer), TheClock(clock) {}
  ~DeviceServer();
  DeviceServer(const DeviceServer&) = delete;
  DeviceServer& operator=(const DeviceServer&) = delete;

  // Serves the node `path`. A USB printer function's node opens only while a host is connected:
  // until then, and whenever the host goes, the server waits and opens it again. False with a
  // reason when the node cannot be opened for any other reason.
  bool Open(const std::string& path, std::string& reason);
  // Serves `fd`, open for reading and writing without blocking, and closes it in the end;
  // `name` names it in messages.
  void Adopt(int fd, const std::string& name);
  // The node, for an event loop that waits on it (-1 while it is not open).
  int Descriptor() const { return Fd; }

  // Waits up to `waitMs` for the host, gives every whole block to the printer and writes its
  // answers. While no host is connected it waits `waitMs` and does nothing else. False with a
  // reason on a failure of the node that ends the service.
  bool ServeOnce(int waitMs, std::string& reason);

  size_t QueuedAnswerBytes() const { return Outgoing.Bytes() + Printer.PendingReplyBytes(); }
  // False while the server does not read the host's requests (its answers are at the limit).
  bool Reading() const { return QueuedAnswerBytes() < VirtualPrinter::UnreadAnswerLimit; }
  // False after the node said that no host is connected, until bytes come again.
  bool HostConnected() const { return Connected; }

private:
  void Deliver(const std::vector<uint8_t>& block);
  void ReadRequests();
  bool WriteAnswers(std::string& reason);
  // The node said nobody is at the other end: waits `waitMs` and drops what waits for them.
  void HostAway(int waitMs);
  bool Failed(const char* what, std::string& reason);
  // Opens Path; false while no host is connected (or, with `nodeMayBeGone`, while the node is
  // not there), and with `reason` set on any other failure.
  bool OpenNode(bool nodeMayBeGone, std::string& reason);

  VirtualPrinter& Printer;
  Clock& TheClock;
  HostBlockSplitter Splitter;
  AnswerQueue Outgoing;
  int Fd = -1;
  std::string Path;
  bool Reopens = false;  // the node was opened by its path, and is opened again when a host comes
  bool Connected = true;
  int64_t LastTakenMs = 0;  // when the node last took answers, or the queue was last below the limit
  int PendingError = 0;     // a failure of the last read, other than "not now" or "no host"
};
