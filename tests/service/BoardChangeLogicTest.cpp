// "EEPROM initial setting" and "EEPROM backup data": the values of the old board carried onto a new
// one, the backup file, and restoring from it.
#include "service/BackupFile.h"
#include "tests/service/LogicBench.h"

#include <sys/stat.h>

#include <fstream>

namespace {

constexpr const char* BoardQuestion = "After replacing MAIN Board and turn on power. click the OK button.";

std::string WholeFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

bool IsBackupCell(int cell) { return std::find(BackupSet.begin(), BackupSet.end(), cell) != BackupSet.end(); }

std::vector<int> BackupOrder() { return std::vector<int>(BackupSet.begin(), BackupSet.end()); }

}  // namespace

class BoardChangeLogicTest : public LogicTest {
protected:
  explicit BoardChangeLogicTest(int16_t portIndex = FirstParallelPortIndex) : LogicTest(portIndex) {}

  void SetUp() override {
    LogicTest::SetUp();
    for (int cell = 0; cell < 256; ++cell) Printer.SetEepromCell(static_cast<uint8_t>(cell), static_cast<uint8_t>(cell ^ 0x5A));
    OldBoard = Printer.Eeprom();
  }
  void ExpectOldValuesOnANewBoard() {
    for (int cell = 0; cell < 256; ++cell) {
      EXPECT_EQ(Printer.Eeprom()[cell], IsBackupCell(cell) ? OldBoard[cell] : 0xFF) << "cell " << cell;
    }
  }
  EepromSettingLogic& Setting() { return Bench->EepromSetting; }

  EepromImage::Cells OldBoard{};
};

class BoardChangeOnUsbTest : public BoardChangeLogicTest {
protected:
  BoardChangeOnUsbTest() : BoardChangeLogicTest(0) {}
};

TEST_F(BoardChangeLogicTest, BackupCarriesTheValuesOntoANewBoardAndTouchesNothingElse) {
  Boxes.OnShow = [this](const ShownDialog& box) {
    if (box.Text == BoardQuestion) Printer.ReplaceMainBoard();
  };
  Setting().RunBackup();
  // Read from the old board; the new one read before writing, for the note of the write; read back after.
  std::vector<int> reads = BackupOrder();
  reads.insert(reads.end(), BackupSet.begin(), BackupSet.end());
  reads.insert(reads.end(), BackupSet.begin(), BackupSet.end());
  EXPECT_EQ(ControlEepromAddresses(0x41), reads);
  EXPECT_EQ(ControlEepromAddresses(0x42), BackupOrder());
  ExpectOldValuesOnANewBoard();
  EXPECT_EQ(View.Text, "Writing backup data succeeded.");
  EXPECT_EQ(Boxes.Texts(), (std::vector<std::string>{BoardQuestion}));
  EXPECT_TRUE(Printer.ChannelOpen(0x40));
  EXPECT_FALSE(View.Busy || View.BusyCursor);
}

TEST_F(BoardChangeLogicTest, CancelIsConfirmedAndWritesNothing) {
  Boxes.Answer(DialogAnswer::Cancel);
  Boxes.Answer(DialogAnswer::No);  // keep the values after all
  Boxes.Answer(DialogAnswer::Cancel);
  Boxes.Answer(DialogAnswer::Yes);  // now give them up
  Setting().RunBackup();
  const std::vector<std::string> texts = Boxes.Texts();
  ASSERT_EQ(texts.size(), 4u);
  EXPECT_EQ(texts[0], BoardQuestion);
  EXPECT_EQ(texts[2], BoardQuestion);
  EXPECT_NE(texts[1].find("discarded"), std::string::npos);
  EXPECT_EQ(Boxes.Shown[1].Buttons, DialogButtons::YesNoDefaultNo);  // Enter keeps the values
  EXPECT_TRUE(ControlEepromAddresses(0x42).empty());
  EXPECT_EQ(Printer.Eeprom(), OldBoard);
  // Given up here, the values are still in their file.
  EXPECT_EQ(View.Text.rfind("Saved to " + BackupFolder(), 0), 0u) << View.Text;
  EXPECT_EQ(BackupFiles().size(), 1u);
  EXPECT_TRUE(Printer.ChannelOpen(0x40));
}

TEST_F(BoardChangeLogicTest, FailedWritesAreTriedAgainWithTheSavedValues) {
  int questions = 0;
  Boxes.OnShow = [&](const ShownDialog& box) {
    if (box.Text == BoardQuestion && ++questions == 1) Printer.ReplaceMainBoard();
    if (box.Text == BoardQuestion) Printer.Faults().NoAnswer = false;
  };
  // The printer stops answering in the middle of the first pass of writes.
  Bench->Clock.OnPause = [&](uint32_t) {
    if (questions == 1 && ControlEepromAddresses(0x42).size() == 10) Printer.Faults().NoAnswer = true;
  };
  Setting().RunBackup();
  Bench->Clock.OnPause = nullptr;
  EXPECT_EQ(Boxes.Texts(), (std::vector<std::string>{BoardQuestion, "Writing backup data failed.", BoardQuestion}));
  EXPECT_EQ(View.Text, "Writing backup data succeeded.");
  ExpectOldValuesOnANewBoard();
}

