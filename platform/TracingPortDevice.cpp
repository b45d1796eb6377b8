// A port device that records every block written and read in a trace file, for finding faults of the link.
#include "platform/TracingPortDevice.h"

#include "platform/RegularFile.h"
#include "platform/ShownText.h"

#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cstring>

Outcome<TracingPortDevice::TraceFile> TracingPortDevice::OpenTraceFile(const std::string& path) {
  // A FIFO nobody reads would stop the link at its first block: only a regular file is traced to.
  const Outcome<int> descriptor = OpenRegularFileForWriting(path, WriteStart::Append);
  if (!descriptor) return descriptor.Fault();
  std::FILE* file = ::fdopen(*descriptor, "a");
  if (file == nullptr) {
    Failure failure = SystemFailureOn(path);
    ::close(*descriptor);
    return failure;
  }
  return TraceFile(file, [](std::FILE* open) { std::fclose(open); });
}

TracingPortDevice::TracingPortDevice(std::unique_ptr<PortDevice> inner, TraceFile file, Clock& clock,
                                     int64_t startMs)
    : Inner(std::move(inner)), File(std::move(file)), Time(clock), StartMs(startMs) {}

bool TracingPortDevice::GetTimeouts(CommTimeouts& timeouts) { return Inner->GetTimeouts(timeouts); }

bool TracingPortDevice::SetTimeouts(const CommTimeouts& timeouts) { return Inner->SetTimeouts(timeouts); }

PortResult TracingPortDevice::Write(const uint8_t* data, size_t length, size_t& written) {
  const int64_t startedMs = Time.SteadyMilliseconds();
  written = 0;
  const PortResult result = Inner->Write(data, length, written);
  TraceBlock(startedMs, "H>P", data, std::min(written, length));
  return result;
}

PortResult TracingPortDevice::Read(uint8_t* buffer, size_t length, size_t& got) {
  got = 0;
  const PortResult result = Inner->Read(buffer, length, got);
  TraceBlock(Time.SteadyMilliseconds(), "P>H", buffer, std::min(got, length));
  return result;
}

void TracingPortDevice::TraceBlock(int64_t atMs, const char* direction, const uint8_t* bytes, size_t count) {
  if (count == 0 || !File) return;
  const int64_t sinceStart = atMs >= StartMs ? atMs - StartMs : 0;
  std::string line = std::to_string(sinceStart / 1000) + '.';
  char fraction[8];
  std::snprintf(fraction, sizeof fraction, "%03d", static_cast<int>(sinceStart % 1000));
  line += fraction;
  line += ' ';
  line += direction;
  static const char Digits[] = "0123456789ABCDEF";
  for (size_t i = 0; i < count; ++i) {
    line += ' ';
    line += Digits[bytes[i] >> 4];
    line += Digits[bytes[i] & 0x0F];
  }
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), File.get());
  std::fflush(File.get());
}
