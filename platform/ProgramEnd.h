// Ending the whole program from anywhere.
#pragma once

#include <cstdlib>

class ProgramEnd {
public:
  virtual ~ProgramEnd() = default;

  // Ends the program with `status`; never returns.
  [[noreturn]] virtual void End(int status) = 0;
};

// Calls through a virtual function are not known to end; this one is. An
// implementation that returned would be a fault of the program itself.
[[noreturn]] inline void EndProgram(ProgramEnd& end, int status) {
  end.End(status);
  std::abort();
}

// Exit status of a normal end.
constexpr int ExitNormal = 0;
// Exit status of every forced end and of an end after a port that cannot be
// opened, so that whatever started the program can tell a fault from a normal end.
constexpr int ExitFatal = 1;
