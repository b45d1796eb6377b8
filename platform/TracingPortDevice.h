// A port device that records every block written and read in a trace file, for finding faults of the link.
#pragma once

#include "platform/Clock.h"
#include "platform/PortDevice.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

// One line per block: "<seconds> H>P <hex bytes>" for what the program wrote,
// "<seconds> P>H <hex bytes>" for what it read, seconds since the trace started
// with three decimals, bytes as two capital hex digits separated by spaces.
// Lines are flushed at once, so the trace is complete however the program ends.
class TracingPortDevice : public PortDevice {
public:
  using TraceFile = std::shared_ptr<std::FILE>;

  // Opens `path` for appending; fails with "path: system error".
  static Outcome<TraceFile> OpenTraceFile(const std::string& path);

  // Traces the traffic of `inner` into `file`; `startMs` is the clock's
  // SteadyMilliseconds when the trace began. Every device of one run shares
  // the file and the start.
  TracingPortDevice(std::unique_ptr<PortDevice> inner, TraceFile file, Clock& clock, int64_t startMs);

  bool GetTimeouts(CommTimeouts& timeouts) override;
  bool SetTimeouts(const CommTimeouts& timeouts) override;
  // Stamped when the write began; records the bytes the device accepted.
  PortResult Write(const uint8_t* data, size_t length, size_t& written) override;
  // Stamped when the reply was there; an empty read leaves no line.
  PortResult Read(uint8_t* buffer, size_t length, size_t& got) override;
  void LimitWaits(uint32_t milliseconds) override { Inner->LimitWaits(milliseconds); }

private:
  void TraceBlock(int64_t atMs, const char* direction, const uint8_t* bytes, size_t count);

  std::unique_ptr<PortDevice> Inner;
  TraceFile File;
  Clock& Time;
  int64_t StartMs;
};
