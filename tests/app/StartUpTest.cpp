#include "tests/app/ProgramFixture.h"

#include <QMenu>
#include <QTest>

class StartUpTest : public ProgramTest {
protected:
  void ExpectStartUp(const char* port) {
    Connect("Arvana Print 360", port);
    const std::vector<Bytes> expected = {
        wire::ModeSwitch(),         wire::Init(),          wire::OpenChannel(0x02),
        wire::Credit(0x02, 1),      wire::Credit(0x02, 1), wire::CreditRequest(0x02, 1),
        wire::StatusRequest(),      wire::OpenChannel(0x40),
    };
    EXPECT_EQ(HostBlocks(), expected);
    EXPECT_TRUE(Program->Adjust().isVisible());
    EXPECT_FALSE(Program->Boot().isVisible());
    EXPECT_EQ(AdjustChild<QLabel>("IndividualModelNameLbl")->text(), "Arvana Print 360");
    EXPECT_EQ(AdjustChild<RadioGroup>("AdjustRdoGrp")->Items(), TFormAdjust::NormalItems);
    EXPECT_TRUE(Printer.ChannelOpen(0x40));
    EXPECT_EQ(Program->Driver.ChosenPortName(), std::string(port) + ":");
    EXPECT_TRUE(Boxes.Shown.empty());
  }
};

TEST_F(StartUpTest, UsbStartUpSequenceOpensTheAdjustmentWindow) { ExpectStartUp("VLUSB1"); }

TEST_F(StartUpTest, ParallelStartUpSequenceOpensTheAdjustmentWindow) { ExpectStartUp("LPT1"); }

TEST_F(ProgramTest, PrinterThatIsNotReadyLeavesTheDataChannelClosed) {
  Printer.Faults().HeldState = PrinterState::Busy;
  Connect("Arvana Print 350", "VLUSB2");
  EXPECT_TRUE(Program->Adjust().isVisible());
  EXPECT_EQ(Memo(), "Printer is busy.");
  EXPECT_EQ(HostBlocks().back(), wire::StatusRequest());
  EXPECT_FALSE(Printer.ChannelOpen(0x40));
  EXPECT_EQ(AdjustChild<QLabel>("IndividualModelNameLbl")->text(), "Arvana Print 350");
}

TEST_F(ProgramTest, PrinterInErrorGetsTheRestrictedItemList) {
  Printer.Faults().PrinterError = 4;
  Connect("Arvana Print 360", "LPT2");
  EXPECT_EQ(Memo(), "Paper is jammed.");
  EXPECT_TRUE(Program->Adjust().RestrictedItems);
  EXPECT_EQ(AdjustChild<RadioGroup>("AdjustRdoGrp")->Items(), TFormAdjust::RestrictedItemList);
  EXPECT_FALSE(AdjustChild<QWidget>("MentRdoGrp")->isEnabled());
  EXPECT_FALSE(Printer.ChannelOpen(0x40));
}

TEST_F(ProgramTest, PrinterThatNeverAnswersGetsThreeModeSwitchesAndTheStartWindowStays) {
  Printer.Faults().NoAnswer = true;
  Connect("Arvana Print 360", "VLUSB1");
  const std::vector<Bytes> blocks = HostBlocks();
  EXPECT_EQ(blocks, (std::vector<Bytes>{wire::ModeSwitch(), wire::ModeSwitch(), wire::ModeSwitch()}));
  EXPECT_EQ(std::count(Clock.Pauses().begin(), Clock.Pauses().end(), 1000u), 3 * 9 + 3);
  EXPECT_TRUE(Program->Boot().isVisible());
  EXPECT_FALSE(Program->Adjust().isVisible());
  EXPECT_EQ(ModelCombo()->currentText(), "Arvana Print 360");
  EXPECT_EQ(PortCombo()->currentText(), "VLUSB1");
  EXPECT_EQ(PortCombo()->count(), 6);
  EXPECT_EQ(Program->Status.StatusCode, StatusError);
  EXPECT_EQ(Program->Status.ErrorCode, ErrorCommunication);
  EXPECT_TRUE(Boxes.Shown.empty());

  // Once the printer answers, OK connects; the port is opened anew.
  Printer.Faults().NoAnswer = false;
  BootChild<QAbstractButton>("PortSelectOKBtn")->click();
  EXPECT_TRUE(Program->Adjust().isVisible());
}

TEST_F(ProgramTest, ParallelPortThatNeverAnswersIsTriedThreeTimesOneSecondApart) {
  Printer.Faults().NoAnswer = true;
  Connect("Arvana Print 350", "LPT3");
  EXPECT_EQ(HostBlocks().size(), 3u);
  EXPECT_EQ(std::count(Clock.Pauses().begin(), Clock.Pauses().end(), 1000u), 3);
  EXPECT_TRUE(Program->Boot().isVisible());
}

