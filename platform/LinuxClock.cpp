// The real clock of the machine: sleeping pauses, calendar time and the local date.
#include "platform/LinuxClock.h"

#include "platform/PreciseSleep.h"

#include <cerrno>
#include <ctime>

void LinuxClock::Pause(uint32_t milliseconds) {
  SleepUntil(std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds));
}

int64_t LinuxClock::CalendarSeconds() { return static_cast<int64_t>(std::time(nullptr)); }

LocalDateTime LinuxClock::LocalNow() {
  const std::time_t now = std::time(nullptr);
  std::tm parts{};
  localtime_r(&now, &parts);
  return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec};
}

int64_t LinuxClock::SteadyMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}
