// Signals in the windowed program: SIGTERM shuts the link down and ends, Ctrl-C ends the visit once
// the program is idle, and after a write it stopped the technician sees how far it got first.
#include "app/SignalStops.h"
#include "tests/app/ProgramFixture.h"
#include "service/UnfinishedWrite.h"
#include "tests/support/StopAfterWrites.h"

#include <QLineEdit>

#include <csignal>

namespace {

// A stop the test asks for by hand.
class SetStop : public StopSignals {
public:
  int Signal = 0;
  int Pending() const override { return Signal; }
  void Forget() override { Signal = 0; }
};

const Bytes ResetRequest{0x02, 0x02, 0x00, 0x0B, 0x00, 0x00, 'r', 's', 0x01, 0x00, 0x01};

}  // namespace

class SignalStopsTest : public ProgramTest {
protected:
  SetStop Stop;
  std::unique_ptr<SignalStops> Stops;

  void SetUp() override {
    ProgramTest::SetUp();
    Program->Guard.SetStopSignals(Stop);
    Stops = std::make_unique<SignalStops>(*Program, Stop, -1, End);
    Connect("Arvana Print 360", "VLUSB1");
    ASSERT_TRUE(Program->Adjust().isVisible());
  }
  void TearDown() override {
    Stops.reset();
    ProgramTest::TearDown();
  }
  bool ResetSent() const {
    const std::vector<Bytes> blocks = HostBlocks();
    return std::find(blocks.begin(), blocks.end(), ResetRequest) != blocks.end();
  }
};

TEST_F(SignalStopsTest, TermShutsTheLinkDownAndEnds) {
  Stop.Signal = SIGTERM;
  EXPECT_EQ(ExitStatusOf([this] { Stops->Check(); }), 128 + SIGTERM);
  EXPECT_FALSE(Program->Driver.IsOpen());
  EXPECT_FALSE(Printer.InPacketMode());
  EXPECT_TRUE(ResetSent());
  EXPECT_TRUE(Boxes.Shown.empty());  // no question on the way out
}

TEST_F(SignalStopsTest, CtrlCEndsTheVisitAndTheContinueWindowFollows) {
  Stop.Signal = SIGINT;
  Boxes.Answer(DialogAnswer::Ok);  // the box before the reset
  AnswerNextModal("NextBtn");
  Stops->Check();
  EXPECT_EQ(End.EndCount, 0);
  EXPECT_FALSE(Program->Adjust().isVisible());
  EXPECT_TRUE(Program->Boot().isVisible());
  EXPECT_FALSE(Program->Driver.IsOpen());
  EXPECT_TRUE(ResetSent());
  EXPECT_EQ(Stop.Signal, 0);  // answered: the next Ctrl-C is a first one again
}

TEST_F(SignalStopsTest, CtrlCAfterAStoppedWriteShowsHowFarItGotFirst) {
  StopAfterWrites stopAfter(Printer, 5, SIGINT);
  Program->Guard.SetStopSignals(stopAfter);
  Adjust(1);  // head ID
  Row("HdVolRdoBtn", 1);   // change data
  Click("HdVolOKBtn");
  AdjustChild<QLineEdit>("HdVolWrtEdit")->setText("B1BCDEFABCABY");
  Click("HdVolWrtOKBtn");
  EXPECT_EQ(Memo().toStdString().rfind("Stopped: 5 of 13 cells written;", 0), 0u) << Memo().toStdString();

  Program->Guard.SetStopSignals(Stop);
  Stop.Signal = SIGINT;
  Boxes.Answer(DialogAnswer::Ok);
  Boxes.Answer(DialogAnswer::Ok);
  AnswerNextModal("NextBtn");
  Stops->Check();
  ASSERT_GE(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Boxes.Shown[0].Text.rfind("Stopped: 5 of 13 cells written;", 0), 0u) << Boxes.Shown[0].Text;
  EXPECT_FALSE(Program->Adjust().isVisible());
  EXPECT_EQ(NoteStore(NoteFolder.path().toStdString()).NotesFor("VLUSB1", "").size(), 1u);  // still to finish
}

// SIGTERM while the Bi-D page has a candidate in the printer: the stored value goes back before
// the link is shut down, and nothing is left to finish.
TEST_F(SignalStopsTest, TermDuringTheBidPageGivesTheStoredValueBack) {
  const EepromImage::Cells before = Printer.Eeprom();
  StopAfterWrites stopAfter(Printer, 7, SIGTERM);  // MS Color's first candidate: MS Black is back already
  Program->Guard.SetStopSignals(stopAfter);
  Stops = std::make_unique<SignalStops>(*Program, stopAfter, -1, End);
  Adjust(2);
  Row("BidRdoBtn", 0);
  Click("BidOKBtn");
  EXPECT_EQ(ExitStatusOf([this] { Click("BidPrnOKBtn"); }), 128 + SIGTERM);
  EXPECT_EQ(Printer.Eeprom(), before);
  EXPECT_TRUE(ResetSent());
  EXPECT_FALSE(Program->Driver.IsOpen());
  EXPECT_TRUE(NoteStore(NoteFolder.path().toStdString()).NotesFor("VLUSB1", "").empty());
}
