#include "cli/ServiceSession.h"

#include <cstdio>

ServiceSession::ServiceSession(Clock& clock, PortSystem& ports, Dialogs& dialogs, ProgramEnd& end,
                               int16_t portIndex, uint16_t modelCode)
    : TerminalForcedEnd(dialogs, end),
      ServiceCore(clock, ports, dialogs, *this, *this, *this),
      Time(clock),
      Boxes(dialogs),
      Ports(ports),
      Printer(Comm, clock),
      View(Printer),
      Display(Comm),
      PortIndex(portIndex),
      ModelCodeChosen(modelCode) {
  Display.SetView(View);
}

bool ServiceSession::Connect() {
  if (Printer.Connect(PortIndex)) return true;
  std::fprintf(stderr, "error: %s\n", PrinterSilentText);
  Driver.ClosePort();
  return false;
}

bool ServiceSession::ReadyForDataChannel() {
  if (Comm.DataChannelOpen()) return true;
  if (Status.StatusCode == StatusError || Status.ErrorCode != ErrorNone) {
    Display.RefreshStatus();
    std::fprintf(stderr, "error: The printer is in error: only status, dump, backup, restore, diff, init and counter "
                         "work now.\n");
    return false;
  }
  if (View.CheckPrinterReady() && Comm.DataChannelOpen()) return true;
  Display.RefreshStatus();
  std::fprintf(stderr, "error: The printer is not ready.\n");
  return false;
}

void ServiceSession::Close(bool reset) {
  View.Flush();
  ResetNotice notice;
  notice.Starting = [] { std::fprintf(stderr, "Initializing the printer: about 15 seconds.\n"); };
  notice.Unacknowledged = [] { std::fprintf(stderr, "The printer did not acknowledge the reset.\n"); };
  Printer.End(reset && !View.SkipResetOnEnd(), notice);
}
