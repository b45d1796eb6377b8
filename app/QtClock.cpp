// The clock of the windowed program: pauses that keep the windows painted while nothing of the program acts.
#include "app/QtClock.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <chrono>
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

}  // namespace

int QtClock::PauseDepth = 0;

QtClock::QtClock(QObject* parent) : QObject(parent) {}

bool QtClock::InPause() { return PauseDepth > 0; }

void QtClock::Pause(uint32_t milliseconds) {
  QCoreApplication* application = QCoreApplication::instance();
  if (application == nullptr || QThread::currentThread() != application->thread()) {
    RealTime.Pause(milliseconds);
    return;
  }
  const int64_t end = RealTime.SteadyMilliseconds() + milliseconds;
  if (++PauseDepth == 1) application->installEventFilter(this);
  for (;;) {
    const int64_t remaining = end - RealTime.SteadyMilliseconds();
    if (remaining <= 0) break;
    QEventLoop loop;
    bool timeIsUp = false;
    QTimer::singleShot(std::chrono::milliseconds(remaining), Qt::PreciseTimer, &loop, [&loop, &timeIsUp] {
      timeIsUp = true;
      loop.quit();
    });
    loop.exec();
    if (!timeIsUp) {
      // Every event loop was told to end (the program is closing): no loop
      // would wait any more, so sleep out the rest.
      RealTime.Pause(static_cast<uint32_t>(std::max<int64_t>(end - RealTime.SteadyMilliseconds(), 0)));
      break;
    }
  }
  if (--PauseDepth == 0) application->removeEventFilter(this);
}

int64_t QtClock::CalendarSeconds() { return RealTime.CalendarSeconds(); }

LocalDateTime QtClock::LocalNow() { return RealTime.LocalNow(); }

int64_t QtClock::SteadyMilliseconds() { return RealTime.SteadyMilliseconds(); }

bool QtClock::eventFilter(QObject* watched, QEvent* event) {
  if (PauseDepth > 0) {
    if (std::find(std::begin(DroppedInput), std::end(DroppedInput), event->type()) != std::end(DroppedInput)) {
      event->accept();  // taken: nothing else sees it, and it does not come back
      return true;
    }
    // A close request from the window system. Qt passes a program's own
    // close() of a window that way too, but no code of the program runs
    // inside a pause, so what is refused here is the technician's.
    if (event->type() == QEvent::Close && event->spontaneous()) {
      event->ignore();  // refused: the window stays open
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}
