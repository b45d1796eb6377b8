// Nothing lost, always a way out: the backup file, restoring from it, and closing with the printer off.
#include "service/BackupFile.h"
#include "tests/app/ProgramFixture.h"

#include <QGuiApplication>
#include <QTabWidget>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

constexpr const char* Question = "After replacing MAIN Board and turn on power. click the OK button.";
constexpr const char* Discard =
    "The EEPROM data read from the old MAIN board will be discarded.\nDo you want to cancel the backup?";

std::vector<fs::path> BackupFiles() {
  std::vector<fs::path> files;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(BackupFolder(), error)) files.push_back(entry.path());
  return files;
}

std::string FileText(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

class NothingLostTest : public ProgramTest {
protected:
  void SetUp() override {
    ProgramTest::SetUp();
    fs::remove_all(BackupFolder());
  }
  void Maintenance(int row) {
    AdjustChild<QTabWidget>("AdjustmentTab")->setCurrentIndex(1);
    AdjustChild<RadioGroup>("MentRdoGrp")->Button(row)->click();
  }
  EepromImage::Cells OldBoard() {
    EepromImage::Cells cells{};
    for (int cell = 0; cell < 256; ++cell) cells[cell] = static_cast<uint8_t>(cell ^ 0x5A);
    return cells;
  }
  void PutOldBoard() {
    const EepromImage::Cells cells = OldBoard();
    for (int cell = 0; cell < 256; ++cell) Printer.SetEepromCell(static_cast<uint8_t>(cell), cells[cell]);
  }
  bool HoldsOldBoardValues() {
    const EepromImage::Cells old = OldBoard();
    for (uint8_t cell : BackupSet)
      if (Printer.Eeprom()[cell] != old[cell]) return false;
    return true;
  }
};

TEST_F(NothingLostTest, TheBoardsValuesSurviveAPrinterThatIsNotSwitchedOnYet) {
  Connect("Arvana Print 360", "VLUSB1");
  PutOldBoard();
  int questions = 0;
  std::string fileAtFirstQuestion;
  Boxes.OnShow = [&](const ShownDialog& box) {
    if (box.Text != Question) return;
    ++questions;
    if (questions == 1) {
      const std::vector<fs::path> files = BackupFiles();
      if (files.size() == 1) fileAtFirstQuestion = FileText(files[0]);
      Printer.ReplaceMainBoard();
      Printer.PowerOff();  // forgotten: the USB device is not there
    }
    if (questions == 3) Printer.PowerOn();
  };
  Maintenance(5);
  Click("BackupOKBtn");

  // The file was there before the question, with every value of the old board.
  const BackupFileCheck saved = ParseBackup(fileAtFirstQuestion);
  ASSERT_TRUE(saved.Contents) << saved.Problem;
  const EepromImage::Cells old = OldBoard();
  for (size_t i = 0; i < BackupSet.size(); ++i) EXPECT_EQ(saved.Contents->Values[i], old[BackupSet[i]]);
  EXPECT_EQ(saved.Contents->Header.Model, "Arvana Print 360");
  EXPECT_EQ(saved.Contents->Header.Port, "VLUSB1:");

  // The missing device led back to the question; the third OK wrote everything and read it back.
  EXPECT_EQ(questions, 3);
  EXPECT_EQ(End.EndCount, 0);
  EXPECT_EQ(Memo(), "Writing backup data succeeded.");
  EXPECT_TRUE(HoldsOldBoardValues());
  const std::vector<fs::path> files = BackupFiles();
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(FileText(files[0]), fileAtFirstQuestion);  // intact
  EXPECT_EQ(files[0].filename().string().substr(16, 4), "360-");
}

TEST_F(NothingLostTest, AProgramStartedAgainRestoresTheValuesFromTheFile) {
  Connect("Arvana Print 360", "LPT1");
  PutOldBoard();
  // Cancel and give the values up: only the file keeps them now.
  Boxes.Answer(DialogAnswer::Cancel);
  Boxes.Answer(DialogAnswer::Yes);
  Maintenance(5);
  Click("BackupOKBtn");
  const std::vector<fs::path> files = BackupFiles();
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(Boxes.Shown[1].Buttons, DialogButtons::YesNoDefaultNo);  // Enter keeps the values
  Program.reset();

  // The next day: a new board and a program started afresh.
  Printer.ReplaceMainBoard();
  Printer.ClearProtocolViolations();
  Boxes.Shown.clear();
  Program = std::make_unique<ArvanaProgram>(ProgramServices{Clock, Boxes, End, Ports});
  Program->Start();
  Connect("Arvana Print 360", "LPT1");
  Maintenance(5);
  Boxes.ChosenFile = files[0].string();
  Click("BackupFileBtn");
  EXPECT_EQ(Boxes.FileDialogFolders, (std::vector<std::string>{BackupFolder()}));
  ASSERT_EQ(Boxes.Shown.size(), 1u) << testing::PrintToString(Boxes.Texts());
  const std::string& confirmation = Boxes.Shown[0].Text;
  EXPECT_NE(confirmation.find("Model: Arvana Print 360"), std::string::npos);
  EXPECT_NE(confirmation.find("Address 0A: now FF, from file 50"), std::string::npos) << confirmation;
  EXPECT_EQ(Memo(), "Writing backup data succeeded.");
  EXPECT_TRUE(HoldsOldBoardValues());
  EXPECT_EQ(Printer.Eeprom()[0x00], 0xFF);  // nothing outside the backup
}

TEST_F(NothingLostTest, ABadFileIsRefusedAndNothingReachesThePrinter) {
  Connect("Arvana Print 360", "LPT1");
  BackupValues values{};
  const std::string good = FormatBackup(DescribeBackup(values, ModelCode360, "LPT1:", {2026, 12, 8, 9, 0, 0}));
  const auto replaced = [](std::string text, const std::string& from, const std::string& to) {
    return text.replace(text.find(from), from.size(), to);
  };
  fs::create_directories(BackupFolder());
  const fs::path file = fs::path(BackupFolder()) / "bad.eeprom";
  const struct {
    const char* Name;
    std::string Text;
    bool Folder;
  } cases[] = {
      {"truncated", good.substr(0, good.size() / 2), false},
      {"edited", good.substr(0, good.find("\n0B = 00")) + "\n0B = 01" + good.substr(good.find("\n0B = 00") + 8), false},
      {"another version", "arvana-eeprom-backup 9\n" + good.substr(good.find('\n') + 1), false},
      {"empty", "", false},
      {"a folder in its place", "", true},
      {"terminal codes in its header", replaced(good, "model = ", "model = \x1b[2J"), false},
  };
  Maintenance(5);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    fs::remove_all(file);
    if (c.Folder) {
      fs::create_directories(file);
    } else {
      std::ofstream(file, std::ios::binary) << c.Text;
    }
    Boxes.ChosenFile = file.string();
    Click("BackupFileBtn");
    EXPECT_TRUE(Memo().endsWith(" Nothing was written to the printer.")) << Memo().toStdString();
    EXPECT_TRUE(Boxes.Shown.empty());
  }
  // Choosing no file does nothing at all.
  Boxes.ChosenFile.clear();
  const size_t blocks = HostBlocks().size();
  Click("BackupFileBtn");
  EXPECT_EQ(HostBlocks().size(), blocks);

  // A FIFO would keep the window waiting for a writer that never comes.
  fs::remove_all(file);
  ASSERT_EQ(mkfifo(file.c_str(), 0644), 0);
  Boxes.ChosenFile = file.string();
  Click("BackupFileBtn");
  EXPECT_NE(Memo().toStdString().find("a FIFO, not a regular file"), std::string::npos) << Memo().toStdString();
  EXPECT_TRUE(Boxes.Shown.empty());

  // A file of the other model is used only when the technician says so; Enter says no.
  fs::remove_all(file);
  std::ofstream(file) << FormatBackup(DescribeBackup(values, ModelCode350, "LPT1:", {2026, 12, 8, 9, 0, 0}));
  Click("BackupFileBtn");
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Boxes.Shown[0].Buttons, DialogButtons::YesNoDefaultNo);
  EXPECT_EQ(Memo(), "This backup was taken from an Arvana Print 350; the chosen model is the Arvana Print 360.\n"
                    "Nothing was written to the printer.");
  EXPECT_TRUE(ControlEepromAddresses(0x42).empty());
  Boxes.Shown.clear();
  Boxes.Answer(DialogAnswer::Yes);
  Boxes.Answer(DialogAnswer::Ok);
  Click("BackupFileBtn");
  ASSERT_EQ(Boxes.Shown.size(), 2u);
  EXPECT_EQ(Memo(), "Writing backup data succeeded.");
  EXPECT_FALSE(ControlEepromAddresses(0x42).empty());
}

