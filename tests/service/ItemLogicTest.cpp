// The items as the technician uses them, without the window: the EEPROM cells, the maintenance
// sequences, the protection counter and the two IDs.
#include "tests/service/LogicBench.h"

#include <numeric>

namespace {

using Block = captured::Block;

// Every cell a read handed over, by address; no value for one that was refused or cut short.
struct ShownCells {
  std::vector<int> Addresses;
  std::map<int, std::optional<uint8_t>> Values;
};

int CommandsWithCode(const std::vector<Block>& commands, uint8_t code) {
  return static_cast<int>(std::count_if(commands.begin(), commands.end(), [code](const Block& c) { return c[0] == code; }));
}

}  // namespace

class ItemLogicTest : public LogicTest {
protected:
  ShownCells ReadRange(int begin, int end, bool* answered = nullptr) {
    ShownCells shown;
    const bool all = Bench->EepromCheck.ReadRange(begin, end, [&shown](int address, std::optional<uint8_t> value) {
      shown.Addresses.push_back(address);
      shown.Values[address] = value;
    });
    if (answered) *answered = all;
    return shown;
  }
  std::vector<int> WrittenIdCells() const {
    std::vector<int> cells;
    for (const Block& command : ServiceCommands())
      if (command[0] == 0x42) cells.push_back(command[1]);
    return cells;
  }
};

TEST_F(ItemLogicTest, FullRangeReadsEveryCellInAddressOrder) {
  for (int address = 0; address < 256; ++address) Printer.SetEepromCell(static_cast<uint8_t>(address), static_cast<uint8_t>(255 - address));
  bool answered = false;
  const ShownCells shown = ReadRange(0x00, 0xFF, &answered);
  EXPECT_TRUE(answered);
  std::vector<int> expected(256);
  std::iota(expected.begin(), expected.end(), 0);
  EXPECT_EQ(ControlEepromAddresses(0x41), expected);
  EXPECT_EQ(shown.Addresses, expected);
  EXPECT_EQ(shown.Values.at(0x00), std::optional<uint8_t>(0xFF));
  EXPECT_EQ(shown.Values.at(0x5F), std::optional<uint8_t>(0xA0));
  EXPECT_EQ(EepromCheckLogic::TwoHexDigits(0xA0), "A0");

  // A single cell.
  Printer.SetEepromCell(0x1F, 0x3C);
  const size_t before = ControlEepromAddresses(0x41).size();
  const ShownCells one = ReadRange(0x1F, 0x1F);
  EXPECT_EQ(ControlEepromAddresses(0x41).size(), before + 1);
  EXPECT_EQ(one.Addresses, (std::vector<int>{0x1F}));
  EXPECT_EQ(one.Values.at(0x1F), std::optional<uint8_t>(0x3C));
}

TEST_F(ItemLogicTest, APrinterSwitchedOffMidRangeKeepsTheCellsReadAndSaysWhy) {
  Bench->Clock.OnPause = [this](uint32_t) {
    if (ControlEepromAddresses(0x41).size() >= 20) Printer.PowerOff();
  };
  bool answered = true;
  const ShownCells shown = ReadRange(0x00, 0xFF, &answered);
  Bench->Clock.OnPause = nullptr;
  EXPECT_FALSE(answered);
  EXPECT_GE(shown.Addresses.size(), 19u);
  EXPECT_LT(shown.Addresses.size(), 30u);  // one cell's retries, not the rest of the range
  EXPECT_TRUE(shown.Values.at(0x05).has_value());
  EXPECT_EQ(shown.Values.count(0xFF), 0u);
  const std::string why = "The printer does not answer. Check the cable and the power.";
  EXPECT_EQ(View.Text.substr(View.Text.size() - std::min(View.Text.size(), why.size())), why) << View.Text;
}

