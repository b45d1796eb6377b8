// Work of the mechanism, computed lazily from the clock whenever someone asks.
#include "sim/mechanism/Mechanism.h"

#include <algorithm>

void Mechanism::Queue(PrinterState state, int64_t durationMs, int64_t nowMs) {
  if (durationMs <= 0) return;
  while (!Queued.empty() && Queued.front().EndMs <= nowMs) Queued.pop_front();
  const int64_t start = IdleAt(nowMs);
  // Work of the same kind right after the last piece is one piece.
  if (!Queued.empty() && (Queued.back().State == state || Queued.size() >= MaxQueued)) {
    Queued.back().EndMs = start + durationMs;
    return;
  }
  Queued.push_back({state, start + durationMs});
}

void Mechanism::Restart(int64_t durationMs, int64_t nowMs) {
  Queued.clear();
  Queue(PrinterState::Busy, durationMs, nowMs);
}

PrinterState Mechanism::Activity(int64_t nowMs) {
  while (!Queued.empty() && Queued.front().EndMs <= nowMs) Queued.pop_front();
  return Queued.empty() ? PrinterState::Ready : Queued.front().State;
}

int64_t Mechanism::IdleAt(int64_t nowMs) const { return Queued.empty() ? nowMs : std::max(nowMs, Queued.back().EndMs); }
