// What the items say when the printer is busy, silent or loses a reply, that nothing is claimed then,
// and that it all works again once the printer does; the transport liquid exchange step by step.
#include "service/ConfirmedWrites.h"
#include "tests/service/LogicBench.h"

#include <fstream>
#include <sstream>

namespace {

using WireCommand = captured::Block;

// The service command a step of an exchange list becomes on the wire.
WireCommand StepOnTheWire(const MechanismStep& step) {
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

std::vector<WireCommand> StepsOnTheWire(std::span<const MechanismStep> steps) {
  std::vector<WireCommand> commands;
  for (const MechanismStep& step : steps) commands.push_back(StepOnTheWire(step));
  return commands;
}

}  // namespace

class FaultRecoveryLogicTest : public LogicTest {
protected:
  double SecondsOfCleaningWithoutAnswer() {
    Printer.Faults().NoAnswer = true;
    const int64_t start = Bench->Clock.SteadyMilliseconds();
    Bench->Core.Factory.RunCleaning(HeadCleaningSequence);
    return static_cast<double>(Bench->Clock.SteadyMilliseconds() - start) / 1000.0;
  }
  // Runs `step` and returns the service commands it sent.
  std::vector<WireCommand> CommandsOf(const std::function<void()>& step) {
    const size_t before = ServiceCommands().size();
    step();
    const std::vector<WireCommand> all = ServiceCommands();
    return std::vector<WireCommand>(all.begin() + static_cast<long>(before), all.end());
  }
};

class NotYetConnectedTest : public FaultRecoveryLogicTest {
protected:
  NotYetConnectedTest() { ConnectAtStart = false; }
};

class UsbFaultRecoveryTest : public FaultRecoveryLogicTest {
protected:
  UsbFaultRecoveryTest() : FaultRecoveryLogicTest() { Bench->Choice.PortIndex = 0; }
};

TEST_F(FaultRecoveryLogicTest, ABusyPrinterIsAskedFiveTimesAndNothingIsClaimed) {
  Printer.SetEepromCell(0x0A, 0x12);
  Printer.SetEepromCell(0x0B, 0x34);
  Printer.Faults().BusyAck = true;
  Bench->Clock.ClearPauses();
  Boxes.Answer(DialogAnswer::Yes);
  Bench->Maintenance.ClearCounter();
  EXPECT_EQ(View.Text, "The printer is busy: the protection counter was not cleared.");
  EXPECT_EQ(View.LineRed, std::vector<bool>{true});
  EXPECT_EQ(View.SummaryOf(SummaryField::ProtectionCounter), "");
  EXPECT_EQ(ControlEepromAddresses(0x42), (std::vector<int>{0x0A, 0x0A, 0x0A, 0x0A, 0x0A}));
  const std::vector<uint32_t>& pauses = Bench->Clock.Pauses();
  EXPECT_EQ(std::count(pauses.begin(), pauses.end(), 1000u), 4);
  EXPECT_EQ(Printer.Eeprom()[0x0A], 0x12);

  // A printer busy only for a moment is written and read back.
  int busyAnswers = 0;
  Bench->Clock.OnPause = [&](uint32_t ms) {
    if (ms == 1000 && ++busyAnswers == 2) Printer.Faults().BusyAck = false;
  };
  Boxes.Answer(DialogAnswer::Yes);
  Bench->Maintenance.ClearCounter();
  Bench->Clock.OnPause = nullptr;
  EXPECT_EQ(View.Text, "The protect counter has been initialized.");
  EXPECT_EQ(View.SummaryOf(SummaryField::ProtectionCounter), "Initialized");
  EXPECT_EQ(Printer.Eeprom()[0x0A], 0x00);
  EXPECT_EQ(Printer.Eeprom()[0x0B], 0x00);
}

TEST_F(FaultRecoveryLogicTest, ACounterThatCannotBeReadIsNotShownAsANumber) {
  for (auto fault : {&PrinterFaults::ShortEepromReply, &PrinterFaults::DropEepromReply}) {
    Printer.Faults() = PrinterFaults{};
    Printer.Faults().*fault = true;
    Bench->Maintenance.CheckCounter();
    EXPECT_EQ(View.Text, "The protection counter could not be read.");
  }
  Printer.Faults() = PrinterFaults{};
  Printer.SetEepromCell(0x0A, 0x00);
  Printer.SetEepromCell(0x0B, 0x2A);
  Bench->Maintenance.CheckCounter();
  EXPECT_EQ(View.Text, "Counter value = 42");
}

TEST_F(FaultRecoveryLogicTest, ABiDPrintWithALostReplyLeavesThatValueAlone) {
  Printer.SetEepromCell(0x33, 0x05);
  const uint8_t inUse = Printer.EepromInUse()[0x33];
  Printer.Faults().DropEepromReply = true;
  Printer.Faults().EepromFaultCell = 0x33;
  EXPECT_EQ(Bench->Bid.PrintPage(1), 2);
  EXPECT_EQ(Printer.Eeprom()[0x33], 0x05);
  EXPECT_EQ(Printer.EepromInUse()[0x33], inUse);
  // No candidate of the first section went to the printer; the five other sections were printed.
  int firstSectionCandidates = 0;
  for (const WireCommand& command : ServiceCommands())
    firstSectionCandidates += command[0] == 0x00 && command[1] == 1 && command[2] == 1;
  EXPECT_EQ(firstSectionCandidates, 0);
  EXPECT_EQ(View.Text, "Bi-d pattern print is completed.\nThe MS Black value could not be read: its section has no "
                       "candidates and the value was left as stored.");
  EXPECT_EQ(View.LineRed, (std::vector<bool>{false, true}));
  ASSERT_FALSE(Printer.Pages().empty());
  EXPECT_TRUE(Printer.JobErrors().empty()) << testing::PrintToString(Printer.JobErrors());
}

TEST_F(NotYetConnectedTest, CleaningFindsTheDataChannelOpenedOnceThePrinterIsReady) {
  Printer.Faults().HeldState = PrinterState::Busy;
  ASSERT_TRUE(Bench->Connect());
  EXPECT_FALSE(Printer.ChannelOpen(0x40));
  Printer.Faults().HeldState.reset();
  Bench->Maintenance.CleanHead();
  EXPECT_EQ(View.Text, "Head cleaning is completed.");
  EXPECT_TRUE(Printer.ChannelOpen(0x40));
  const std::vector<WireCommand> commands = ServiceCommands();
  ASSERT_FALSE(commands.empty());
  EXPECT_EQ(commands.back(), (WireCommand{0x84, 0x02}));
  // TearDown checks that the printer saw no packet on a closed channel.
}

// A cleaning command on a printer that stopped answering gives up after one credit request and one
// credit, three tries each, and the packet: it does not ask for credit a second time.
TEST_F(FaultRecoveryLogicTest, ASilentPrinterCostsOneCreditRequestOnLpt1) {
  EXPECT_NEAR(SecondsOfCleaningWithoutAnswer(), 36.0, 3.0);
}

TEST_F(UsbFaultRecoveryTest, ASilentPrinterCostsOneCreditRequestOnUsb) {
  EXPECT_NEAR(SecondsOfCleaningWithoutAnswer(), 61.0, 3.0);
}

TEST_F(FaultRecoveryLogicTest, StoredBiDValuesShowInFullAndAreRefusedLikeTypedOnes) {
  Printer.SetEepromCell(0x33, 0x80);  // -128
  Printer.SetEepromCell(0x36, 0x7F);  // 127
  const auto stored = Bench->Bid.StoredValues();
  EXPECT_EQ(BidLogic::ValueText(stored[0]), "-128");
  EXPECT_EQ(BidLogic::ValueText(stored[1]), "127");

  // Writing a stored value outside the range is refused like a typed one; a good value after it is black.
  View.ClearMessages();
  Bench->Bid.WriteValues({{0, "-128"}, {2, "-12"}});
  EXPECT_EQ(View.Text, "Digit is wrong.\nAs 6pl Black data, -12 has been written in EEPROM.");
  EXPECT_EQ(View.LineRed, (std::vector<bool>{true, false}));
  EXPECT_EQ(Printer.Eeprom()[0x33], 0x80);
  EXPECT_EQ(Printer.Eeprom()[0x34], static_cast<uint8_t>(-12));
  EXPECT_EQ(View.SummaryOf(SummaryField::MsBlack), "");
  EXPECT_EQ(View.SummaryOf(SummaryField::Black6pl), "-12");
}

TEST_F(FaultRecoveryLogicTest, ValuesThatCannotBeReadShowAsUnknown) {
  Printer.Faults().ShortEepromReply = true;
  // Bi-D values: every line says it does not know.
  Bench->Bid.ShowPresentData();
  EXPECT_EQ(View.Text, "Multi shot Black = ??, Multi shot Color = ??\nMDX 6pl Black = ??, MDX 6pl Color = ??\n"
                       "MDX 4pl Black = ??, MDX 4pl Color = ??");
  // Head ID and USB ID go over the data channel and fail there too.
  Bench->HeadId.ShowHeadId();
  EXPECT_EQ(View.Text, "The head ID could not be read.");
  Bench->UsbId.ShowUsbId();
  EXPECT_EQ(View.Text, "The USB ID could not be read.");
  // Top margin: no setting; first dot position: no number to write back.
  EXPECT_FALSE(Bench->TopMargin.StoredValue().has_value());
  EXPECT_FALSE(Bench->FirstDot.StoredValue().has_value());
  const uint8_t firstDot = Printer.Eeprom()[0x39];
  EXPECT_FALSE(Bench->FirstDot.Write(UnreadFirstDotText));
  EXPECT_EQ(View.Text, "The first dot position could not be read. Choose a value with the buttons first.");
  EXPECT_EQ(Printer.Eeprom()[0x39], firstDot);
  EXPECT_TRUE(ControlEepromAddresses(0x42).empty());
}

TEST_F(FaultRecoveryLogicTest, ShortWriteOfADataPacketEndsTheProgramAfterTransmissionError) {
  Printer.Faults().ShortWrite = true;
  const WireCommand command{0x1B, 0x7C, 0x00, 0x05, 0x00, 0x10, 0x9B, 0x50, 0xAF, 0x28};
  EXPECT_EQ(ExitStatusOf([&] { Bench->Core.Comm.SendCommand(command.data(), command.size()); }), ExitFatal);
  EXPECT_EQ(Boxes.Texts(), (std::vector<std::string>{"Transmission error", "This program is closed by force."}));
  EXPECT_FALSE(Bench->Core.Driver.IsOpen());
}

TEST_F(UsbFaultRecoveryTest, EepromWriteAcknowledgements) {
  Printer.Faults().BusyAck = true;
  EXPECT_EQ(Bench->Core.Comm.ControlWriteEeprom(0x5F, 0x10), Ack::Busy);
  EXPECT_TRUE(Boxes.Shown.empty());

  // A write that gets no acknowledgement at all is not taken as done: a confirmed write ends the program.
  Printer.Faults().BusyAck = false;
  Printer.Faults().NoAnswer = true;
  ConfirmedWrites writes(Bench->Core.Comm);
  const std::array<EepromCell, 1> cell{{{0x5F, 0x00}}};
  EXPECT_EQ(ExitStatusOf([&] { (void)writes.WriteAndConfirm(cell, "the cell was not written"); }), ExitFatal);
  EXPECT_EQ(Boxes.Texts(), (std::vector<std::string>{"error", "This program is closed by force."}));
}

// The trainer's file: busy switched on and off again while the program runs.
TEST(FaultFileWithTheItems, BusyFromTheFileFailsEveryWriteUntilItIsSwitchedOff) {
  TempDirectory dir;
  std::filesystem::create_directories(dir.Path / "notes");
  const auto bench = std::make_unique<LogicBench>(dir.Path / "notes", dir.Path.string());
  std::ostringstream report;
  bench->Printer.SetFaultReport(report);
  ASSERT_TRUE(bench->Connect());

  std::ofstream(dir.Path / "faults.conf") << "busy-ack = on\n";
  bench->EepromCheck.WriteCell("70", "A5");
  EXPECT_EQ(bench->View.Text, "The printer is busy: address 70 was not written.");
  EXPECT_NE(bench->Printer.Eeprom()[0x70], 0xA5);
  EXPECT_EQ(report.str(), "virtual printer: busy-ack = on\n");

  std::ofstream(dir.Path / "faults.conf") << "busy-ack = off   # the printer has finished\n";
  bench->EepromCheck.WriteCell("70", "A5");
  EXPECT_EQ(bench->View.Text, "Address = 70\nData = A5");
  EXPECT_EQ(bench->Printer.Eeprom()[0x70], 0xA5);
  EXPECT_TRUE(bench->Boxes.Shown.empty());
}

TEST_F(UsbFaultRecoveryTest, EveryExchangeStepSendsItsCommandList) {
  TransportLiquidLogic& exchange = Bench->TransportLiquid;
  std::vector<WireCommand> expected = {{0x42, 0x00, 0x80}, {0x50}};
  for (const WireCommand& command : StepsOnTheWire(TransportLiquidLogic::ToReplacementPosition())) expected.push_back(command);
  EXPECT_EQ(CommandsOf([&] { EXPECT_TRUE(exchange.MoveCarriageToReplacement()); }), expected);
  EXPECT_EQ(View.Text, "Move the carriage to the replacement position.");
  EXPECT_EQ(Printer.Eeprom()[0x00], 0x80);

  EXPECT_EQ(CommandsOf([&] { EXPECT_TRUE(exchange.ReturnCarriageHome()); }),
            StepsOnTheWire(TransportLiquidLogic::ToHomePosition()));
  EXPECT_EQ(View.Text, "Return the carriage to the home position.");

  bool busyDuringExchange = true;
  Bench->Clock.OnPause = [&](uint32_t ms) {
    if (ms == RecordingView::ReadyPollMs) busyDuringExchange = busyDuringExchange && View.Busy;
  };
  const std::vector<WireCommand> exchangeOne = CommandsOf([&] { EXPECT_TRUE(exchange.RunExchangeOne()); });
  Bench->Clock.OnPause = nullptr;
  EXPECT_EQ(exchangeOne, StepsOnTheWire(TransportLiquidLogic::ExchangeOne()));
  ASSERT_EQ(exchangeOne.size(), 35u);
  EXPECT_EQ(exchangeOne[8], (WireCommand{0xC5, 0x21, 0x00, 0x30, 0x75}));
  EXPECT_EQ(exchangeOne[18], (WireCommand{0xC9, 0x00, 0x00, 0xB8, 0x0B}));
  EXPECT_TRUE(busyDuringExchange);
  EXPECT_EQ(View.Text, "Transportion Liquid Exchange 1 is completed.");

  EXPECT_EQ(CommandsOf([&] { EXPECT_TRUE(exchange.MoveCarriageToReplacementAgain()); }),
            StepsOnTheWire(TransportLiquidLogic::ToReplacementPosition()));

  const std::vector<WireCommand> exchangeTwo =
      CommandsOf([&] { EXPECT_TRUE(exchange.FinishExchangeTwo(exchange.StartExchangeTwo())); });
  std::vector<WireCommand> expectedTwo = StepsOnTheWire(TransportLiquidLogic::ExchangeTwo());
  expectedTwo.push_back({0x42, 0x00, 0x10});
  for (int cell = 0x01; cell <= 0x28; ++cell) {
    if (cell != 0x09) expectedTwo.push_back({0x42, static_cast<uint8_t>(cell), 0x00});
  }
  expectedTwo.push_back({0x50});
  EXPECT_EQ(exchangeTwo, expectedTwo);
  EXPECT_EQ(View.Text, "Transportion Liquid Exchange 2 is completed.");
  EXPECT_TRUE(View.SkipReset);
  EXPECT_EQ(Printer.Eeprom()[0x00], 0x10);
  EXPECT_EQ(Printer.Eeprom()[0x0A], 0x00);
  EXPECT_EQ(Printer.Eeprom()[0x0B], 0x00);
  EXPECT_TRUE(Boxes.Shown.empty());
}
