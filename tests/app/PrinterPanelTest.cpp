// The virtual printer's front panel beside the program: switches in step with faults.conf, and the EEPROM table's marks.
#include "sim/files/FaultFile.h"
#include "sim/panel/PrinterPanel.h"
#include "tests/app/ProgramFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <fstream>
#include <set>
#include <sstream>
#include <string>

namespace {

struct PrinterFolder {
  QTemporaryDir Folder;
  std::string Path() const { return Folder.path().toStdString(); }
};

class PrinterPanelTest : private PrinterFolder, public ProgramTest {
protected:
  PrinterPanelTest() : ProgramTest(PrinterFolder::Path()) {}

  void SetUp() override {
    ProgramTest::SetUp();
    Printer.SetFaultReport(Report);
    Connect("Arvana Print 360", "LPT1");
    ASSERT_TRUE(Program->Adjust().isVisible());
    Panel = std::make_unique<PrinterPanel>(Printer);
    Panel->show();
  }
  void TearDown() override {
    Panel.reset();
    ProgramTest::TearDown();
  }

  template <typename T>
  T* PanelChild(const char* name) {
    return Find<T>(*Panel, name);
  }
  std::string FaultsFilePath() const { return PrinterFolder::Path() + "/faults.conf"; }
  FaultSwitches FileSwitches() const {
    std::ifstream file(FaultsFilePath());
    std::stringstream text;
    text << file.rdbuf();
    return ParseFaultFile(text.str()).Switches;
  }

  std::ostringstream Report;
  std::unique_ptr<PrinterPanel> Panel;
};

TEST_F(PrinterPanelTest, SwitchesAndTheFaultsFileAgreeBothWays) {
  // Panel to file and printer.
  PanelChild<QComboBox>("PaperChoice")->setCurrentIndex(1);  // out
  PanelChild<QCheckBox>("BusyAckBox")->setChecked(true);
  EXPECT_TRUE(FileSwitches().Faults.PaperOut);
  EXPECT_TRUE(FileSwitches().Faults.BusyAck);
  EXPECT_TRUE(Printer.Faults().PaperOut);
  EXPECT_NE(Report.str().find("paper-out = on"), std::string::npos) << Report.str();
  PanelChild<QComboBox>("PaperChoice")->setCurrentIndex(2);  // jammed: error 04
  EXPECT_EQ(FileSwitches().Faults.PrinterError, ErrorNumberPaperJam);
  EXPECT_FALSE(FileSwitches().Faults.PaperOut);

  // File to printer and panel, as a trainer edits it by hand.
  {
    std::ofstream file(FaultsFilePath(), std::ios::trunc);
    file << "held-state = cleaning\nprinter-error = 42\n";
  }
  Panel->Refresh();
  EXPECT_EQ(PanelChild<QComboBox>("HeldChoice")->currentIndex(), 3);
  EXPECT_TRUE(PanelChild<QCheckBox>("ErrorBox")->isChecked());
  EXPECT_EQ(PanelChild<QComboBox>("PaperChoice")->currentIndex(), 0) << "a switch left out of the file is off";
  EXPECT_FALSE(PanelChild<QCheckBox>("BusyAckBox")->isChecked());
  EXPECT_EQ(Printer.Faults().PrinterError, 42);
  EXPECT_EQ(PanelChild<QLabel>("ReportLabel")->text(), "error 42");

  // Power off on the panel: in the file, and the program's next status request finds no printer.
  PanelChild<QCheckBox>("ErrorBox")->setChecked(false);
  PanelChild<QComboBox>("HeldChoice")->setCurrentIndex(0);
  PanelChild<QCheckBox>("PowerBox")->setChecked(false);
  EXPECT_FALSE(FileSwitches().PowerOn);
  EXPECT_FALSE(Printer.PoweredOn());
  // A status request without an answer is a link fault: the program ends by force.
  const int status = ExitStatusOf([&] { Click("GetStatusBtn"); });
  EXPECT_EQ(status, 1);
  ASSERT_FALSE(Boxes.Shown.empty());
  EXPECT_EQ(Boxes.Shown.back().Text, "This program is closed by force.");
}

TEST_F(PrinterPanelTest, EepromTableMarksExactlyTheCellsAHeadIdWriteChanged) {
  const EepromImage::Cells before = Printer.Eeprom();
  Adjust(1);
  Row("HdVolRdoBtn", 1);
  Click("HdVolOKBtn");
  QTest::keyClicks(AdjustChild<QLineEdit>("HdVolWrtEdit"), "AZAAAAAAAAAAC");
  Click("HdVolWrtOKBtn");
  ASSERT_NE(Memo().indexOf("has been written"), -1) << Memo().toStdString();

  Panel->Refresh();
  std::set<int> changed;
  std::set<int> marked;
  auto* table = PanelChild<QTableWidget>("EepromTable");
  for (int cell = 0; cell < 256; ++cell) {
    const auto address = static_cast<uint8_t>(cell);
    if (Printer.Eeprom()[address] != before[address]) changed.insert(cell);
    if (Panel->CellChanged(address)) marked.insert(cell);
    EXPECT_EQ(table->item(cell / 16, cell % 16)->text().toUInt(nullptr, 16), Printer.Eeprom()[address]) << cell;
  }
  EXPECT_FALSE(changed.empty());
  EXPECT_EQ(marked, changed);
  for (int cell : changed) EXPECT_TRUE(Panel->CellFlashing(static_cast<uint8_t>(cell))) << cell;
  EXPECT_FALSE(Panel->CellFlashing(0x00));
}

// While the program shows a message the trainer must still reach the printer (switch it off, change the paper).
TEST_F(PrinterPanelTest, TakesClicksWhileAProgramMessageIsOpen) {
  QMessageBox box(QMessageBox::Critical, "Adjustment Program", "Paper out error", QMessageBox::Ok);
  box.setWindowModality(Qt::ApplicationModal);
  box.show();
  QApplication::processEvents();
  ASSERT_EQ(QApplication::activeModalWidget(), &box);
  auto* power = PanelChild<QCheckBox>("PowerBox");
  // Through the window system's side, where a modal window blocks the others; on the box, not beside its text.
  const QPoint onBox = power->mapTo(Panel.get(), QPoint(8, power->height() / 2));
  QTest::mouseClick(Panel->windowHandle(), Qt::LeftButton, {}, onBox);
  EXPECT_FALSE(Printer.PoweredOn()) << "the click reached the panel";
  EXPECT_FALSE(FileSwitches().PowerOn);
  box.close();
}

}  // namespace

namespace {

// The panel's model is the one the printer names on USB, and the start window follows it.
TEST_F(PrinterPanelTest, ThePanelsModelIsTheOneThePrinterNames) {
  auto* model = PanelChild<QComboBox>("ModelChoice");
  EXPECT_EQ(model->currentText(), "Arvana Print 360");
  model->setCurrentIndex(0);
  emit model->activated(0);
  EXPECT_EQ(Printer.Model(), SimModel::Print350);
  const Outcome<std::vector<UsbPrinterEntry>> listed = Ports.ListUsbPrinters();
  ASSERT_TRUE(listed && !listed->empty());
  EXPECT_EQ(listed->front().Model, PrinterModel::Print350);
  Printer.SetModel(SimModel::Print360);
  Panel->Refresh();
  EXPECT_EQ(model->currentText(), "Arvana Print 360");
}

}  // namespace
