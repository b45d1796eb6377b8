// The command line's conventions: where options go, what the program says on standard error and
// how, refusals that name the fault, --quiet, --verbose, and dry runs that change nothing.
#include "cli/CommandLine.h"
#include "cli/StandardError.h"
#include "platform/VirtualClock.h"
#include "sim/wire/CaptureDecoder.h"
#include "sim/wire/CaptureLog.h"
#include "tests/cli/CapturedRun.h"
#include "tests/sim/SimTestSupport.h"
#include "tests/support/TestDialogs.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

class CommandLineConventions : public SimulatorCommandTest {
protected:
  // Runs arvana-service on the virtual printer in Dir/vp, the arguments as given (the printer's
  // folder after them, so that every test also places a global option after the command).
  int Run(std::vector<std::string> arguments) { return SimulatorCommandTest::Run(std::move(arguments), true); }
  std::string Backup() {
    const std::string file = (Dir.Path / "board.eeprom").string();
    EXPECT_EQ(Run({"backup", "-o", file, "--model", "360"}), 0) << Err;
    return file;
  }
  // The last run's blocks as the virtual printer's decoder names them.
  std::vector<std::string> DecodedCapture() {
    std::ifstream file(Dir.Path / "vp/capture.log");
    CaptureDecoder decoder;
    std::vector<std::string> blocks;
    for (std::string line; std::getline(file, line);) {
      CaptureRecord record;
      std::string reason;
      if (CaptureLog::ParseLine(line, record, reason)) blocks.push_back(decoder.Describe(record));
    }
    return blocks;
  }
};

TEST_F(CommandLineConventions, GlobalOptionsGoBeforeOrAfterTheCommand) {
  const std::string file = Backup();
  ASSERT_EQ(Run({"bid", "--write", "ms-black=3"}), 0) << Err;
  ASSERT_EQ(Run({"--model", "360", "restore", file, "--dry-run"}), 0) << Err;
  const std::string before = Out;
  ASSERT_EQ(Run({"restore", file, "--dry-run", "--model", "360", "--yes", "--port", "vlusb1"}), 0) << Err;
  EXPECT_EQ(Out, before);
  EXPECT_NE(Out.find("Address 33: now 03"), std::string::npos) << Out;
  // The model counts wherever it stands: without it the restore is refused.
  EXPECT_EQ(Run({"restore", file, "--dry-run"}), 2);
  EXPECT_EQ(Err,
            "arvana-service: error: restore needs --model 350 or --model 360: the printer on LPT1 does not say which "
            "it is.\n");
}

TEST_F(CommandLineConventions, RefusalsSayWhatWasWrongAndWhatIsTaken) {
  ASSERT_EQ(Run({"status"}), 0) << Err;
  const size_t blocks = DecodedCapture().size();
  const std::string commands =
      "the commands are list, status, dump, backup, restore, diff, head-id, usb-id, bid, top-margin, first-dot, init, "
      "counter, clean, charge, print, unfinished, analyse, report.";
  const struct {
    std::vector<std::string> Arguments;
    std::string Said;
  } refusals[] = {
      {{"dump", "--range", "zz"},
       "--range: 'zz' is not AA-BB with hexadecimal cells 00..FF; see 'arvana-service dump --help'."},
      {{"dump", "--range", "5"},
       "--range: '5' is not AA-BB with hexadecimal cells 00..FF; see 'arvana-service dump --help'."},
      {{"dump", "--range", "30-20"},
       "--range: '30-20' ends before it begins: AA-BB takes AA at most BB; see 'arvana-service dump --help'."},
      {{"dump", "--range", "100-1FF"},
       "--range: '100-1FF' is not AA-BB with hexadecimal cells 00..FF; see 'arvana-service dump --help'."},
      {{"stauts"}, "'stauts' is not a command; " + commands},
      {{}, "No command was given; " + commands},
      {{"status", "--bogus"}, "'--bogus' is not an option of status; see 'arvana-service status --help'."},
      {{"diff", "a", "b", "c"}, "'c' is not an argument of diff; see 'arvana-service diff --help'."},
      {{"status", "--timeout", "0"},
       "--timeout: '0' is not a whole number of seconds from 1 to 86400; see 'arvana-service status --help'."},
      {{"status", "--quiet", "--verbose"}, "--quiet and --verbose cannot be given together: choose one."},
  };
  for (const auto& refusal : refusals) {
    EXPECT_EQ(Run(refusal.Arguments), 2) << refusal.Said;
    EXPECT_EQ(Err, "arvana-service: error: " + refusal.Said + "\n");
    EXPECT_EQ(Out, "");
  }
  // Refused before the printer was opened: not one block more went out.
  EXPECT_EQ(DecodedCapture().size(), blocks);
  // The range the option takes is read in either letter case, as the window's fields take it.
  ASSERT_EQ(Run({"dump", "--range", "2a-2b", "--format", "hex"}), 0) << Err;
  EXPECT_EQ(LinesOf(Out).size(), 2u);
  EXPECT_EQ(Out.rfind("2A = ", 0), 0u) << Out;
}

