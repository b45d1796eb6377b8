#include "tests/app/ProgramFixture.h"

#include <QLineEdit>
#include <QTableWidget>

class ServiceItemsTest : public ProgramTest {
protected:
  void SetUp() override {
    ProgramTest::SetUp();
    Connect("Arvana Print 360", "LPT1");
    ASSERT_TRUE(Program->Adjust().isVisible());
  }
  QString Cell(int address) {
    QTableWidgetItem* item = AdjustChild<QTableWidget>("EepromStrGrid")->item(address / 16 + 1, address % 16 + 1);
    return item ? item->text() : QString();
  }
  int FilledCells() {
    int filled = 0;
    for (int address = 0; address < 256; ++address) filled += !Cell(address).isEmpty();
    return filled;
  }
  void ReadRange(const QString& begin, const QString& end) {
    Maintenance(4);
    Click("EepromCheckOkBtn");
    Type("EepReadBegEdit", begin);
    Type("EepReadEndEdit", end);
    Click("EepromReadOkBtn");
  }
};

TEST_F(ServiceItemsTest, FullRangeFillsTheTableInPlaceOfTheMessageArea) {
  for (int address = 0; address < 256; ++address) Printer.SetEepromCell(static_cast<uint8_t>(address), static_cast<uint8_t>(255 - address));
  ReadRange("00", "FF");
  EXPECT_EQ(FilledCells(), 256);
  EXPECT_EQ(Cell(0x00), "FF");
  EXPECT_EQ(Cell(0x5F), "A0");
  EXPECT_EQ(VisiblePanels(), (std::vector<std::string>{"EepromGridPnl"}));
  EXPECT_FALSE(Visible("StatusMemo"));

  // "Previous" brings the range back for a second look, and the headers stay.
  Click("EepromGridRtnBtn");
  EXPECT_EQ(AdjustChild<QLineEdit>("EepReadBegEdit")->text(), "00");
  EXPECT_EQ(AdjustChild<QLineEdit>("EepReadEndEdit")->text(), "FF");
  EXPECT_EQ(AdjustChild<QTableWidget>("EepromStrGrid")->item(0, 16)->text(), "F");
  EXPECT_EQ(AdjustChild<QTableWidget>("EepromStrGrid")->item(2, 0)->text(), "1");
}

TEST_F(ServiceItemsTest, APrinterSwitchedOffMidRangeKeepsTheRowsReadAndShowsWhyBelow) {
  Clock.OnPause = [this](uint32_t) {
    if (ControlEepromAddresses(0x41).size() >= 20) Printer.PowerOff();
  };
  ReadRange("00", "FF");
  Clock.OnPause = nullptr;
  EXPECT_GE(FilledCells(), 19);
  EXPECT_FALSE(Cell(0x05).isEmpty());
  EXPECT_TRUE(Cell(0xFF).isEmpty());
  EXPECT_TRUE(Visible("EepromGridPnl"));
  EXPECT_TRUE(Visible("StatusMemo"));
}

TEST_F(ServiceItemsTest, AWrongRangeKeepsItsPanelForCorrection) {
  ReadRange("20", "1F");
  EXPECT_TRUE(Visible("EepromReadPnl"));
  EXPECT_TRUE(AdjustChild<QLineEdit>("EepReadBegEdit")->hasFocus() || !QApplication::focusWidget());
  Maintenance(4);
  Row("EepromCheckRdoGrp", 1);
  Click("EepromCheckOkBtn");
  EXPECT_EQ(VisiblePanels(), (std::vector<std::string>{"EepromWritePnl"}));
}

TEST_F(ServiceItemsTest, HeadCleaningKeepsTheWindowDisabledUntilThePrinterIsReady) {
  Maintenance(0);
  std::vector<bool> enabledDuringPolls;
  Clock.OnPause = [&](uint32_t ms) {
    if (ms == 2000) enabledDuringPolls.push_back(Program->Adjust().isEnabled());
  };
  Click("CleaningOKBtn");
  Clock.OnPause = nullptr;
  EXPECT_EQ(Memo(), "Head cleaning is completed.");
  EXPECT_TRUE(Program->Adjust().isEnabled());
  ASSERT_GE(enabledDuringPolls.size(), 10u);  // the cleaning takes tens of seconds
  EXPECT_EQ(std::count(enabledDuringPolls.begin(), enabledDuringPolls.end(), true), 0);
}

TEST_F(ServiceItemsTest, PrinterErrorDuringCleaningLeavesAUsableWindow) {
  Maintenance(1);
  Clock.OnPause = [&](uint32_t ms) {
    if (ms == 2000) Printer.Faults().PrinterError = 0;
  };
  Click("ChargeOKBtn");
  Clock.OnPause = nullptr;
  EXPECT_EQ(Memo(), "Printer is error.");
  EXPECT_EQ(AdjustChild<QTextEdit>("StatusMemo")->textColor(), QColor(255, 0, 0));
  EXPECT_TRUE(Program->Adjust().isEnabled());
  EXPECT_TRUE(AdjustChild<QWidget>("GetStatusBtn")->isEnabled());
  EXPECT_EQ(Program->Adjust().cursor().shape(), Qt::ArrowCursor);
}

TEST_F(ServiceItemsTest, ProtectionCounterClearEmptiesTheAreaOnNoAndShowsInitializedOnYes) {
  Maintenance(3);
  Row("CounterRdoBtn", 1);
  Click("ProCounterOKBtn");
  EXPECT_EQ(VisiblePanels(), (std::vector<std::string>{"CounterClearPnl"}));
  Boxes.Answer(DialogAnswer::No);
  Click("CounterClearOKBtn");
  EXPECT_EQ(VisiblePanels(), (std::vector<std::string>{"CanvasPnl"}));

  Maintenance(3);
  Row("CounterRdoBtn", 1);
  Click("ProCounterOKBtn");
  Boxes.Answer(DialogAnswer::Yes);
  Click("CounterClearOKBtn");
  EXPECT_EQ(Memo(), "The protect counter has been initialized.");
  EXPECT_EQ(AdjustChild<QLabel>("ShowProCounterPnl")->text(), "Initialized");
}
