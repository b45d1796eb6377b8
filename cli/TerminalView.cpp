#include "cli/TerminalView.h"

#include "cli/StandardError.h"

namespace {

const char* StateText(PrinterStateCode code) {
  switch (code) {
    case StatusSelfPrinting: return "self-printing";
    case StatusBusy: return "busy";
    case StatusPrinting: return "printing";
    case StatusCleaning: return "cleaning";
    case StatusBeforeInitialFill: return "before initial fill";
    case StatusMotorOff: return "motor off";
    default: return "waiting";
  }
}

}  // namespace

TerminalView::TerminalView(PrinterSession& printer, Clock& clock) : Printer(printer), Time(clock) {}

void TerminalView::FlushLine() {
  if (Line.empty()) return;
  EndProgress();
  Say(LineIsError ? SaidKind::Error : SaidKind::Notice, Line);
  Line.clear();
  LineIsError = false;
}

void TerminalView::AddRecordProblem(const std::string& text) {
  FlushLine();
  Line = text;
  LineIsError = true;
  RecordProblem = true;
}

void TerminalView::WriteText(WriteStatusKind kind, const std::string& text) {
  switch (kind) {
    case wsBusy:
      FlushLine();
      Line = text;
      ItemBusy = true;
      break;
    case wsPlain:
    case wsNewLine:
      FlushLine();
      Line = text;
      break;
    case wsError:
      ItemBusy = false;
      FlushLine();
      Line = text;
      LineIsError = true;
      Error = true;
      break;
    case wsAppend:
      Line += text;
      break;
    case wsDone:
      ItemBusy = false;
      FlushLine();
      if (!FinishBusy()) return;
      Line = text;
      break;
  }
  // A line is shown once it cannot grow any more: at the next message, or here for those that stand alone.
  if (kind != wsAppend && text.find('\n') != std::string::npos) FlushLine();
  if (kind == wsBusy || kind == wsDone || kind == wsError) FlushLine();
}

void TerminalView::AddErrorText(const std::string& text) {
  WriteText(wsError, text);
}

bool TerminalView::PollUntilReadyOrError() {
  const bool ready = Printer.WaitUntilReadyOrError([this](uint32_t waitedMs, PrinterStateCode state) {
    (void)waitedMs;  // the line counts the wait's time itself
    Progress(std::string("printer ") + StateText(state), 0, 0, "");
  });
  EndProgress();
  return ready;
}

bool TerminalView::CheckPrinterReady() { return PollUntilReadyOrError(); }

bool TerminalView::FinishBusy() {
  FlushLine();
  if (PollUntilReadyOrError()) return true;
  PrinterError = true;
  WriteText(wsError, "Printer is error.");
  return false;
}

void TerminalView::ClearMessages() {
  Line.clear();
  Lines.clear();
}

void TerminalView::ReplaceMessage(const std::string& text) {
  Lines.clear();
  AddMessageLine(text);
}

void TerminalView::AddMessageLine(const std::string& text) {
  Lines.push_back(text);
  if (!Echo) return;
  EndProgress();
  // A printer in error is why the command stops: its lines are shown even with --quiet.
  Say(ErrorMode ? SaidKind::Detail : SaidKind::Notice, text);
}

void TerminalView::Progress(const std::string& label, size_t done, size_t total, const std::string& unit) {
  if (label != ProgressLabel) {
    ProgressLabel = label;
    ProgressStartMs = Time.SteadyMilliseconds();
  }
  DrawProgressLine(ProgressText(label, done, total, unit, Time.SteadyMilliseconds() - ProgressStartMs));
}

void TerminalView::Waiting(const std::string& label, int64_t elapsedMs, int totalSeconds) {
  ProgressLabel = label;
  DrawProgressLine(WaitText(label, elapsedMs, totalSeconds));
}

void TerminalView::EndProgress() {
  ProgressLabel.clear();
  EndProgressLine();
}

void TerminalView::ClearOutcome() {
  FlushLine();
  Error = false;
  PrinterError = false;
}