TEST_F(CommandLineConventions, ADryRunSendsNothingThatChangesThePrinter) {
  const std::string file = Backup();
  ASSERT_EQ(Run({"bid", "--write", "ms-black=3"}), 0) << Err;
  ASSERT_EQ(Run({"--model", "360", "restore", file, "--dry-run"}), 0) << Err;
  EXPECT_NE(Out.find("Address 33: now 03"), std::string::npos) << Out;
  EXPECT_EQ(Err.find("Initializing the printer"), std::string::npos) << Err;
  const std::vector<std::string> blocks = DecodedCapture();
  ASSERT_FALSE(blocks.empty());
  for (const std::string& block : blocks) {
    EXPECT_EQ(block.find("Reset"), std::string::npos) << block;
    EXPECT_EQ(block.find("Write"), std::string::npos) << block;
  }
  // The same run for real writes and resets: the dry run's silence is not the decoder's.
  ASSERT_EQ(Run({"--model", "360", "--yes", "restore", file}), 0) << Err;
  const std::vector<std::string> written = DecodedCapture();
  EXPECT_TRUE(std::any_of(written.begin(), written.end(), [](const std::string& b) { return b.find("Reset") != std::string::npos; }));
}

TEST_F(CommandLineConventions, EveryLineOnStandardErrorNamesTheProgramAndQuietKeepsOnlyResultsAndErrors) {
  const std::string file = Backup();
  EXPECT_EQ(Err, "arvana-service: Saved to " + file + ".\n");
  const std::vector<std::vector<std::string>> runs = {
      {"bid", "--write", "ms-black=3"}, {"--model", "360", "--yes", "restore", file}, {"dump", "--range", "zz"},
      {"head-id", "--write", "AZAAAAAAAAAAD"}, {"counter", "--clear", "--yes"}};
  for (const std::vector<std::string>& arguments : runs) {
    Run(arguments);
    EXPECT_FALSE(Err.empty());
    for (const std::string& line : LinesOf(Err)) EXPECT_EQ(line.rfind("arvana-service: ", 0), 0u) << line;
  }
  // The virtual printer's own reports (a switch that takes effect) come named as well.
  std::ofstream(Dir.Path / "vp/faults.conf") << "busy-ack = on\n";
  EXPECT_EQ(Run({"--yes", "counter", "--clear"}), 3);
  EXPECT_NE(Err.find("arvana-service: virtual printer: "), std::string::npos) << Err;
  for (const std::string& line : LinesOf(Err)) EXPECT_EQ(line.rfind("arvana-service: ", 0), 0u) << line;
  fs::remove(Dir.Path / "vp/faults.conf");
  // --quiet: the result alone; an error still says why.
  fs::remove(file);
  ASSERT_EQ(Run({"--quiet", "backup", "-o", file, "--model", "360"}), 0);
  EXPECT_EQ(Out, file + "\n");
  EXPECT_EQ(Err, "");
  ASSERT_EQ(Run({"-q", "--model", "360", "--yes", "restore", file}), 0);
  EXPECT_EQ(Err, "");
  EXPECT_EQ(Run({"-q", "head-id", "--write", "AZAAAAAAAAAAD"}), 2);
  EXPECT_NE(Err.find("arvana-service: error: "), std::string::npos) << Err;
  // The next run without it says its notices again.
  ASSERT_EQ(Run({"--model", "360", "--yes", "restore", file}), 0);
  EXPECT_NE(Err.find("arvana-service: "), std::string::npos);
}