TEST_F(ItemLogicTest, WrongRangesAndCellsAreRefusedWithoutTouchingThePrinter) {
  for (const auto& [begin, end] : std::vector<std::pair<std::string, std::string>>{{"20", "1F"}, {"5", "10"}, {"G0", "FF"}}) {
    SCOPED_TRACE(begin);
    int first = -1;
    int last = -1;
    View.ClearMessages();
    EXPECT_FALSE(Bench->EepromCheck.CheckRange(begin, end, first, last));
    EXPECT_EQ(View.Text, "Input data is wrong.");
  }
  View.ClearMessages();
  EXPECT_FALSE(Bench->EepromCheck.WriteCell("5G", "10"));
  EXPECT_EQ(View.Text, "Input data is wrong.");
  EXPECT_TRUE(ControlEepromAddresses(0x41).empty());
  EXPECT_TRUE(ControlEepromAddresses(0x42).empty());
}

TEST_F(ItemLogicTest, ChangingACellWritesItAndShowsAddressAndData) {
  EXPECT_TRUE(Bench->EepromCheck.WriteCell("5F", "10"));
  EXPECT_EQ(View.Text, "Address = 5F\nData = 10");
  EXPECT_EQ(Printer.Eeprom()[0x5F], 0x10);
  EXPECT_EQ(ControlEepromAddresses(0x42), (std::vector<int>{0x5F}));
}

TEST_F(ItemLogicTest, HeadCleaningIsBusyUntilThePrinterIsReady) {
  int busyPolls = 0;
  int idlePolls = 0;
  Bench->Clock.OnPause = [&](uint32_t ms) {
    if (ms == RecordingView::ReadyPollMs) ++(View.Busy ? busyPolls : idlePolls);
  };
  Bench->Maintenance.CleanHead();
  Bench->Clock.OnPause = nullptr;
  EXPECT_EQ(View.Text, "Head cleaning is completed.");
  // The busy message holds the window until the done message has waited for a ready printer.
  ASSERT_EQ(View.Messages.size(), 2u);
  EXPECT_EQ(View.Messages[0].Kind, wsBusy);
  EXPECT_EQ(View.Messages[1].Kind, wsDone);
  EXPECT_FALSE(View.Busy);
  EXPECT_GE(busyPolls, 10);  // the cleaning takes tens of seconds
  EXPECT_EQ(idlePolls, 0);
  // One cleaning command with sequence 2 went out on the data channel.
  const std::vector<Block> commands = ServiceCommands();
  EXPECT_EQ(std::count(commands.begin(), commands.end(), Block{0x84, 0x02}), 1);
}

TEST_F(ItemLogicTest, PrinterInErrorBeforeCleaningGetsNoCommand) {
  Printer.Faults().PrinterError = 4;
  const auto dataPackets = [this] {
    const std::vector<Block> blocks = captured::HostBlocks(Printer);
    return std::count_if(blocks.begin(), blocks.end(), [](const Block& b) { return b[0] == 0x40; });
  };
  const auto before = dataPackets();
  Bench->Maintenance.CleanHead();
  EXPECT_EQ(View.Text, "Printer is error.");
  EXPECT_EQ(View.LineRed, std::vector<bool>{true});
  EXPECT_EQ(dataPackets(), before);
}

