// The command line's forced end after a fault of the link or of the printer's replies: the
// message goes where the terminal's messages go, the status tells the caller it was a fault.
#pragma once

#include "link/FatalExit.h"
#include "platform/Dialogs.h"
#include "platform/ProgramEnd.h"

class TerminalForcedEnd : public FatalExit {
public:
  TerminalForcedEnd(Dialogs& dialogs, ProgramEnd& end) : Messages(dialogs), End(end) {}

  // "This program is closed by force.", then the end with the fault status.
  [[noreturn]] void ForceExit() override {
    Messages.ShowMessage(DialogKind::Error, "This program is closed by force.", DialogButtons::Ok);
    EndProgram(End, ExitFatal);
  }
  // The end with the fault status; the message was shown.
  [[noreturn]] void EndAfterFault() override { EndProgram(End, ExitFatal); }

private:
  Dialogs& Messages;
  ProgramEnd& End;
};
