// The clock of a command, which lets a progress line follow the work at every pause.
#pragma once

#include "link/CommandDeadline.h"
#include "platform/Clock.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <utility>

// It also bounds the command: a script must never wait for ever on a printer that never gets ready.
// The bound is one moment on the steady clock; every pause ends there, and the port driver keeps
// each read and write within it, so the command ends at most a moment after its time is up.
class ProgressClock : public Clock, public CommandDeadline {
public:
  // `limitMs` from now, then `overdue` is called (it ends the program).
  ProgressClock(Clock& inner, int64_t limitMs, std::function<void()> overdue)
      : Inner(inner), DeadlineMs(inner.SteadyMilliseconds() + limitMs), Overdue(std::move(overdue)) {}

  void Pause(uint32_t milliseconds) override {
    // A long pause is slept a second at a time while a progress line follows it, so that the line moves.
    for (; OnPause && milliseconds > ProgressStepMs; milliseconds -= ProgressStepMs) PauseOnce(ProgressStepMs);
    PauseOnce(milliseconds);
  }
  int64_t CalendarSeconds() override { return Inner.CalendarSeconds(); }
  LocalDateTime LocalNow() override { return Inner.LocalNow(); }
  int64_t SteadyMilliseconds() override { return Inner.SteadyMilliseconds(); }

  int64_t MillisecondsLeft() override { return DeadlineMs - Inner.SteadyMilliseconds(); }
  void EndIfOverdue() override {
    if (MillisecondsLeft() <= 0 && Overdue) Overdue();
  }
  // Time the command spent on something other than the printer (a technician answering a question) is given back.
  void GiveBack(int64_t milliseconds) { DeadlineMs += milliseconds; }

  // Called before every pause, and every second of a long one.
  std::function<void()> OnPause;

private:
  static constexpr uint32_t ProgressStepMs = 1000;

  void PauseOnce(uint32_t milliseconds) {
    if (OnPause) OnPause();
    const int64_t left = MillisecondsLeft();
    if (milliseconds <= left) {
      Inner.Pause(milliseconds);
      return;
    }
    Inner.Pause(static_cast<uint32_t>(std::max<int64_t>(left, 0)));
    if (Overdue) Overdue();
  }

  Clock& Inner;
  int64_t DeadlineMs;
  std::function<void()> Overdue;
};
