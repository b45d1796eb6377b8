// What arvana-service says when the printer misbehaves: every line under the program's name, each
// reason said once, and no claim (a value written, a printer initializing) the printer does not bear out.
#include "tests/cli/CapturedRun.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace truthful_messages {

namespace fs = std::filesystem;

namespace {

size_t Occurrences(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++count;
  return count;
}

class TruthfulMessagesTest : public SimulatorCommandTest {
protected:
  void SetFaults(const std::string& text) { std::ofstream(Dir.Path / "vp/faults.conf", std::ios::trunc) << text; }
  std::string Image() { return ReadFile(Dir.Path / "vp/eeprom.bin"); }
  size_t Notes() {
    std::error_code error;
    const fs::directory_iterator notes(Dir.Path / "state/arvana-adjust/unfinished", error);
    return error ? 0 : static_cast<size_t>(std::distance(notes, fs::directory_iterator()));
  }
  void ExpectEveryLineNamed() {
    std::istringstream lines(Err);
    for (std::string line; std::getline(lines, line);) EXPECT_EQ(line.rfind("arvana-service: ", 0), 0u) << line;
  }
  std::string Backup() {
    const std::string file = (Dir.Path / "board.eeprom").string();
    EXPECT_EQ(Run({"backup", "-o", file, "--model", "360"}), 0) << Err;
    return file;
  }
};

}  // namespace

TEST_F(TruthfulMessagesTest, ABusyPrinterStoresNothingOnEitherChannelAndIsNotSaidToInitialize) {
  ASSERT_EQ(Run({"status"}), 0) << Err;
  const std::string before = Image();
  SetFaults("busy-ack = on\n");
  // Bi-D values and head IDs go on the data channel, without an answer: the read-back tells.
  EXPECT_EQ(Run({"bid", "--write", "ms-black=5"}), 3) << Err;
  EXPECT_EQ(Err.find("has been written"), std::string::npos) << Err;
  EXPECT_EQ(Run({"head-id", "--write", "B1BCDEFABCABY"}), 3) << Err;
  EXPECT_EQ(Err.find("has been written"), std::string::npos) << Err;
  EXPECT_EQ(Image(), before);
  // The read-back found every old value: nothing of either write is left to finish.
  EXPECT_EQ(Notes(), 0u);
  // The reset that ends the run was refused: no wait for an initialization that does not come.
  EXPECT_EQ(Err.find("Initializing the printer"), std::string::npos) << Err;
  EXPECT_NE(Err.find("arvana-service: warning: The printer answered the reset with busy: it was not reset."),
            std::string::npos)
      << Err;
  SetFaults("busy-ack = off\n");
  ASSERT_EQ(Run({"bid", "--write", "ms-black=5"}), 0) << Err;
  EXPECT_NE(Err.find("arvana-service: Initializing the printer: about 15 seconds."), std::string::npos) << Err;
}

TEST_F(TruthfulMessagesTest, FaultsOfThePortAndOfTheRepliesAreSaidOnceUnderTheProgramsName) {
  ASSERT_EQ(Run({"status"}), 0) << Err;  // the printer's folder, for its faults file
  SetFaults("power = off\n");
  EXPECT_EQ(Run({"--port", "VLUSB1", "status"}), 1);
  EXPECT_NE(Err.find("arvana-service: VLUSB1: no USB printer is found under this name; is it switched on and connected?"),
            std::string::npos)
      << Err;
  ExpectEveryLineNamed();

  // Six sections read their value and get a reply cut short: the reason once, not "error" six times.
  SetFaults("short-eeprom-reply = on\n");
  EXPECT_EQ(Run({"print", "bid"}), 1) << Err;  // values that could not be read
  EXPECT_EQ(Err.find("error: error"), std::string::npos) << Err;
  EXPECT_EQ(Occurrences(Err, "The printer's answer to an EEPROM read was"), 1u) << Err;
  EXPECT_EQ(Occurrences(Err, "could not be read: its section has no candidates"), 6u) << Err;
  ExpectEveryLineNamed();
}

TEST_F(TruthfulMessagesTest, MessagesReadAsOneLineAndNameAFileOnce) {
  ASSERT_EQ(Run({"first-dot", "--write", "5"}), 0) << Err;
  EXPECT_NE(Err.find("arvana-service: As first dot position value, \"5\" has been written in the EEPROM\n"),
            std::string::npos)
      << Err;
  const std::string file = Backup();
  EXPECT_EQ(Run({"diff", "/dev/zero", file}), 2);
  EXPECT_EQ(Occurrences(Err, "/dev/zero"), 1u) << Err;
  EXPECT_EQ(Run({"diff", file, "/dev/zero"}), 2);
  EXPECT_EQ(Occurrences(Err, "/dev/zero"), 1u) << Err;
  // A file that is read but refused is named, as its reason does not name it.
  std::ofstream(Dir.Path / "empty.eeprom").flush();
  EXPECT_EQ(Run({"diff", (Dir.Path / "empty.eeprom").string(), file}), 2);
  EXPECT_NE(Err.find("empty.eeprom: The backup file is empty."), std::string::npos) << Err;
}

TEST_F(TruthfulMessagesTest, ARestoreWritesNothingOverValuesItCannotReadAndLeavesNoNoteWhenRefused) {
  const std::string file = Backup();
  ASSERT_EQ(Run({"bid", "--write", "ms-black=3"}), 0) << Err;  // one cell the restore would change
  const std::string before = Image();
  SetFaults("short-eeprom-reply = on\n");
  EXPECT_EQ(Run({"--model", "360", "restore", file, "--dry-run"}), 1);
  EXPECT_EQ(Out, "");
  EXPECT_NE(Err.find("69 of 69 cells could not be read from the printer"), std::string::npos) << Err;
  EXPECT_EQ(Run({"--model", "360", "--yes", "restore", file}), 1);
  EXPECT_NE(Err.find("Nothing was written to the printer."), std::string::npos) << Err;
  EXPECT_EQ(Image(), before);
  EXPECT_EQ(Notes(), 0u);
  // One cell unreadable is enough to refuse.
  SetFaults("short-eeprom-reply = on\neeprom-fault-cell = 40\n");
  EXPECT_EQ(Run({"--model", "360", "--yes", "restore", file}), 1);
  EXPECT_NE(Err.find("1 of 69 cells could not be read"), std::string::npos) << Err;
  EXPECT_EQ(Image(), before);

  // Refused as busy from the first cell on, the restore changed nothing and leaves nothing to finish.
  SetFaults("busy-ack = on\n");
  EXPECT_EQ(Run({"--model", "360", "--yes", "restore", file}), 3) << Err;
  EXPECT_EQ(Image(), before);
  EXPECT_EQ(Notes(), 0u);
  EXPECT_EQ(Err.find("A write did not finish"), std::string::npos) << Err;
}

}  // namespace truthful_messages
