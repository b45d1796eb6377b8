#include "service/BidLogic.h"

#include "service/RecordKeeping.h"
#include "service/StoredRange.h"

namespace {

constexpr int LineFeedsBeforeSecondPrint = 33;
constexpr int32_t PrintsPerSheet = 2;

// The present data shows a line per droplet mode: the table gives each mode's two values one after the other.
constexpr bool PairedByDotMode() {
  for (size_t i = 0; i + 1 < BidValues.size(); i += 2)
    if (BidValues[i].DotMode != BidValues[i + 1].DotMode) return false;
  return BidValues.size() % 2 == 0;
}
static_assert(PairedByDotMode());

}  // namespace

std::array<std::optional<int>, BidValues.size()> BidLogic::StoredValues() {
  std::array<std::optional<int>, BidValues.size()> values;
  for (size_t i = 0; i < BidValues.size(); ++i) values[i] = Bid.ReadBidValue(BidValues[i].DotMode, BidValues[i].InkGroup);
  for (size_t i = 0; i < BidValues.size(); ++i)
    RecordRead(View, "Bi-D " + std::string(BidValues[i].Name),
               values[i] ? std::optional<std::string>(std::to_string(*values[i])) : std::nullopt);
  return values;
}

std::string BidLogic::ValueText(const std::optional<int>& value) {
  return value ? std::to_string(*value) : UnreadBidValueText;
}

bool BidLogic::ReportOutOfRange(const std::array<std::optional<int>, BidValues.size()>& values) {
  bool any = false;
  for (size_t i = 0; i < BidValues.size(); ++i) {
    if (!values[i]) continue;
    if (const std::optional<std::string> line = OutOfRangeText({BidValues[i].Address, BidLowest, BidHighest}, *values[i])) {
      View.AddErrorText(std::string(BidValues[i].Name) + ": " + *line);
      any = true;
    }
  }
  return any;
}

void BidLogic::ShowPresentData() {
  const std::array<std::optional<int>, BidValues.size()> values = StoredValues();
  // One line per droplet mode: its Black value, then its Color value.
  for (size_t i = 0; i < BidValues.size(); ++i) {
    const std::string name = BidValues[i].LongName;
    const bool lineStart = i % 2 == 0;
    View.WriteText(i == 0 ? wsPlain : lineStart ? wsNewLine : wsAppend, (lineStart ? "" : ", ") + name + " = ");
    View.WriteText(wsAppend, ValueText(values[i]));
  }
  ReportOutOfRange(values);
}

int32_t BidLogic::PrintPage(int32_t count) {
  const PrintRecord record(View, "Bi-D page");
  View.WriteText(wsBusy, "Bi-d pattern is being printed out now.");
  // The second print goes on the lower half of the same sheet.
  for (int32_t i = 1; i < count; ++i) Raster.NewLines(LineFeedsBeforeSecondPrint);
  const std::vector<std::string> untried = Bid.PrintBidPage(false);
  Raster.FormFeed();  // queued: it leaves with the next data
  const int32_t next = count >= PrintsPerSheet ? 1 : count + 1;
  View.WriteText(wsDone, "Bi-d pattern print is completed.");
  for (const std::string& line : untried) View.AddErrorText(line);
  return next;
}

std::optional<BidWrite> BidLogic::WriteValue(const BidValue& value, int number, const std::string& text,
                                             std::string& problem, size_t& written, size_t total, bool firstMessage,
                                             std::vector<NoteCell>& noted, WriteEnd& end) {
  const std::array<EepromCell, 3> cells = TPBid::BidCells(value, number);
  GuardedWrite write(Guard, Guard.NewNote("Bi-D " + std::string(value.Name) + " = " + text, NoteCells(cells)));
  noted = write.Cells();
  if (!write.Started()) {
    problem = write.Problem();
    end = {.Result = RecordFailed, .Message = problem, .Sent = 0};
    return BidWrite::NotHeld;
  }
  OpenRecordVisit(View);
  const size_t sent = write.Send([&](const NoteCell& cell) {
    Bid.SendBidCell(value, {cell.Address, cell.Value});
    return true;
  });
  written += sent;
  if (sent < cells.size()) {
    end = {.Result = RecordStopped, .Message = StoppedText(written, total), .Sent = sent};
    end.Differences = ReportStoppedWrite(View, Confirm, std::span(cells).first(sent), written, total, firstMessage);
    return std::nullopt;
  }
  end = {.Result = RecordDone, .Message = {}, .Sent = sent};
  if (end.Differences = write.DifferencesOrForget(Confirm); !end.Differences.empty()) {
    problem = ConfirmedWrites::DifferenceText(end.Differences);
    end.Result = RecordFailed;
    end.Message = problem;
    return BidWrite::NotHeld;
  }
  write.Confirmed();
  problem = write.NoteProblem();  // said below the value's line
  return BidWrite::Written;
}

std::optional<int> BidLogic::CheckValue(const std::string& text) {
  const int number = TPBid::ParseBidValue(text);
  if (number < BidLowest || number > BidHighest) return std::nullopt;
  return number;
}

void BidLogic::WriteValues(const std::vector<BidEntry>& entries) {
  bool firstMessage = true;
  size_t total = 0;
  for (const BidEntry& entry : entries) {
    if (const std::optional<int> number = CheckValue(entry.Text))
      total += TPBid::BidCells(BidValues[entry.Index], *number).size();
  }
  size_t written = 0;
  for (const BidEntry& entry : entries) {
    const BidValue& value = BidValues[entry.Index];
    const std::optional<int> number = CheckValue(entry.Text);
    std::string problem;
    std::vector<NoteCell> cells;
    WriteEnd end;
    const std::string item = "Bi-D " + std::string(value.Name);
    const std::optional<BidWrite> outcome =
        !number ? BidWrite::WrongDigit
                : WriteValue(value, *number, entry.Text, problem, written, total, firstMessage, cells, end);
    if (!outcome) {
      RecordWrite(View, item, entry.Text, cells, end);
      return;  // stopped: no further value is sent
    }
    switch (*outcome) {
      case BidWrite::Written:
        View.WriteText(firstMessage ? wsPlain : wsNewLine, "As " + std::string(value.Name) + " data, ");
        View.WriteText(wsAppend, entry.Text);
        View.WriteText(wsAppend, " has been written in EEPROM.");
        View.SetSummary(static_cast<SummaryField>(static_cast<size_t>(SummaryField::MsBlack) + entry.Index), entry.Text);
        if (!problem.empty()) View.AddErrorText(problem);  // the note of a write the printer holds
        RecordWrite(View, item, entry.Text, cells, end);
        break;
      case BidWrite::WrongDigit:
        View.WriteText(wsError, WrongDigitText);
        RecordRefused(View, item, entry.Text, WrongDigitText);
        break;
      case BidWrite::NotHeld: {
        // The lines of the values already written stay; this one says what the printer holds instead.
        const std::string message = std::string(value.Name) + " was not written. " + problem;
        if (firstMessage) {
          View.WriteText(wsError, message);
        } else {
          View.AddErrorText(message);
        }
        RecordWrite(View, item, entry.Text, cells, end);
        break;
      }
    }
    firstMessage = false;
  }
}
