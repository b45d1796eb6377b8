// arvana-service: the adjustment program's items at the command line, for scripts and terminals.
#include "cli/CommandLine.h"
#include "cli/ServiceManual.h"
#include "cli/StandardError.h"
#include "platform/LinuxClock.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>

namespace {

// The program end of the terminal: the status goes to the shell as it is.
class ExitingEnd : public ProgramEnd {
public:
  [[noreturn]] void End(int status) override {
    EndProgressLine();
    std::cout.flush();
    std::exit(status);
  }
};

// Results that never reached their file (a full disk, a closed pipe) are no results: the
// command fails rather than leave a script holding half a dump.
bool OutputReachedItsFile() {
  std::cout.flush();
  const bool written = !std::cout.fail() && std::fflush(stdout) == 0 && !std::ferror(stdout);
  // The failing write may lie long behind: its reason is lost by now.
  if (!written) SayError("The results could not all be written to standard output (a full disk?).");
  return written;
}

constexpr int ExitOutputLost = 1;

}  // namespace

int main(int argc, char** argv) {
  // The build writes the manual page and the shell completions with the program itself.
  if (argc == 2) {
    if (const std::optional<std::string> document = BuildTimeDocument(argv[1])) {
      std::cout << *document;
      return OutputReachedItsFile() ? 0 : ExitOutputLost;
    }
  }
  LinuxClock clock;
  ExitingEnd end;
  ProcessStopSignals stops;
  const int status = RunCommandLine(std::vector<std::string>(argv + 1, argv + argc), clock, end, &stops);
  if (!OutputReachedItsFile() && status == 0) return ExitOutputLost;
  return status;
}
