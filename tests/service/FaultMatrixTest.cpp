// Every item that writes the EEPROM, against every fault a printer shows at the moment of the write:
// success is claimed only for what the printer holds, nothing else changes, and the program ends by
// force only where a link fault leaves it no other way.
#include "tests/service/LogicBench.h"

#include <algorithm>
#include <memory>
#include <set>
#include <sstream>

namespace {

std::vector<uint8_t> CellRanges(std::initializer_list<std::pair<int, int>> ranges) {
  std::vector<uint8_t> cells;
  for (const auto& [first, last] : ranges)
    for (int cell = first; cell <= last; ++cell) cells.push_back(static_cast<uint8_t>(cell));
  return cells;
}

struct WriteItem {
  const char* Name;
  std::function<void(LogicBench&)> Open;  // what the item reads before the technician writes
  std::function<void(LogicBench&)> Act;   // the write
  std::vector<uint8_t> Own;               // the cells the item may change
  std::string Success;                    // what the message area says when it has written
  std::optional<SummaryField> Summary;    // its field of "Adjusted items"
};

// The first dot position one step right of the stored one, as the window's arrow button sets it.
std::string FirstDotOneStepRight(LogicBench& b) {
  constexpr int StepPoints = 4;
  const int stored = b.FirstDot.StoredValue().value_or(0);
  return std::to_string(std::clamp(stored + StepPoints, -FirstDotLimit, FirstDotLimit));
}

const std::vector<WriteItem>& WriteItems() {
  static const std::vector<WriteItem> items = {
      {"EEPROM cell", [](LogicBench&) {}, [](LogicBench& b) { b.EepromCheck.WriteCell("60", "5A"); },
       CellRanges({{0x60, 0x60}}), "Address = 60\nData = 5A", std::nullopt},
      {"counter clear", [](LogicBench&) {}, [](LogicBench& b) { b.Maintenance.ClearCounter(); },
       CellRanges({{0x0A, 0x0B}}), "The protect counter has been initialized.", SummaryField::ProtectionCounter},
      {"initial setting", [](LogicBench&) {}, [](LogicBench& b) { b.EepromSetting.WriteInitialSetting(); },
       CellRanges({{0x3A, 0x3A}, {0x3C, 0x3C}, {0x5F, 0x5F}}), "has been written in the EEPROM", std::nullopt},
      {"head ID", [](LogicBench&) {}, [](LogicBench& b) { b.HeadId.WriteHeadId("AZAAAAAAAAAAC"); },
       CellRanges({{0x3F, 0x4C}}), "has been written in EEPROM.", SummaryField::HeadId},
      {"USB ID", [](LogicBench&) {}, [](LogicBench& b) { b.UsbId.WriteUsbId("ABC1234567"); },
       CellRanges({{0x4D, 0x5E}}), "has been written in EEPROM.", SummaryField::UsbId},
      {"Bi-D", [](LogicBench& b) { b.Bid.StoredValues(); }, [](LogicBench& b) { b.Bid.WriteValues({{0, "7"}}); },
       CellRanges({{0x2A, 0x2B}, {0x33, 0x33}}), "has been written in EEPROM.", SummaryField::MsBlack},
      {"top margin", [](LogicBench& b) { b.TopMargin.StoredValue(); }, [](LogicBench& b) { b.TopMargin.WriteChoice(0); },
       CellRanges({{0x2E, 0x2E}}), "has been written in EEPROM.", SummaryField::TopMargin},
      {"first dot position", [](LogicBench&) {},
       [](LogicBench& b) {
         const std::string value = FirstDotOneStepRight(b);
         b.View.ClearMessages();
         b.FirstDot.Write(value);
       },
       CellRanges({{0x39, 0x39}}), "has been written in the EEPROM", SummaryField::FirstDot},
      {"backup restore", [](LogicBench&) {}, [](LogicBench& b) { b.EepromSetting.RunBackup(); },
       std::vector<uint8_t>(BackupSet.begin(), BackupSet.end()), "Writing backup data succeeded.", std::nullopt},
      {"transport liquid exchange 2",
       [](LogicBench& b) {
         b.TransportLiquid.MoveCarriageToReplacement();
         b.TransportLiquid.ReturnCarriageHome();
         b.TransportLiquid.RunExchangeOne();
         b.TransportLiquid.MoveCarriageToReplacementAgain();
       },
       [](LogicBench& b) { b.TransportLiquid.FinishExchangeTwo(b.TransportLiquid.StartExchangeTwo()); },
       CellRanges({{0x00, 0x08}, {0x0A, 0x28}}), "Transportion Liquid Exchange 2 is completed.", std::nullopt},
  };
  return items;
}

struct PrinterFault {
  const char* Name;
  std::function<void(LogicBench&)> SwitchOn;
};

// A printer held busy works again after this long, as a real one does.
constexpr uint32_t HeldBusyMs = 30000;

const std::vector<PrinterFault>& PrinterFaultList() {
  static const std::vector<PrinterFault> faults = {
      {"busy-ack", [](LogicBench& b) { b.Printer.Faults().BusyAck = true; }},
      {"no-answer", [](LogicBench& b) { b.Printer.Faults().NoAnswer = true; }},
      {"short-eeprom-reply", [](LogicBench& b) { b.Printer.Faults().ShortEepromReply = true; }},
      {"drop-eeprom-reply", [](LogicBench& b) { b.Printer.Faults().DropEepromReply = true; }},
      {"paper-out", [](LogicBench& b) { b.Printer.Faults().PaperOut = true; }},
      {"printer-error", [](LogicBench& b) { b.Printer.Faults().PrinterError = ErrorNumberPaperJam; }},
      {"held-state busy",
       [](LogicBench& b) {
         b.Printer.Faults().HeldState = PrinterState::Busy;
         auto waited = std::make_shared<uint32_t>(0);
         b.Clock.OnPause = [&b, waited](uint32_t ms) {
           *waited += ms;
           if (*waited >= HeldBusyMs) b.Printer.Faults().HeldState.reset();
         };
       }},
      {"power off", [](LogicBench& b) { b.Printer.PowerOff(); }},
  };
  return faults;
}

// The cells where the program may end by force: a write or a status request that gets no answer at all
// has nothing to go on. Listed as "item/fault".
const std::set<std::string> ForcedEnds = {
    "EEPROM cell/no-answer",        "EEPROM cell/power off",
    "counter clear/no-answer",      "counter clear/power off",
    "initial setting/no-answer",    "initial setting/power off",
    "top margin/no-answer",         "top margin/power off",
    "first dot position/no-answer", "first dot position/power off",
    "transport liquid exchange 2/no-answer", "transport liquid exchange 2/power off",
};

constexpr const char* BoardChangeQuestion = "After replacing MAIN Board and turn on power. click the OK button.";
constexpr const char* GiveUpBackupQuestion =
    "The EEPROM data read from the old MAIN board will be discarded.\nDo you want to cancel the backup?";

struct Outcome {
  bool Claimed = false;  // a success text or a summary field
  bool Ended = false;
  EepromImage::Cells Before{};
  EepromImage::Cells After{};
  std::string Text;
};

// The backup's fault comes with the new board, between reading the old one and writing.
void SwitchOnWithTheNewBoard(LogicBench& bench, const PrinterFault* fault, Outcome& outcome) {
  auto questions = std::make_shared<int>(0);
  bench.Boxes.OnShow = [&bench, fault, &outcome, questions](const ShownDialog& box) {
    if (box.Text == BoardChangeQuestion && ++*questions == 1) {
      bench.Printer.ReplaceMainBoard();
      outcome.Before = bench.Printer.Eeprom();
      if (fault) fault->SwitchOn(bench);
    }
    if (box.Text == BoardChangeQuestion) bench.Boxes.Answer(*questions == 1 ? DialogAnswer::Ok : DialogAnswer::Cancel);
    if (box.Text == GiveUpBackupQuestion) bench.Boxes.Answer(DialogAnswer::Yes);
  };
}

// Runs one item; `fault` (may be null) is switched on right before the printer is written to.
Outcome RunItem(const WriteItem& item, const PrinterFault* fault, const std::optional<EepromImage::Cells>& expected,
                const std::filesystem::path& notes) {
  std::filesystem::create_directories(notes);
  const auto owned = std::make_unique<LogicBench>(notes);
  LogicBench& bench = *owned;
  Outcome outcome;
  if (!bench.Connect()) {
    ADD_FAILURE() << "no link to the virtual printer";
    return outcome;
  }
  item.Open(bench);
  if (item.Own.size() == BackupSet.size()) {
    SwitchOnWithTheNewBoard(bench, fault, outcome);
  } else {
    // Every own cell starts away from the value the item writes, so a claim can be checked.
    if (expected) {
      for (uint8_t cell : item.Own) bench.Printer.SetEepromCell(cell, static_cast<uint8_t>((*expected)[cell] ^ 0xA5));
    }
    outcome.Before = bench.Printer.Eeprom();
    if (fault) fault->SwitchOn(bench);
  }
  const std::string summaryBefore = item.Summary ? bench.View.SummaryOf(*item.Summary) : "";
  try {
    item.Act(bench);
  } catch (const ProgramEnded&) {
    outcome.Ended = true;
  }
  outcome.After = bench.Printer.Eeprom();
  outcome.Text = bench.View.Text;
  outcome.Claimed = outcome.Text.find(item.Success) != std::string::npos ||
                    (item.Summary && bench.View.SummaryOf(*item.Summary) != summaryBefore);
  return outcome;
}

// The cell's problems: a claim the printer does not hold, a cell not the item's changed, a wrong end.
std::vector<std::string> ProblemsOf(const WriteItem& item, const PrinterFault& fault, const Outcome& outcome,
                                    const Outcome& reference) {
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
  return problems;
}

std::string OneLine(std::string text) {
  std::replace(text.begin(), text.end(), '\n', ' ');
  return text.substr(0, 70);
}

TEST(FaultMatrix, NoItemClaimsAWriteThePrinterDoesNotHold) {
  TempDirectory folder;
  const DataHomeIn dataHome(folder.Path / "data");
  int run = 0;
  const auto notes = [&] { return folder.Path / std::to_string(++run); };
  std::ostringstream matrix;
  bool failed = false;
  for (const WriteItem& item : WriteItems()) {
    // The values a healthy printer ends up with.
    const Outcome healthy = RunItem(item, nullptr, std::nullopt, notes());
    const Outcome reference = RunItem(item, nullptr, healthy.After, notes());
    EXPECT_TRUE(reference.Claimed && !reference.Ended) << item.Name << " on a healthy printer: " << reference.Text;
    for (const PrinterFault& fault : PrinterFaultList()) {
      const Outcome outcome = RunItem(item, &fault, healthy.After, notes());
      const std::vector<std::string> problems = ProblemsOf(item, fault, outcome, reference);
      matrix << item.Name << " x " << fault.Name << ": "
             << (outcome.Ended ? "forced end" : outcome.Claimed ? "written" : "refused") << " ["
             << OneLine(outcome.Text) << "]";
      for (const std::string& problem : problems) matrix << "  <-- " << problem;
      matrix << '\n';
      failed = failed || !problems.empty();
    }
  }
  EXPECT_FALSE(failed) << matrix.str();
}

}  // namespace
