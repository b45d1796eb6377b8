// Always a way out: giving a backup up, closing with the printer off or in error, the busy cursor meanwhile.
#include "service/BackupFile.h"
#include "tests/app/ProgramFixture.h"

#include <QGuiApplication>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

constexpr const char* Question = "After replacing MAIN Board and turn on power. click the OK button.";

std::vector<fs::path> BackupFiles() {
  std::vector<fs::path> files;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(BackupFolder(), error)) files.push_back(entry.path());
  return files;
}

class NothingLostTest : public ProgramTest {
protected:
  void SetUp() override {
    ProgramTest::SetUp();
    fs::remove_all(BackupFolder());
  }
};

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
