// The trainer's switches in faults.conf, and the EEPROM answer faults they turn on.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "sim/files/FaultFile.h"
#include "tests/sim/SimTestSupport.h"

namespace {

TEST(FaultFile, EverySwitchAndSpellingIsUnderstood) {
  const FaultFileContents contents = ParseFaultFile(
      "# a trainer's file\n"
      "busy-ack = on\n"
      "No-Answer=TRUE   # spaces and capitals do not matter\n"
      "short-eeprom-reply = 1\n"
      "drop-eeprom-reply = off\n"
      "paper-out = true\n"
      "printer-error = 04\n"
      "held-state = cleaning\n"
      "eeprom-fault-cell = 3a\n"
      "hold-after-writes = 12\n"
      "power = off\r\n"
      "\n"
      "   # only a comment\n");
  EXPECT_TRUE(contents.NotUnderstood.empty()) << testing::PrintToString(contents.NotUnderstood);
  const PrinterFaults& faults = contents.Switches.Faults;
  EXPECT_TRUE(faults.BusyAck);
  EXPECT_TRUE(faults.NoAnswer);
  EXPECT_TRUE(faults.ShortEepromReply);
  EXPECT_FALSE(faults.DropEepromReply);
  EXPECT_TRUE(faults.PaperOut);
  EXPECT_EQ(faults.PrinterError, 4);
  EXPECT_EQ(faults.HeldState, PrinterState::Cleaning);
  EXPECT_EQ(faults.EepromFaultCell, 0x3A);
  EXPECT_EQ(faults.HoldAfterWrites, 12u);
  EXPECT_FALSE(contents.Switches.PowerOn);
  EXPECT_FALSE(faults.ShortWrite);  // left out: off

  const FaultFileContents empty = ParseFaultFile("");
  EXPECT_TRUE(empty.Switches.PowerOn);
  EXPECT_FALSE(empty.Switches.Faults.BusyAck);
  EXPECT_FALSE(empty.Switches.Faults.PrinterError.has_value());
}

TEST(FaultFile, LinesNotUnderstoodAreListedAndChangeNothing) {
  const FaultFileContents contents = ParseFaultFile(
      "busy-ack = maybe\nflood = on\nprinter-error = 100\nheld-state = ready\neeprom-fault-cell = 3\n"
      "hold-after-writes = 0\nhold-after-writes = -1\npower\n= on\nno-answer = on # still read\n");
  EXPECT_EQ(contents.NotUnderstood,
            (std::vector<std::string>{"busy-ack = maybe", "flood = on", "printer-error = 100", "held-state = ready",
                                      "eeprom-fault-cell = 3", "hold-after-writes = 0", "hold-after-writes = -1",
                                      "power", "= on"}));
  EXPECT_FALSE(contents.Switches.Faults.BusyAck);
  EXPECT_FALSE(contents.Switches.Faults.PrinterError.has_value());
  EXPECT_FALSE(contents.Switches.Faults.HeldState.has_value());
  EXPECT_TRUE(contents.Switches.Faults.NoAnswer);
  EXPECT_TRUE(contents.Switches.PowerOn);
}

TEST(FaultFile, ZeroIsAnErrorNumberNotOff) {
  EXPECT_EQ(ParseFaultFile("printer-error = 0\n").Switches.Faults.PrinterError, 0);
  EXPECT_EQ(ParseFaultFile("eeprom-fault-cell = 00\n").Switches.Faults.EepromFaultCell, 0);
  EXPECT_FALSE(ParseFaultFile("printer-error = off\n").Switches.Faults.PrinterError.has_value());
}

TEST(FaultFile, ChangedSwitchesAreNamedWithTheirNewValues) {
  FaultSwitches before;
  FaultSwitches after;
  after.PowerOn = false;
  after.Faults.BusyAck = true;
  after.Faults.PrinterError = 6;
  after.Faults.HeldState = PrinterState::Printing;
  EXPECT_EQ(ChangedSwitches(before, after), (std::vector<std::string>{"power = off", "busy-ack = on",
                                                                      "printer-error = 6", "held-state = printing"}));
  EXPECT_TRUE(ChangedSwitches(after, after).empty());
}

class FaultFileOnPrinter : public testing::Test {
protected:
  TempDirectory Dir;
  VirtualClock Clock;
  std::ostringstream Report;
  std::unique_ptr<VirtualPrinter> Printer;

