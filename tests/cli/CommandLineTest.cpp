// arvana-service end to end on the virtual printer kept in a folder, on the virtual clock.
#include "cli/CommandLine.h"
#include "tests/cli/CapturedRun.h"
#include "platform/VirtualClock.h"
#include "service/BackupFile.h"
#include "sim/wire/CaptureLog.h"
#include "tests/sim/SimTestSupport.h"
#include "tests/support/TestDialogs.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

class CommandLineTest : public SimulatorCommandTest {
protected:
  void SetCell(uint8_t address, uint8_t value) {
    std::string image = ReadFile(Dir.Path / "vp/eeprom.bin");
    ASSERT_EQ(image.size(), 256u);
    image[address] = static_cast<char>(value);
    std::ofstream(Dir.Path / "vp/eeprom.bin", std::ios::binary | std::ios::trunc) << image;
  }
  // The EEPROM writes the last run sent, as "address value" on either channel.
  std::vector<std::string> CaptureLines() {
    std::vector<std::string> lines;
    std::istringstream capture(ReadFile(Dir.Path / "vp/capture.log"));
    for (std::string line; std::getline(capture, line);) lines.push_back(line);
    return lines;
  }
  bool CaptureHasWrites() {
    for (const std::string& line : CaptureLines()) {
      // A service EEPROM write (1B 7C ... 42 BD 21) or a control-channel one (7C 7C 07 00 ... 42 BD 21).
      if (line.find("H>P") != std::string::npos && line.find("42 BD 21") != std::string::npos) return true;
    }
    return false;
  }
};

TEST_F(CommandLineTest, StatusAndDumpShowWhatThePrinterHolds) {
  ASSERT_EQ(Run({"status", "--json"}), 0);
  const nlohmann::json status = nlohmann::json::parse(Out);
  EXPECT_EQ(status["state"], "ready");
  EXPECT_EQ(status["error"], "none");
  const std::vector<std::string> colours{"black", "cyan", "magenta", "yellow", "light cyan", "light magenta"};
  const std::vector<int> percents{0x48, 0x41, 0x50, 0x3A, 0x5B, 0x4D};
  ASSERT_EQ(status["ink"].size(), colours.size());
  for (size_t i = 0; i < colours.size(); ++i) {
    EXPECT_EQ(status["ink"][i]["colour"], colours[i]);
    EXPECT_EQ(status["ink"][i]["percent"], percents[i]);
  }
  ASSERT_EQ(Run({"status"}), 0);
  EXPECT_EQ(Out, "Ready to print.\nInk: black 72 %, cyan 65 %, magenta 80 %, yellow 58 %, light cyan 91 %, "
                 "light magenta 77 %\n");
  EXPECT_EQ(status["messages"], (std::vector<std::string>{"Ready to print."}));

  ASSERT_EQ(Run({"dump", "--format", "bin", "-o", (Dir.Path / "dump.bin").string()}), 0);
  EXPECT_EQ(ReadFile(Dir.Path / "dump.bin"), ReadFile(Dir.Path / "vp/eeprom.bin"));
  ASSERT_EQ(Run({"dump", "--range", "1F-1F"}), 0);
  EXPECT_NE(Out.find("\n1 "), std::string::npos);
  EXPECT_EQ(Run({"dump", "--range", "20-1F"}), 2);
}

