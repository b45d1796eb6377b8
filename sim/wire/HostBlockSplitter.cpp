// Finding the host's blocks in a byte stream by their packet headers.
#include "sim/wire/HostBlockSplitter.h"

#include "sim/wire/PrinterWire.h"

void HostBlockSplitter::Add(const uint8_t* data, size_t length, int64_t nowMs) {
  if (length == 0) return;
  Pending.insert(Pending.end(), data, data + length);
  LastArrivalMs = nowMs;
}

bool HostBlockSplitter::Next(std::vector<uint8_t>& block) {
  PrinterWire::PacketHeader header;
  if (!PrinterWire::ReadHeader(Pending.data(), Pending.size(), header)) return false;
  size_t length = header.Length;
  if (length < PrinterWire::HeaderSize || length > MaxBlock) {
    length = Pending.size();  // no header: hand on everything as it stands
  } else if (Pending.size() < length) {
    return false;
  }
  block.assign(Pending.begin(), Pending.begin() + static_cast<long>(length));
  Pending.erase(Pending.begin(), Pending.begin() + static_cast<long>(length));
  return true;
}

bool HostBlockSplitter::TakeStale(int64_t nowMs, std::vector<uint8_t>& block) {
  if (Pending.empty() || nowMs - LastArrivalMs < StaleMs) return false;
  block.swap(Pending);
  Pending.clear();
  return true;
}