TEST_F(BoardChangeLogicTest, PrinterStillSwitchedOffKeepsTheValuesForAnotherTry) {
  int questions = 0;
  Boxes.OnShow = [&](const ShownDialog& box) {
    if (box.Text != BoardQuestion) return;
    if (++questions == 1) {
      Printer.ReplaceMainBoard();
      Printer.PowerOff();  // the technician has not switched it on yet
    } else {
      Printer.PowerOn();
    }
  };
  Setting().RunBackup();
  EXPECT_EQ(questions, 2);
  EXPECT_EQ(View.Text, "Writing backup data succeeded.");
  EXPECT_EQ(ControlEepromAddresses(0x42), BackupOrder());
  ExpectOldValuesOnANewBoard();
}

TEST_F(BoardChangeLogicTest, NoAnswerBetweenTheQuestionsIsShownInTheMessageArea) {
  int questions = 0;
  std::string textAtSecondQuestion;
  Boxes.OnShow = [&](const ShownDialog& box) {
    if (box.Text != BoardQuestion) return;
    if (++questions == 1) Printer.PowerOff();
    if (questions == 2) textAtSecondQuestion = View.Text;
  };
  Boxes.Answer(DialogAnswer::Ok);
  Boxes.Answer(DialogAnswer::Cancel);
  Boxes.Answer(DialogAnswer::Yes);
  Setting().RunBackup();
  EXPECT_NE(textAtSecondQuestion.find("does not answer"), std::string::npos);
  EXPECT_TRUE(ControlEepromAddresses(0x42).empty());
  EXPECT_EQ(Bench->Core.Status.ErrorCode, ErrorCommunication);
  EXPECT_NE(View.Text.find("does not answer"), std::string::npos);
  EXPECT_EQ(Bench->End.EndCount, 0);
}

TEST_F(BoardChangeLogicTest, UnreadableOldBoardEndsTheItemWithoutChange) {
  Bench->Clock.OnPause = [&](uint32_t) {
    if (ControlEepromAddresses(0x41).size() == 5) Printer.Faults().NoAnswer = true;
  };
  Setting().RunBackup();
  Bench->Clock.OnPause = nullptr;
  EXPECT_EQ(Boxes.Texts(), (std::vector<std::string>{"Reading EEPROM data failed."}));
  EXPECT_TRUE(ControlEepromAddresses(0x42).empty());
  EXPECT_TRUE(Printer.InPacketMode());  // the link was never shut down
}

TEST_F(BoardChangeLogicTest, InitialSettingWritesTheModelValues) {
  for (const uint16_t model : {ModelCode350, ModelCode360}) {
    SCOPED_TRACE(ModelName(model));
    Bench->Choice.ModelCode = model;  // asked afresh on every use
    const size_t before = ControlEepromAddresses(0x42).size();
    Setting().WriteInitialSetting();
    const std::vector<int> writes = ControlEepromAddresses(0x42);
    EXPECT_EQ(std::vector<int>(writes.begin() + static_cast<long>(before), writes.end()),
              (std::vector<int>{0x3A, 0x3C, 0x5F}));
    EXPECT_EQ(Printer.Eeprom()[0x3A], 0x03);
    EXPECT_EQ(Printer.Eeprom()[0x3C], 0x99);
    EXPECT_EQ(Printer.Eeprom()[0x5F], model == ModelCode360 ? 0x10 : 0x00);
    EXPECT_EQ(View.Text, std::string("The initial setting value of  \"") + ModelName(model) +
                             "\"\nhas been written in the EEPROM");
  }
}

TEST_F(BoardChangeOnUsbTest, TheBoardsValuesSurviveAPrinterThatIsNotSwitchedOnYet) {
  int questions = 0;
  std::string fileAtFirstQuestion;
  Boxes.OnShow = [&](const ShownDialog& box) {
    if (box.Text != BoardQuestion) return;
    ++questions;
    if (questions == 1) {
      const std::vector<std::filesystem::path> files = BackupFiles();
      if (files.size() == 1) fileAtFirstQuestion = WholeFile(files[0]);
      Printer.ReplaceMainBoard();
      Printer.PowerOff();  // forgotten: the USB device is not there
    }
    if (questions == 3) Printer.PowerOn();
  };
  Setting().RunBackup();

  // The file was there before the question, with every value of the old board.
  const BackupFileCheck saved = ParseBackup(fileAtFirstQuestion);
  ASSERT_TRUE(saved.Contents) << saved.Problem;
  for (size_t i = 0; i < BackupSet.size(); ++i) EXPECT_EQ(saved.Contents->Values[i], OldBoard[BackupSet[i]]);
  EXPECT_EQ(saved.Contents->Header.Model, "Arvana Print 360");
  EXPECT_EQ(saved.Contents->Header.Port, "VLUSB1:");

  // The missing device led back to the question; the third OK wrote everything and read it back.
  EXPECT_EQ(questions, 3);
  EXPECT_EQ(Bench->End.EndCount, 0);
  EXPECT_EQ(View.Text, "Writing backup data succeeded.");
  ExpectOldValuesOnANewBoard();
  const std::vector<std::filesystem::path> files = BackupFiles();
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(WholeFile(files[0]), fileAtFirstQuestion);  // intact
  EXPECT_EQ(files[0].filename().string().substr(16, 4), "360-");
}

