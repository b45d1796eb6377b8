#include "service/TransportLiquidLogic.h"
#include "tests/app/ProgramFixture.h"
#include "tests/support/StopAfterWrites.h"

#include "service/UnfinishedWrite.h"

#include <QTabWidget>

#include <csignal>

namespace {

// The service command a step of an exchange list becomes on the wire.
Bytes Wire(const MechanismStep& step) {
  const auto& p = step.Parameters;
  switch (step.Command) {
    case MechanismStep::C4:
      return {0xC4, p[0], p[1], p[2], p[3]};
    case MechanismStep::C5:
      return {0xC5, p[0], p[1], p[2], p[3]};
    case MechanismStep::C9:
      return {0xC9, p[0], p[1], p[2], p[3]};
    case MechanismStep::CA:
      return {0xCA, p[0]};
    case MechanismStep::Seq81:
      return {0x81};
  }
  return {};
}

std::vector<Bytes> Wire(std::span<const MechanismStep> steps) {
  std::vector<Bytes> commands;
  for (const MechanismStep& step : steps) commands.push_back(Wire(step));
  return commands;
}

void Append(std::vector<Bytes>& to, const std::vector<Bytes>& more) { to.insert(to.end(), more.begin(), more.end()); }

}  // namespace

class TransportLiquidTest : public ProgramTest {
protected:
  void SetUp() override {
    ProgramTest::SetUp();
    Connect("Arvana Print 360", "VLUSB1");
    ASSERT_TRUE(Program->Adjust().isVisible());
    AdjustChild<QTabWidget>("AdjustmentTab")->setCurrentIndex(1);
    Row("MentRdoGrp", 2);
  }
  // Presses `button` and returns the service commands it sent.
  std::vector<Bytes> Press(const char* button) {
    const size_t before = ServiceCommands().size();
    Click(button);
    const std::vector<Bytes> all = ServiceCommands();
    return std::vector<Bytes>(all.begin() + static_cast<long>(before), all.end());
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

TEST_F(TransportLiquidTest, EveryStepSendsItsCommandListAndTheControlsStayLocked) {
  EXPECT_EQ(AdjustChild<RadioGroup>("MessageRdoGrp")->ItemIndex(), 0);  // "Yes" is preset
  Click("MessageOKBtn");
  EXPECT_EQ(VisiblePanels(), (std::vector<std::string>{"TraStep1Pnl"}));

  std::vector<Bytes> expected = {{0x42, 0x00, 0x80}, {0x50}};
  Append(expected, Wire(TransportLiquidLogic::ToReplacementPosition()));
  EXPECT_EQ(Press("CRmoveBtn"), expected);
  EXPECT_EQ(Memo(), "Move the carriage to the replacement position.");
  EXPECT_EQ(VisiblePanels(), (std::vector<std::string>{"TraStep2Pnl"}));
  EXPECT_TRUE(Locked());
  EXPECT_EQ(Printer.Eeprom()[0x00], 0x80);
  Program->Adjust().close();  // the close box is locked with "Quit"
  EXPECT_TRUE(Program->Adjust().isVisible());

  EXPECT_EQ(Press("CRreturnBtn"), Wire(TransportLiquidLogic::ToHomePosition()));
  EXPECT_EQ(Memo(), "Return the carriage to the home position.");
  EXPECT_TRUE(Locked());

  bool disabledDuringExchange = true;
  Clock.OnPause = [&](uint32_t ms) {
    if (ms == 2000) disabledDuringExchange = disabledDuringExchange && !Program->Adjust().isEnabled();
  };
  const std::vector<Bytes> exchangeOne = Press("TransOKBtn");
  Clock.OnPause = nullptr;
  EXPECT_EQ(exchangeOne, Wire(TransportLiquidLogic::ExchangeOne()));
  ASSERT_EQ(exchangeOne.size(), 35u);
  EXPECT_EQ(exchangeOne[8], (Bytes{0xC5, 0x21, 0x00, 0x30, 0x75}));
  EXPECT_EQ(exchangeOne[18], (Bytes{0xC9, 0x00, 0x00, 0xB8, 0x0B}));
  EXPECT_TRUE(disabledDuringExchange);
  EXPECT_EQ(Memo(), "Transportion Liquid Exchange 1 is completed.");
  EXPECT_TRUE(Locked());

  EXPECT_EQ(Press("TransCompleteBtn"), Wire(TransportLiquidLogic::ToReplacementPosition()));
  EXPECT_EQ(VisiblePanels(), (std::vector<std::string>{"TraStep4Pnl"}));
  EXPECT_TRUE(Locked());

  const std::vector<Bytes> exchangeTwo = Press("CRreturn2Btn");
  std::vector<Bytes> expectedTwo = Wire(TransportLiquidLogic::ExchangeTwo());
  expectedTwo.push_back({0x42, 0x00, 0x10});
  for (int cell = 0x01; cell <= 0x28; ++cell) {
    if (cell != 0x09) expectedTwo.push_back({0x42, static_cast<uint8_t>(cell), 0x00});
  }
  expectedTwo.push_back({0x50});
  EXPECT_EQ(exchangeTwo, expectedTwo);
  EXPECT_EQ(std::count_if(exchangeTwo.begin(), exchangeTwo.end(), [](const Bytes& c) { return c[0] == 0x42; }), 40);
  EXPECT_EQ(std::count_if(exchangeTwo.begin(), exchangeTwo.end(), [](const Bytes& c) { return c[0] == 0x50; }), 1);
  EXPECT_FALSE(Locked());
  EXPECT_EQ(Memo(), "Transportion Liquid Exchange 2 is completed.");
  EXPECT_EQ(VisiblePanels(), (std::vector<std::string>{"TraStep0Pnl"}));
  EXPECT_TRUE(Program->Adjust().SkipResetOnClose);
  EXPECT_EQ(Printer.Eeprom()[0x00], 0x10);
  EXPECT_EQ(Printer.Eeprom()[0x0A], 0x00);
  EXPECT_EQ(Printer.Eeprom()[0x0B], 0x00);

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
