// The forced end of the program after a fault of the link or of the printer's replies.
#pragma once

#include "link/FatalExit.h"
#include "platform/Dialogs.h"
#include "platform/ProgramEnd.h"

class TPDalForceExit : public FatalExit {
public:
  TPDalForceExit(Dialogs& dialogs, ProgramEnd& end) : Boxes(dialogs), End(end) {}

  // "This program is closed by force.", then the end with the fault status.
  [[noreturn]] void ForceExit() override;

private:
  Dialogs& Boxes;
  ProgramEnd& End;
};
