// The clock of a command, which lets a progress line follow the work at every pause.
#pragma once

#include "platform/Clock.h"

#include <functional>

class ProgressClock : public Clock {
public:
  explicit ProgressClock(Clock& inner) : Inner(inner) {}

  void Pause(uint32_t milliseconds) override {
    if (OnPause) OnPause();
    Inner.Pause(milliseconds);
  }
  int64_t CalendarSeconds() override { return Inner.CalendarSeconds(); }
  LocalDateTime LocalNow() override { return Inner.LocalNow(); }
  int64_t SteadyMilliseconds() override { return Inner.SteadyMilliseconds(); }

  std::function<void()> OnPause;

private:
  Clock& Inner;
};