TEST_F(CommandLineConventions, VerboseDecodesEveryBlockOnTheWire) {
  ASSERT_EQ(Run({"status", "--verbose"}), 0) << Err;
  std::vector<std::string> said;
  for (const std::string& line : LinesOf(Err)) {
    const std::string prefix = "arvana-service: wire: ";
    if (line.rfind(prefix, 0) != 0) continue;
    // Time and direction first, then the block, as the virtual printer's decoder names it.
    const size_t direction = line.find(' ', prefix.size());
    said.push_back(line.substr(direction + 1));
  }
  std::vector<std::string> captured;
  std::ifstream file(Dir.Path / "vp/capture.log");
  CaptureDecoder decoder;
  for (std::string line; std::getline(file, line);) {
    CaptureRecord record;
    std::string reason;
    ASSERT_TRUE(CaptureLog::ParseLine(line, record, reason)) << line;
    captured.push_back(std::string(record.FromHost ? "H>P " : "P>H ") + decoder.Describe(record));
  }
  EXPECT_EQ(said, captured);
  EXPECT_NE(std::find(said.begin(), said.end(), "H>P StatusRequest"), said.end());
  EXPECT_EQ(Out.rfind("Ready to print.\n", 0), 0u) << Out;
}

TEST(StandardErrorLines, EachLineIsNamedAndLabelled) {
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  SayTo(file, SaidKind::Error, "first\nsecond\n");
  SayTo(file, SaidKind::Warning, "careful");
  SayTo(file, SaidKind::Notice, "going on");
  SetQuiet(true);
  SayTo(file, SaidKind::Notice, "left out");
  SayTo(file, SaidKind::Detail, "[y/N] asked all the same");
  SetQuiet(false);
  std::string text(static_cast<size_t>(std::ftell(file)), '\0');
  std::rewind(file);
  text.resize(std::fread(text.data(), 1, text.size(), file));
  std::fclose(file);
  EXPECT_EQ(text,
            "arvana-service: error: first\narvana-service: error: second\narvana-service: warning: careful\n"
            "arvana-service: going on\narvana-service: [y/N] asked all the same\n");
}

TEST(StandardErrorLines, ProgressTellsTheTotalAndTheTimeLeftOnceThePaceIsKnown) {
  EXPECT_EQ(ProgressText("reading", 0, 256, "cells", 0), "reading [                              ] 0/256 cells");
  // Before a second has passed nothing is guessed.
  EXPECT_EQ(ProgressText("reading", 64, 256, "cells", 900), "reading [#######                       ] 64/256 cells");
  EXPECT_EQ(ProgressText("reading", 64, 256, "cells", 4000),
            "reading [#######                       ] 64/256 cells, about 12 s left");
  // Rounded up: a moment of work left is never "0 s".
  EXPECT_EQ(ProgressText("reading", 255, 256, "cells", 25500),
            "reading [" + std::string(29, '#') + " ] 255/256 cells, about 1 s left");
  EXPECT_EQ(ProgressText("reading", 256, 256, "cells", 25600), "reading [" + std::string(30, '#') + "] 256/256 cells");
  EXPECT_EQ(ProgressText("printing", 340, 0, "packets", 25400), "printing: 340 packets, 25 s");
  EXPECT_EQ(ProgressText("printer cleaning", 0, 0, "", 12000), "printer cleaning: 12 s");
  // A wait said to take 15 s counts down from the time itself, and stays at its end when it lasts longer.
  EXPECT_EQ(WaitText("initializing", 1900, 15), "initializing [##                            ] 1/15 s, about 14 s left");
  EXPECT_EQ(WaitText("initializing", 0, 15), "initializing [                              ] 0/15 s, about 15 s left");
  EXPECT_EQ(WaitText("initializing", 16000, 15), "initializing [" + std::string(30, '#') + "] 15/15 s");
}

}  // namespace
