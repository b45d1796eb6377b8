// What the technician sees when the printer is busy, silent or loses a reply, and that it all works
// again once the printer does.
#include "tests/app/ProgramFixture.h"
#include "tests/sim/SimTestSupport.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>

#include <fstream>
#include <sstream>

namespace {

constexpr const char* CounterQuestion = "Have you replaced the Waste Ink Pad certainly?";

class FaultRecoveryTest : public ProgramTest {
protected:
  void ClearCounter() {
    Maintenance(3);
    Row("CounterRdoBtn", 1);
    Click("ProCounterOKBtn");
    Boxes.Answer(DialogAnswer::Yes);
    Click("CounterClearOKBtn");
  }
  double SecondsOfCleaningWithoutAnswer() {
    Printer.Faults().NoAnswer = true;
    const int64_t start = Clock.SteadyMilliseconds();
    Program->Factory.RunCleaning(HeadCleaningSequence);
    return static_cast<double>(Clock.SteadyMilliseconds() - start) / 1000.0;
  }
};

TEST_F(FaultRecoveryTest, ABusyPrinterIsAskedFiveTimesAndNothingIsClaimed) {
  Connect("Arvana Print 360", "LPT1");
  Printer.SetEepromCell(0x0A, 0x12);
  Printer.SetEepromCell(0x0B, 0x34);
  Printer.Faults().BusyAck = true;
  Clock.ClearPauses();
  ClearCounter();
  EXPECT_EQ(Memo(), "The printer is busy: the protection counter was not cleared.");
  EXPECT_EQ(MemoColours(), (std::vector<QColor>{QColor(255, 0, 0)}));
  EXPECT_EQ(AdjustChild<QLabel>("ShowProCounterPnl")->text(), "");
  EXPECT_EQ(ControlEepromAddresses(0x42), (std::vector<int>{0x0A, 0x0A, 0x0A, 0x0A, 0x0A}));
  EXPECT_EQ(std::count(Clock.Pauses().begin(), Clock.Pauses().end(), 1000u), 4);
  EXPECT_EQ(Printer.Eeprom()[0x0A], 0x12);

  // A printer busy only for a moment is written and read back.
  int busyAnswers = 0;
  Clock.OnPause = [&](uint32_t ms) {
    if (ms == 1000 && ++busyAnswers == 2) Printer.Faults().BusyAck = false;
  };
  ClearCounter();
  Clock.OnPause = nullptr;
  EXPECT_EQ(Memo(), "The protect counter has been initialized.");
  EXPECT_EQ(AdjustChild<QLabel>("ShowProCounterPnl")->text(), "Initialized");
  EXPECT_EQ(Printer.Eeprom()[0x0A], 0x00);
  EXPECT_EQ(Printer.Eeprom()[0x0B], 0x00);
}

TEST_F(FaultRecoveryTest, ACounterThatCannotBeReadIsNotShownAsANumber) {
  Connect("Arvana Print 360", "LPT1");
  Maintenance(3);
  Click("ProCounterOKBtn");
  for (auto fault : {&PrinterFaults::ShortEepromReply, &PrinterFaults::DropEepromReply}) {
    Printer.Faults() = PrinterFaults{};
    Printer.Faults().*fault = true;
    Click("CounterCheckOKBtn");
    EXPECT_EQ(Memo(), "The protection counter could not be read.");
  }
  Printer.Faults() = PrinterFaults{};
  Printer.SetEepromCell(0x0A, 0x00);
  Printer.SetEepromCell(0x0B, 0x2A);
  Click("CounterCheckOKBtn");
  EXPECT_EQ(Memo(), "Counter value = 42");
}

TEST_F(FaultRecoveryTest, ABiDPrintWithALostReplyLeavesThatValueAlone) {
  Connect("Arvana Print 360", "LPT1");
  Printer.SetEepromCell(0x33, 0x05);
  const uint8_t inUse = Printer.EepromInUse()[0x33];
  Printer.Faults().DropEepromReply = true;
  Printer.Faults().EepromFaultCell = 0x33;
  Adjust(2);
  Click("BidOKBtn");
  Click("BidPrnOKBtn");
  EXPECT_EQ(Printer.Eeprom()[0x33], 0x05);
  EXPECT_EQ(Printer.EepromInUse()[0x33], inUse);
  // No candidate of the first section went to the printer; the five other sections were printed.
  const auto setBid = [&] {
    int count = 0;
    for (const Bytes& command : ServiceCommands()) count += command[0] == 0x00 && command[1] == 1 && command[2] == 1;
    return count;
  };
  EXPECT_EQ(setBid(), 0);
  EXPECT_EQ(Memo(), "Bi-d pattern print is completed.\nThe MS Black value could not be read: its section has no "
                    "candidates and the value was left as stored.");
  EXPECT_EQ(MemoColours(), (std::vector<QColor>{Qt::black, QColor(255, 0, 0)}));
  ASSERT_FALSE(Printer.Pages().empty());
  EXPECT_TRUE(Printer.JobErrors().empty()) << testing::PrintToString(Printer.JobErrors());
}

TEST_F(FaultRecoveryTest, ADataChannelClosedAtConnectionOpensWhenThePrinterIsReady) {
  Printer.Faults().HeldState = PrinterState::Busy;
  Connect("Arvana Print 360", "VLUSB1");
  EXPECT_EQ(Memo(), "Printer is busy.");
  EXPECT_FALSE(Printer.ChannelOpen(0x40));

  Printer.Faults().HeldState.reset();
  Click("GetStatusBtn");
  EXPECT_EQ(Memo(), "Ready to print.");
  EXPECT_TRUE(Printer.ChannelOpen(0x40));
  Maintenance(0);
  Click("CleaningOKBtn");
  EXPECT_EQ(Memo(), "Head cleaning is completed.");
  const std::vector<Bytes> commands = ServiceCommands();
  ASSERT_FALSE(commands.empty());
  EXPECT_EQ(commands.back(), (Bytes{0x84, 0x02}));
  // TearDown checks that the printer saw no packet on a closed channel.
}

TEST_F(FaultRecoveryTest, CleaningWithoutGetStatusAlsoFindsItsChannelOpened) {
  Printer.Faults().HeldState = PrinterState::Busy;
  Connect("Arvana Print 360", "LPT1");
  Printer.Faults().HeldState.reset();
  Maintenance(0);
  Click("CleaningOKBtn");
  EXPECT_EQ(Memo(), "Head cleaning is completed.");
  EXPECT_TRUE(Printer.ChannelOpen(0x40));
  EXPECT_EQ(ServiceCommands().back(), (Bytes{0x84, 0x02}));
}

// A cleaning command on a printer that stopped answering gives up after one credit request and one
// credit, three tries each, and the packet: it does not ask for credit a second time.
TEST_F(FaultRecoveryTest, ASilentPrinterCostsOneCreditRequestOnLpt1) {
  Connect("Arvana Print 360", "LPT1");
  EXPECT_NEAR(SecondsOfCleaningWithoutAnswer(), 36.0, 3.0);
}

TEST_F(FaultRecoveryTest, ASilentPrinterCostsOneCreditRequestOnUsb) {
  Connect("Arvana Print 360", "VLUSB1");
  EXPECT_NEAR(SecondsOfCleaningWithoutAnswer(), 61.0, 3.0);
}

TEST_F(FaultRecoveryTest, StoredBiDValuesShowInFullAndOnlyTypingIsLimited) {
  Connect("Arvana Print 360", "LPT1");
  Printer.SetEepromCell(0x33, 0x80);  // -128
  Printer.SetEepromCell(0x36, 0x7F);  // 127
  Adjust(2);
  Row("BidRdoBtn", 1);
  Click("BidOKBtn");
  QLineEdit* msBlack = AdjustChild<QLineEdit>("MsBkBidWrtEdit");
  EXPECT_EQ(msBlack->text(), "-128");
  EXPECT_EQ(AdjustChild<QLineEdit>("MsClBidWrtEdit")->text(), "127");

  // Writing a stored value outside the range is refused like a typed one; a good value after it is black.
  AdjustChild<QCheckBox>("BidMsBkCheckBox")->setChecked(true);
  QLineEdit* sixBlack = AdjustChild<QLineEdit>("Pl6BkBidWrtEdit");
  sixBlack->clear();
  QTest::keyClicks(sixBlack, "-1234");
  EXPECT_EQ(sixBlack->text(), "-12");
  AdjustChild<QCheckBox>("Bid6plBkCheckBox")->setChecked(true);
  Click("BidWrtOKBtn");
  EXPECT_EQ(Memo(), "Digit is wrong.\nAs 6pl Black data, -12 has been written in EEPROM.");
  EXPECT_EQ(MemoColours(), (std::vector<QColor>{QColor(255, 0, 0), Qt::black}));
  EXPECT_EQ(Printer.Eeprom()[0x33], 0x80);
  EXPECT_EQ(Printer.Eeprom()[0x34], static_cast<uint8_t>(-12));
  EXPECT_EQ(AdjustChild<QLabel>("ShowMsBkPnl")->text(), "");
  EXPECT_EQ(AdjustChild<QLabel>("Show6plBkPnl")->text(), "-12");
}

TEST_F(FaultRecoveryTest, ValuesThatCannotBeReadShowAsUnknown) {
  Connect("Arvana Print 360", "LPT1");
  Printer.Faults().ShortEepromReply = true;
  // Bi-D values: every edit and every line says it does not know.
  Adjust(2);
  Row("BidRdoBtn", 2);
  Click("BidOKBtn");
  EXPECT_EQ(Memo(), "Multi shot Black = ??, Multi shot Color = ??\nMDX 6pl Black = ??, MDX 6pl Color = ??\n"
                    "MDX 4pl Black = ??, MDX 4pl Color = ??");
  // Head ID and USB ID go over the data channel and fail there too.
  Adjust(1);
  Click("HdVolOKBtn");
  EXPECT_EQ(Memo(), "The head ID could not be read.");
  Adjust(3);
  Row("UsbIdRdoBtn", 1);
  Click("UsbIdOKBtn");
  EXPECT_EQ(Memo(), "The USB ID could not be read.");
  // Top margin: nothing preselected; first dot position: no number to write back.
  Adjust(4);
  Row("TopMarginRdoGrp", 1);
  Click("TopMarginMainBtn");
  EXPECT_EQ(Memo(), "The top margin could not be read.");
  EXPECT_EQ(AdjustChild<RadioGroup>("TopMarginInputRdoGrp")->ItemIndex(), -1);
  const uint8_t firstDot = Printer.Eeprom()[0x39];
  Adjust(5);
  EXPECT_EQ(AdjustChild<QLineEdit>("LandMarginEdit")->text(), "??");
  Click("LandMarginWriteBtn");
  EXPECT_EQ(Memo(), "The first dot position could not be read. Choose a value with the buttons first.");
  EXPECT_EQ(Printer.Eeprom()[0x39], firstDot);
  EXPECT_TRUE(ControlEepromAddresses(0x42).empty());
}

// The trainer's file: busy switched on and off again while the program runs.
TEST(FaultFileWithTheProgram, BusyFromTheFileFailsEveryWriteUntilItIsSwitchedOff) {
  TempDirectory dir;
  WatchedClock clock;
  TestDialogs boxes;
  TestProgramEnd end;
  auto printer = std::make_unique<VirtualPrinter>(clock, dir.Path.string());
  std::ostringstream report;
  printer->SetFaultReport(report);
  SimPortSystem ports(*printer, clock);
  auto program = std::make_unique<ArvanaProgram>(ProgramServices{clock, boxes, end, ports});
  program->Start();
  program->Boot().findChild<QComboBox*>("ModelNameCombo")->setCurrentIndex(1);
  QComboBox* portList = program->Boot().findChild<QComboBox*>("UsePortCombo");
  portList->setCurrentIndex(portList->findText("LPT1"));
  program->Boot().findChild<QAbstractButton*>("PortSelectOKBtn")->click();
  TFormAdjust& window = program->Adjust();
  const auto memo = [&] { return window.findChild<QTextEdit*>("StatusMemo")->toPlainText(); };
  const auto writeCell = [&] {
    window.findChild<QTabWidget*>("AdjustmentTab")->setCurrentIndex(1);
    window.findChild<RadioGroup*>("MentRdoGrp")->Button(4)->click();
    window.findChild<RadioGroup*>("EepromCheckRdoGrp")->Button(1)->click();
    window.findChild<QAbstractButton*>("EepromCheckOkBtn")->click();
    window.findChild<QLineEdit*>("EepWriteAddEdit")->setText("70");
    window.findChild<QLineEdit*>("EepWriteDataEdit")->setText("A5");
    window.findChild<QAbstractButton*>("EepromWriteOkBtn")->click();
  };

  std::ofstream(dir.Path / "faults.conf") << "busy-ack = on\n";
  writeCell();
  EXPECT_EQ(memo(), "The printer is busy: address 70 was not written.");
  EXPECT_NE(printer->Eeprom()[0x70], 0xA5);
  EXPECT_EQ(report.str(), "virtual printer: busy-ack = on\n");

  std::ofstream(dir.Path / "faults.conf") << "busy-ack = off   # the printer has finished\n";
  writeCell();
  EXPECT_EQ(memo(), "Address = 70\nData = A5");
  EXPECT_EQ(printer->Eeprom()[0x70], 0xA5);
  EXPECT_TRUE(boxes.Shown.empty());
  program.reset();
}

}  // namespace
