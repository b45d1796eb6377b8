// The window's forced end after a fault of the link or of the printer's replies.
#pragma once

#include "link/FatalExit.h"
#include "platform/Dialogs.h"
#include "platform/ProgramEnd.h"

class WindowForcedEnd : public FatalExit {
public:
  WindowForcedEnd(Dialogs& dialogs, ProgramEnd& end) : Boxes(dialogs), End(end) {}

  // "This program is closed by force.", then the end with the fault status.
  [[noreturn]] void ForceExit() override;
  // The end with the fault status; the message was shown.
  [[noreturn]] void EndAfterFault() override;

private:
  Dialogs& Boxes;
  ProgramEnd& End;
};
