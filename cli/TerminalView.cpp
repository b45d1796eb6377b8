#include "cli/TerminalView.h"

#include <unistd.h>

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

TerminalView::TerminalView(PrinterSession& printer, std::FILE* out)
    : Printer(printer), Out(out), Terminal(::isatty(::fileno(out)) == 1) {}

void TerminalView::FlushLine() {
  if (Line.empty()) return;
  EndProgress();
  std::fprintf(Out, "%s%s\n", LineIsError ? "error: " : "", Line.c_str());
  std::fflush(Out);
  Line.clear();
  LineIsError = false;
}

void TerminalView::WriteText(WriteStatusKind kind, const std::string& text) {
  switch (kind) {
    case wsPlain:
    case wsBusy:
    case wsNewLine:
      FlushLine();
      Line = text;
      break;
    case wsError:
      FlushLine();
      Line = text;
      LineIsError = true;
      Error = true;
      break;
    case wsAppend:
      Line += text;
      break;
    case wsDone:
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
    Progress(std::string("printer ") + StateText(state), waitedMs / 1000, 0);
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
  std::fprintf(Out, "%s\n", text.c_str());
  std::fflush(Out);
}

void TerminalView::Progress(const std::string& label, size_t done, size_t total, const char* unit) {
  if (!Terminal) return;
  if (total > 0) {
    const size_t width = 30;
    const size_t filled = done * width / total;
    std::fprintf(Out, "\r%s [%s%s] %zu/%zu", label.c_str(), std::string(filled, '#').c_str(),
                 std::string(width - filled, ' ').c_str(), done, total);
  } else {
    std::fprintf(Out, "\r%s: %zu %s", label.c_str(), done, unit);
  }
  std::fflush(Out);
  ProgressShown = true;
}

void TerminalView::EndProgress() {
  if (!ProgressShown) return;
  std::fprintf(Out, "\r\033[K");
  std::fflush(Out);
  ProgressShown = false;
}

void TerminalView::ClearOutcome() {
  FlushLine();
  Error = false;
  PrinterError = false;
}
