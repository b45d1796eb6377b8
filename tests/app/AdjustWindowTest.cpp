#include "tests/app/ProgramFixture.h"

#include <QTabBar>
#include <QTabWidget>

class AdjustWindowTest : public ProgramTest {
protected:
  void SetUp() override {
    ProgramTest::SetUp();
    Connect("Arvana Print 360", "LPT1");
    ASSERT_TRUE(Program->Adjust().isVisible());
  }
  RadioGroup* List(const char* name) { return AdjustChild<RadioGroup>(name); }
  QTabWidget* Tabs() { return AdjustChild<QTabWidget>("AdjustmentTab"); }
};

TEST_F(AdjustWindowTest, ChoosingOnAnotherPageLeavesOnlyThatItem) {
  Row("AdjustRdoGrp", 2);  // "Bi-D"
  Program->Adjust().WriteStatus(wsPlain, "something");
  Tabs()->setCurrentIndex(1);
  Row("MentRdoGrp", 0);  // "Head cleaning"
  EXPECT_EQ(VisiblePanels(), (std::vector<std::string>{"CleaningPnl"}));
  EXPECT_EQ(Memo(), "");
  EXPECT_EQ(List("AdjustRdoGrp")->ItemIndex(), -1);
  EXPECT_EQ(List("MentRdoGrp")->ItemIndex(), 0);

  Tabs()->setCurrentIndex(0);
  EXPECT_EQ(VisiblePanels(), (std::vector<std::string>{"CanvasPnl"}));
  EXPECT_EQ(List("MentRdoGrp")->ItemIndex(), -1);
  EXPECT_EQ(List("AdjustRdoGrp")->ItemIndex(), -1);
}

TEST_F(AdjustWindowTest, RestrictedListOpensTheRecoveryPanels) {
  Program->Adjust().EnterErrorMode();
  const std::vector<std::string> expected = {"DefaultSetPnl", "CounterPnl", "EepromCheckPnl", "EepromBackupPnl"};
  Row("AdjustRdoGrp", 1);
  EXPECT_EQ(VisiblePanels(), (std::vector<std::string>{"CounterPnl"}));
  Row("AdjustRdoGrp", 2);
  EXPECT_EQ(VisiblePanels(), (std::vector<std::string>{"EepromCheckPnl"}));
  EXPECT_EQ(Tabs()->tabText(0), "");
  EXPECT_FALSE(List("MentRdoGrp")->isEnabled());
}

TEST_F(AdjustWindowTest, MessagePiecesStandOnTheirLines) {
  TFormAdjust& window = Program->Adjust();
  window.WriteStatus(wsPlain, "As MS Black data, ");
  window.WriteStatus(wsAppend, "-2");
  EXPECT_EQ(Memo(), "As MS Black data, -2");
  window.WriteStatus(wsNewLine, "Second line");
  EXPECT_EQ(Memo(), "As MS Black data, -2\nSecond line");

  window.WriteStatus(wsError, "Input data is wrong.");
  EXPECT_EQ(Memo(), "Input data is wrong.");
  EXPECT_EQ(AdjustChild<QTextEdit>("StatusMemo")->textColor(), QColor(255, 0, 0));
  window.WriteStatus(wsBusy, "Working");
  EXPECT_FALSE(window.isEnabled());
  EXPECT_EQ(AdjustChild<QTextEdit>("StatusMemo")->textColor(), QColor(0, 0, 255));
  window.WriteStatus(wsDone, "Done.");
  EXPECT_TRUE(window.isEnabled());
  EXPECT_EQ(Memo(), "Done.");
  // The re-enabling timer started by wsDone cannot give the window back in the middle of the next busy item.
  auto* timer = window.findChild<QTimer*>("DisableTimer");
  ASSERT_NE(timer, nullptr);
  EXPECT_TRUE(timer->isActive());
  window.WriteStatus(wsBusy, "Working again");
  EXPECT_FALSE(timer->isActive());
}

TEST_F(AdjustWindowTest, ClosingAfterTheExchangeSkipsTheResetAndNextStartsAfresh) {
  Program->Adjust().SkipResetOnClose = true;
  Clock.ClearPauses();
  AnswerNextModal("NextBtn");
  Click("AdjustRtnBtn");
  EXPECT_TRUE(Boxes.Shown.empty());
  EXPECT_EQ(std::count(Clock.Pauses().begin(), Clock.Pauses().end(), 10000u), 0);
  EXPECT_TRUE(ControlEepromAddresses(0x42).empty());
  for (const Bytes& block : HostBlocks()) EXPECT_NE(block, (Bytes{0x02, 0x02, 0x00, 0x0B, 0x00, 0x00, 'r', 's', 1, 0, 1}));
  EXPECT_FALSE(Program->Adjust().isVisible());
  EXPECT_TRUE(Program->Boot().isVisible());
  EXPECT_EQ(ModelCombo()->currentIndex(), -1);
  EXPECT_EQ(PortCombo()->currentIndex(), -1);
  EXPECT_EQ(List("AdjustRdoGrp")->Count(), 0);
}

