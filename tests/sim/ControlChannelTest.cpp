// The control channel: status text at the host's positions, EEPROM requests, reset, faults.
#include <gtest/gtest.h>

#include <optional>

#include "tests/sim/SimTestSupport.h"

namespace {

// Reads a status payload the way the host does: tags found anywhere, fixed offsets behind them.
struct ParsedStatus {
  char StateDigit = '?';
  std::optional<int> Error;
  std::vector<int> Warnings;
  Bytes Ink;
};

int HexDigit(char c) { return c >= '0' && c <= '9' ? c - '0' : c - 'A' + 10; }

ParsedStatus ParseStatus(const std::string& text) {
  ParsedStatus parsed;
  if (const size_t at = text.find("ST:"); at != std::string::npos && at + 4 < text.size())
    parsed.StateDigit = text[at + 4];
  if (const size_t at = text.find("IQ:"); at != std::string::npos && at + 15 <= text.size())
    for (size_t i = 0; i < 6; ++i)
      parsed.Ink.push_back(static_cast<uint8_t>(HexDigit(text[at + 3 + 2 * i]) * 16 + HexDigit(text[at + 4 + 2 * i])));
  if (const size_t at = text.find("ER:"); at != std::string::npos && at + 5 <= text.size())
    parsed.Error = (text[at + 3] - '0') * 10 + (text[at + 4] - '0');
  if (const size_t at = text.find("WR:"); at != std::string::npos) {
    for (size_t k = 0; k < 6 && at + 5 + 2 * k < text.size(); ++k) {
      parsed.Warnings.push_back((text[at + 3 + 2 * k] - '0') * 10 + (text[at + 4 + 2 * k] - '0'));
      if (text[at + 5 + 2 * k] == ';') break;
    }
  }
  return parsed;
}

TEST(ControlChannel, StatusTextOfAReadyPrinter) {
  SimHost host;
  host.StartLink();
  const Bytes reply = host.Control(StatusRequestBytes);
  const std::string expected = "@QCL STATUS\r\nST:04;IQ:4841503A5B4D;\r\n";
  ASSERT_EQ(reply.size(), 6 + expected.size());
  EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 6),
            (Bytes{0x02, 0x02, 0x00, static_cast<uint8_t>(reply.size()), 0, 0}));
  EXPECT_EQ(Text(reply, 6), expected);
  EXPECT_TRUE(host.Printer.ProtocolViolations().empty());
}

TEST(ControlChannel, StatusFieldsStandWhereTheHostReadsThem) {
  const struct {
    const char* What;
    bool PaperOut;
    std::optional<int> PrinterError;
    std::optional<PrinterState> Held;
    std::vector<int> Warnings;
    char State;
    std::optional<int> Error;
  } cases[] = {
      {"ready", false, std::nullopt, std::nullopt, {}, '4', std::nullopt},
      {"paper out", true, std::nullopt, std::nullopt, {}, '0', 6},
      {"error 10 wins over paper out", true, 10, std::nullopt, {}, '0', 10},
      {"unknown error 02 for the host's parser", false, 2, std::nullopt, {}, '0', 2},
      {"held busy, one warning", false, std::nullopt, PrinterState::Busy, {10}, '2', std::nullopt},
      {"motor off, six warnings",
       false,
       std::nullopt,
       PrinterState::MotorOff,
       {10, 11, 12, 13, 14, 15},
       '9',
       std::nullopt},
      {"errors win over a held state", true, std::nullopt, PrinterState::SelfPrinting, {}, '0', 6},
      {"before initial fill, a code the host refuses",
       false,
       std::nullopt,
       PrinterState::BeforeInitialFill,
       {12, 16},
       '8',
       std::nullopt},
  };
  for (const auto& c : cases) {
    SimHost host;
    host.StartLink();
    host.Printer.Faults().PaperOut = c.PaperOut;
    host.Printer.Faults().PrinterError = c.PrinterError;
    host.Printer.Faults().HeldState = c.Held;
    host.Printer.SetWarnings(c.Warnings);
    host.Printer.SetInkQuantities({0xFF, 0x0A, 0x64, 0x00, 0xFF, 0x32});
    const ParsedStatus parsed = ParseStatus(host.Status());
    EXPECT_EQ(parsed.StateDigit, c.State) << c.What;
    EXPECT_EQ(parsed.Error, c.Error) << c.What;
    EXPECT_EQ(parsed.Warnings, c.Warnings) << c.What;
    EXPECT_EQ(parsed.Ink, (Bytes{0xFF, 0x0A, 0x64, 0x00, 0xFF, 0x32})) << c.What;
  }
}

