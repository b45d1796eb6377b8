#include "tests/app/ProgramFixture.h"

#include <QLineEdit>
#include <QTest>

class IdItemsTest : public ProgramTest {
protected:
  void SetUp() override {
    ProgramTest::SetUp();
    Connect("Arvana Print 360", "LPT1");
    ASSERT_TRUE(Program->Adjust().isVisible());
  }
  void Choose(int adjustRow, const char* list, int row, const char* ok) {
    Adjust(adjustRow);
    AdjustChild<RadioGroup>(list)->Button(row)->click();
    Click(ok);
  }
  std::vector<int> WrittenCells() const {
    std::vector<int> cells;
    for (const Bytes& command : ServiceCommands())
      if (command[0] == 0x42) cells.push_back(command[1]);
    return cells;
  }
};

TEST_F(IdItemsTest, HeadIdIsWrittenShownAndReadBack) {
  Choose(1, "HdVolRdoBtn", 1, "HdVolOKBtn");
  EXPECT_EQ(VisiblePanels(), (std::vector<std::string>{"HdVolWrtPnl"}));
  QLineEdit* edit = AdjustChild<QLineEdit>("HdVolWrtEdit");
  QTest::keyClicks(edit, "azaaaaaaaaaac");  // typed letters become capitals
  EXPECT_EQ(edit->text(), "AZAAAAAAAAAAC");
  Click("HdVolWrtOKBtn");
  EXPECT_EQ(Memo(), "As head actuator voltage, \n\"AZAAAAAAAAAAC\" has been written in EEPROM.");
  EXPECT_EQ(AdjustChild<QLabel>("ShowHdVolIDPnl")->text(), "AZAAAAAAAAAAC");
  EXPECT_EQ(Printer.Eeprom()[0x47], 0x8C);

  Click("HdVolWrtRtnBtn");
  EXPECT_EQ(VisiblePanels(), (std::vector<std::string>{"HdVolPnl"}));
  Row("HdVolRdoBtn", 0);
  Click("HdVolOKBtn");
  EXPECT_EQ(Memo(), "Head voltage ID = AZAAAAAAAAAAC");
}

TEST_F(IdItemsTest, WrongHeadIdIsReportedKeptForCorrectionAndNothingIsWritten) {
  Choose(1, "HdVolRdoBtn", 1, "HdVolOKBtn");
  QLineEdit* edit = AdjustChild<QLineEdit>("HdVolWrtEdit");
  edit->setText("AZAAAAAAAAAAD");
  Click("HdVolWrtOKBtn");
  EXPECT_EQ(Memo(), "Check ID is invalid.");
  EXPECT_EQ(edit->text(), "AZAAAAAAAAAAD");
  EXPECT_TRUE(WrittenCells().empty());

  // Escape on the input panel goes back, as "Previous" does.
  edit->setFocus();
  QTest::keyClick(edit, Qt::Key_Escape);
  EXPECT_EQ(VisiblePanels(), (std::vector<std::string>{"HdVolPnl"}));
  EXPECT_TRUE(edit->text().isEmpty());
}

TEST_F(IdItemsTest, UsbIdIsWrittenWithTheDateOfWriting) {
  Clock.SetLocalTime({2026, 12, 7, 11, 51, 6});
  Adjust(3);
  Program->Adjust().WriteStatus(wsPlain, "earlier text");
  Click("UsbIdOKBtn");
  EXPECT_EQ(Memo(), QString("earlier text"));  // the input panel keeps the message
  QLineEdit* edit = AdjustChild<QLineEdit>("UsbIdInputEdit");
  edit->setText("ABC1234567");
  Click("UsbIdInputOKBtn");
  EXPECT_EQ(Memo(), "USB ID\n\"ABC123456 7RC7BL620\"\n has been written in EEPROM.");
  EXPECT_EQ(AdjustChild<QLabel>("ShowUSBIDLbl")->text(), "ABC123456 7RC7BL620");
  const std::string stored(Printer.Eeprom().begin() + 0x4D, Printer.Eeprom().begin() + 0x5F);
  EXPECT_EQ(stored, "ABC1234567RC7BL620");

  Click("UsbIdInputRtnBtn");
  Choose(3, "UsbIdRdoBtn", 1, "UsbIdOKBtn");
  EXPECT_EQ(Memo(), "USB ID = ABC1234567RC7BL620");
}

TEST_F(IdItemsTest, WrongSerialsAndAnEmptyBoardAreReported) {
  Choose(3, "UsbIdRdoBtn", 0, "UsbIdOKBtn");
  QLineEdit* edit = AdjustChild<QLineEdit>("UsbIdInputEdit");
  for (const auto& [serial, message] : std::vector<std::pair<QString, QString>>{
           {"ABC123456", "The Number of digit is wrong."},
           {"abc1234567", "Parameter is only number & alphabet."},
           {"ABC-234567", "Parameter is only number & alphabet."}}) {
    edit->setText(serial);
    Click("UsbIdInputOKBtn");
    EXPECT_EQ(Memo(), message) << serial.toStdString();
  }
  EXPECT_TRUE(WrittenCells().empty());

  Printer.SetEepromCell(0x4D, 0xFF);
  Click("UsbIdInputRtnBtn");
  Choose(3, "UsbIdRdoBtn", 1, "UsbIdOKBtn");
  EXPECT_EQ(Memo(), "Invalid USB ID");
  int reads = 0;
  for (const Bytes& command : ServiceCommands()) reads += command[0] == 0x41;
  EXPECT_EQ(reads, 1);
}

TEST_F(IdItemsTest, LettersOutsideTheAlphabetAreWrongCharactersNotWrongLengths) {
  Choose(3, "UsbIdRdoBtn", 0, "UsbIdOKBtn");
  AdjustChild<QLineEdit>("UsbIdInputEdit")->setText(QString::fromUtf8("ABC123456\u00C9"));
  Click("UsbIdInputOKBtn");
  EXPECT_EQ(Memo(), "Parameter is only number & alphabet.");

  Click("UsbIdInputRtnBtn");
  Choose(1, "HdVolRdoBtn", 1, "HdVolOKBtn");
  AdjustChild<QLineEdit>("HdVolWrtEdit")->setText(QString::fromUtf8("AZ\u00C9AAAAAAAAAC"));
  Click("HdVolWrtOKBtn");
  EXPECT_EQ(Memo(), "Third Digit is wrong.");
  EXPECT_TRUE(WrittenCells().empty());
}