TEST_F(CommandLineTest, BackupRestoreAndDiffCarryTheValues) {
  const std::string file = (Dir.Path / "a.eeprom").string();
  // The model names the file's header. A parallel port does not say it: the board's market ID
  // does, and where that names none, it must be given.
  ASSERT_EQ(Run({"status"}), 0);  // the printer's folder exists from here on
  const uint8_t marketId = Cell(0x5F);
  SetCell(0x5F, 0xFF);
  EXPECT_EQ(Run({"backup", "-o", file}), 2);
  EXPECT_NE(Err.find("backup needs --model 350 or --model 360"), std::string::npos) << Err;
  EXPECT_FALSE(fs::exists(file));
  SetCell(0x5F, marketId);
  ASSERT_EQ(Run({"backup", "-o", file}), 0);
  ASSERT_TRUE(ReadBackupFile(file).Contents);
  EXPECT_EQ(ReadBackupFile(file).Contents->Header.Model, "Arvana Print 360");
  const std::string saved = ReadFile(file);
  EXPECT_EQ(Run({"--model", "360", "backup", "-o", file}), 2);  // never over an existing file
  EXPECT_EQ(ReadFile(file), saved);
  EXPECT_EQ(Run({"dump", "-o", file}), 2);
  EXPECT_EQ(ReadFile(file), saved);
  ASSERT_TRUE(ReadBackupFile(file).Contents);
  ASSERT_EQ(Run({"--model", "360", "restore", file, "--dry-run"}), 0);
  EXPECT_EQ(Out, "");

  const uint8_t msBlack = Cell(0x33);
  SetCell(0x33, static_cast<uint8_t>(msBlack + 1));
  ASSERT_EQ(Run({"diff", file, "--printer"}), 0);
  EXPECT_NE(Out.find("33    " + std::string(1, "0123456789ABCDEF"[msBlack >> 4]) +
                     std::string(1, "0123456789ABCDEF"[msBlack & 15])),
            std::string::npos)
      << Out;
  EXPECT_NE(Out.find("Bi-D MS Black"), std::string::npos);
  ASSERT_EQ(Run({"--model", "360", "restore", file, "--dry-run"}), 0);
  EXPECT_NE(Out.find("Address 33: now"), std::string::npos);
  // A dry run only reads: the printer is not reset after it.
  for (const std::string& line : CaptureLines()) EXPECT_EQ(line.find("72 73 01 00 01"), std::string::npos) << line;
  EXPECT_EQ(Cell(0x33), static_cast<uint8_t>(msBlack + 1));

  // Without --yes and without a terminal to ask at, nothing is written.
  EXPECT_EQ(Run({"--model", "360", "restore", file}), 2);
  EXPECT_EQ(Cell(0x33), static_cast<uint8_t>(msBlack + 1));
  ASSERT_EQ(Run({"--model", "360", "--yes", "restore", file}), 0);
  EXPECT_EQ(Cell(0x33), msBlack);
  ASSERT_EQ(Run({"diff", file, "--printer"}), 0);
  EXPECT_EQ(Out.find("Bi-D"), std::string::npos);
}

TEST_F(CommandLineTest, RefusedInputAndFailuresHaveTheirExitStatus) {
  ASSERT_EQ(Run({"status"}), 0);  // the printer's folder exists from here on
  EXPECT_EQ(Run({"head-id", "--write", "AZAAAAAAAAAAD"}), 2);
  EXPECT_FALSE(CaptureHasWrites());
  EXPECT_EQ(Run({"bid", "--write", "ms-black=37"}), 2);
  EXPECT_EQ(Run({"bid", "--write", "black=3"}), 2);
  EXPECT_EQ(Run({"top-margin", "--write", "x"}), 2);
  EXPECT_EQ(Run({"first-dot", "--write", "73"}), 2);
  // The window's own check: a second sign is no number, not a negative one.
  EXPECT_EQ(Run({"first-dot", "--write", "+-5"}), 2);
  EXPECT_NE(Err.find("The adjustment area is between -72 and 72."), std::string::npos) << Err;
  EXPECT_EQ(Run({"bid", "--write", "ms-black=+-5"}), 2);
  EXPECT_NE(Err.find("Digit is wrong."), std::string::npos) << Err;
  EXPECT_EQ(Run({"bid", "--write", "ms-black=1", "--write", "ms-black=2"}), 2);
  EXPECT_NE(Err.find("ms-black is given twice"), std::string::npos) << Err;
  // An empty value (a script's unset variable) is refused, not taken for "show".
  for (const char* command : {"first-dot", "head-id", "usb-id", "top-margin"}) EXPECT_EQ(Run({command, "--write", ""}), 2);
  EXPECT_FALSE(CaptureHasWrites());
  EXPECT_EQ(Run({"--model", "360", "restore", (Dir.Path / "missing.eeprom").string()}), 2);
  EXPECT_EQ(Run({"--port", "LPT9", "status"}), 2);
  EXPECT_EQ(Run({}), 2);

  std::ofstream(Dir.Path / "vp/faults.conf") << "busy-ack = on\n";
  EXPECT_EQ(Run({"--yes", "counter", "--clear"}), 3);
  EXPECT_EQ(Run({"top-margin", "--write", "+"}), 3);
  std::ofstream(Dir.Path / "vp/faults.conf") << "busy-ack = off\npower = off\n";
  EXPECT_EQ(Run({"status"}), 1);
  // A printer in error offers only the recovery items, as the window does.
  std::ofstream(Dir.Path / "vp/faults.conf") << "printer-error = 04\n";
  EXPECT_EQ(Run({"head-id"}), 1);
  EXPECT_EQ(Run({"--yes", "counter"}), 0);
  std::ofstream(Dir.Path / "vp/faults.conf") << "# all well again\n";
  EXPECT_EQ(Run({"--yes", "counter", "--clear"}), 0);
  EXPECT_EQ(Cell(0x0A), 0);
  EXPECT_EQ(Run({"counter"}), 0);
  EXPECT_EQ(Out, "0\n");
}

