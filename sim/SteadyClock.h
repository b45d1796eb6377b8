// The real clock for the standalone virtual printer: the machine's steady and calendar time.
#pragma once

#include "platform/Clock.h"

class SteadyClock : public Clock {
public:
  void Pause(uint32_t milliseconds) override;
  int64_t CalendarSeconds() override;
  LocalDateTime LocalNow() override;
  int64_t SteadyMilliseconds() override;
};
