// The printer's mechanism: work queued one piece after the other on the printer's clock.
#pragma once

#include <cstdint>
#include <deque>

#include "sim/mechanism/PrinterFaults.h"

class Mechanism {
public:
  // Pieces of work kept apart at most; past it a new piece lengthens the last one (a host sending
  // commands faster than the mechanism works fills no more than this).
  static constexpr size_t MaxQueued = 256;

  // Queues a piece of work that begins when the work before it has ended (or
  // now, when the mechanism is idle) and lasts `durationMs`.
  void Queue(PrinterState state, int64_t durationMs, int64_t nowMs);
  // Drops all work and starts over with `durationMs` of busy initialisation.
  void Restart(int64_t durationMs, int64_t nowMs);
  // What the mechanism is doing at `nowMs`; Ready when it is idle.
  PrinterState Activity(int64_t nowMs);
  // The moment the last piece of queued work ends (nowMs when idle).
  int64_t IdleAt(int64_t nowMs) const;

private:
  struct Work {
    PrinterState State;
    int64_t EndMs;
  };
  std::deque<Work> Queued;  // contiguous pieces, each starting where the one before ends
};
