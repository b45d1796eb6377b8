// The panels of the items that print pattern pages or adjust the print position: the Bi-D arrows
// and print count, the top margin's preselected choice, the first dot position's gauges.
#include "items/UpDown.h"
#include "tests/app/ProgramFixture.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QProgressBar>

class PatternItemsTest : public ProgramTest {
protected:
  void SetUp() override {
    ProgramTest::SetUp();
    Connect("Arvana Print 360", "LPT1");
    ASSERT_TRUE(Program->Adjust().isVisible());
  }
  QLineEdit* Edit(const char* name) { return AdjustChild<QLineEdit>(name); }
  int Gauge(const char* name) { return AdjustChild<QProgressBar>(name)->value(); }
  QString Millimetres() { return AdjustChild<QLabel>("LandMarginRealValuePnl")->text(); }
  void OpenBidInput() {
    Adjust(2);
    Row("BidRdoBtn", 1);
    Click("BidOKBtn");
  }
};

TEST_F(PatternItemsTest, ArrowsTickTheirValue) {
  OpenBidInput();
  Edit("Pl6ClBidWrtEdit")->setText("36");
  AdjustChild<UpDown>("Bid6plClUpDown")->UpButton()->click();
  EXPECT_EQ(Edit("Pl6ClBidWrtEdit")->text(), "36");  // the arrows stop at the limit
  EXPECT_TRUE(AdjustChild<QCheckBox>("Bid6plClCheckBox")->isChecked());
  AdjustChild<UpDown>("Bid6plClUpDown")->DownButton()->click();
  EXPECT_EQ(Edit("Pl6ClBidWrtEdit")->text(), "35");
}

TEST_F(PatternItemsTest, TheBidPrintCountShowsWhichHalfOfTheSheetComesNext) {
  Adjust(2);
  Row("BidRdoBtn", 0);
  Click("BidOKBtn");
  EXPECT_EQ(AdjustChild<QLabel>("BidPrnCountLbl")->text(), "1 time");
  Click("BidPrnOKBtn");
  EXPECT_EQ(AdjustChild<QLabel>("BidPrnCountLbl")->text(), "2 times");
  Click("BidPrnOKBtn");
  EXPECT_EQ(AdjustChild<QLabel>("BidPrnCountLbl")->text(), "1 time");
}

TEST_F(PatternItemsTest, TopMarginIsPreselectedAndShownInItsField) {
  for (const auto& [stored, choice] : std::vector<std::pair<int, int>>{{21, 2}, {-21, 0}}) {
    Printer.SetEepromCell(0x2E, static_cast<uint8_t>(stored));
    Adjust(4);
    Row("TopMarginRdoGrp", 1);
    Click("TopMarginMainBtn");
    EXPECT_EQ(AdjustChild<RadioGroup>("TopMarginInputRdoGrp")->ItemIndex(), choice) << stored;
  }
  Click("TopMarginWriteOKBtn");
  EXPECT_EQ(AdjustChild<QLabel>("ShowTopMarginPnl")->text(), "\"-\"");
}

TEST_F(PatternItemsTest, FirstDotGaugesAndMillimetres) {
  Printer.SetEepromCell(0x39, 4);
  Adjust(5);
  EXPECT_EQ(Edit("LandMarginEdit")->text(), "4");
  EXPECT_EQ(Gauge("LeftMarginGauge"), 52);
  EXPECT_EQ(Gauge("RightMarginGauge"), 48);
  EXPECT_EQ(Millimetres(), "0.0353 mm");

  struct Case {
    const char* Button;
    int Before;
    QString After;
    int Left;
    QString Mm;
  };
  const std::vector<Case> cases = {
      {"SteptoLeftBitBtn", 0, "-4", 48, "-0.0353 mm"},  {"SteptoRightBitBtn", 67, "71", 98, "0.6262 mm"},
      {"SteptoRightBitBtn", 70, "72", 100, "0.6350 mm"}, {"SteptoLeftBitBtn", -70, "-72", 0, "-0.6350 mm"},
      {"CenteringBitBtn", 30, "0", 50, "0.0000 mm"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Button);
    Edit("LandMarginEdit")->setText(QString::number(c.Before));
    Click(c.Button);
    EXPECT_EQ(Edit("LandMarginEdit")->text(), c.After);
    EXPECT_EQ(Gauge("LeftMarginGauge"), c.Left);
    EXPECT_EQ(Gauge("RightMarginGauge"), 100 - c.Left);
    EXPECT_EQ(Millimetres(), c.Mm);
  }

  Printer.SetEepromCell(0x39, 0xB8);
  Adjust(5);
  EXPECT_EQ(Edit("LandMarginEdit")->text(), "-72");
  Printer.SetEepromCell(0x39, 0x80);
  Adjust(5);
  EXPECT_EQ(Edit("LandMarginEdit")->text(), "128");
  EXPECT_EQ(Gauge("LeftMarginGauge"), 100);
  EXPECT_EQ(Gauge("RightMarginGauge"), 0);
}

TEST_F(PatternItemsTest, FirstDotWriteShowsTheValueAndGivesTheCursorBack) {
  Adjust(5);
  Edit("LandMarginEdit")->setText("-8");
  Click("LandMarginWriteBtn");
  EXPECT_EQ(AdjustChild<QLabel>("ShowFirstDotPnl")->text(), "-8");
  EXPECT_EQ(Program->Adjust().cursor().shape(), Qt::ArrowCursor);
}
