// Serves the virtual printer on a pseudo-terminal, for runs through the program's real port code.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "sim/HostBlockSplitter.h"
#include "sim/VirtualPrinter.h"

// The host opens the terminal's slave side as its port device (for example
// ARVANA_DEVICE_VLUSB1=/dev/pts/4). The server keeps a slave descriptor of
// its own open so that the terminal survives the host closing and reopening
// it, and sets it to raw mode so that no byte is changed on the way. Host
// bytes are cut into blocks by HostBlockSplitter; each answer block goes out
// with one write.
class PtyServer {
public:
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

private:
  void Deliver(const std::vector<uint8_t>& block);
  // Moves the printer's waiting answers to the terminal's outgoing queue.
  void CollectAnswers();
  bool WriteAnswers(std::string& reason);

  VirtualPrinter& Printer;
  Clock& TheClock;
  HostBlockSplitter Splitter;
  int MasterFd = -1;
  int SlaveFd = -1;
  std::string Path;
  std::deque<std::vector<uint8_t>> Outgoing;  // answers the terminal could not take yet
  size_t OutgoingOffset = 0;
};