// A value no write of the program leaves (a write cut off, a damaged board) is shown as stored and never passes as clean.
TEST_F(CommandLineTest, DamagedValuesAreShownAsStoredAndFail) {
  ASSERT_EQ(Run({"head-id"}), 0);
  const std::string headId = Out;
  ASSERT_EQ(Run({"usb-id"}), 0);
  for (const auto& [cell, value] : std::vector<std::pair<uint8_t, uint8_t>>{{0x36, 0x55}, {0x2E, 0x29}, {0x39, 0x80}})
    SetCell(cell, value);
  SetCell(0x47, static_cast<uint8_t>(Cell(0x47) + 1));
  SetCell(0x5E, '1');

  EXPECT_EQ(Run({"head-id"}), 1);
  EXPECT_EQ(Out, headId);
  EXPECT_NE(Err.find("The head ID in the printer is damaged (its check does not match)."), std::string::npos) << Err;
  EXPECT_EQ(Run({"usb-id"}), 1);
  EXPECT_EQ(Out.size(), 19u);
  EXPECT_EQ(Out[17], '1');
  EXPECT_NE(Err.find("The USB ID in the printer is damaged (its check does not match)."), std::string::npos) << Err;
  EXPECT_EQ(Run({"bid"}), 1);
  EXPECT_NE(Out.find("ms-color = 85\n"), std::string::npos) << Out;
  EXPECT_NE(Err.find("MS Color: Cell 0x36 holds 85, outside the allowed range -36..36."), std::string::npos) << Err;
  EXPECT_EQ(Run({"top-margin"}), 1);
  EXPECT_EQ(Out, "+\n");
  EXPECT_NE(Err.find("Top margin: Cell 0x2E holds 41, outside the allowed range -40..40."), std::string::npos) << Err;
  EXPECT_EQ(Run({"first-dot"}), 1);
  EXPECT_EQ(Out, "128\n");
  EXPECT_NE(Err.find("First dot position: Cell 0x39 holds 128, outside the allowed range -72..72."), std::string::npos)
      << Err;

  // At the edges of their ranges the values are clean.
  for (const auto& [cell, value] : std::vector<std::pair<uint8_t, uint8_t>>{{0x36, 0xDC}, {0x2E, 0xD8}, {0x39, 0x48}})
    SetCell(cell, value);
  EXPECT_EQ(Run({"bid"}), 0) << Err;
  EXPECT_EQ(Run({"top-margin"}), 0) << Err;
  EXPECT_EQ(Run({"first-dot"}), 0) << Err;
}

