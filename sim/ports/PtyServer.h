// Serves the virtual printer on a pseudo-terminal, for runs through the program's real port code.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "sim/ports/AnswerQueue.h"
#include "sim/wire/HostBlockSplitter.h"
#include "sim/VirtualPrinter.h"

// The host opens the terminal's slave side as its port device (for example
// ARVANA_DEVICE_VLUSB1=/dev/pts/4). The server keeps a slave descriptor of
// its own open so that the terminal survives the host closing and reopening
// it, and sets it to raw mode so that no byte is changed on the way. Host
// bytes are cut into blocks by HostBlockSplitter; each answer block goes out
// with one write.
//
// What waits is bounded, whatever the host does: while the answers the
// terminal could not take yet reach VirtualPrinter::UnreadAnswerLimit, the
// server stops reading the host's requests (as a printer that cannot send
// stops taking them) and goes on when the host reads; the bytes read but not
// yet given to the printer are at most one read beyond a whole block. A host
// that reads nothing at all for HostGoneMs while the answers are at the limit
// is taken as gone (killed, leaving the terminal to the next host): its
// answers are dropped, so that the next host's mode switch is read.
class PtyServer {
public:
  static constexpr int64_t HostGoneMs = 10000;
  // What one read takes from the terminal.
  static constexpr size_t ReadSize = 4096;

  PtyServer(VirtualPrinter& printer, Clock& clock) : Printer(printer), TheClock(clock) {}
  ~PtyServer();
  PtyServer(const PtyServer&) = delete;
  PtyServer& operator=(const PtyServer&) = delete;

  // Creates the pseudo-terminal. False with a reason when the system refuses.
  bool Open(std::string& reason);
  // The path the host opens, e.g. /dev/pts/4 (empty before Open).
  const std::string& SlavePath() const { return Path; }
  // The master side, for an event loop that waits on it (-1 before Open).
  int Descriptor() const { return MasterFd; }

  // Waits up to `waitMs` for bytes from the host, gives every whole block to
  // the printer and writes its answers. False with a reason on an I/O error
  // that ends the service.
  bool ServeOnce(int waitMs, std::string& reason);

  // Answer bytes waiting to go out to the terminal (those the terminal took are the host's).
  size_t QueuedAnswerBytes() const { return Outgoing.Bytes() + Printer.PendingReplyBytes(); }
  // Bytes read from the host that wait to be given to the printer.
  size_t BufferedRequestBytes() const { return Splitter.Buffered(); }
  // False while the server does not read the host's requests (its answers are at the limit).
  bool Reading() const { return QueuedAnswerBytes() < VirtualPrinter::UnreadAnswerLimit; }

private:
  void Deliver(const std::vector<uint8_t>& block);
  bool WriteAnswers(std::string& reason);

  VirtualPrinter& Printer;
  Clock& TheClock;
  HostBlockSplitter Splitter;
  int MasterFd = -1;
  int SlaveFd = -1;
  std::string Path;

  AnswerQueue Outgoing;  // answers the terminal could not take yet
  int64_t LastTakenMs = 0;  // when the terminal last took answers, or the queue was last below the limit
};