  void SetUp() override {
    Printer = std::make_unique<VirtualPrinter>(Clock, Dir.Path.string());
    Printer->SetFaultReport(Report);
  }
  void WriteFaults(const std::string& text) {
    std::ofstream(Dir.Path / "faults.conf") << text;
    Printer->CheckTrainerFiles();
  }
  // The acknowledgement letter of a control-channel write of `value` to 0x5F.
  char WriteAck(uint8_t value) {
    const auto ask = [&](const Bytes& block) {
      Printer->ReceiveFromHost(block.data(), block.size());
      Bytes reply(256);
      reply.resize(Printer->ReadReplyBytes(reply.data(), reply.size()));
      return reply;
    };
    ask(ModeSwitchBlock());
    ask(InitBlock());
    ask(OpenBlock(0x02));
    ask(CreditBlock(0x02, 1));
    ask(CreditRequestBlock(0x02, 1));
    const Bytes reply = ask(Packet(0x02, ControlWriteRequest(0x5F, value)));
    return reply.size() > 12 ? static_cast<char>(reply[12]) : '\0';
  }
};

TEST_F(FaultFileOnPrinter, SwitchesFollowTheFileAsItChanges) {
  Printer->CheckTrainerFiles();
  EXPECT_EQ(Report.str(), "");  // no file, no news

  WriteFaults("busy-ack = on\nflood = on\n");
  EXPECT_TRUE(Printer->Faults().BusyAck);
  EXPECT_EQ(WriteAck(0x22), 'B');
  EXPECT_NE(Printer->Eeprom()[0x5F], 0x22);
  EXPECT_EQ(Report.str(), "faults.conf: ignored, not understood: flood = on\nvirtual printer: busy-ack = on\n");

  // An unchanged file is not read again; the same unknown line is reported once only.
  Report.str("");
  Printer->CheckTrainerFiles();
  WriteFaults("flood = on\npower = off\n");
  EXPECT_EQ(Report.str(), "virtual printer: power = off\nvirtual printer: busy-ack = off\n");
  EXPECT_FALSE(Printer->PoweredOn());

  // A file that has gone leaves every switch off and the power on.
  Report.str("");
  std::filesystem::remove(Dir.Path / "faults.conf");
  Printer->CheckTrainerFiles();
  EXPECT_TRUE(Printer->PoweredOn());
  EXPECT_EQ(Report.str(), "virtual printer: power = on\n");
  Clock.Advance(VirtualPrinter::PowerOnBusyMs);
  EXPECT_EQ(WriteAck(0x22), 'O');
  EXPECT_EQ(Printer->Eeprom()[0x5F], 0x22);
}

TEST(EepromAnswerFaults, ShortAndLostAnswersOnBothChannels) {
  SimHost host;
  host.StartLink();
  host.Printer.SetEepromCell(0x33, 0x05);
  host.Printer.SetEepromCell(0x34, 0x06);
  const auto controlPayload = [&](uint8_t cell) { return Text(host.Control(ControlReadRequest(cell)), 6); };
  const auto dataAnswer = [&](uint8_t cell) { return host.Service(0x41, {cell}); };

  EXPECT_EQ(controlPayload(0x33), "||:41;OK;EE:3305\r\n");
  EXPECT_EQ(dataAnswer(0x33).size(), 24u);

  host.Printer.Faults().ShortEepromReply = true;
  EXPECT_EQ(controlPayload(0x33), "||:41;OK;E");  // ends before the value at position 14
  EXPECT_EQ(dataAnswer(0x33).size(), 18u);

  host.Printer.Faults().ShortEepromReply = false;
  host.Printer.Faults().DropEepromReply = true;
  host.Printer.Faults().EepromFaultCell = 0x33;
  EXPECT_TRUE(host.Control(ControlReadRequest(0x33)).empty());
  EXPECT_TRUE(dataAnswer(0x33).empty());
  // Only the chosen cell is touched; writes and other cells are answered as usual.
  EXPECT_EQ(controlPayload(0x34), "||:41;OK;EE:3406\r\n");
  EXPECT_EQ(dataAnswer(0x34).size(), 24u);
  EXPECT_EQ(Text(host.Control(ControlWriteRequest(0x33, 0x07)), 6), "||:42;OK;\r\n");
  EXPECT_EQ(host.Printer.Eeprom()[0x33], 0x07);
  EXPECT_TRUE(host.Printer.ProtocolViolations().empty()) << testing::PrintToString(host.Printer.ProtocolViolations());
}

}  // namespace

namespace {

TEST_F(FaultFileOnPrinter, ABoardReplacedByAFileIsNewAndTheFileGoes) {
  Printer->SetEepromCell(0x3F, 0x0C);
  std::ofstream(Dir.Path / "replace-main-board");
  Printer->CheckTrainerFiles();
  EXPECT_FALSE(std::filesystem::exists(Dir.Path / "replace-main-board"));
  EXPECT_EQ(Printer->Eeprom()[0x3F], 0xFF);
  EXPECT_TRUE(Printer->PoweredOn());
  EXPECT_EQ(Report.str(), "virtual printer: main board replaced (every EEPROM cell 0xFF)\n");

  // Replaced while switched off, it stays off.
  WriteFaults("power = off\n");
  std::ofstream(Dir.Path / "replace-main-board");
  Printer->SetEepromCell(0x3F, 0x0C);
  Printer->CheckTrainerFiles();
  EXPECT_EQ(Printer->Eeprom()[0x3F], 0xFF);
  EXPECT_FALSE(Printer->PoweredOn());
}

}  // namespace
