#include "service/TopMarginLogic.h"

#include "service/ConfirmedWrites.h"
#include "service/StoredRange.h"

namespace {

// What the settings "-" and "+" store; nothing outside them is ever written.
constexpr int TopMarginLowest = static_cast<int8_t>(TopMarginSettings[0].Value);
constexpr int TopMarginHighest = static_cast<int8_t>(TopMarginSettings[2].Value);

}  // namespace

void TopMarginLogic::PrintLine() {
  View.WriteText(wsBusy, "Now printing Top Margin Line.");
  Raster.ResetPrinter();
  Factory.SendRemoteModeSequence(RemoteSnPatternPrint);
  const bool read = Raster.PrintTopMarginPattern(TopMarginOwnPage);
  View.WriteText(wsDone, "Printing Top Margin Line completed.");
  if (!read) View.AddErrorText("The top margin could not be read: the page shows a question mark instead.");
}

std::optional<int8_t> TopMarginLogic::StoredValue() {
  const std::optional<uint8_t> stored = Comm.ControlReadEeprom(TopMarginCell).Answer();
  if (!stored) return std::nullopt;
  return static_cast<int8_t>(*stored);
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
  ConfirmedWrites writes(Comm);
  const std::array<EepromCell, 1> cell{{{TopMarginCell, setting.Value}}};
  const Ack answer = writes.WriteCells(cell);
  if (answer == Ack::Failed) Comm.FailAcknowledgement();
  if (answer != Ack::Ok) {
    View.WriteText(wsError, ConfirmedWrites::BusyText("the top margin was not written"));
    return;
  }
  Factory.NotifyEepromChanged();
  if (const std::optional<std::string> problem = writes.Confirm(cell)) {
    View.WriteText(wsError, *problem);
    return;
  }
  View.WriteText(wsPlain, "As Top margin data, ");
  View.WriteText(wsAppend, setting.Sign);
  View.WriteText(wsAppend, " has been written in EEPROM.");
  View.SetSummary(SummaryField::TopMargin, setting.Sign);
}

std::optional<int> TopMarginLogic::ChoiceOfSign(char sign) {
  for (size_t i = 0; i < TopMarginSettings.size(); ++i)
    if (TopMarginSettings[i].Sign[1] == sign) return static_cast<int>(i);
  return std::nullopt;
}
