// The program at start-up with a port or a printer it cannot work with, and a printer out of paper.
#include "tests/app/ProgramFixture.h"

namespace {

const std::string ForcedEnd = "This program is closed by force.";

}  // namespace

TEST_F(ProgramTest, PortThatCannotBeOpenedEndsTheProgram) {
  Ports.SetOpenFails(true);
  EXPECT_EQ(ExitStatusOf([&] { Connect("Arvana Print 350", "LPT1"); }), ExitFatal);
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_TRUE(Boxes.Shown[0].IsSystemBox);
  EXPECT_EQ(Boxes.Shown[0].Text, "Cannot open port.");
  EXPECT_EQ(Boxes.Shown[0].Caption, "error");
  EXPECT_TRUE(HostBlocks().empty());
}

TEST_F(ProgramTest, StatusRepliesThatCannotBeUnderstoodEndTheProgramAtStartUp) {
  struct Case {
    const char* Name;
    std::function<void(VirtualPrinter&)> Arrange;
    std::vector<std::string> Texts;
  };
  const std::vector<Case> cases = {
      {"no state field", [](VirtualPrinter& p) { p.Faults().GarbageStatus = "STATUS\r\nhello\r\n"; },
       {"Printer status acquisition failure 1", ForcedEnd}},
      {"unknown state digit", [](VirtualPrinter& p) { p.Faults().GarbageStatus = "ST:05;IQ:000000000000;"; },
       {"Printer status acquisition failure 2", ForcedEnd}},
      {"no ink field", [](VirtualPrinter& p) { p.Faults().GarbageStatus = "ST:04;"; },
       {"Ink quantity acquisition failure.", ForcedEnd}},
      {"unknown error number", [](VirtualPrinter& p) { p.Faults().PrinterError = 2; },
       {"Error status acquisition failure", ForcedEnd}},
      {"unknown warning code", [](VirtualPrinter& p) { p.SetWarnings({16}); },
       {"Warning code acquisition failure", ForcedEnd}},
      {"reply from the wrong socket", [](VirtualPrinter& p) { p.Faults().WrongSocket = true; },
       {"Receive error", ForcedEnd}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    VirtualClock clock;
    TestDialogs boxes;
    TestProgramEnd end;
    VirtualPrinter printer(clock, "");
    SimPortSystem ports(printer, clock);
    ArvanaProgram program({clock, boxes, end, ports});
    program.Start();
    c.Arrange(printer);
    WindowDriver window([&program]() -> ArvanaProgram& { return program; });
    EXPECT_EQ(ExitStatusOf([&] { window.Connect("Arvana Print 350", "LPT1"); }), ExitFatal);
    EXPECT_EQ(boxes.Texts(), c.Texts);
    EXPECT_EQ(boxes.Shown.front().Kind, c.Texts.front() == "Receive error" ? DialogKind::Warning : DialogKind::Error);
    EXPECT_TRUE(printer.ProtocolViolations().empty());
  }
}

TEST_F(ProgramTest, PaperOutIsShownAndWaitedFor) {
  Printer.Faults().PaperOut = true;
  Connect("Arvana Print 350", "LPT1");
  EXPECT_EQ(Memo(), "The paper is loaded incorrectly in the Automatic Sheet");
  EXPECT_TRUE(Program->Adjust().RestrictedItems);

  // Once paper is loaded, "Get status" offers the full list again.
  Printer.Faults().PaperOut = false;
  AdjustChild<QAbstractButton>("GetStatusBtn")->click();
  EXPECT_EQ(Memo(), "Ready to print.");
  EXPECT_FALSE(Program->Adjust().RestrictedItems);
  EXPECT_EQ(AdjustChild<RadioGroup>("AdjustRdoGrp")->Items(), TFormAdjust::NormalItems);
}
