// The clock of the windowed program: pauses that keep the windows painted while nothing of the program acts.
#include "app/QtClock.h"

#include "platform/PreciseSleep.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <QVariant>
#include <QWidget>
#include <QWindow>

#include <sys/prctl.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <iterator>

namespace {

// Everything the technician can do to the windows; dropped, not deferred.
constexpr QEvent::Type DroppedInput[] = {
    QEvent::MouseButtonPress,
    QEvent::MouseButtonRelease,
    QEvent::MouseButtonDblClick,
    QEvent::MouseMove,
    QEvent::NonClientAreaMouseButtonPress,
    QEvent::NonClientAreaMouseButtonRelease,
    QEvent::NonClientAreaMouseButtonDblClick,
    QEvent::NonClientAreaMouseMove,
    QEvent::KeyPress,
    QEvent::KeyRelease,
    QEvent::ShortcutOverride,
    QEvent::Shortcut,
    QEvent::Wheel,
    QEvent::TouchBegin,
    QEvent::TouchUpdate,
    QEvent::TouchEnd,
    QEvent::TouchCancel,
    QEvent::TabletPress,
    QEvent::TabletMove,
    QEvent::TabletRelease,
    QEvent::NativeGesture,
    QEvent::Gesture,
    QEvent::GestureOverride,
    QEvent::ContextMenu,
    QEvent::InputMethod,
    QEvent::DragEnter,
    QEvent::DragMove,
    QEvent::Drop,
};

// How much of a pause is slept without the event loop.
constexpr std::chrono::milliseconds FinalStretch(2);
// Pauses this short are slept in one piece after the windows are painted.
constexpr std::chrono::milliseconds ShortPause(20);
constexpr std::chrono::milliseconds EventPassInterval(100);
std::chrono::steady_clock::time_point LastEventPass;

}  // namespace

int QtClock::PauseDepth = 0;

QtClock::QtClock(QObject* parent) : QObject(parent) {
  // The kernel may wake a sleeper up to its timer slack late (50 us by
  // default); over the hundreds of short pauses of one exchange that adds up.
  prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
}

bool QtClock::InPause() { return PauseDepth > 0; }

void QtClock::LetInputThrough(QWidget& window) {
  window.setProperty(InputDuringPauseProperty, true);
  window.winId();  // makes sure the window system's window exists
  if (window.windowHandle() != nullptr) window.windowHandle()->setProperty(InputDuringPauseProperty, true);
}

void QtClock::Pause(uint32_t milliseconds) {
  QCoreApplication* application = QCoreApplication::instance();
  if (application == nullptr || QThread::currentThread() != application->thread()) {
    RealTime.Pause(milliseconds);
    return;
  }
  using SteadyTime = std::chrono::steady_clock;
  const SteadyTime::time_point end = SteadyTime::now() + std::chrono::milliseconds(milliseconds);
  if (++PauseDepth == 1) application->installEventFilter(this);
  if (milliseconds <= ShortPause.count()) {
    // The many short waits before reply reads are slept in one piece; ten
    // times a second one of them first lets the windows repaint and answer
    // the desktop, which is what keeps them alive through a long exchange.
    if (SteadyTime::now() - LastEventPass >= EventPassInterval) {
      LastEventPass = SteadyTime::now();
      QCoreApplication::processEvents();
    }
    SleepUntil(end);
    if (--PauseDepth == 0) application->removeEventFilter(this);
    return;
  }
  for (;;) {
    const auto remaining = std::chrono::duration_cast<std::chrono::milliseconds>(end - SteadyTime::now());
    // Event-loop timers keep whole milliseconds; the last stretch is slept
    // exactly, so the thousands of short waits of a long exchange add up to
    // no more than they ask for.
    if (remaining <= FinalStretch) break;
    QEventLoop loop;
    bool timeIsUp = false;
    QTimer::singleShot(remaining - FinalStretch, Qt::PreciseTimer, &loop, [&loop, &timeIsUp] {
      timeIsUp = true;
      loop.quit();
    });
    loop.exec();
    if (!timeIsUp) break;  // every event loop was told to end (the program is closing): sleep out the rest
  }
  SleepUntil(end);
  if (--PauseDepth == 0) application->removeEventFilter(this);
}

int64_t QtClock::CalendarSeconds() { return RealTime.CalendarSeconds(); }

LocalDateTime QtClock::LocalNow() { return RealTime.LocalNow(); }

int64_t QtClock::SteadyMilliseconds() { return RealTime.SteadyMilliseconds(); }

// Input reaches a widget through its window first, then the widget itself;
// the pop-ups of a window (a combo box's list) are windows of their own whose
// parent widget, or transient parent window, leads back to it.
bool QtClock::BelongsToWindowWithInput(const QObject* watched) {
  const auto marked = [](const QObject* object) { return object->property(InputDuringPauseProperty).toBool(); };
  if (const auto* widget = qobject_cast<const QWidget*>(watched)) {
    for (const QWidget* w = widget; w != nullptr; w = w->parentWidget())
      if (marked(w)) return true;
    return false;
  }
  if (const auto* window = qobject_cast<const QWindow*>(watched)) {
    for (const QWindow* w = window; w != nullptr; w = w->parent() != nullptr ? w->parent() : w->transientParent())
      if (marked(w)) return true;
  }
  return false;
}

QtClock::PauseVerdict QtClock::DuringPause(const QObject* watched, const QEvent* event) {
  if (BelongsToWindowWithInput(watched)) return PauseVerdict::Pass;
  if (std::find(std::begin(DroppedInput), std::end(DroppedInput), event->type()) != std::end(DroppedInput))
    return PauseVerdict::Drop;
  // A close request from the window system. Qt passes a program's own
  // close() of a window that way too, but no code of the program runs
  // inside a pause, so what is refused here is the technician's.
  if (event->type() == QEvent::Close && event->spontaneous()) return PauseVerdict::Refuse;
  return PauseVerdict::Pass;
}

bool QtClock::eventFilter(QObject* watched, QEvent* event) {
  if (PauseDepth == 0) return QObject::eventFilter(watched, event);
  switch (DuringPause(watched, event)) {
    case PauseVerdict::Drop:
      event->accept();  // taken: nothing else sees it, and it does not come back
      return true;
    case PauseVerdict::Refuse:
      event->ignore();  // refused: the window stays open
      return true;
    case PauseVerdict::Pass:
      break;
  }
  return QObject::eventFilter(watched, event);
}
