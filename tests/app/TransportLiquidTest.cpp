// The transport liquid exchange in the window: its panels, the controls locked until it is done.
#include "tests/app/ProgramFixture.h"
#include "tests/support/StopAfterWrites.h"

#include "service/UnfinishedWrite.h"

#include <csignal>

class TransportLiquidTest : public ProgramTest {
protected:
  void SetUp() override {
    ProgramTest::SetUp();
    Connect("Arvana Print 360", "VLUSB1");
    ASSERT_TRUE(Program->Adjust().isVisible());
    Maintenance(2);
  }
  bool Locked() {
    const auto disabled = [this](const char* name) { return !AdjustChild<QWidget>(name)->isEnabled(); };
    const int count = disabled("AdjustmentTab") + disabled("MentRdoGrp") + disabled("AdjustRtnBtn") +
                      disabled("GetStatusBtn");
    EXPECT_TRUE(count == 0 || count == 4) << "partly locked";
    return count == 4;
  }
};

TEST_F(TransportLiquidTest, NoMeansInjectTheLiquidFirst) {
  Row("MessageRdoGrp", 1);
  Click("MessageOKBtn");
  EXPECT_EQ(VisiblePanels(), (std::vector<std::string>{"NotePnl"}));
  Click("MainRtnBtn");
  EXPECT_EQ(VisiblePanels(), (std::vector<std::string>{"TraStep0Pnl"}));
  EXPECT_TRUE(ServiceCommands().empty());
}

TEST_F(TransportLiquidTest, EveryStepShowsItsPanelAndTheControlsStayLocked) {
  EXPECT_EQ(AdjustChild<RadioGroup>("MessageRdoGrp")->ItemIndex(), 0);  // "Yes" is preset
  Click("MessageOKBtn");
  EXPECT_EQ(VisiblePanels(), (std::vector<std::string>{"TraStep1Pnl"}));

  Click("CRmoveBtn");
  EXPECT_EQ(VisiblePanels(), (std::vector<std::string>{"TraStep2Pnl"}));
  EXPECT_TRUE(Locked());
  Program->Adjust().close();  // the close box is locked with "Quit"
  EXPECT_TRUE(Program->Adjust().isVisible());

  Click("CRreturnBtn");
  EXPECT_EQ(VisiblePanels(), (std::vector<std::string>{"TransPnl"}));
  EXPECT_TRUE(Locked());

  bool disabledDuringExchange = true;
  Clock.OnPause = [&](uint32_t ms) {
    if (ms == 2000) disabledDuringExchange = disabledDuringExchange && !Program->Adjust().isEnabled();
  };
  Click("TransOKBtn");
  Clock.OnPause = nullptr;
  EXPECT_TRUE(disabledDuringExchange);
  EXPECT_EQ(VisiblePanels(), (std::vector<std::string>{"TraStep3Pnl"}));
  EXPECT_TRUE(Locked());

  Click("TransCompleteBtn");
  EXPECT_EQ(VisiblePanels(), (std::vector<std::string>{"TraStep4Pnl"}));
  EXPECT_TRUE(Locked());

  Click("CRreturn2Btn");
  EXPECT_FALSE(Locked());
  EXPECT_EQ(Memo(), "Transportion Liquid Exchange 2 is completed.");
  EXPECT_EQ(VisiblePanels(), (std::vector<std::string>{"TraStep0Pnl"}));
  EXPECT_TRUE(Program->Adjust().SkipResetOnClose);

  // Closing afterwards leaves the printer as it is: no reset, no wait.
  const size_t before = HostBlocks().size();
  AnswerNextModal("QuitBtn");
  Click("AdjustRtnBtn");
  const std::vector<Bytes> all = HostBlocks();
  for (size_t i = before; i < all.size(); ++i) {
    EXPECT_NE(all[i], (Bytes{0x02, 0x02, 0x00, 0x0B, 0x00, 0x00, 'r', 's', 0x01, 0x00, 0x01}));
  }
  EXPECT_TRUE(Boxes.Shown.empty());
}

// A signal in the middle of exchange 2: the cells stop, the message says how far they got, and the
// next visit offers to write the rest; No leaves the note, Yes writes and reads them back.
TEST_F(TransportLiquidTest, ExchangeTwoStoppedHalfWayIsFinishedAtTheNextVisit) {
  Click("MessageOKBtn");
  for (const char* button : {"CRmoveBtn", "CRreturnBtn", "TransOKBtn", "TransCompleteBtn"}) Click(button);
  Printer.SetEepromCell(0x0D, 0x33);
  Printer.SetEepromCell(0x28, 0x44);
  StopAfterWrites stop(Printer, 12);
  Program->Guard.SetStopSignals(stop);
  Click("CRreturn2Btn");
  EXPECT_EQ(Memo().toStdString(), StoppedText(12, 40));
  EXPECT_EQ(Printer.Eeprom()[0x00], 0x10);
  EXPECT_EQ(Printer.Eeprom()[0x0C], 0x00);  // the 12th cell: 00, 01..08, 0A, 0B, 0C
  EXPECT_EQ(Printer.Eeprom()[0x0D], 0x33);  // later ones untouched
  EXPECT_EQ(Printer.Eeprom()[0x28], 0x44);
  ASSERT_EQ(Program->Guard.Unfinished().size(), 1u);

  NoStopSignals none;
  Program->Guard.SetStopSignals(none);
  AnswerNextModal("NextBtn");
  Click("AdjustRtnBtn");
  Boxes.Answer(DialogAnswer::No);
  Connect("Arvana Print 360", "VLUSB1");
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Boxes.Shown[0].Buttons, DialogButtons::YesNoDefaultNo);
  EXPECT_NE(Boxes.Shown[0].Text.find("A write did not finish: transport liquid exchange 2 on VLUSB1"), std::string::npos)
      << Boxes.Shown[0].Text;
  EXPECT_NE(Memo().indexOf("It stays noted until it is finished."), -1) << Memo().toStdString();
  EXPECT_EQ(Program->Guard.Unfinished().size(), 1u);

  AnswerNextModal("NextBtn");
  Click("AdjustRtnBtn");
  Boxes.Shown.clear();
  Boxes.Answer(DialogAnswer::Yes);
  Connect("Arvana Print 360", "VLUSB1");
  EXPECT_EQ(Memo().toStdString().rfind("The unfinished transport liquid exchange 2 of ", 0), 0u) << Memo().toStdString();
  EXPECT_TRUE(Program->Guard.Unfinished().empty());
  for (uint8_t cell = 0x01; cell <= 0x28; ++cell) {
    if (cell == 0x09) continue;
    EXPECT_EQ(Printer.Eeprom()[cell], 0x00) << +cell;
  }
}
