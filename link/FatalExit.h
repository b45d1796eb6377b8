// The forced end of the program after a fault of the link or the printer.
#pragma once

#include <cstdlib>

class FatalExit {
public:
  virtual ~FatalExit() = default;

  // Tells the technician the program is closed by force and ends it; never returns.
  [[noreturn]] virtual void ForceExit() = 0;
};

// The same call, known to the compiler never to return.
[[noreturn]] inline void ForceExitNow(FatalExit& fatal) {
  fatal.ForceExit();
  std::abort();
}
