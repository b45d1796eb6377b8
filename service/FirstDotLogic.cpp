#include "service/FirstDotLogic.h"

#include "service/PlainInteger.h"

#include "service/ConfirmedWrites.h"
#include "service/RecordKeeping.h"
#include "service/WriteGuard.h"
#include "service/StoredRange.h"

#include <array>

namespace {


constexpr uint32_t RestartWaitMs = 10000;

constexpr const char* RestartMessage =
    "This printer is initializing to reflect changed value on EEPROM.\nPlease wait about 15 seconds until printer is "
    "ready state.";
constexpr const char* ResetRefusedText =
    "The printer answered the reset with busy: it was not reset, so the new value takes effect at its next start.";
constexpr const char* NoAnswerAfterRestart =
    "The printer does not answer after its restart. Check the cable and the power, then quit and connect again.";

}  // namespace

std::optional<int> FirstDotLogic::ParseValue(const std::string& text) { return ParsePlainInteger(text); }

bool FirstDotLogic::ReportOutOfRange(int stored) {
  const std::optional<std::string> line = OutOfRangeText({FirstDotCell, -FirstDotLimit, FirstDotLimit}, stored);
  if (line) View.AddErrorText("First dot position: " + *line);
  return line.has_value();
}

std::optional<int> FirstDotLogic::StoredValue() {
  const std::optional<uint8_t> cell = Comm.ControlReadEeprom(FirstDotCell).Answer();
  if (!cell) {
    RecordRead(View, RecordedFirstDot, std::nullopt, "The first dot position could not be read.");
    return std::nullopt;
  }
  RecordRead(View, RecordedFirstDot, std::to_string(StoredToValue(*cell)));
  return StoredToValue(*cell);
}

bool FirstDotLogic::RestartPrinter(bool& refused) {
  Comm.ShutDownLink([this, &refused] {
    const Ack answer = Comm.RequestReset();
    if (answer == Ack::Failed) Comm.FailAcknowledgement();
    // A printer that refused the reset is not initializing: nothing to tell or wait for.
    refused = answer == Ack::Busy;
    if (refused) return;
    Boxes.ShowMessage(DialogKind::Information, RestartMessage, DialogButtons::Ok);
    View.SetBusyCursor(true);
    Time.Pause(RestartWaitMs);
  });
  if (!Comm.StartLinkToControlChannel(Port.GetPortIndex())) {
    Comm.Status().StatusCode = StatusError;
    Comm.Status().ErrorCode = ErrorCommunication;
    View.WriteText(wsError, NoAnswerAfterRestart);
    return false;
  }
  Comm.RequestStatus();
  if (Comm.Status().StatusCode != StatusReady) {
    Display.RefreshStatus();
    return false;
  }
  Comm.OpenChannel(DataSocket);
  return true;
}

std::optional<int> FirstDotLogic::CheckValue(const std::string& text, std::string& problem) {
  const std::optional<int> value = ParseValue(text);
  if (text == UnreadFirstDotText) {
    problem = "The first dot position could not be read. Choose a value with the buttons first.";
  } else if (!value || *value < -FirstDotLimit || *value > FirstDotLimit) {
    problem = AdjustmentAreaText;
  } else {
    return value;
  }
  return std::nullopt;
}

bool FirstDotLogic::Write(const std::string& text) {
  std::string problem;
  const std::optional<int> value = CheckValue(text, problem);
  if (!value) {
    View.WriteText(wsError, problem);
    RecordRefused(View, RecordedFirstDot, text, problem);
    return false;
  }
  OpenRecordVisit(View);
  ConfirmedWrites writes(Comm);
  const std::array<EepromCell, 1> cell{{{FirstDotCell, static_cast<uint8_t>(*value & 0xFF)}}};
  const std::vector<NoteCell> noted = NoteCells(cell);
  const Ack answer = writes.WriteCells(cell);
  if (answer == Ack::Failed) Comm.FailAcknowledgement();
  if (answer != Ack::Ok) {
    const std::string busy = ConfirmedWrites::BusyText("the first dot position was not written");
    View.WriteText(wsError, busy);
    RecordWrite(View, RecordedFirstDot, text, noted, {.Result = RecordFailed, .Message = busy, .Sent = 0});
    return true;
  }
  Factory.NotifyEepromChanged();
  bool resetRefused = false;
  const bool restarted = RestartPrinter(resetRefused);
  View.SetBusyCursor(false);
  if (!restarted) {
    RecordWrite(View, RecordedFirstDot, text, noted,
                {.Result = RecordFailed, .Message = NoAnswerAfterRestart, .Sent = 1, .ReadBack = false});
    return true;
  }
  WriteEnd end{.Result = RecordDone, .Message = {}, .Sent = 1, .Differences = writes.Differences(cell)};
  if (!end.Differences.empty()) {
    end.Result = RecordFailed;
    end.Message = ConfirmedWrites::DifferenceText(end.Differences);
    View.WriteText(wsError, end.Message);
    RecordWrite(View, RecordedFirstDot, text, noted, end);
    return true;
  }
  if (View.LinesStandAlone()) {
    View.WriteText(wsPlain, "As first dot position value, \"" + text + "\" has been written in the EEPROM");
  } else {
    // The message area's two lines: the value in quotes, the words right after the closing one.
    View.WriteText(wsPlain, "As first dot position value, ");
    View.WriteText(wsNewLine, "\"");
    View.WriteText(wsAppend, text);
    View.WriteText(wsAppend, "\"");
    View.WriteText(wsAppend, "has been written in the EEPROM");
  }
  View.SetSummary(SummaryField::FirstDot, text);
  if (resetRefused) View.AddErrorText(ResetRefusedText);
  RecordWrite(View, RecordedFirstDot, text, noted, end);
  return true;
}
