// Runs arvana-service in this process and captures what it writes: standard output through
// std::cout, standard error at the descriptor (messages go there through both C and C++ streams).
#pragma once

#include "cli/CommandLine.h"
#include "tests/support/TestDialogs.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

// The exit status; standard error is also shown with the test's output.
inline int RunCapturingOutput(const std::vector<std::string>& arguments, Clock& clock, ProgramEnd& end,
                              std::string& out, std::string& err) {
  std::ostringstream captured;
  std::streambuf* saved = std::cout.rdbuf(captured.rdbuf());
  std::fflush(stderr);
  const int savedErrors = dup(STDERR_FILENO);
  std::FILE* errors = std::tmpfile();
  dup2(fileno(errors), STDERR_FILENO);
  int status = -1;
  try {
    status = RunCommandLine(arguments, clock, end);
  } catch (const ProgramEnded& ended) {
    status = ended.Status;
  }
  std::cout.rdbuf(saved);
  std::fflush(stderr);
  dup2(savedErrors, STDERR_FILENO);
  close(savedErrors);
  out = captured.str();
  err.assign(static_cast<size_t>(std::ftell(errors)), '\0');
  std::rewind(errors);
  err.resize(std::fread(err.data(), 1, err.size(), errors));
  std::fclose(errors);
  std::cerr << err;
  return status;
}
