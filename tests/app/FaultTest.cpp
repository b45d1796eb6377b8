#include "service/ConfirmedWrites.h"
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
    auto* boot = &program.Boot();
    boot->findChild<QComboBox*>("ModelNameCombo")->setCurrentIndex(0);
    boot->findChild<QComboBox*>("UsePortCombo")->setCurrentIndex(3);
    EXPECT_EQ(ExitStatusOf([&] { boot->findChild<QAbstractButton*>("PortSelectOKBtn")->click(); }), ExitFatal);
    EXPECT_EQ(boxes.Texts(), c.Texts);
    EXPECT_EQ(boxes.Shown.front().Kind, c.Texts.front() == "Receive error" ? DialogKind::Warning : DialogKind::Error);
    EXPECT_TRUE(printer.ProtocolViolations().empty());
  }
}

TEST_F(ProgramTest, ShortWriteOfADataPacketEndsTheProgramAfterTransmissionError) {
  Connect("Arvana Print 360", "LPT1");
  Printer.Faults().ShortWrite = true;
  const Bytes command{0x1B, 0x7C, 0x00, 0x05, 0x00, 0x10, 0x9B, 0x50, 0xAF, 0x28};
  EXPECT_EQ(ExitStatusOf([&] { Program->Comm.SendCommand(command.data(), command.size()); }), ExitFatal);
  EXPECT_EQ(Boxes.Texts(), (std::vector<std::string>{"Transmission error", ForcedEnd}));
  EXPECT_FALSE(Program->Driver.IsOpen());
}

TEST_F(ProgramTest, EepromWriteAcknowledgements) {
  Connect("Arvana Print 360", "VLUSB1");
  Printer.Faults().BusyAck = true;
  EXPECT_EQ(Program->Comm.ControlWriteEeprom(0x5F, 0x10), Ack::Busy);
  EXPECT_TRUE(Boxes.Shown.empty());

  // A write that gets no acknowledgement at all is not taken as done: a confirmed write ends the program.
  Printer.Faults().BusyAck = false;
  Printer.Faults().NoAnswer = true;
  ConfirmedWrites writes(Program->Comm);
  const std::array<EepromCell, 1> cell{{{0x5F, 0x00}}};
  EXPECT_EQ(ExitStatusOf([&] { (void)writes.WriteAndConfirm(cell, "the cell was not written"); }), ExitFatal);
  EXPECT_EQ(Boxes.Texts(), (std::vector<std::string>{"error", ForcedEnd}));
}

TEST_F(ProgramTest, PaperOutIsShownAndWaitedFor) {
  Printer.Faults().PaperOut = true;
  Connect("Arvana Print 350", "LPT1");
  EXPECT_EQ(Memo(), "The paper is loaded incorrectly in the Automatic Sheet");
  EXPECT_TRUE(Program->Adjust().RestrictedItems);

  // Once paper is loaded, "Get status" offers the full list again.
  Printer.Faults().PaperOut = false;
  Find<QAbstractButton>(Program->Adjust(), "GetStatusBtn")->click();
  EXPECT_EQ(Memo(), "Ready to print.");
  EXPECT_FALSE(Program->Adjust().RestrictedItems);
  EXPECT_EQ(Find<RadioGroup>(Program->Adjust(), "AdjustRdoGrp")->Items(), TFormAdjust::NormalItems);
}
