// Runs arvana-service in this process and captures what it writes: standard output through
// std::cout, standard error at the descriptor (messages go there through both C and C++ streams).
#pragma once

#include "cli/CommandLine.h"
#include "platform/VirtualClock.h"
#include "tests/sim/SimTestSupport.h"
#include "tests/support/TestDialogs.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
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

// Commands run in this process on the virtual printer kept in Dir/vp; standard output lands in Out,
// standard error in Err, and the notes of unfinished writes and the service records in a folder of the test.
class SimulatorCommandTest : public testing::Test {
protected:
  // `simulatorLast`: the printer's folder is given after the arguments instead of before them.
  int Run(std::vector<std::string> arguments, bool simulatorLast = false) {
    setenv("XDG_STATE_HOME", (Dir.Path / "state").c_str(), 1);
    setenv("XDG_DATA_HOME", (Dir.Path / "data").c_str(), 1);  // the service records and backups of the test's own
    const std::string simulator = "--simulator=" + (Dir.Path / "vp").string();
    arguments.insert(simulatorLast ? arguments.end() : arguments.begin(), simulator);
    return RunCapturingOutput(arguments, Clock, End, Out, Err);
  }
  static std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  }
  uint8_t Cell(uint8_t address) { return static_cast<uint8_t>(ReadFile(Dir.Path / "vp/eeprom.bin").at(address)); }

  TempDirectory Dir;
  VirtualClock Clock;
  TestProgramEnd End;
  std::string Out;
  std::string Err;
};
