// arvana-service: the adjustment program's items at the command line, for scripts and terminals.
#include "cli/CommandLine.h"
#include "platform/LinuxClock.h"

#include <cstdlib>
#include <iostream>

namespace {

// The program end of the terminal: the status goes to the shell as it is.
class ExitingEnd : public ProgramEnd {
public:
  [[noreturn]] void End(int status) override {
    std::cout.flush();
    std::exit(status);
  }
};

}  // namespace

int main(int argc, char** argv) {
  LinuxClock clock;
  ExitingEnd end;
  ProcessStopSignals stops;
  return RunCommandLine(std::vector<std::string>(argv + 1, argv + argc), clock, end, &stops);
}
