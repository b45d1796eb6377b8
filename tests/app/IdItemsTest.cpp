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
    Row(list, row);
    Click(ok);
  }
};

TEST_F(IdItemsTest, HeadIdIsTypedInCapitalsAndShownInItsField) {
  Choose(1, "HdVolRdoBtn", 1, "HdVolOKBtn");
  EXPECT_EQ(VisiblePanels(), (std::vector<std::string>{"HdVolWrtPnl"}));
  QLineEdit* edit = AdjustChild<QLineEdit>("HdVolWrtEdit");
  QTest::keyClicks(edit, "azaaaaaaaaaac");  // typed letters become capitals
  EXPECT_EQ(edit->text(), "AZAAAAAAAAAAC");
  Click("HdVolWrtOKBtn");
  EXPECT_EQ(AdjustChild<QLabel>("ShowHdVolIDPnl")->text(), "AZAAAAAAAAAAC");
  Click("HdVolWrtRtnBtn");
  EXPECT_EQ(VisiblePanels(), (std::vector<std::string>{"HdVolPnl"}));
}

TEST_F(IdItemsTest, WrongHeadIdIsKeptForCorrectionAndEscapeGoesBack) {
  Choose(1, "HdVolRdoBtn", 1, "HdVolOKBtn");
  QLineEdit* edit = AdjustChild<QLineEdit>("HdVolWrtEdit");
  edit->setText("AZAAAAAAAAAAD");
  Click("HdVolWrtOKBtn");
  EXPECT_EQ(Memo(), "Check ID is invalid.");
  EXPECT_EQ(edit->text(), "AZAAAAAAAAAAD");

  // Escape on the input panel goes back, as "Previous" does.
  edit->setFocus();
  QTest::keyClick(edit, Qt::Key_Escape);
  EXPECT_EQ(VisiblePanels(), (std::vector<std::string>{"HdVolPnl"}));
  EXPECT_TRUE(edit->text().isEmpty());
}

TEST_F(IdItemsTest, UsbIdInputKeepsTheMessageAndItsFieldShowsTheWrittenId) {
  Clock.SetLocalTime({2026, 12, 7, 11, 51, 6});
  Adjust(3);
  Program->Adjust().WriteStatus(wsPlain, "earlier text");
  Click("UsbIdOKBtn");
  EXPECT_EQ(Memo(), QString("earlier text"));  // the input panel keeps the message
  // What is typed goes to the printer one byte per character.
  AdjustChild<QLineEdit>("UsbIdInputEdit")->setText(QString::fromUtf8("ABC123456\u00C9"));
  Click("UsbIdInputOKBtn");
  EXPECT_EQ(Memo(), "Parameter is only number & alphabet.");
  AdjustChild<QLineEdit>("UsbIdInputEdit")->setText("ABC1234567");
  Click("UsbIdInputOKBtn");
  EXPECT_EQ(AdjustChild<QLabel>("ShowUSBIDLbl")->text(), "ABC123456 7RC7BL620");
}
