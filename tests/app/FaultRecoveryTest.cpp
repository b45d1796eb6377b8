// What the window shows when the printer is busy or loses replies: the data channel opened by
// "Get status", and values that cannot be read or typed in full.
#include "tests/app/ProgramFixture.h"

#include <QLineEdit>
#include <QTest>

namespace {

class FaultRecoveryTest : public ProgramTest {};

TEST_F(FaultRecoveryTest, ADataChannelClosedAtConnectionOpensWhenThePrinterIsReady) {
  Printer.Faults().HeldState = PrinterState::Busy;
  Connect("Arvana Print 360", "VLUSB1");
  EXPECT_EQ(Memo(), "Printer is busy.");
  EXPECT_FALSE(Printer.ChannelOpen(0x40));

  Printer.Faults().HeldState.reset();
  Click("GetStatusBtn");
  EXPECT_EQ(Memo(), "Ready to print.");
  EXPECT_TRUE(Printer.ChannelOpen(0x40));
  Maintenance(0);
  Click("CleaningOKBtn");
  EXPECT_EQ(Memo(), "Head cleaning is completed.");
  const std::vector<Bytes> commands = ServiceCommands();
  ASSERT_FALSE(commands.empty());
  EXPECT_EQ(commands.back(), (Bytes{0x84, 0x02}));
  // TearDown checks that the printer saw no packet on a closed channel.
}

TEST_F(FaultRecoveryTest, StoredBiDValuesShowInFullAndOnlyTypingIsLimited) {
  Connect("Arvana Print 360", "LPT1");
  Printer.SetEepromCell(0x33, 0x80);  // -128
  Printer.SetEepromCell(0x36, 0x7F);  // 127
  Adjust(2);
  Row("BidRdoBtn", 1);
  Click("BidOKBtn");
  EXPECT_EQ(AdjustChild<QLineEdit>("MsBkBidWrtEdit")->text(), "-128");
  EXPECT_EQ(AdjustChild<QLineEdit>("MsClBidWrtEdit")->text(), "127");
  QLineEdit* sixBlack = AdjustChild<QLineEdit>("Pl6BkBidWrtEdit");
  sixBlack->clear();
  QTest::keyClicks(sixBlack, "-1234");
  EXPECT_EQ(sixBlack->text(), "-12");
}

TEST_F(FaultRecoveryTest, ValuesThatCannotBeReadShowAsUnknownInTheirFields) {
  Connect("Arvana Print 360", "LPT1");
  Printer.Faults().ShortEepromReply = true;
  Adjust(2);
  Row("BidRdoBtn", 1);
  Click("BidOKBtn");
  EXPECT_EQ(AdjustChild<QLineEdit>("MsBkBidWrtEdit")->text(), "??");
  // Top margin: nothing preselected; first dot position: no number to write back.
  Adjust(4);
  Row("TopMarginRdoGrp", 1);
  Click("TopMarginMainBtn");
  EXPECT_EQ(AdjustChild<RadioGroup>("TopMarginInputRdoGrp")->ItemIndex(), -1);
  Adjust(5);
  EXPECT_EQ(AdjustChild<QLineEdit>("LandMarginEdit")->text(), "??");
  EXPECT_EQ(AdjustChild<QLabel>("LandMarginRealValuePnl")->text(), "?? mm");
}

}  // namespace
