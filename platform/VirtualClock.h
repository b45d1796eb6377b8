// A clock whose pauses advance time at once; tests and the in-process
// virtual printer run on it, so nothing ever sleeps.
#pragma once

#include "platform/Clock.h"

#include <vector>

class VirtualClock : public Clock {
public:
  // Starts at 7 December 2026, 09:00:00 local time.
  VirtualClock();

  void Pause(uint32_t milliseconds) override;
  int64_t CalendarSeconds() override;
  LocalDateTime LocalNow() override;
  int64_t SteadyMilliseconds() override;

  // Moves time on without recording a pause (time that passes outside the program).
  void Advance(int64_t milliseconds);
  // Sets the local date and time; the steady clock is not affected.
  void SetLocalTime(const LocalDateTime& when);

  // Every pause taken, in order.
  const std::vector<uint32_t>& Pauses() const { return PauseLog; }
  void ClearPauses() { PauseLog.clear(); }

private:
  int64_t NowMs = 0;
  int64_t LocalBaseSeconds = 0;  // seconds since 1970 of local time at NowMs == 0
  std::vector<uint32_t> PauseLog;
};