TEST_F(ItemLogicTest, ProtectionCounterIsReadAndCleared) {
  Printer.SetEepromCell(0x0A, 0x57);
  Printer.SetEepromCell(0x0B, 0x08);
  Bench->Maintenance.CheckCounter();
  EXPECT_EQ(View.Text, "Counter value = 22280");
  EXPECT_EQ(ControlEepromAddresses(0x41), (std::vector<int>{0x0B, 0x0A}));

  Printer.SetEepromCell(0x0A, 0xFF);
  Printer.SetEepromCell(0x0B, 0xFF);
  Bench->Maintenance.CheckCounter();
  EXPECT_EQ(View.Text, "Counter value = 65535");

  // No: nothing is written.
  Boxes.Answer(DialogAnswer::No);
  EXPECT_FALSE(Bench->Maintenance.ClearCounter());
  EXPECT_EQ(Boxes.Texts(), (std::vector<std::string>{"Have you replaced the Waste Ink Pad certainly?",
                                                      "Please replace the Waste Ink Pad."}));
  EXPECT_TRUE(ControlEepromAddresses(0x42).empty());

  // Yes: high byte first, then low byte.
  Boxes.Answer(DialogAnswer::Yes);
  EXPECT_TRUE(Bench->Maintenance.ClearCounter());
  EXPECT_EQ(ControlEepromAddresses(0x42), (std::vector<int>{0x0A, 0x0B}));
  EXPECT_EQ(Printer.Eeprom()[0x0A], 0);
  EXPECT_EQ(Printer.Eeprom()[0x0B], 0);
  EXPECT_EQ(View.Text, "The protect counter has been initialized.");
  EXPECT_EQ(View.SummaryOf(SummaryField::ProtectionCounter), "Initialized");
}

TEST_F(ItemLogicTest, HeadIdIsWrittenShownAndReadBack) {
  EXPECT_TRUE(Bench->HeadId.WriteHeadId("AZAAAAAAAAAAC"));
  EXPECT_EQ(View.Text, "As head actuator voltage, \n\"AZAAAAAAAAAAC\" has been written in EEPROM.");
  EXPECT_EQ(View.SummaryOf(SummaryField::HeadId), "AZAAAAAAAAAAC");
  EXPECT_EQ(Printer.Eeprom()[0x47], 0x8C);
  Bench->HeadId.ShowHeadId();
  EXPECT_EQ(View.Text, "Head voltage ID = AZAAAAAAAAAAC");
}

TEST_F(ItemLogicTest, UsbIdIsWrittenWithTheDateOfWriting) {
  Bench->Clock.SetLocalTime({2026, 12, 7, 11, 51, 6});
  EXPECT_TRUE(Bench->UsbId.WriteUsbId("ABC1234567"));
  EXPECT_EQ(View.Text, "USB ID\n\"ABC123456 7RC7BL620\"\n has been written in EEPROM.");
  EXPECT_EQ(View.SummaryOf(SummaryField::UsbId), "ABC123456 7RC7BL620");
  const std::string stored(Printer.Eeprom().begin() + 0x4D, Printer.Eeprom().begin() + 0x5F);
  EXPECT_EQ(stored, "ABC1234567RC7BL620");
  Bench->UsbId.ShowUsbId();
  EXPECT_EQ(View.Text, "USB ID = ABC1234567RC7BL620");
}

// Every kind of wrong ID has its own message (see the IDs' own tests); here, that it is shown and nothing is written.
TEST_F(ItemLogicTest, WrongIdsAreReportedAndNothingIsWritten) {
  // One byte per typed character: a letter outside the alphabet fails at its position, not as a length.
  EXPECT_FALSE(Bench->HeadId.WriteHeadId("AZ\xC9" "AAAAAAAAAC"));
  EXPECT_EQ(View.Text, "Third Digit is wrong.");
  for (const auto& [serial, message] : std::vector<std::pair<std::string, std::string>>{
           {"ABC123456", "The Number of digit is wrong."}, {"ABC123456\xC9", "Parameter is only number & alphabet."}}) {
    EXPECT_FALSE(Bench->UsbId.WriteUsbId(serial));
    EXPECT_EQ(View.Text, message) << serial;
  }
  EXPECT_TRUE(WrittenIdCells().empty());
  EXPECT_TRUE(View.Summary.empty());

  Printer.SetEepromCell(0x4D, 0xFF);
  Bench->UsbId.ShowUsbId();
  EXPECT_EQ(View.Text, "Invalid USB ID");
  EXPECT_EQ(CommandsWithCode(ServiceCommands(), 0x41), 1);
}
