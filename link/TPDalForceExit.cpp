#include "link/TPDalForceExit.h"

void TPDalForceExit::ForceExit() {
  Boxes.ShowMessage(DialogKind::Error, "This program is closed by force.", DialogButtons::Ok);
  // The port closes with the process.
  EndProgram(End, ExitFatal);
}
