// The printer's answers on their way to a device node: one write per answer.
#include "sim/ports/AnswerQueue.h"

#include <unistd.h>

#include <cerrno>

#include "sim/VirtualPrinter.h"
#include "sim/wire/PrinterWire.h"

void AnswerQueue::Collect(VirtualPrinter& printer) {
  std::vector<uint8_t> answer(PrinterWire::MaxPacketSize);
  while (printer.PendingReplyBytes() > 0) {
    answer.resize(printer.PendingReplyBytes());
    answer.resize(printer.TakeReplyBlock(answer.data(), answer.size()));
    QueuedBytes += answer.size();
    Answers.push_back(answer);
  }
}

bool AnswerQueue::BeforeWait(VirtualPrinter& printer, int64_t now, int64_t hostGoneMs, int64_t& lastTakenMs) {
  if (printer.Holding()) {
    printer.CheckTrainerFiles();
    Collect(printer);
  }
  const size_t waiting = Bytes() + printer.PendingReplyBytes();
  if (waiting < VirtualPrinter::UnreadAnswerLimit) {
    lastTakenMs = now;
    return false;
  }
  if (now - lastTakenMs < hostGoneMs) return false;
  printer.HostStoppedReading(waiting, now - lastTakenMs);
  Drop();
  lastTakenMs = now;
  return true;
}

bool AnswerQueue::WriteTo(int fd, bool& took) {
  took = false;
  while (!Answers.empty()) {
    const std::vector<uint8_t>& front = Answers.front();
    const ssize_t count = write(fd, front.data() + FrontOffset, front.size() - FrontOffset);
    if (count < 0) return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;  // full: later
    if (count == 0) return true;
    took = true;
    FrontOffset += static_cast<size_t>(count);
    if (FrontOffset == front.size()) {
      QueuedBytes -= front.size();
      Answers.pop_front();
      FrontOffset = 0;
    }
  }
  return true;
}

void AnswerQueue::Drop() {
  Answers.clear();
  QueuedBytes = 0;
  FrontOffset = 0;
}
