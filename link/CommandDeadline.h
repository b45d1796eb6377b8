// The time a command may still spend on the printer, so that no wait of the link outlasts it.
#pragma once

#include <cstdint>

class CommandDeadline {
public:
  virtual ~CommandDeadline() = default;

  // Milliseconds left; zero or less once the time is up.
  virtual int64_t MillisecondsLeft() = 0;
  // Ends the command once its time is up; returns only while time is left.
  virtual void EndIfOverdue() = 0;
};
