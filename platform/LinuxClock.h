// The real clock of the machine: sleeping pauses, calendar time and the local date.
#pragma once

#include "platform/Clock.h"

class LinuxClock : public Clock {
public:
  // Sleeps the whole time, also when a signal interrupts the sleep.
  void Pause(uint32_t milliseconds) override;
  int64_t CalendarSeconds() override;
  LocalDateTime LocalNow() override;
  int64_t SteadyMilliseconds() override;
};