TEST(ControlChannel, EepromReadAndWrite) {
  SimHost host;
  host.StartLink();
  host.Printer.SetEepromCell(0x5F, 0x10);
  const Bytes read = host.Control(ControlReadRequest(0x5F));
  ASSERT_GE(read.size(), 6u + 16u);
  EXPECT_EQ(read[0], 0x02);
  EXPECT_EQ(read[1], 0x02);
  EXPECT_EQ(Text(read, 6).substr(14, 2), "10");

  EXPECT_EQ(Text(host.Control(ControlWriteRequest(0x0A, 0xAB)), 6).at(6), 'O');
  EXPECT_EQ(host.Printer.Eeprom()[0x0A], 0xAB);
  EXPECT_EQ(Text(host.Control(ControlReadRequest(0x0A)), 6).substr(14, 2), "AB");
  // A control-channel write is stored but the firmware works on with the old value until it restarts.
  EXPECT_NE(host.Printer.EepromInUse()[0x0A], 0xAB);

  host.Printer.Faults().BusyAck = true;
  EXPECT_EQ(Text(host.Control(ControlWriteRequest(0x0B, 0x77)), 6).at(6), 'B');
  EXPECT_NE(host.Printer.Eeprom()[0x0B], 0x77);
  EXPECT_TRUE(host.Printer.ProtocolViolations().empty());
}

TEST(ControlChannel, MalformedEepromRequestsChangeNothing) {
  const struct {
    const char* What;
    Bytes Request;
    std::string Expected;
  } cases[] = {
      {"wrong complement",
       {0x7C, 0x7C, 0x07, 0x00, TestModelCode0, TestModelCode1, 0x42, 0xBE, 0x21, 0x20, 0x55},
       "check bytes"},
      {"wrong rotation",
       {0x7C, 0x7C, 0x07, 0x00, TestModelCode0, TestModelCode1, 0x42, 0xBD, 0x84, 0x20, 0x55},
       "check bytes"},
      {"read code in a write",
       {0x7C, 0x7C, 0x07, 0x00, TestModelCode0, TestModelCode1, 0x41, 0xBE, 0xA0, 0x20, 0x55},
       "instead of 0x42"},
      {"length field 6 on 11 bytes",
       {0x7C, 0x7C, 0x06, 0x00, TestModelCode0, TestModelCode1, 0x42, 0xBD, 0x21, 0x20, 0x55},
       "gives length 6"},
      {"another model code", {0x7C, 0x7C, 0x07, 0x00, 0x00, 0x00, 0x42, 0xBD, 0x21, 0x20, 0x55}, "model code"},
      {"unknown request", {'x', 'y', 0x01, 0x00, 0x01}, "unknown control request"},
  };
  for (const auto& c : cases) {
    SimHost host;
    host.StartLink();
    host.Control(ControlReadRequest(0x00));  // the printer learns the model code
    const std::string reply = Text(host.Control(c.Request), 6);
    ASSERT_GT(reply.size(), 6u) << c.What;
    EXPECT_NE(reply[6], 'O') << c.What;
    EXPECT_NE(reply[6], 'B') << c.What;
    EXPECT_EQ(host.Printer.Eeprom()[0x20], 0x00) << c.What;
    ASSERT_EQ(host.Printer.ProtocolViolations().size(), 1u) << c.What;
    EXPECT_NE(host.Printer.ProtocolViolations()[0].find(c.Expected), std::string::npos)
        << c.What << ": " << host.Printer.ProtocolViolations()[0];
  }
}

