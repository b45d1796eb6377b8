// Ctrl-C, a kill or a closed terminal in the windowed program. A write meets the stop itself,
// between two cells, and says in red how far it got. Otherwise SIGINT ends the visit once the
// program is idle (the link shut down as on "Quit", then the continue window), and SIGTERM or
// SIGHUP shut the link down, at the next block on the wire or once idle, and end the program.
#pragma once

#include "app/ArvanaProgram.h"
#include "platform/ProgramEnd.h"
#include "platform/StopSignals.h"

#include <QObject>

class QSocketNotifier;
class QTimer;

class SignalStops : public QObject {
  Q_OBJECT

public:
  // Watches `stops` (whose wake descriptor tells of a signal) for `program`.
  SignalStops(ArvanaProgram& program, StopSignals& stops, int wakeDescriptor, ProgramEnd& end);

  // Answers a pending stop where that is safe now; otherwise looks again shortly.
  void Check();

private:
  // No pause, no item, no dialog, no write: the program waits for the technician in a window of its own.
  bool Idle() const;
  [[noreturn]] void EndProgram(int signal);

  ArvanaProgram& Program;
  StopSignals& Stops;
  ProgramEnd& End;
  QSocketNotifier* Wake = nullptr;
  QTimer* Later;
  bool Ending = false;
};
