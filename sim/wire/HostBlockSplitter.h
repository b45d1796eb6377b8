// Cuts the byte stream of a pseudo-terminal back into the blocks the host wrote.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A pseudo-terminal delivers bytes, not writes, so the printer's side finds
// the blocks again from their packet headers: every block the host writes
// begins with a 6-byte header whose bytes 2 and 3 give the block's length,
// high byte first (the 27-byte mode switch reads as such a header too).
// What cannot be a header (a length below 6 or above MaxBlock) is passed on
// whole as it stands, and so is a partial block when no more bytes come for
// StaleMs: the printer then judges it as the broken block it is.
class HostBlockSplitter {
public:
  static constexpr size_t MaxBlock = 4096;
  static constexpr int64_t StaleMs = 300;

  // Adds bytes that arrived at `nowMs`.
  void Add(const uint8_t* data, size_t length, int64_t nowMs);
  // Takes the next whole block. False when none is complete.
  bool Next(std::vector<uint8_t>& block);
  // Takes what is left of a block that stopped arriving before `nowMs - StaleMs`.
  bool TakeStale(int64_t nowMs, std::vector<uint8_t>& block);
  size_t Buffered() const { return Pending.size(); }

private:
  std::vector<uint8_t> Pending;
  int64_t LastArrivalMs = 0;
};
