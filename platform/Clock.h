// Time as the program sees it: pauses, the calendar clock and the local date.
#pragma once

#include <cstdint>

struct LocalDateTime {
  int Year = 0;
  int Month = 0;  // 1..12
  int Day = 0;    // 1..31
  int Hour = 0;
  int Minute = 0;
  int Second = 0;
};

class Clock {
public:
  virtual ~Clock() = default;

  // Blocks the caller for `milliseconds`.
  virtual void Pause(uint32_t milliseconds) = 0;

  // The calendar clock in whole seconds.
  virtual int64_t CalendarSeconds() = 0;

  // The local date and time of day.
  virtual LocalDateTime LocalNow() = 0;

  // Milliseconds on a steady clock, for time stamps and time-outs.
  virtual int64_t SteadyMilliseconds() = 0;
};