TEST_F(ProgramTest, StartWindowChoices) {
  EXPECT_EQ(PortCombo()->count(), 0);
  ModelCombo()->setCurrentIndex(0);
  ModelCombo()->setCurrentIndex(1);
  QStringList rows;
  for (int i = 0; i < PortCombo()->count(); ++i) rows << PortCombo()->itemText(i);
  EXPECT_EQ(rows, (QStringList{"LPT1", "LPT2", "LPT3", "VLUSB1", "VLUSB2", "VLUSB3"}));
  PortCombo()->setCurrentIndex(3);
  EXPECT_EQ(Program->GetPortIndex(), 0);
  PortCombo()->setCurrentIndex(0);
  EXPECT_EQ(Program->GetPortIndex(), 3);
  EXPECT_EQ(Program->Boot().SelectedModelCode(), ModelCode360);

  // OK without an interface does nothing.
  PortCombo()->setCurrentIndex(-1);
  BootChild<QAbstractButton>("PortSelectOKBtn")->click();
  EXPECT_TRUE(HostBlocks().empty());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_TRUE(Program->Boot().isVisible());
}

TEST_F(ProgramTest, EnterConfirmsAndRightClickOffersTheVersion) {
  ModelCombo()->setCurrentIndex(0);
  PortCombo()->setCurrentIndex(0);
  QTest::keyClick(&Program->Boot(), Qt::Key_Return);
  EXPECT_TRUE(Program->Adjust().isVisible());
  Program->Adjust().hide();
  Program->Boot().show();

  auto* menu = Program->Boot().findChild<QMenu*>("BootPopupMenu");
  ASSERT_NE(menu, nullptr);
  QTest::mouseClick(&Program->Boot(), Qt::LeftButton, {}, QPoint(40, 40));
  EXPECT_FALSE(menu->isVisible());
  QTest::mouseClick(&Program->Boot(), Qt::RightButton, {}, QPoint(40, 40));
  EXPECT_TRUE(menu->isVisible());
  const QPoint expected = Program->Boot().frameGeometry().topLeft() + QPoint(43, 60);
  EXPECT_EQ(menu->pos(), expected);
  menu->hide();
}

TEST_F(ProgramTest, ClosingShutsTheLinkDownResetsThePrinterAndAsksWhetherToContinue) {
  Connect("Arvana Print 360", "VLUSB1");
  const size_t before = HostBlocks().size();
  Clock.ClearPauses();
  AnswerNextModal("NextBtn");
  AdjustChild<QAbstractButton>("AdjustRtnBtn")->click();
  EXPECT_EQ(Boxes.Texts(),
            (std::vector<std::string>{"This program starts to initialize the printer.\nPlease wait about 15 seconds."}));
  EXPECT_NE(std::find(Clock.Pauses().begin(), Clock.Pauses().end(), 10000u), Clock.Pauses().end());
  const std::vector<Bytes> all = HostBlocks();
  const std::vector<Bytes> blocks(all.begin() + static_cast<long>(before), all.end());
  // Data channel closed, then the reset on the control channel, then the control channel closed and the link left.
  const auto at = [&](const Bytes& block) { return std::find(blocks.begin(), blocks.end(), block) - blocks.begin(); };
  const long closeData = at({0x00, 0x00, 0x00, 0x0A, 0x01, 0x00, 0x02, 0x40, 0x40, 0x00});
  const long reset = at({0x02, 0x02, 0x00, 0x0B, 0x00, 0x00, 'r', 's', 0x01, 0x00, 0x01});
  const long closeControl = at({0x00, 0x00, 0x00, 0x0A, 0x01, 0x00, 0x02, 0x02, 0x02, 0x00});
  ASSERT_LT(closeControl, static_cast<long>(blocks.size()));
  EXPECT_LT(closeData, reset);
  EXPECT_LT(reset, closeControl);
  EXPECT_EQ(blocks.back(), (Bytes{0x00, 0x00, 0x00, 0x07, 0x01, 0x00, 0x08}));
  EXPECT_EQ(std::count_if(blocks.begin(), blocks.end(), [](const Bytes& b) { return b[0] == 0x40; }), 0);
  EXPECT_FALSE(Program->Driver.IsOpen());
  EXPECT_TRUE(Program->Boot().isVisible());
  EXPECT_EQ(ModelCombo()->currentIndex(), -1);
  EXPECT_EQ(PortCombo()->currentIndex(), -1);
  EXPECT_EQ(PortCombo()->count(), 6);
}
