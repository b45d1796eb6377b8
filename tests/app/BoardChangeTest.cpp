#include "items/EepromSettingItem.h"
#include "tests/app/ProgramFixture.h"

class BoardChangeTest : public ProgramTest {
protected:
  void SetUp() override {
    ProgramTest::SetUp();
    Connect("Arvana Print 360", "LPT1");
    ASSERT_TRUE(Program->Adjust().isVisible());
    for (int cell = 0; cell < 256; ++cell) Printer.SetEepromCell(static_cast<uint8_t>(cell), static_cast<uint8_t>(cell ^ 0x5A));
    OldBoard = Printer.Eeprom();
  }
  void StartBackup() {
    AdjustChild<RadioGroup>("MentRdoGrp")->Button(5)->click();
    Click("BackupOKBtn");
  }
  bool IsBackupCell(int cell) const {
    return std::find(BackupSet.begin(), BackupSet.end(), cell) != BackupSet.end();
  }
  std::vector<int> BackupOrder() const { return std::vector<int>(BackupSet.begin(), BackupSet.end()); }
  static constexpr const char* Question = "After replacing MAIN Board and turn on power. click the OK button.";
  std::array<uint8_t, 256> OldBoard{};
};

TEST_F(BoardChangeTest, BackupCarriesTheValuesOntoANewBoardAndTouchesNothingElse) {
  Boxes.OnShow = [this](const ShownDialog& box) {
    if (box.Text == Question) Printer.ReplaceMainBoard();
  };
  StartBackup();
  // Read from the old board; the new one read before writing, for the note of the write; read back after.
  std::vector<int> reads = BackupOrder();
  reads.insert(reads.end(), BackupSet.begin(), BackupSet.end());
  reads.insert(reads.end(), BackupSet.begin(), BackupSet.end());
  EXPECT_EQ(ControlEepromAddresses(0x41), reads);
  EXPECT_EQ(ControlEepromAddresses(0x42), BackupOrder());
  for (int cell = 0; cell < 256; ++cell) {
    EXPECT_EQ(Printer.Eeprom()[cell], IsBackupCell(cell) ? OldBoard[cell] : 0xFF) << "cell " << cell;
  }
  EXPECT_EQ(Memo(), "Writing backup data succeeded.");
  EXPECT_EQ(Boxes.Texts(), (std::vector<std::string>{Question}));
  EXPECT_TRUE(Printer.ChannelOpen(0x40));
  EXPECT_EQ(Program->Adjust().cursor().shape(), Qt::ArrowCursor);
}

TEST_F(BoardChangeTest, CancelIsConfirmedAndWritesNothing) {
  Boxes.Answer(DialogAnswer::Cancel);
  Boxes.Answer(DialogAnswer::No);   // keep the values after all
  Boxes.Answer(DialogAnswer::Cancel);
  Boxes.Answer(DialogAnswer::Yes);  // now give them up
  StartBackup();
  const std::vector<std::string> texts = Boxes.Texts();
  ASSERT_EQ(texts.size(), 4u);
  EXPECT_EQ(texts[0], Question);
  EXPECT_EQ(texts[2], Question);
  EXPECT_NE(texts[1].find("discarded"), std::string::npos);
  EXPECT_TRUE(ControlEepromAddresses(0x42).empty());
  EXPECT_EQ(Printer.Eeprom(), OldBoard);
  // Given up here, the values are still in their file.
  EXPECT_TRUE(Memo().startsWith("Saved to " + QString::fromStdString(BackupFolder()))) << Memo().toStdString();
  EXPECT_TRUE(Printer.ChannelOpen(0x40));
}

TEST_F(BoardChangeTest, FailedWritesAreTriedAgainWithTheSavedValues) {
  int questions = 0;
  Boxes.OnShow = [&](const ShownDialog& box) {
    if (box.Text == Question && ++questions == 1) Printer.ReplaceMainBoard();
    if (box.Text == Question) Printer.Faults().NoAnswer = false;
  };
  // The printer stops answering in the middle of the first pass of writes.
  Clock.OnPause = [&](uint32_t) {
    if (questions == 1 && ControlEepromAddresses(0x42).size() == 10) Printer.Faults().NoAnswer = true;
  };
  StartBackup();
  Clock.OnPause = nullptr;
  EXPECT_EQ(Boxes.Texts(), (std::vector<std::string>{Question, "Writing backup data failed.", Question}));
  EXPECT_EQ(Memo(), "Writing backup data succeeded.");
  for (int cell = 0; cell < 256; ++cell) {
    EXPECT_EQ(Printer.Eeprom()[cell], IsBackupCell(cell) ? OldBoard[cell] : 0xFF) << "cell " << cell;
  }
}

