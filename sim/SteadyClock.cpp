// Real time for the standalone virtual printer.
#include "sim/SteadyClock.h"

#include <chrono>
#include <ctime>
#include <thread>

void SteadyClock::Pause(uint32_t milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

int64_t SteadyClock::CalendarSeconds() { return static_cast<int64_t>(std::time(nullptr)); }

LocalDateTime SteadyClock::LocalNow() {
  const std::time_t now = std::time(nullptr);
  std::tm parts{};
  localtime_r(&now, &parts);
  return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec};
}

int64_t SteadyClock::SteadyMilliseconds() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}
