#include "app/SignalStops.h"

#include "app/QtClock.h"
#include "app/TFormAdjust.h"
#include "app/TFormBoot.h"
#include "ui_DalAdjust.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

// How soon a stop that had to wait (an item at work, a dialog open) is looked at again.
constexpr int LookAgainMs = 200;

}  // namespace

SignalStops::SignalStops(ArvanaProgram& program, StopSignals& stops, int wakeDescriptor, ProgramEnd& end)
    : Program(program), Stops(stops), End(end), Later(new QTimer(this)) {
  Later->setSingleShot(true);
  connect(Later, &QTimer::timeout, this, &SignalStops::Check);
  if (wakeDescriptor >= 0) {
    Wake = new QSocketNotifier(wakeDescriptor, QSocketNotifier::Read, this);
    connect(Wake, &QSocketNotifier::activated, this, [this, wakeDescriptor] {
      char drained[16];
      while (::read(wakeDescriptor, drained, sizeof drained) > 0) {
      }
      Check();
    });
  }
  // SIGTERM and SIGHUP do not wait for an item to end: between two blocks on the wire the link is whole.
  Program.Driver.SetWriteGate([this] {
    const int signal = Stops.Pending();
    if ((signal != SIGTERM && signal != SIGHUP) || Ending || Program.Guard.Writing() || Program.Guard.StopMet() ||
        Program.Comm.ShuttingDown())
      return;
    EndProgram(signal);
  });
}

bool SignalStops::Idle() const {
  return !QtClock::InPause() && !Program.Guard.Writing() && QThread::currentThread()->loopLevel() <= 1 &&
         QApplication::activeModalWidget() == nullptr && !Program.Comm.ShuttingDown() &&
         (!Program.Adjust().isVisible() || Program.Adjust().isEnabled());
}

void SignalStops::Check() {
  const int signal = Stops.Pending();
  if (signal == 0 || Ending) return;
  // Outside a pause no exchange is under way: a dialog waits for the technician between two
  // exchanges, and the program may shut the link and end from there.
  if (signal != SIGINT && !QtClock::InPause() && !Program.Guard.Writing() && !Program.Comm.ShuttingDown())
    EndProgram(signal);
  if (!Idle()) {
    Later->start(LookAgainMs);
    return;
  }
  // Ctrl-C ends the visit as "Quit" does, and the continue window asks what next. A write that
  // met it has said in red how far it got: that stays in front of the technician until OK.
  const bool writeMetIt = Program.Guard.StopMet();
  Program.Guard.ForgetStop();
  if (writeMetIt && Program.Adjust().isVisible()) {
    Program.Services.Boxes.ShowMessage(DialogKind::Warning,
                                       Program.Adjust().Controls().StatusMemo->toPlainText().toStdString(),
                                       DialogButtons::Ok);
  }
  if (Program.Adjust().isVisible()) {
    Program.Adjust().close();
  } else {
    EndProgram(SIGINT);
  }
}

void SignalStops::EndProgram(int signal) {
  Ending = true;
  std::fprintf(stderr, "Stopped by signal %d: shutting the link down.\n", signal);
  Program.PutBackTrial();
  if (Program.Comm.LinkUp()) {
    Program.Adjust().ShutDownForSignal();
  } else {
    Program.Driver.ClosePort();  // a start-up under way: nothing is up on the link yet
  }
  End.End(ExitStatusForSignal(signal));
  std::abort();
}
