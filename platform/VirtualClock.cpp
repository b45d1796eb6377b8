#include "platform/VirtualClock.h"

#include <ctime>

namespace {

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

int64_t SecondsOf(const LocalDateTime& t) {
  return DaysFromCivil(t.Year, static_cast<unsigned>(t.Month), static_cast<unsigned>(t.Day)) * 86400 +
         t.Hour * 3600 + t.Minute * 60 + t.Second;
}

}  // namespace

VirtualClock::VirtualClock() { SetLocalTime({2026, 12, 7, 9, 0, 0}); }

void VirtualClock::Pause(uint32_t milliseconds) {
  PauseLog.push_back(milliseconds);
  NowMs += milliseconds;
}

void VirtualClock::Advance(int64_t milliseconds) { NowMs += milliseconds; }

int64_t VirtualClock::CalendarSeconds() { return LocalBaseSeconds + NowMs / 1000; }

int64_t VirtualClock::SteadyMilliseconds() { return NowMs; }

void VirtualClock::SetLocalTime(const LocalDateTime& when) { LocalBaseSeconds = SecondsOf(when) - NowMs / 1000; }

LocalDateTime VirtualClock::LocalNow() {
  const std::time_t seconds = static_cast<std::time_t>(CalendarSeconds());
  std::tm parts{};
  gmtime_r(&seconds, &parts);  // the base is already local time
  return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec};
}
