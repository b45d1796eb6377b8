// Every item that writes the EEPROM, against every fault a printer shows at the moment of the write:
// success is claimed only for what the printer holds, nothing else changes, and the program ends by
// force only where a link fault leaves it no other way.
#include "items/EepromSettingItem.h"
#include "tests/app/ProgramFixture.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTabWidget>

#include <memory>
#include <set>
#include <sstream>

namespace {

// One program on one virtual printer, connected to an Arvana Print 360 on LPT1.
struct Bench {
  WatchedClock Clock;
  TestDialogs Boxes;
  TestProgramEnd End;
  VirtualPrinter Printer{Clock, ""};
  SimPortSystem Ports{Printer, Clock};
  ArvanaProgram Program{{Clock, Boxes, End, Ports}};

  Bench() {
    Program.Start();
    Program.Boot().findChild<QComboBox*>("ModelNameCombo")->setCurrentIndex(1);
    QComboBox* ports = Program.Boot().findChild<QComboBox*>("UsePortCombo");
    ports->setCurrentIndex(ports->findText("LPT1"));
    Program.Boot().findChild<QAbstractButton*>("PortSelectOKBtn")->click();
  }
  template <typename T = QWidget>
  T* Child(const char* name) {
    T* child = Program.Adjust().findChild<T*>(name);
    if (child == nullptr) ADD_FAILURE() << name;
    return child;
  }
  void Click(const char* name) { Child<QAbstractButton>(name)->click(); }
  void Row(const char* list, int row) { Child<RadioGroup>(list)->Button(row)->click(); }
  void Maintenance(int row) {
    Child<QTabWidget>("AdjustmentTab")->setCurrentIndex(1);
    Row("MentRdoGrp", row);
  }
  QString Memo() { return Child<QTextEdit>("StatusMemo")->toPlainText(); }
  QString Summary(const char* field) { return field ? Child<QLabel>(field)->text() : QString(); }
};

std::vector<uint8_t> Cells(std::initializer_list<std::pair<int, int>> ranges) {
  std::vector<uint8_t> cells;
  for (const auto& [first, last] : ranges)
    for (int cell = first; cell <= last; ++cell) cells.push_back(static_cast<uint8_t>(cell));
  return cells;
}

struct WriteItem {
  const char* Name;
  std::function<void(Bench&)> Open;  // to the panel, inputs filled
  std::function<void(Bench&)> Act;   // the click that writes
  std::vector<uint8_t> Own;          // the cells the item may change
  QString Success;                   // what the message area says when it has written
  const char* Summary;               // its field of "Adjusted items", or nullptr
};

const std::vector<WriteItem>& Items() {
  static const std::vector<WriteItem> items = {
      {"EEPROM cell",
       [](Bench& b) {
         b.Maintenance(4);
         b.Row("EepromCheckRdoGrp", 1);
         b.Click("EepromCheckOkBtn");
         b.Child<QLineEdit>("EepWriteAddEdit")->setText("60");
         b.Child<QLineEdit>("EepWriteDataEdit")->setText("5A");
       },
       [](Bench& b) { b.Click("EepromWriteOkBtn"); }, Cells({{0x60, 0x60}}), "Address = 60\nData = 5A", nullptr},
      {"counter clear",
       [](Bench& b) {
         b.Maintenance(3);
         b.Row("CounterRdoBtn", 1);
         b.Click("ProCounterOKBtn");
       },
       [](Bench& b) { b.Click("CounterClearOKBtn"); }, Cells({{0x0A, 0x0B}}), "The protect counter has been initialized.",
       "ShowProCounterPnl"},
      {"initial setting", [](Bench& b) { b.Row("AdjustRdoGrp", 0); }, [](Bench& b) { b.Click("DefaultSetBtn"); },
       Cells({{0x3A, 0x3A}, {0x3C, 0x3C}, {0x5F, 0x5F}}), "has been written in the EEPROM", nullptr},
      {"head ID",
       [](Bench& b) {
         b.Row("AdjustRdoGrp", 1);
         b.Row("HdVolRdoBtn", 1);
         b.Click("HdVolOKBtn");
         b.Child<QLineEdit>("HdVolWrtEdit")->setText("AZAAAAAAAAAAC");
       },
       [](Bench& b) { b.Click("HdVolWrtOKBtn"); }, Cells({{0x3F, 0x4C}}), "has been written in EEPROM.",
       "ShowHdVolIDPnl"},
      {"USB ID",
       [](Bench& b) {
         b.Row("AdjustRdoGrp", 3);
         b.Row("UsbIdRdoBtn", 0);
         b.Click("UsbIdOKBtn");
         b.Child<QLineEdit>("UsbIdInputEdit")->setText("ABC1234567");
       },
       [](Bench& b) { b.Click("UsbIdInputOKBtn"); }, Cells({{0x4D, 0x5E}}), "has been written in EEPROM.",
       "ShowUSBIDLbl"},
      {"Bi-D",
       [](Bench& b) {
         b.Row("AdjustRdoGrp", 2);
         b.Row("BidRdoBtn", 1);
         b.Click("BidOKBtn");
         b.Child<QLineEdit>("MsBkBidWrtEdit")->setText("7");
         b.Child<QCheckBox>("BidMsBkCheckBox")->setChecked(true);
       },
       [](Bench& b) { b.Click("BidWrtOKBtn"); }, Cells({{0x2A, 0x2B}, {0x33, 0x33}}), "has been written in EEPROM.",
       "ShowMsBkPnl"},
      {"top margin",
       [](Bench& b) {
         b.Row("AdjustRdoGrp", 4);
         b.Row("TopMarginRdoGrp", 1);
         b.Click("TopMarginMainBtn");
         b.Row("TopMarginInputRdoGrp", 0);
       },
       [](Bench& b) { b.Click("TopMarginWriteOKBtn"); }, Cells({{0x2E, 0x2E}}), "has been written in EEPROM.",
       "ShowTopMarginPnl"},
      {"first dot position",
       [](Bench& b) {
         b.Row("AdjustRdoGrp", 5);
         b.Click("SteptoRightBitBtn");
       },
       [](Bench& b) { b.Click("LandMarginWriteBtn"); }, Cells({{0x39, 0x39}}), "has been written in the EEPROM",
       "ShowFirstDotPnl"},
      {"backup restore", [](Bench& b) { b.Maintenance(5); }, [](Bench& b) { b.Click("BackupOKBtn"); },
       std::vector<uint8_t>(BackupSet.begin(), BackupSet.end()), "Writing backup data succeeded.", nullptr},
      {"transport liquid exchange 2",
       [](Bench& b) {
         b.Maintenance(2);
         b.Click("MessageOKBtn");
         for (const char* step : {"CRmoveBtn", "CRreturnBtn", "TransOKBtn", "TransCompleteBtn"}) b.Click(step);
       },
       [](Bench& b) { b.Click("CRreturn2Btn"); }, Cells({{0x00, 0x08}, {0x0A, 0x28}}),
       "Transportion Liquid Exchange 2 is completed.", nullptr},
  };
  return items;
}

struct Fault {
  const char* Name;
  std::function<void(Bench&)> SwitchOn;
};

// A printer held busy works again after this long, as a real one does.
constexpr uint32_t HeldBusyMs = 30000;

const std::vector<Fault>& Faults() {
  static const std::vector<Fault> faults = {
      {"busy-ack", [](Bench& b) { b.Printer.Faults().BusyAck = true; }},
      {"no-answer", [](Bench& b) { b.Printer.Faults().NoAnswer = true; }},
      {"short-eeprom-reply", [](Bench& b) { b.Printer.Faults().ShortEepromReply = true; }},
      {"drop-eeprom-reply", [](Bench& b) { b.Printer.Faults().DropEepromReply = true; }},
      {"paper-out", [](Bench& b) { b.Printer.Faults().PaperOut = true; }},
      {"printer-error", [](Bench& b) { b.Printer.Faults().PrinterError = ErrorNumberPaperJam; }},
      {"held-state busy",
       [](Bench& b) {
         b.Printer.Faults().HeldState = PrinterState::Busy;
         auto waited = std::make_shared<uint32_t>(0);
         b.Clock.OnPause = [&b, waited](uint32_t ms) {
           *waited += ms;
           if (*waited >= HeldBusyMs) b.Printer.Faults().HeldState.reset();
         };
       }},
      {"power off", [](Bench& b) { b.Printer.PowerOff(); }},
  };
  return faults;
}

// The cells where the program may end by force: a write or a status request that gets no answer at all
// has nothing to go on. Listed as "item/fault".
const std::set<std::string> ForcedEnds = {
    "EEPROM cell/no-answer",       "EEPROM cell/power off",          "counter clear/no-answer",
    "counter clear/power off",     "initial setting/no-answer",      "initial setting/power off",
    "top margin/no-answer",        "top margin/power off",           "first dot position/no-answer",
    "first dot position/power off", "transport liquid exchange 2/no-answer", "transport liquid exchange 2/power off",
};

constexpr const char* BoardQuestion = "After replacing MAIN Board and turn on power. click the OK button.";
constexpr const char* DiscardQuestion =
    "The EEPROM data read from the old MAIN board will be discarded.\nDo you want to cancel the backup?";

struct Outcome {
  bool Claimed = false;  // a success text or a summary field
  bool Ended = false;
  EepromImage::Cells Before{};
  EepromImage::Cells After{};
  QString Memo;
};

// Runs one item; `fault` (may be null) is switched on right before the printer is written to.
Outcome RunItem(const WriteItem& item, const Fault* fault, const std::optional<EepromImage::Cells>& expected) {
  const auto owned = std::make_unique<Bench>();  // the printer's buffers are too large for the stack
  Bench& bench = *owned;
  Outcome outcome;
  item.Open(bench);
  const bool backup = item.Own.size() == BackupSet.size();
  int questions = 0;
  if (backup) {
    // The fault comes with the new board, between reading the old one and writing.
    bench.Boxes.OnShow = [&](const ShownDialog& box) {
      if (box.Text == BoardQuestion && ++questions == 1) {
        bench.Printer.ReplaceMainBoard();
        outcome.Before = bench.Printer.Eeprom();
        if (fault) fault->SwitchOn(bench);
      }
      if (box.Text == BoardQuestion) bench.Boxes.Answer(questions == 1 ? DialogAnswer::Ok : DialogAnswer::Cancel);
      if (box.Text == DiscardQuestion) bench.Boxes.Answer(DialogAnswer::Yes);
    };
  } else {
    // Every own cell starts away from the value the item writes, so a claim can be checked.
    if (expected) {
      for (uint8_t cell : item.Own) bench.Printer.SetEepromCell(cell, static_cast<uint8_t>((*expected)[cell] ^ 0xA5));
    }
    outcome.Before = bench.Printer.Eeprom();
    if (fault) fault->SwitchOn(bench);
  }
  const QString summaryBefore = bench.Summary(item.Summary);
  try {
    item.Act(bench);
  } catch (const ProgramEnded&) {
    outcome.Ended = true;
  }
  outcome.After = bench.Printer.Eeprom();
  outcome.Memo = bench.Memo();
  outcome.Claimed = outcome.Memo.contains(item.Success) || bench.Summary(item.Summary) != summaryBefore;
  return outcome;
}

TEST(FaultMatrix, NoItemClaimsAWriteThePrinterDoesNotHold) {
  std::ostringstream matrix;
  bool failed = false;
  for (const WriteItem& item : Items()) {
    // The values a healthy printer ends up with.
    const Outcome healthy = RunItem(item, nullptr, std::nullopt);
    const Outcome reference = RunItem(item, nullptr, healthy.After);
    EXPECT_TRUE(reference.Claimed && !reference.Ended) << item.Name << " on a healthy printer: "
                                                       << reference.Memo.toStdString();
    for (const Fault& fault : Faults()) {
      const Outcome outcome = RunItem(item, &fault, healthy.After);
      std::vector<std::string> problems;
      bool holdsNewValues = true;
      for (uint8_t cell : item.Own) holdsNewValues = holdsNewValues && outcome.After[cell] == reference.After[cell];
      if (outcome.Claimed && !holdsNewValues) problems.push_back("claims a write the printer does not hold");
      for (int cell = 0; cell < 256; ++cell) {
        const bool own = std::find(item.Own.begin(), item.Own.end(), cell) != item.Own.end();
        if (!own && outcome.After[cell] != outcome.Before[cell]) problems.push_back("changed cell " + std::to_string(cell));
      }
      const bool endExpected = ForcedEnds.count(std::string(item.Name) + "/" + fault.Name) > 0;
      if (outcome.Ended != endExpected) problems.push_back(outcome.Ended ? "ended by force" : "did not end by force");
      matrix << item.Name << " x " << fault.Name << ": "
             << (outcome.Ended ? "forced end" : outcome.Claimed ? "written" : "refused") << " ["
             << outcome.Memo.simplified().toStdString().substr(0, 70) << "]";
      for (const std::string& problem : problems) matrix << "  <-- " << problem;
      matrix << '\n';
      failed = failed || !problems.empty();
    }
  }
  EXPECT_FALSE(failed) << matrix.str();
}

}  // namespace