TEST_F(CommandLineTest, WritesAreConfirmedAsInTheWindow) {
  ASSERT_EQ(Run({"head-id", "--write", "azaaaaaaaaaac"}), 0);  // typed letters become capitals, as in the window
  ASSERT_EQ(Run({"head-id"}), 0);
  EXPECT_EQ(Out, "AZAAAAAAAAAAC\n");
  ASSERT_EQ(Run({"bid", "--write", "MS-Color=-5", "ms-black=7"}), 0);
  EXPECT_EQ(Cell(0x33), 7);
  EXPECT_EQ(Cell(0x36), static_cast<uint8_t>(-5));
  ASSERT_EQ(Run({"top-margin", "--write", "-"}), 0);
  EXPECT_EQ(Cell(0x2E), 0xD8);
  ASSERT_EQ(Run({"first-dot", "--write", "-8"}), 0);
  EXPECT_EQ(Cell(0x39), 0xF8);
  ASSERT_EQ(Run({"--model", "350", "init"}), 0);
  EXPECT_EQ(Cell(0x5F), 0x00);
  ASSERT_EQ(Run({"usb-id", "--write", "ABC1234567"}), 0);
  ASSERT_EQ(Run({"usb-id"}), 0);
  EXPECT_EQ(Out.substr(0, 10), "ABC1234567");
}

}  // namespace

TEST_F(CommandLineTest, ScansAreReadAsTextOrJsonAndTheirSuggestionsWrittenAfterTheQuestion) {
  // The virtual printer's own pages are the scans; its head's true offsets are in mechanics.txt.
  // A head of its own, with four clogged nozzles away from the ends of their rows: the same page every run.
  fs::create_directories(Dir.Path / "vp");
  const std::string healthy(48, '.');
  const auto clogged = [&healthy](size_t nozzle) { return std::string(healthy).replace(nozzle - 1, 1, "x"); };
  std::ofstream(Dir.Path / "vp/head.txt") << "seed = 1\nlast-used = " << Clock.CalendarSeconds() << "\nblack = " << clogged(10)
                                          << "\nmagenta = " << healthy << "\ncyan = " << clogged(20)
                                          << "\nyellow = " << clogged(25) << "\nlight-magenta = " << clogged(30)
                                          << "\nlight-cyan = " << healthy
                                          << "\nink = 72.000 65.000 80.000 58.000 91.000 77.000\n";
  ASSERT_EQ(Run({"--model", "360", "--yes", "print", "bid"}), 0);
  ASSERT_EQ(Run({"--model", "360", "--yes", "print", "check"}), 0);
  const std::string bidPage = (Dir.Path / "vp/pages/0001.png").string();
  const std::string checkPage = (Dir.Path / "vp/pages/0002.png").string();
  std::istringstream mechanics(ReadFile(Dir.Path / "vp/mechanics.txt"));
  std::string line;
  while (std::getline(mechanics, line) && line.rfind('#', 0) == 0) {
  }
  std::istringstream numbers(line);
  std::vector<int> truth(6);
  for (int& value : truth) numbers >> value;

  ASSERT_EQ(Run({"analyse", "bid", bidPage, "--json"}), 0) << Out;
  const nlohmann::json reading = nlohmann::json::parse(Out);
  ASSERT_EQ(reading["sections"].size(), 6u);
  EXPECT_EQ(reading["sections"][0]["name"], "MS Black");
  for (size_t i = 0; i < 6; ++i) {
    const nlohmann::json& section = reading["sections"][i];
    EXPECT_EQ(section["candidates"].size(), 5u);
    EXPECT_EQ(section["offsets"].size(), 5u);
    EXPECT_NEAR(section["estimate"].get<double>(), truth[i], 0.5) << section.dump();
    EXPECT_EQ(section["suggestion"], truth[i]);
    EXPECT_GE(section["confidence"].get<double>(), 0.5);
  }

  // Without --yes and without a terminal the question is refused and nothing is written.
  const uint8_t before = Cell(0x33);
  EXPECT_EQ(Run({"bid", "--from-scan", bidPage}), 2);
  EXPECT_EQ(Cell(0x33), before);
  ASSERT_EQ(Run({"--yes", "bid", "--from-scan", bidPage}), 0) << Out;
  EXPECT_EQ(static_cast<int8_t>(Cell(0x33)), truth[0]);
  EXPECT_EQ(static_cast<int8_t>(Cell(0x38)), truth[5]);

  // The nozzles, with no printer needed; the wrong page and a missing file are refused.
  ASSERT_EQ(Run({"analyse", "nozzles", checkPage, "--json"}), 0) << Out;
  const nlohmann::json nozzles = nlohmann::json::parse(Out);
  ASSERT_EQ(nozzles["colours"].size(), 6u);
  EXPECT_EQ(nozzles["colours"][5]["name"], "Yellow");
  size_t missing = 0;
  for (const nlohmann::json& colour : nozzles["colours"]) missing += colour["missing"].size();
  EXPECT_EQ(missing, 4u);  // the four clogged nozzles of the head above
  EXPECT_EQ(Run({"analyse", "nozzles", bidPage}), 2);
  EXPECT_EQ(Run({"analyse", "bid", (Dir.Path / "none.png").string(), "--values", "0,0,0,0,0,0"}), 2);
  EXPECT_EQ(Run({"analyse", "bid", bidPage, "--values", "0,0,0"}), 2);
}

