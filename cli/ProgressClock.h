// The clock of a command, which lets a progress line follow the work at every pause.
#pragma once

#include "platform/Clock.h"

#include <cstdint>
#include <functional>
#include <utility>

// It also bounds the command: a script must never wait for ever on a printer that never gets ready.
class ProgressClock : public Clock {
public:
  // `limitMs` of waiting in all, then `overdue` is called (it ends the program).
  ProgressClock(Clock& inner, int64_t limitMs, std::function<void()> overdue)
      : Inner(inner), LimitMs(limitMs), Overdue(std::move(overdue)) {}

  void Pause(uint32_t milliseconds) override {
    if (OnPause) OnPause();
    WaitedMs += milliseconds;
    if (WaitedMs > LimitMs && Overdue) Overdue();
    Inner.Pause(milliseconds);
  }
  int64_t CalendarSeconds() override { return Inner.CalendarSeconds(); }
  LocalDateTime LocalNow() override { return Inner.LocalNow(); }
  int64_t SteadyMilliseconds() override { return Inner.SteadyMilliseconds(); }

  std::function<void()> OnPause;

private:
  Clock& Inner;
  int64_t LimitMs;
  std::function<void()> Overdue;
  int64_t WaitedMs = 0;
};
