// The clock of the windowed program: pauses that keep the windows painted while nothing of the program acts.
#pragma once

#include "platform/Clock.h"
#include "platform/LinuxClock.h"

#include <QObject>

class QWidget;

// While a pause runs, the windows are repainted but mouse, keyboard and other
// input is thrown away (a click made during a wait must never act later), and
// the window system cannot close a window. Timers of the program still fire:
// they ask InPause() and put their work off until the program is idle.
class QtClock : public QObject, public Clock {
  Q_OBJECT

public:
  explicit QtClock(QObject* parent = nullptr);

  // Without an application object (or off its thread) this is a plain sleep.
  // A pause inside a pause simply waits its own time.
  void Pause(uint32_t milliseconds) override;
  int64_t CalendarSeconds() override;
  LocalDateTime LocalNow() override;
  int64_t SteadyMilliseconds() override;

  // A shown top-level window that keeps its input during pauses because it
  // is not the program's (the virtual printer's front panel).
  static void LetInputThrough(QWidget& window);

  // What a pause does with an event: lets it through, drops it (input), or
  // refuses it (the window system closing a window).
  enum class PauseVerdict { Pass, Drop, Refuse };
  static PauseVerdict DuringPause(const QObject* watched, const QEvent* event);

  // Whether a pause is running at the moment.
  static bool InPause();

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  static bool BelongsToWindowWithInput(const QObject* watched);
  static constexpr const char* InputDuringPauseProperty = "arvanaInputDuringPause";
  static int PauseDepth;
  LinuxClock RealTime;
};
