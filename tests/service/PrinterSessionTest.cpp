// The printer of a visit: the wait for a ready printer, the data channel it catches up on, and the
// reset that ends the visit.
#include "service/PrinterSession.h"

#include "tests/support/SimLinkTest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

// The reset request on the control channel: link header, then "rs" with its one parameter byte.
const std::vector<uint8_t> ResetRequestBlock{0x02, 0x02, 0x00, 0x0B, 0x00, 0x00, 'r', 's', 0x01, 0x00, 0x01};

class PrinterSessionTest : public SimLinkTest<> {
protected:
  PrinterSession Session{Comm, Clock};

  // Each test connects through the session itself.
  void SetUp() override {}

  bool ResetSentSince(size_t mark) const {
    const auto& capture = Printer.Capture();
    return std::any_of(capture.begin() + static_cast<long>(mark), capture.end(),
                       [](const CaptureRecord& r) { return r.FromHost && r.Bytes == ResetRequestBlock; });
  }
  long PausesOf(uint32_t milliseconds) const {
    return std::count(Clock.Pauses().begin(), Clock.Pauses().end(), milliseconds);
  }
};

TEST_F(PrinterSessionTest, BusyPrinterIsPolledEveryTwoSecondsAndGetsItsDataChannelOnceReady) {
  Printer.Faults().HeldState = PrinterState::Busy;
  ASSERT_TRUE(Session.Connect(FirstParallelPortIndex));
  EXPECT_FALSE(Comm.DataChannelOpen());

  Clock.ClearPauses();
  std::vector<std::pair<uint32_t, PrinterStateCode>> told;
  const bool ready = Session.WaitUntilReadyOrError([&](uint32_t waitedMs, PrinterStateCode state) {
    told.emplace_back(waitedMs, state);
    if (told.size() == 2) Printer.Faults().HeldState.reset();
  });
  EXPECT_TRUE(ready);
  EXPECT_EQ(told, (std::vector<std::pair<uint32_t, PrinterStateCode>>{{0, StatusBusy}, {2000, StatusBusy}}));
  EXPECT_EQ(PausesOf(2000), 2);
  EXPECT_TRUE(Comm.DataChannelOpen());
}

TEST_F(PrinterSessionTest, PrinterInErrorEndsTheWaitAtOnce) {
  ASSERT_TRUE(Session.Connect(FirstParallelPortIndex));
  EXPECT_TRUE(Comm.DataChannelOpen());
  Printer.Faults().PrinterError = 4;
  Clock.ClearPauses();
  EXPECT_FALSE(Session.WaitUntilReadyOrError([](uint32_t, PrinterStateCode) { ADD_FAILURE() << "no pause for an error"; }));
  EXPECT_EQ(PausesOf(2000), 0);
}

TEST_F(PrinterSessionTest, EndResetsOnlyWhenAskedAndWaitsOnlyForAnAcknowledgedReset) {
  struct Case {
    const char* Name;
    bool Reset;
    bool PrinterSilent;
    bool PrinterBusy;
    bool ResetWritten;
    std::vector<const char*> Told;
    long TenSecondWaits;
  };
  const std::vector<Case> cases{
      {"reset", true, false, false, true, {"starting", "accepted"}, 1},
      {"reset skipped", false, false, false, false, {}, 0},
      // The credit asked for ahead of the request already goes unanswered.
      {"reset unanswered", true, true, false, false, {"starting", "unacknowledged"}, 0},
      // A busy printer does not reset: nothing is waited for.
      {"reset refused", true, false, true, true, {"starting", "refused"}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    ASSERT_TRUE(Session.Connect(FirstParallelPortIndex));
    Printer.Faults().NoAnswer = c.PrinterSilent;
    Printer.Faults().BusyAck = c.PrinterBusy;
    Clock.ClearPauses();
    const size_t before = Printer.Capture().size();
    std::vector<const char*> told;
    ResetNotice notice;
    notice.Starting = [&] { told.push_back("starting"); };
    notice.Accepted = [&] { told.push_back("accepted"); };
    notice.Refused = [&] { told.push_back("refused"); };
    notice.Unacknowledged = [&] { told.push_back("unacknowledged"); };
    Session.End(c.Reset, notice);
    EXPECT_EQ(ResetSentSince(before), c.ResetWritten);
    EXPECT_EQ(told, c.Told);
    EXPECT_EQ(PausesOf(10000), c.TenSecondWaits);
    EXPECT_FALSE(Driver.IsOpen());
    Printer.Faults().NoAnswer = false;
    Printer.Faults().BusyAck = false;
  }
}

}  // namespace
