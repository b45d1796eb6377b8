// arvana-service against a printer that stops answering, and against its own --timeout, on the virtual clock.
#include "cli/CommandLine.h"
#include "tests/cli/CapturedRun.h"
#include "link/TPDalD4Comm.h"
#include "tests/sim/SimTestSupport.h"
#include "tests/support/TestDialogs.h"
#include "tests/support/WatchedClock.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

// What one cell costs on LPT1 when nothing comes back: the credit's three tries, each a settle, a
// read that waits out the port's total time-out and the pause before the next try.
constexpr int64_t SilentCellOnLpt1Ms = 3 * (10 + 5006 + 1000);

class SilentPrinterTest : public testing::Test {
protected:
  TempDirectory Dir;
  WatchedClock Clock;
  TestProgramEnd End;
  std::string Out;
  std::string Err;

  // Runs one command on the virtual printer in Dir/vp; standard output lands in Out, standard error in Err.
  int Run(std::vector<std::string> arguments) {
    setenv("XDG_STATE_HOME", (Dir.Path / "state").c_str(), 1);
    setenv("XDG_DATA_HOME", (Dir.Path / "data").c_str(), 1);  // the service records and backups of the test's own
    arguments.insert(arguments.begin(), "--simulator=" + (Dir.Path / "vp").string());
    return RunCapturingOutput(arguments, Clock, End, Out, Err);
  }
  void SetFaults(const std::string& text) { std::ofstream(Dir.Path / "vp/faults.conf", std::ios::trunc) << text; }
  std::string Eeprom() {
    std::ifstream file(Dir.Path / "vp/eeprom.bin", std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  }
  // How long `arguments` take on a healthy printer, in virtual milliseconds.
  int64_t HealthyMs(const std::vector<std::string>& arguments) {
    const int64_t start = Clock.SteadyMilliseconds();
    EXPECT_EQ(Run(arguments), 0) << Err;
    return Clock.SteadyMilliseconds() - start;
  }
  // Runs `arguments` with the power switched off `afterMs` into the run; how long the run went on after that.
  int64_t MsAfterPowerOff(const std::vector<std::string>& arguments, int64_t afterMs, int& status) {
    const int64_t switchAt = Clock.SteadyMilliseconds() + afterMs;
    int64_t switchedAt = -1;
    Clock.OnPause = [&](uint32_t) {
      if (switchedAt >= 0 || Clock.SteadyMilliseconds() < switchAt) return;
      SetFaults("power = off\n");
      switchedAt = Clock.SteadyMilliseconds();
    };
    status = Run(arguments);
    Clock.OnPause = nullptr;
    EXPECT_GE(switchedAt, 0) << "the run ended before the power went off";
    return Clock.SteadyMilliseconds() - switchedAt;
  }
  static std::string HexByte(char value) {
    char text[3];
    std::snprintf(text, sizeof text, "%02X", static_cast<unsigned char>(value));
    return text;
  }
};

TEST_F(SilentPrinterTest, APrinterSwitchedOffCostsOneCellAndWhatWasReadIsShown) {
  const int64_t healthy = HealthyMs({"dump", "--format", "hex"});
  const std::string image = Eeprom();
  ASSERT_EQ(image.size(), 256u);

  int status = 0;
  const int64_t after = MsAfterPowerOff({"dump", "--format", "hex"}, healthy / 2, status);
  EXPECT_EQ(status, 1);
  EXPECT_LE(after, SilentCellOnLpt1Ms + 1000);  // not once per cell left, and no shut-down waits on top
  EXPECT_NE(Err.find(std::string("error: ") + PrinterSilentText), std::string::npos) << Err;
  std::istringstream lines(Out);
  int read = 0;
  int unknown = 0;
  for (std::string line; std::getline(lines, line);) {
    const int address = std::stoi(line.substr(0, 2), nullptr, 16);
    ASSERT_EQ(address, read + unknown) << "every cell of the range has its line, in order";
    if (line.substr(5) == "??") {
      ++unknown;
    } else {
      ASSERT_EQ(unknown, 0) << "a cell read after the printer went silent: " << line;
      EXPECT_EQ(line.substr(5), HexByte(image[static_cast<size_t>(address)])) << line;
      ++read;
    }
  }
  EXPECT_EQ(read + unknown, 256);
  EXPECT_GT(read, 16);
  EXPECT_GT(unknown, 16);

  // A backup cut off the same way is no backup: no file, and the same message.
  SetFaults("power = on\n");
  const std::string file = (Dir.Path / "cut.eeprom").string();
  const int64_t backup = HealthyMs({"--model", "360", "backup", "-o", (Dir.Path / "whole.eeprom").string()});
  MsAfterPowerOff({"--model", "360", "backup", "-o", file}, backup / 2, status);
  EXPECT_EQ(status, 1);
  EXPECT_FALSE(fs::exists(file));
  EXPECT_NE(Err.find(PrinterSilentText), std::string::npos) << Err;
}

TEST_F(SilentPrinterTest, ACutShortCellIsUnknownAndTheReadGoesOnWhileALostOneStopsIt) {
  HealthyMs({"status"});
  const std::string image = Eeprom();
  SetFaults("short-eeprom-reply = on\neeprom-fault-cell = 20\n");
  EXPECT_EQ(Run({"dump", "--range", "1F-21", "--format", "hex"}), 1);
  EXPECT_EQ(Out, "1F = " + HexByte(image[0x1F]) + "\n20 = ??\n21 = " + HexByte(image[0x21]) + "\n");
  EXPECT_EQ(Err.find(PrinterSilentText), std::string::npos) << Err;
  // A backup takes every cell or none.
  EXPECT_EQ(Run({"--model", "360", "backup", "-o", (Dir.Path / "part.eeprom").string()}), 1);
  EXPECT_FALSE(fs::exists(Dir.Path / "part.eeprom"));
  EXPECT_NE(Err.find("Reading EEPROM data failed."), std::string::npos) << Err;

  // An answer that never comes is a printer that does not answer: the read stops at that cell.
  SetFaults("drop-eeprom-reply = on\neeprom-fault-cell = 20\n");
  EXPECT_EQ(Run({"dump", "--range", "1F-21", "--format", "hex"}), 1);
  EXPECT_EQ(Out, "1F = " + HexByte(image[0x1F]) + "\n20 = ??\n21 = ??\n");
  EXPECT_NE(Err.find(PrinterSilentText), std::string::npos) << Err;
  EXPECT_EQ(Run({"dump", "--range", "1F-21", "--format", "bin", "-o", (Dir.Path / "part.bin").string()}), 1);
  EXPECT_FALSE(fs::exists(Dir.Path / "part.bin"));
}

TEST_F(SilentPrinterTest, TimeoutBoundsTheWholeCommandOnEveryPort) {
  HealthyMs({"status"});
  SetFaults("no-answer = on\n");
  for (const char* port : {"LPT1", "VLUSB1"}) {
    const int64_t start = Clock.SteadyMilliseconds();
    EXPECT_EQ(Run({"--port", port, "--timeout", "5", "status"}), 1) << port;
    const int64_t took = Clock.SteadyMilliseconds() - start;
    EXPECT_GE(took, 5000) << port;
    EXPECT_LE(took, 6000) << port;
    EXPECT_NE(Err.find("The printer did not finish within 5 s."), std::string::npos) << port << ": " << Err;
  }
  // The reset wait after a write counts too.
  SetFaults("");
  const int64_t start = Clock.SteadyMilliseconds();
  EXPECT_EQ(Run({"--timeout", "5", "--yes", "counter", "--clear"}), 1);
  EXPECT_LE(Clock.SteadyMilliseconds() - start, 6000);
  EXPECT_NE(Err.find("The printer did not finish within 5 s."), std::string::npos) << Err;
}

}  // namespace