// The refusal repeats the request's two letters where they stand bare; a space would not show.
TEST(ControlChannel, ARefusalRepeatsLettersThatShow) {
  const struct {
    Bytes Request;
    std::string Expected;
  } cases[] = {
      {{'x', 'y', 0x01, 0x00, 0x01}, "xy:NG;ERR;\r\n"},
      {{'!', '~', 0x01, 0x00, 0x01}, "!~:NG;ERR;\r\n"},
      {{' ', 'y', 0x01, 0x00, 0x01}, "??:NG;ERR;\r\n"},
      {{'x', 0x7F, 0x01, 0x00, 0x01}, "??:NG;ERR;\r\n"},
      {{'x'}, "??:NG;ERR;\r\n"},
  };
  for (const auto& c : cases) {
    SimHost host;
    host.StartLink();
    EXPECT_EQ(Text(host.Control(c.Request), 6), c.Expected);
  }
}

TEST(ControlChannel, ResetReinitialisesForAFewSeconds) {
  SimHost host;
  host.StartLink();
  host.Control(ControlWriteRequest(0x2E, 0x28));
  ASSERT_EQ(host.Printer.EepromInUse()[0x2E], 0x00);

  EXPECT_EQ(Text(host.Control(ResetRequestBytes), 6), "rs:01;OK;\r\n");
  EXPECT_EQ(host.Printer.EepromInUse()[0x2E], 0x28);
  EXPECT_EQ(ParseStatus(host.Status()).StateDigit, '2');
  host.TheClock.Advance(VirtualPrinter::ResetBusyMs - 1);
  EXPECT_EQ(host.Printer.State(), PrinterState::Busy);
  host.TheClock.Advance(1);
  EXPECT_EQ(ParseStatus(host.Status()).StateDigit, '4');

  host.Printer.Faults().BusyAck = true;
  EXPECT_EQ(Text(host.Control(ResetRequestBytes), 6).at(6), 'B');
  EXPECT_EQ(host.Printer.State(), PrinterState::Ready) << "a refused reset does not restart the firmware";
}

TEST(ControlChannel, AnswerFaults) {
  SimHost host;
  host.StartLink();
  host.Printer.Faults().WrongSocket = true;
  const Bytes wrong = host.Control(StatusRequestBytes);
  ASSERT_GE(wrong.size(), 6u);
  EXPECT_EQ(wrong[0], 0x40);
  EXPECT_EQ(wrong[1], 0x40);
  host.Printer.Faults().WrongSocket = false;

  host.Printer.Faults().GarbageStatus = "@QCL STATUS\r\nIQ:000000000000;\r\n";
  EXPECT_EQ(host.Status(), "@QCL STATUS\r\nIQ:000000000000;\r\n");
  host.Printer.Faults().GarbageStatus.reset();

  host.Printer.Faults().NoAnswer = true;
  EXPECT_TRUE(host.Exchange(CreditBlock(0x02, 1)).empty());
  EXPECT_TRUE(host.Control(StatusRequestBytes).empty());
  EXPECT_EQ(host.Printer.PendingReplyBytes(), 0u);
  host.Printer.Faults().NoAnswer = false;
  EXPECT_TRUE(host.Printer.ProtocolViolations().empty());
}

TEST(ControlChannel, AnswerNeedsTheHostsCredit) {
  SimHost host;
  host.Ask(ModeSwitchBlock());
  host.Ask(InitBlock());
  host.Ask(OpenBlock(0x02));
  host.Ask(CreditRequestBlock(0x02, 1));  // the host may send, but gave the printer nothing
  EXPECT_TRUE(host.Exchange(Packet(0x02, StatusRequestBytes)).empty());
  ASSERT_EQ(host.Printer.ProtocolViolations().size(), 1u);
  EXPECT_NE(host.Printer.ProtocolViolations()[0].find("no credit"), std::string::npos);
}

}  // namespace
