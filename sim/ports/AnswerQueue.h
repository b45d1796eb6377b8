// The printer's answers on their way to a device node: one write per answer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

class VirtualPrinter;

// Answers the device could not take yet, kept whole so that each leaves in one write (a USB
// printer's host reads one answer per transfer); an answer the device took in part goes on
// from where it stopped.
class AnswerQueue {
public:
  // Moves the printer's waiting answers to the end of the queue.
  void Collect(VirtualPrinter& printer);
  // Writes answers to `fd` until all are out or the device takes no more. `took` tells whether
  // the device took any byte. False, with errno set, on a failure other than "not now".
  bool WriteTo(int fd, bool& took);
  void Drop();
  bool Empty() const { return Answers.empty(); }
  // What a server does before each wait for its device. A held printer lets out what waited once
  // the trainer's file ends the hold. A host that has taken nothing for `hostGoneMs` while the
  // answers (here and in the printer) are at the printer's limit is gone: the printer is told, the
  // answers go, and the result is true, so that the server clears what its device still holds.
  // `lastTakenMs` is when the host last took answers, or the answers were last below the limit.
  bool BeforeWait(VirtualPrinter& printer, int64_t now, int64_t hostGoneMs, int64_t& lastTakenMs);
  // Bytes not yet written.
  size_t Bytes() const { return QueuedBytes - FrontOffset; }

private:
  std::deque<std::vector<uint8_t>> Answers;
  size_t QueuedBytes = 0;  // in Answers, those written from the front included
  size_t FrontOffset = 0;
};
