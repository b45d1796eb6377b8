#include "service/TopMarginLogic.h"

#include "service/ConfirmedWrites.h"
#include "service/RecordKeeping.h"
#include "service/WriteGuard.h"
#include "service/StoredRange.h"

namespace {

// What the settings "-" and "+" store; nothing outside them is ever written.
constexpr int TopMarginLowest = static_cast<int8_t>(TopMarginSettings[0].Value);
constexpr int TopMarginHighest = static_cast<int8_t>(TopMarginSettings[2].Value);

// The setting's sign alone ("+"), as the record keeps it.
std::string SignOf(const TopMarginSetting& setting) { return std::string(1, setting.Sign[1]); }

}  // namespace

void TopMarginLogic::PrintLine() {
  const PrintRecord record(View, "top margin line");
  View.WriteText(wsBusy, "Now printing Top Margin Line.");
  Raster.ResetPrinter();
  Factory.SendRemoteModeSequence(RemoteSnPatternPrint);
  const bool read = Raster.PrintTopMarginPattern(TopMarginOwnPage);
  View.WriteText(wsDone, "Printing Top Margin Line completed.");
  if (!read) View.AddErrorText("The top margin could not be read: the page shows a question mark instead.");
}

std::optional<int8_t> TopMarginLogic::StoredValue() {
  const std::optional<uint8_t> stored = Comm.ControlReadEeprom(TopMarginCell).Answer();
  if (!stored) {
    RecordRead(View, RecordedTopMargin, std::nullopt, "The top margin could not be read.");
    return std::nullopt;
  }
  const int8_t value = static_cast<int8_t>(*stored);
  RecordRead(View, RecordedTopMargin, SignOf(TopMarginSettings[static_cast<size_t>(ChoiceOf(value))]));
  return value;
}

int TopMarginLogic::ChoiceOf(int8_t stored) {
  if (stored > TopMarginNeutralLimit) return 2;
  if (stored < -TopMarginNeutralLimit) return 0;
  return 1;
}

bool TopMarginLogic::ReportOutOfRange(int8_t stored) {
  const std::optional<std::string> line = OutOfRangeText({TopMarginCell, TopMarginLowest, TopMarginHighest}, stored);
  if (line) View.AddErrorText("Top margin: " + *line);
  return line.has_value();
}

void TopMarginLogic::WriteChoice(int choice) {
  if (choice < 0 || choice >= static_cast<int>(TopMarginSettings.size())) {
    Boxes.ShowMessage(DialogKind::Information, "Please select the Adjustment button.", DialogButtons::Ok);
    return;
  }
  const TopMarginSetting& setting = TopMarginSettings[static_cast<size_t>(choice)];
  OpenRecordVisit(View);
  ConfirmedWrites writes(Comm);
  const std::array<EepromCell, 1> cell{{{TopMarginCell, setting.Value}}};
  const std::vector<NoteCell> noted = NoteCells(cell);
  const Ack answer = writes.WriteCells(cell);
  if (answer == Ack::Failed) Comm.FailAcknowledgement();
  if (answer != Ack::Ok) {
    const std::string busy = ConfirmedWrites::BusyText("the top margin was not written");
    View.WriteText(wsError, busy);
    RecordWrite(View, RecordedTopMargin, SignOf(setting), noted, {.Result = RecordFailed, .Message = busy, .Sent = 0});
    return;
  }
  Factory.NotifyEepromChanged();
  WriteEnd end{.Result = RecordDone, .Message = {}, .Sent = 1, .Differences = writes.Differences(cell)};
  if (!end.Differences.empty()) {
    end.Result = RecordFailed;
    end.Message = ConfirmedWrites::DifferenceText(end.Differences);
    View.WriteText(wsError, end.Message);
    RecordWrite(View, RecordedTopMargin, SignOf(setting), noted, end);
    return;
  }
  View.WriteText(wsPlain, "As Top margin data, ");
  View.WriteText(wsAppend, setting.Sign);
  View.WriteText(wsAppend, " has been written in EEPROM.");
  View.SetSummary(SummaryField::TopMargin, setting.Sign);
  RecordWrite(View, RecordedTopMargin, SignOf(setting), noted, end);
}

std::optional<int> TopMarginLogic::ChoiceOfSign(char sign) {
  for (size_t i = 0; i < TopMarginSettings.size(); ++i)
    if (TopMarginSettings[i].Sign[1] == sign) return static_cast<int>(i);
  return std::nullopt;
}