TEST_F(NothingLostTest, GivingUpWhileThePrinterIsStillOffLeavesTheProgramAliveAndClosable) {
  Connect("Arvana Print 360", "VLUSB1");
  Boxes.OnShow = [&](const ShownDialog& box) {
    if (box.Text == Question) Printer.PowerOff();
  };
  Boxes.Answer(DialogAnswer::Cancel);
  Boxes.Answer(DialogAnswer::Yes);
  Maintenance(5);
  Click("BackupOKBtn");
  EXPECT_EQ(End.EndCount, 0);
  EXPECT_TRUE(Memo().startsWith("The printer does not answer.")) << Memo().toStdString();
  EXPECT_NE(Memo().indexOf("Saved to "), -1);
  EXPECT_EQ(BackupFiles().size(), 1u);
  Boxes.OnShow = nullptr;
  AnswerNextModal("QuitBtn");
  Click("AdjustRtnBtn");
  EXPECT_EQ(End.EndCount, 0);
  EXPECT_FALSE(Program->Adjust().isVisible());
}

TEST_F(NothingLostTest, ClosingWithThePrinterOffReachesTheContinueWindow) {
  Connect("Arvana Print 360", "VLUSB1");
  Printer.PowerOff();
  AnswerNextModal("QuitBtn");
  Click("AdjustRtnBtn");
  EXPECT_EQ(End.EndCount, 0);
  EXPECT_FALSE(Program->Driver.IsOpen());
  EXPECT_FALSE(Program->Adjust().isVisible());
  EXPECT_FALSE(Program->Boot().isVisible());  // "Quit" closed the start window: the program ends normally
  EXPECT_EQ(Boxes.Texts(), (std::vector<std::string>{
                               "This program starts to initialize the printer.\nPlease wait about 15 seconds."}));
  EXPECT_EQ(std::count(Clock.Pauses().begin(), Clock.Pauses().end(), 10000u), 0);  // no wait for a reset never taken
}

