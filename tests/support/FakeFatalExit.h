// The forced exit for link tests: shows the same box as the program's and ends through the test's program end.
#pragma once

#include "link/FatalExit.h"
#include "tests/support/TestDialogs.h"

class FakeFatalExit : public FatalExit {
public:
  FakeFatalExit(Dialogs& dialogs, ProgramEnd& end) : Boxes(dialogs), End(end) {}
  [[noreturn]] void ForceExit() override {
    Boxes.ShowMessage(DialogKind::Error, "This program is closed by force.", DialogButtons::Ok);
    EndProgram(End, ExitFatal);
  }
  [[noreturn]] void EndAfterFault() override { EndProgram(End, ExitFatal); }

private:
  Dialogs& Boxes;
  ProgramEnd& End;
};