TEST_F(BoardChangeTest, PrinterStillSwitchedOffKeepsTheValuesForAnotherTry) {
  int questions = 0;
  Boxes.OnShow = [&](const ShownDialog& box) {
    if (box.Text != Question) return;
    if (++questions == 1) {
      Printer.ReplaceMainBoard();
      Printer.PowerOff();  // the technician has not switched it on yet
    } else {
      Printer.PowerOn();
    }
  };
  StartBackup();
  EXPECT_EQ(questions, 2);
  EXPECT_EQ(Memo(), "Writing backup data succeeded.");
  EXPECT_EQ(ControlEepromAddresses(0x42), BackupOrder());
  for (int cell = 0; cell < 256; ++cell) {
    EXPECT_EQ(Printer.Eeprom()[cell], IsBackupCell(cell) ? OldBoard[cell] : 0xFF) << "cell " << cell;
  }
}

TEST_F(BoardChangeTest, NoAnswerBetweenTheQuestionsIsShownInTheMessageArea) {
  int questions = 0;
  std::string memoAtSecondQuestion;
  Boxes.OnShow = [&](const ShownDialog& box) {
    if (box.Text != Question) return;
    if (++questions == 1) Printer.PowerOff();
    if (questions == 2) memoAtSecondQuestion = Memo().toStdString();
  };
  Boxes.Answer(DialogAnswer::Ok);
  Boxes.Answer(DialogAnswer::Cancel);
  Boxes.Answer(DialogAnswer::Yes);
  StartBackup();
  EXPECT_NE(memoAtSecondQuestion.find("does not answer"), std::string::npos);
  EXPECT_TRUE(ControlEepromAddresses(0x42).empty());
  EXPECT_EQ(Program->Status.ErrorCode, ErrorCommunication);
  EXPECT_NE(Memo().toStdString().find("does not answer"), std::string::npos);
}

TEST_F(BoardChangeTest, UnreadableOldBoardEndsTheItemWithoutChange) {
  Clock.OnPause = [&](uint32_t) {
    if (ControlEepromAddresses(0x41).size() == 5) Printer.Faults().NoAnswer = true;
  };
  StartBackup();
  Clock.OnPause = nullptr;
  EXPECT_EQ(Boxes.Texts(), (std::vector<std::string>{"Reading EEPROM data failed."}));
  EXPECT_TRUE(ControlEepromAddresses(0x42).empty());
  EXPECT_TRUE(Printer.InPacketMode());  // the link was never shut down
}

TEST_F(BoardChangeTest, InitialSettingWritesTheModelValues) {
  for (const char* model : {"Arvana Print 350", "Arvana Print 360"}) {
    SCOPED_TRACE(model);
    // The start window is asked afresh; choosing a model refills the interface list.
    ModelCombo()->setCurrentIndex(ModelCombo()->findText(model));
    PortCombo()->setCurrentIndex(PortCombo()->findText("LPT1"));
    const size_t before = ControlEepromAddresses(0x42).size();
    AdjustChild<RadioGroup>("AdjustRdoGrp")->Button(0)->click();
    Click("DefaultSetBtn");
    const std::vector<int> writes = ControlEepromAddresses(0x42);
    EXPECT_EQ(std::vector<int>(writes.begin() + static_cast<long>(before), writes.end()),
              (std::vector<int>{0x3A, 0x3C, 0x5F}));
    EXPECT_EQ(Printer.Eeprom()[0x3A], 0x03);
    EXPECT_EQ(Printer.Eeprom()[0x3C], 0x99);
    EXPECT_EQ(Printer.Eeprom()[0x5F], std::string(model) == "Arvana Print 360" ? 0x10 : 0x00);
    EXPECT_EQ(Memo(), QString("The initial setting value of  \"%1\"\nhas been written in the EEPROM").arg(model));
  }
}
