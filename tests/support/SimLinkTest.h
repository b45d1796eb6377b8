// A link stack on the in-process virtual printer behind LPT1, for tests of the service logic.
#pragma once

#include "link/TPDalD4Comm.h"
#include "link/TPFactory.h"
#include "link/TPPrinterDriver.h"
#include "platform/VirtualClock.h"
#include "sim/ports/SimPortSystem.h"
#include "sim/VirtualPrinter.h"
#include "tests/support/FakeFatalExit.h"
#include "tests/support/TestDialogs.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

class Lpt1Choice : public PortChoice {
public:
  int16_t GetPortIndex() const override { return FirstParallelPortIndex; }
};

template <typename ClockType = VirtualClock>
class SimLinkTest : public testing::Test {
protected:
  ClockType Clock;
  VirtualPrinter Printer{Clock, ""};
  SimPortSystem Ports{Printer, Clock};
  Lpt1Choice Choice;
  TestDialogs Boxes;
  TestProgramEnd End;
  FakeFatalExit Fatal{Boxes, End};
  PrinterStatus Status;
  TPPrinterDriver Driver{Ports, Choice, Clock, Boxes, Fatal};
  TPDalD4Comm Comm{Driver, Clock, Boxes, Fatal, Status};
  TPFactory Factory{Comm, Boxes};

  void SetUp() override {
    ASSERT_TRUE(Comm.StartLinkToControlChannel(FirstParallelPortIndex));
    ASSERT_TRUE(Comm.OpenChannel(DataSocket));
  }
  void TearDown() override {
    EXPECT_TRUE(Printer.ProtocolViolations().empty()) << testing::PrintToString(Printer.ProtocolViolations());
    EXPECT_TRUE(Boxes.Shown.empty());
  }

  // (first, second parameter) of each service command `code` sent on the
  // data channel since the last call, in order.
  std::vector<std::pair<uint8_t, uint8_t>> ServiceCommandsSinceLastLook(uint8_t code) {
    std::vector<std::pair<uint8_t, uint8_t>> found;
    const auto& capture = Printer.Capture();
    for (size_t i = Seen; i < capture.size(); ++i) {
      const std::vector<uint8_t>& b = capture[i].Bytes;
      if (capture[i].FromHost && b.size() >= 17 && b[0] == DataSocket && b[13] == code)
        found.emplace_back(b[16], b.size() > 17 ? b[17] : 0);
    }
    Seen = capture.size();
    return found;
  }

private:
  size_t Seen = 0;  // capture records before the step under test
};
