// The terminal as the items' front-end: messages on standard error, a progress line when standard
// error is a terminal, and what went wrong remembered for the exit status.
#pragma once

#include "platform/Clock.h"
#include "service/ItemView.h"
#include "service/PrinterSession.h"
#include "service/StatusView.h"

#include <string>
#include <vector>

class TerminalView : public ItemView, public StatusView {
public:
  TerminalView(PrinterSession& printer, Clock& clock);

  // ItemView.
  void WriteText(WriteStatusKind kind, const std::string& text) override;
  void AddErrorText(const std::string& text) override;
  bool FinishBusy() override;
  bool CheckPrinterReady() override;
  void SetSummary(SummaryField, const std::string&) override {}
  void SetBusyCursor(bool) override {}
  void SetSkipResetOnClose() override { SkipReset = true; }
  bool LinesStandAlone() const override { return true; }
  ServiceRecord* Record() override { return Book; }
  void KeepRecordIn(ServiceRecord& record) { Book = &record; }
  // An error line that leaves the item's outcome as it is; the run then ends with the status of
  // results that could not be written.
  void AddRecordProblem(const std::string& text) override;
  bool RecordProblemShown() const { return RecordProblem; }

  // StatusView: the status display's texts, one line each.
  void ClearMessages() override;
  void ReplaceMessage(const std::string& text) override;
  void AddMessageLine(const std::string& text) override;
  void EnterErrorMode() override { ErrorMode = true; }
  void EnterNormalMode() override { ErrorMode = false; }

  // The progress line of the work called `label` (see ProgressText); its time counts from the
  // first call for that label since the last EndProgress.
  void Progress(const std::string& label, size_t done, size_t total, const std::string& unit);
  void EndProgress();
  // The progress line of a wait said to take `totalSeconds`, `elapsedMs` into it.
  void Waiting(const std::string& label, int64_t elapsedMs, int totalSeconds);
  // Between an item's busy message and its end (done or failed): its own work is going on.
  bool Busy() const { return ItemBusy; }

  // Since the last ClearOutcome: whether a red message was written, and whether the printer reported an error.
  bool ErrorShown() const { return Error; }
  bool PrinterInError() const { return PrinterError; }
  void ClearOutcome();
  // Shows the message line still being built.
  void Flush() { FlushLine(); }
  bool SkipResetOnEnd() const { return SkipReset; }
  bool InErrorMode() const { return ErrorMode; }
  // The lines the status display wrote since it last cleared them.
  const std::vector<std::string>& StatusLines() const { return Lines; }
  // Whether the status display's lines are also written to standard error as they come (not for
  // the status command, which prints them as its result).
  void EchoStatusLines(bool echo) { Echo = echo; }

private:
  void FlushLine();
  bool PollUntilReadyOrError();

  PrinterSession& Printer;
  Clock& Time;
  std::string Line;  // the message line being built by wsAppend
  bool LineIsError = false;
  bool Error = false;
  bool PrinterError = false;
  bool SkipReset = false;
  bool ErrorMode = false;
  bool ItemBusy = false;
  std::string ProgressLabel;  // the work the progress line follows; empty when none is shown
  int64_t ProgressStartMs = 0;
  bool Echo = true;
  std::vector<std::string> Lines;
  ServiceRecord* Book = nullptr;
  bool RecordProblem = false;
};