TEST_F(AdjustWindowTest, PaperJamReportedWithReadyIsAnErrorUntilTheNextReadyRefresh) {
  Printer.Faults().PrinterError = 4;
  Printer.Faults().HeldState = PrinterState::Ready;
  Click("GetStatusBtn");
  EXPECT_EQ(Memo(), "Paper is jammed.");
  EXPECT_TRUE(Program->Adjust().RestrictedItems);
  EXPECT_EQ(List("AdjustRdoGrp")->Items(), TFormAdjust::RestrictedItemList);

  Printer.Faults().PrinterError.reset();
  Click("GetStatusBtn");
  EXPECT_EQ(Memo(), "Ready to print.");
  EXPECT_FALSE(Program->Adjust().RestrictedItems);
  EXPECT_EQ(List("AdjustRdoGrp")->Items(), TFormAdjust::NormalItems);
  EXPECT_EQ(Tabs()->tabText(0), "Adjustment");
  EXPECT_EQ(List("AdjustRdoGrp")->title(), "Adjustment items");
  EXPECT_TRUE(List("MentRdoGrp")->isEnabled());
}

TEST_F(AdjustWindowTest, StatesAndInkWarningsAsTheTechnicianReadsThem) {
  struct Case {
    const char* Name;
    std::function<void(VirtualPrinter&)> Arrange;
    QString Memo;
  };
  // The printer's state stays above the ink lines, so "Ready to print." or an error is never lost behind them.
  const std::vector<Case> cases = {
      {"cleaning", [](VirtualPrinter& p) { p.Faults().HeldState = PrinterState::Cleaning; },
       "The printer is busy cleaning the print head or charging ink.\nPlease wait..."},
      {"motor off", [](VirtualPrinter& p) { p.Faults().HeldState = PrinterState::MotorOff; }, "Motor current off."},
      {"black low", [](VirtualPrinter& p) { p.SetWarnings({10}); }, "Ready to print.\nBlack ink is low.\nBlack : K207"},
      {"both out", [](VirtualPrinter& p) { p.SetWarnings({11, 13}); },
       "Ready to print.\nThe black and color inks are out.\nBlack : K207\nColor : K208\nReplace the black and color ink cartridges."},
      {"colour low, yellow and light cyan low",
       [](VirtualPrinter& p) {
         p.SetWarnings({12});
         p.SetInkQuantities({0x50, 0x40, 0x40, 0x0A, 0x05, 0xFF});
       },
       "Ready to print.\nColor ink is low.\nYellow ink is low\nCyan ink is low\nColor : K208"},
      {"black out and colour low",
       [](VirtualPrinter& p) {
         p.SetWarnings({11, 12});
         p.SetInkQuantities({0x00, 0x40, 0x0F, 0x40, 0x40, 0x40});
       },
       "Ready to print.\nBlack ink is out.\nBlack : K207\nReplace the black ink cartridge.\nColor ink is low.\nMagenta ink is low\n"
       "Color : K208"},
      {"ink out error without warnings",
       [](VirtualPrinter& p) {
         p.Faults().PrinterError = 5;
         p.SetInkQuantities({0x30, 0x40, 0x00, 0x40, 0x40, 0x40});
       },
       "Color ink is out.\nColor : K208\nReplace the color ink cartridge."},
      {"not an ink warning", [](VirtualPrinter& p) { p.SetWarnings({14}); }, "Ready to print."},
      {"paper jam and black low",
       [](VirtualPrinter& p) {
         p.Faults().PrinterError = 4;
         p.SetWarnings({10});
       },
       "Paper is jammed.\nBlack ink is low.\nBlack : K207"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Printer.Faults() = PrinterFaults{};
    Printer.SetWarnings({});
    Printer.SetInkQuantities({0x48, 0x41, 0x50, 0x3A, 0x5B, 0x4D});
    c.Arrange(Printer);
    Click("GetStatusBtn");
    EXPECT_EQ(Memo(), c.Memo);
  }
}

TEST_F(AdjustWindowTest, WindowOpensOnTheEmptyItemArea) {
  EXPECT_EQ(VisiblePanels(), (std::vector<std::string>{"CanvasPnl"}));
  EXPECT_EQ(Tabs()->count(), 3);
  EXPECT_FALSE(Tabs()->tabBar()->usesScrollButtons() && Tabs()->tabBar()->sizeHint().width() > Tabs()->width());
}