TEST_F(BoardChangeLogicTest, AnItemStartedAgainRestoresTheValuesFromTheFile) {
  // Cancel and give the values up: only the file keeps them now.
  Boxes.Answer(DialogAnswer::Cancel);
  Boxes.Answer(DialogAnswer::Yes);
  Setting().RunBackup();
  const std::vector<std::filesystem::path> files = BackupFiles();
  ASSERT_EQ(files.size(), 1u);

  // The next day: the link shut down, a new board, connected again, and the item without anything it read before.
  Bench->Core.Comm.ShutDownLink({});
  Printer.ReplaceMainBoard();
  Printer.ClearProtocolViolations();
  ASSERT_TRUE(Bench->Connect());
  Boxes.Shown.clear();
  EepromSettingLogic afresh(View, Bench->Core.Comm, Bench->Choice, Bench->Choice, Boxes, Bench->Clock, Bench->Core.Guard);
  Boxes.ChosenFile = files[0].string();
  afresh.RestoreFromFile();
  EXPECT_EQ(Boxes.FileDialogFolders, (std::vector<std::string>{BackupFolder()}));
  ASSERT_EQ(Boxes.Shown.size(), 1u) << testing::PrintToString(Boxes.Texts());
  const std::string& confirmation = Boxes.Shown[0].Text;
  EXPECT_NE(confirmation.find("Model: Arvana Print 360"), std::string::npos);
  EXPECT_NE(confirmation.find("Address 0A: now FF, from file 50"), std::string::npos) << confirmation;
  EXPECT_EQ(View.Text, "Writing backup data succeeded.");
  ExpectOldValuesOnANewBoard();
}

TEST_F(BoardChangeLogicTest, ABadFileIsRefusedAndNothingReachesThePrinter) {
  BackupValues values{};
  const std::string good = FormatBackup(DescribeBackup(values, ModelCode360, "LPT1:", {2026, 12, 8, 9, 0, 0}));
  std::filesystem::create_directories(BackupFolder());
  const std::filesystem::path file = std::filesystem::path(BackupFolder()) / "bad.eeprom";
  // Every kind of damage has its own reason (see the backup file's tests); here, that nothing is written.
  const struct {
    const char* Name;
    std::string Text;
    bool Folder;
  } cases[] = {{"truncated", good.substr(0, good.size() / 2), false}, {"a folder in its place", "", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    std::filesystem::remove_all(file);
    if (c.Folder) {
      std::filesystem::create_directories(file);
    } else {
      std::ofstream(file, std::ios::binary) << c.Text;
    }
    Boxes.ChosenFile = file.string();
    Setting().RestoreFromFile();
    const std::string ending = " Nothing was written to the printer.";
    EXPECT_TRUE(View.Text.size() > ending.size() && View.Text.substr(View.Text.size() - ending.size()) == ending)
        << View.Text;
    EXPECT_TRUE(Boxes.Shown.empty());
  }
  // Choosing no file does nothing at all.
  Boxes.ChosenFile.clear();
  const size_t blocks = captured::HostBlocks(Printer).size();
  Setting().RestoreFromFile();
  EXPECT_EQ(captured::HostBlocks(Printer).size(), blocks);

  // A FIFO would keep the item waiting for a writer that never comes.
  std::filesystem::remove_all(file);
  ASSERT_EQ(mkfifo(file.c_str(), 0644), 0);
  Boxes.ChosenFile = file.string();
  Setting().RestoreFromFile();
  EXPECT_NE(View.Text.find("a FIFO, not a regular file"), std::string::npos) << View.Text;
  EXPECT_TRUE(Boxes.Shown.empty());

  // A file of the other model is used only when the technician says so; Enter says no.
  std::filesystem::remove_all(file);
  std::ofstream(file) << FormatBackup(DescribeBackup(values, ModelCode350, "LPT1:", {2026, 12, 8, 9, 0, 0}));
  Setting().RestoreFromFile();
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Boxes.Shown[0].Buttons, DialogButtons::YesNoDefaultNo);
  EXPECT_EQ(View.Text, "This backup was taken from an Arvana Print 350; the chosen model is the Arvana Print 360.\n"
                       "Nothing was written to the printer.");
  EXPECT_TRUE(ControlEepromAddresses(0x42).empty());
  Boxes.Shown.clear();
  Boxes.Answer(DialogAnswer::Yes);
  Boxes.Answer(DialogAnswer::Ok);
  Setting().RestoreFromFile();
  ASSERT_EQ(Boxes.Shown.size(), 2u);
  EXPECT_EQ(View.Text, "Writing backup data succeeded.");
  EXPECT_FALSE(ControlEepromAddresses(0x42).empty());
}
