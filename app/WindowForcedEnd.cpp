#include "app/WindowForcedEnd.h"

void WindowForcedEnd::ForceExit() {
  Boxes.ShowMessage(DialogKind::Error, "This program is closed by force.", DialogButtons::Ok);
  // The port closes with the process.
  EndProgram(End, ExitFatal);
}

void WindowForcedEnd::EndAfterFault() { EndProgram(End, ExitFatal); }
