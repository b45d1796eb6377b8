// The trace of a port's traffic: one exact line per block, stamped on the program's clock.
#include "platform/TracingPortDevice.h"
#include "platform/VirtualClock.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace {

// A device that accepts part of each write and answers each read from a script,
// letting time pass on the clock as a real device would.
class ScriptedDevice : public PortDevice {
public:
  explicit ScriptedDevice(VirtualClock& clock) : Time(clock) {}
  bool GetTimeouts(CommTimeouts&) override { return true; }
  bool SetTimeouts(const CommTimeouts&) override { return true; }
  PortResult Write(const uint8_t*, size_t length, size_t& written) override {
    Time.Advance(WriteTakesMs);
    written = std::min(length, Accept);
    return written == length ? PortResult::Done : PortResult::TimedOut;
  }
  PortResult Read(uint8_t* buffer, size_t length, size_t& got) override {
    Time.Advance(ReadTakesMs);
    got = std::min(length, Reply.size());
    std::memcpy(buffer, Reply.data(), got);
    return ReadResult;
  }

  VirtualClock& Time;
  size_t Accept = SIZE_MAX;
  std::vector<uint8_t> Reply;
  PortResult ReadResult = PortResult::TimedOut;
  int64_t WriteTakesMs = 0;
  int64_t ReadTakesMs = 0;
};

std::string Contents(const std::string& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

}  // namespace

TEST(TracingPortDevice, WritesOneExactLinePerBlock) {
  char path[] = "/tmp/arvana-trace-XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  ::close(fd);

  VirtualClock clock;
  clock.Advance(5000);  // the trace starts now, not at the clock's zero
  Outcome<TracingPortDevice::TraceFile> opened = TracingPortDevice::OpenTraceFile(path);
  ASSERT_TRUE(opened) << opened.Fault().Message;
  TracingPortDevice::TraceFile file = *opened;
  auto inner = std::make_unique<ScriptedDevice>(clock);
  ScriptedDevice& scripted = *inner;
  TracingPortDevice device(std::move(inner), file, clock, clock.SteadyMilliseconds());

  uint8_t buffer[16] = {};
  size_t count = 0;
  clock.Advance(12345);
  const uint8_t command[] = {0x1B, 0x00, 0xAB, 0x40};
  scripted.WriteTakesMs = 900;
  ASSERT_TRUE(Transferred(device.Write(command, sizeof command, count)));  // stamped when it began

  scripted.Reply = {0x0A, 0xFF};
  scripted.ReadTakesMs = 55;
  ASSERT_TRUE(Transferred(device.Read(buffer, sizeof buffer, count)));  // stamped when the reply was there
  EXPECT_EQ(count, 2u);

  scripted.Reply.clear();
  ASSERT_TRUE(Transferred(device.Read(buffer, sizeof buffer, count)));  // nothing came: no line

  clock.Advance(1'000'000);
  scripted.Accept = 2;
  scripted.WriteTakesMs = 0;
  ASSERT_TRUE(Transferred(device.Write(command, sizeof command, count)));  // only what was accepted
  EXPECT_EQ(count, 2u);

  scripted.Reply = {0x00, 0x01};
  scripted.ReadResult = PortResult::DeviceLost;
  EXPECT_EQ(device.Read(buffer, sizeof buffer, count), PortResult::DeviceLost);  // the kind is passed on

  EXPECT_EQ(Contents(path),
            "12.345 H>P 1B 00 AB 40\n"
            "13.300 P>H 0A FF\n"
            "1013.355 H>P 1B 00\n"
            "1013.410 P>H 00 01\n");
  ::unlink(path);
}
