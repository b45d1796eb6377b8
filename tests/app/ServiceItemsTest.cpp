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

TEST_F(ServiceItemsTest, FullRangeReadsEveryCellInAddressOrder) {
  for (int address = 0; address < 256; ++address) Printer.SetEepromCell(static_cast<uint8_t>(address), static_cast<uint8_t>(255 - address));
  ReadRange("00", "FF");
  std::vector<int> expected(256);
  std::iota(expected.begin(), expected.end(), 0);
  EXPECT_EQ(ControlEepromAddresses(0x41), expected);
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

TEST_F(ServiceItemsTest, APrinterSwitchedOffMidRangeKeepsTheRowsReadAndSaysWhy) {
  Clock.OnPause = [this](uint32_t) {
    if (ControlEepromAddresses(0x41).size() >= 20) Printer.PowerOff();
  };
  ReadRange("00", "FF");
  Clock.OnPause = nullptr;
  const int read = FilledCells();
  EXPECT_GE(read, 19);
  EXPECT_LT(read, 30);  // one cell's retries, not the rest of the range
  EXPECT_FALSE(Cell(0x05).isEmpty());
  EXPECT_TRUE(Cell(0xFF).isEmpty());
  EXPECT_TRUE(Visible("EepromGridPnl"));
  EXPECT_TRUE(Visible("StatusMemo"));
  EXPECT_TRUE(Memo().endsWith("The printer does not answer. Check the cable and the power.")) << Memo().toStdString();
}

TEST_F(ServiceItemsTest, SingleCellRangeFillsOneCell) {
  Printer.SetEepromCell(0x1F, 0x3C);
  ReadRange("1F", "1F");
  EXPECT_EQ(ControlEepromAddresses(0x41), (std::vector<int>{0x1F}));
  EXPECT_EQ(FilledCells(), 1);
  EXPECT_EQ(Cell(0x1F), "3C");
}

TEST_F(ServiceItemsTest, WrongRangesAndCellsAreRefusedWithoutTouchingThePrinter) {
  const size_t before = HostBlocks().size();
  for (const auto& [begin, end] : std::vector<std::pair<QString, QString>>{{"20", "1F"}, {"5", "10"}, {"G0", "FF"}}) {
    SCOPED_TRACE(begin.toStdString());
    ReadRange(begin, end);
    EXPECT_EQ(Memo(), "Input data is wrong.");
    EXPECT_TRUE(Visible("EepromReadPnl"));
    EXPECT_TRUE(AdjustChild<QLineEdit>("EepReadBegEdit")->hasFocus() || !QApplication::focusWidget());
  }
  Maintenance(4);
  Row("EepromCheckRdoGrp", 1);
  Click("EepromCheckOkBtn");
  Type("EepWriteAddEdit", "5G");
  Type("EepWriteDataEdit", "10");
  Click("EepromWriteOkBtn");
  EXPECT_EQ(Memo(), "Input data is wrong.");
  // Choosing items queues a printer reset and may ask for credit; no EEPROM request goes out.
  EXPECT_TRUE(ControlEepromAddresses(0x41).empty());
  EXPECT_TRUE(ControlEepromAddresses(0x42).empty());
  EXPECT_GE(HostBlocks().size(), before);
}

TEST_F(ServiceItemsTest, ChangingACellWritesItAndShowsAddressAndData) {
  Maintenance(4);
  Row("EepromCheckRdoGrp", 1);
  Click("EepromCheckOkBtn");
  EXPECT_TRUE(Visible("EepromWritePnl"));
  Type("EepWriteAddEdit", "5F");
  Type("EepWriteDataEdit", "10");
  Click("EepromWriteOkBtn");
  EXPECT_EQ(Memo(), "Address = 5F\nData = 10");
  EXPECT_EQ(Printer.Eeprom()[0x5F], 0x10);
  EXPECT_EQ(ControlEepromAddresses(0x42), (std::vector<int>{0x5F}));
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
  // One cleaning command with sequence 2 went out on the data channel.
  int cleanings = 0;
  for (const Bytes& block : HostBlocks())
    if (block.size() == 17 && block[0] == 0x40 && block[13] == 0x84) cleanings += block[16] == 2;
  EXPECT_EQ(cleanings, 1);
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

TEST_F(ServiceItemsTest, PrinterInErrorBeforeCleaningGetsNoCommand) {
  Maintenance(0);
  Printer.Faults().PrinterError = 4;
  const auto dataPackets = [this] {
    const std::vector<Bytes> blocks = HostBlocks();
    return std::count_if(blocks.begin(), blocks.end(), [](const Bytes& b) { return b[0] == 0x40; });
  };
  const auto before = dataPackets();
  Click("CleaningOKBtn");
  EXPECT_EQ(Memo(), "Printer is error.");
  EXPECT_EQ(dataPackets(), before);
}

TEST_F(ServiceItemsTest, ProtectionCounterIsReadAndCleared) {
  Printer.SetEepromCell(0x0A, 0x57);
  Printer.SetEepromCell(0x0B, 0x08);
  Maintenance(3);
  Click("ProCounterOKBtn");
  Click("CounterCheckOKBtn");
  EXPECT_EQ(Memo(), "Counter value = 22280");
  EXPECT_EQ(ControlEepromAddresses(0x41), (std::vector<int>{0x0B, 0x0A}));

  Printer.SetEepromCell(0x0A, 0xFF);
  Printer.SetEepromCell(0x0B, 0xFF);
  Click("CounterCheckOKBtn");
  EXPECT_EQ(Memo(), "Counter value = 65535");

  // No: nothing is written and the area is empty again.
  Click("CounterCheckRtnBtn");
  Row("CounterRdoBtn", 1);
  Click("ProCounterOKBtn");
  Boxes.Answer(DialogAnswer::No);
  Click("CounterClearOKBtn");
  EXPECT_EQ(Boxes.Texts(), (std::vector<std::string>{"Have you replaced the Waste Ink Pad certainly?",
                                                      "Please replace the Waste Ink Pad."}));
  EXPECT_TRUE(ControlEepromAddresses(0x42).empty());
  EXPECT_EQ(VisiblePanels(), (std::vector<std::string>{"CanvasPnl"}));

  // Yes: high byte first, then low byte.
  Maintenance(3);
  Row("CounterRdoBtn", 1);
  Click("ProCounterOKBtn");
  Boxes.Answer(DialogAnswer::Yes);
  Click("CounterClearOKBtn");
  EXPECT_EQ(ControlEepromAddresses(0x42), (std::vector<int>{0x0A, 0x0B}));
  EXPECT_EQ(Printer.Eeprom()[0x0A], 0);
  EXPECT_EQ(Printer.Eeprom()[0x0B], 0);
  EXPECT_EQ(Memo(), "The protect counter has been initialized.");
  EXPECT_EQ(AdjustChild<QLabel>("ShowProCounterPnl")->text(), "Initialized");
}