// The header of a backup is trusted only as far as its checksum reaches, and never shown raw.
TEST_F(CommandLineTest, ABackupOfTheOtherModelOrWithAnOldHeaderIsNamedBeforeAnythingIsWritten) {
  const std::string file = (Dir.Path / "a.eeprom").string();
  ASSERT_EQ(Run({"--model", "360", "backup", "-o", file}), 0);
  const uint8_t msBlack = Cell(0x33);
  SetCell(0x33, static_cast<uint8_t>(msBlack + 1));

  EXPECT_EQ(Run({"--model", "350", "--yes", "restore", file}), 2);
  EXPECT_NE(Err.find("This backup was taken from an Arvana Print 360; the chosen model is the Arvana Print 350."),
            std::string::npos)
      << Err;
  EXPECT_FALSE(CaptureHasWrites());
  ASSERT_EQ(Run({"--model", "350", "--yes", "restore", file, "--force"}), 0) << Err;
  EXPECT_EQ(Cell(0x33), msBlack);

  // The first format's checksum covers the cells only: the file is used, and the technician told.
  BackupFileCheck check = ReadBackupFile(file);
  ASSERT_TRUE(check.Contents);
  std::string first = FormatBackup(*check.Contents);
  first.replace(0, first.find('\n'), "arvana-eeprom-backup 1");
  char sum[9];
  std::snprintf(sum, sizeof sum, "%08X", CellsOnlyChecksum(check.Contents->Values));
  first.replace(first.find("checksum = ") + 11, 8, sum);
  const std::string old = (Dir.Path / "old.eeprom").string();
  std::ofstream(old) << first;
  SetCell(0x33, static_cast<uint8_t>(msBlack + 1));
  ASSERT_EQ(Run({"--model", "360", "--yes", "restore", old}), 0) << Err;
  EXPECT_NE(Err.find("This file's header is not protected by its checksum."), std::string::npos) << Err;
  EXPECT_EQ(Cell(0x33), msBlack);

  // Terminal codes in the header never reach the terminal.
  std::string hostile = first;
  hostile.replace(hostile.find("model = "), 8, "model = \x1b]0;owned\a\x1b[2J");
  std::ofstream(old, std::ios::trunc) << hostile;
  EXPECT_EQ(Run({"--model", "360", "--yes", "restore", old}), 2);
  EXPECT_NE(Err.find("The file holds characters that are not text: line 2."), std::string::npos) << Err;
  EXPECT_EQ(Err.find('\x1b'), std::string::npos);
}