TEST_F(NothingLostTest, TheBusyCursorCoversTheProgramWhileTheWindowWaits) {
  Connect("Arvana Print 360", "LPT1");
  for (bool fails : {false, true}) {
    SCOPED_TRACE(fails ? "printer error" : "ready");
    bool overrideDuringWait = false;
    Clock.OnPause = [&](uint32_t ms) {
      if (ms != 2000) return;
      overrideDuringWait = QGuiApplication::overrideCursor() != nullptr &&
                           QGuiApplication::overrideCursor()->shape() == Qt::WaitCursor;
      if (fails) Printer.Faults().PrinterError = 4;
    };
    Maintenance(0);
    Click("CleaningOKBtn");
    Clock.OnPause = nullptr;
    EXPECT_TRUE(overrideDuringWait);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(Memo(), fails ? "Printer is error." : "Head cleaning is completed.");
  }
}

TEST_F(NothingLostTest, AnExchangeStuckInErrorCanBeClosedAndTheNextVisitResets) {
  Connect("Arvana Print 360", "LPT1");
  Maintenance(2);
  Click("MessageOKBtn");
  Click("CRmoveBtn");
  Printer.Faults().PrinterError = 4;
  Click("CRreturnBtn");
  EXPECT_EQ(Memo(), "Printer is error.");
  EXPECT_TRUE(AdjustChild<QWidget>("AdjustRtnBtn")->isEnabled());
  EXPECT_FALSE(AdjustChild<QWidget>("MentRdoGrp")->isEnabled());  // the chain's own controls stay as they are
  Printer.Faults().PrinterError.reset();
  AnswerNextModal("NextBtn");
  Program->Adjust().close();
  EXPECT_FALSE(Program->Adjust().isVisible());
  EXPECT_TRUE(Program->Boot().isVisible());

  // A visit that skipped its reset does not pass the skip on to the next one.
  Connect("Arvana Print 360", "LPT1");
  Program->Adjust().SkipResetOnClose = true;
  AnswerNextModal("NextBtn");
  Click("AdjustRtnBtn");
  Connect("Arvana Print 360", "LPT1");
  const size_t before = HostBlocks().size();
  AnswerNextModal("NextBtn");
  Click("AdjustRtnBtn");
  const std::vector<Bytes> blocks = HostBlocks();
  EXPECT_NE(std::find(blocks.begin() + static_cast<long>(before), blocks.end(),
                      Bytes{0x02, 0x02, 0x00, 0x0B, 0x00, 0x00, 'r', 's', 1, 0, 1}),
            blocks.end());
}

}  // namespace
