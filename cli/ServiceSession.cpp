#include "cli/ServiceSession.h"

#include "cli/StandardError.h"

ServiceSession::ServiceSession(Clock& clock, PortSystem& ports, Dialogs& dialogs, ProgramEnd& end,
                               int16_t portIndex, uint16_t modelCode)
    : TerminalForcedEnd(dialogs, end),
      ServiceCore(clock, ports, dialogs, *this, *this, *this),
      Time(clock),
      Boxes(dialogs),
      Ports(ports),
      Printer(Comm, clock),
      View(Printer, clock),
      Display(Comm),
      PortIndex(portIndex),
      ModelCodeChosen(modelCode) {
  Display.SetView(View);
  View.KeepRecordIn(Record);
  Record.SetFrontEnd("command line");
}

bool ServiceSession::Connect() {
  // Each command on the printer is a visit of its own in the printer's record.
  Record.BeginVisit();
  if (Printer.Connect(PortIndex)) return true;
  SayError(PrinterSilentText);
  Driver.ClosePort();
  return false;
}

bool ServiceSession::ReadyForDataChannel() {
  if (Comm.DataChannelOpen()) return true;
  if (Status.StatusCode == StatusError || Status.ErrorCode != ErrorNone) {
    Display.RefreshStatus();
    SayError("The printer is in error: only status, dump, backup, restore, diff, init and counter work now.");
    return false;
  }
  if (View.CheckPrinterReady() && Comm.DataChannelOpen()) return true;
  Display.RefreshStatus();
  SayError("The printer is not ready.");
  return false;
}

void ServiceSession::Close(bool reset) {
  View.Flush();
  ResetNotice notice;
  // Said once the printer took the reset: a printer that refused it is not initializing.
  notice.Accepted = [this] {
    SayNotice("Initializing the printer: about " + std::to_string(ResetSeconds) + " seconds.");
    ResetStartMs = Time.SteadyMilliseconds();
  };
  notice.Refused = [] { SayWarning("The printer answered the reset with busy: it was not reset."); };
  notice.Unacknowledged = [] { SayWarning("The printer did not acknowledge the reset."); };
  Printer.End(reset && !View.SkipResetOnEnd(), notice);
  Record.EndVisit();
}

std::optional<int64_t> ServiceSession::ResettingSinceMs() const {
  if (!ResetStartMs) return std::nullopt;
  return Time.SteadyMilliseconds() - *ResetStartMs;
}

std::string ServiceSession::PutBackTrial() {
  std::string text = Guard.PutBackTrial(Confirm);
  if (Guard.Trying()) text += FinishHint;
  return text;
}

void ServiceSession::ForceExit() {
  if (Guard.Trying()) SayWarning(PutBackTrial());
  TerminalForcedEnd::ForceExit();
}

void ServiceSession::EndAfterFault() {
  if (Guard.Trying()) SayWarning(PutBackTrial());
  TerminalForcedEnd::EndAfterFault();
}
