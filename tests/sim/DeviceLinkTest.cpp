// The printer's side of the packet link: mode switch, link command answers, credits, violations.
#include <gtest/gtest.h>

#include <set>

#include "sim/wire/PrinterWire.h"
#include "tests/sim/SimTestSupport.h"

namespace {

bool AnyViolationMentions(const VirtualPrinter& printer, const std::string& part) {
  for (const std::string& violation : printer.ProtocolViolations())
    if (violation.find(part) != std::string::npos) return true;
  return false;
}

TEST(DeviceLink, ModeSwitchIsAnsweredOnlyAsAWholeBlock) {
  SimHost host;
  // Before the mode switch the printer ignores packets, even well-formed ones.
  EXPECT_TRUE(host.Exchange(InitBlock()).empty());
  Bytes cut = ModeSwitchBlock();
  cut.pop_back();
  EXPECT_TRUE(host.Exchange(cut).empty());
  EXPECT_FALSE(host.Printer.InPacketMode());

  // Byte 6 of the switch is 'Q' (0x51); the answer carries 0x51 + 0x80.
  EXPECT_EQ(host.Ask(ModeSwitchBlock()), (Bytes{0x00, 0x00, 0x00, 0x08, 0x01, 0x00, 0xD1, 0x00}));
  EXPECT_TRUE(host.Printer.InPacketMode());
  EXPECT_TRUE(host.Printer.ProtocolViolations().empty());
}

TEST(DeviceLink, LinkCommandAnswersByteForByte) {
  SimHost host;
  host.Ask(ModeSwitchBlock());
  const struct {
    const char* What;
    Bytes Command;
    Bytes Reply;
  } cases[] = {
      {"Init", InitBlock(), {0, 0, 0, 0x09, 1, 0, 0x80, 0x00, 0x10}},
      {"Open control", OpenBlock(0x02), {0, 0, 0, 0x12, 1, 0, 0x81, 0, 0x02, 0x02, 0, 0x80, 0, 0x80, 0, 0, 0, 0}},
      {"Credit control", CreditBlock(0x02, 1), {0, 0, 0, 0x0C, 1, 0, 0x83, 0, 0x02, 0x02, 0x00, 0x01}},
      {"Credit control again adds up", CreditBlock(0x02, 1), {0, 0, 0, 0x0C, 1, 0, 0x83, 0, 0x02, 0x02, 0x00, 0x02}},
      {"Request on control is capped at 1",
       CreditRequestBlock(0x02, 5),
       {0, 0, 0, 0x0C, 1, 0, 0x84, 0, 0x02, 0x02, 0x00, 0x01}},
      {"Open data", OpenBlock(0x40), {0, 0, 0, 0x12, 1, 0, 0x81, 0, 0x40, 0x40, 0, 0x80, 0, 0x80, 0, 0, 0, 0}},
      {"Request data 200", CreditRequestBlock(0x40, 200), {0, 0, 0, 0x0C, 1, 0, 0x84, 0, 0x40, 0x40, 0x00, 0xC8}},
      {"Request more while holding 200 stays 200",
       CreditRequestBlock(0x40, 300),
       {0, 0, 0, 0x0C, 1, 0, 0x84, 0, 0x40, 0x40, 0x00, 0xC8}},
      {"Give data 200", CreditBlock(0x40, 200), {0, 0, 0, 0x0C, 1, 0, 0x83, 0, 0x40, 0x40, 0x00, 0xC8}},
      {"Give data 200 more", CreditBlock(0x40, 200), {0, 0, 0, 0x0C, 1, 0, 0x83, 0, 0x40, 0x40, 0x01, 0x90}},
      {"Close data", CloseBlock(0x40), {0, 0, 0, 0x0A, 1, 0, 0x82, 0, 0x40, 0x40}},
      {"Credit on the closed channel is refused",
       CreditRequestBlock(0x40, 200),
       {0, 0, 0, 0x0C, 1, 0, 0x84, 0x01, 0x40, 0x40, 0x00, 0x00}},
      {"Close it again", CloseBlock(0x40), {0, 0, 0, 0x0A, 1, 0, 0x82, 0, 0x40, 0x40}},
      {"Exit", ExitBlock(), {0, 0, 0, 0x08, 1, 0, 0x88, 0x00}},
  };
  for (const auto& c : cases) EXPECT_EQ(host.Ask(c.Command), c.Reply) << c.What;
  // Refusing credit on a closed channel and closing twice are not the host's mistakes.
  EXPECT_TRUE(host.Printer.ProtocolViolations().empty());
  EXPECT_FALSE(host.Printer.InPacketMode());
  EXPECT_TRUE(host.Exchange(InitBlock()).empty()) << "after Exit a new mode switch is needed";
}

TEST(DeviceLink, HostMistakesAreRecorded) {
  const struct {
    const char* What;
    bool OpenData;
    bool DataCredit;
    Bytes Block;
    std::string Expected;
  } cases[] = {
      {"data on a closed channel", false, false, Packet(0x40, {0x1B, 0x40}), "not open"},
      {"data without credit", true, false, Packet(0x40, {0x1B, 0x40}), "without credit"},
      {"length field too big", true, true, {0x40, 0x40, 0x00, 0x09, 0, 0, 0x1B, 0x40}, "length 9"},
      {"credit byte on a data packet", true, true, Packet(0x40, {0x1B, 0x40}, 1, 0), "credit 1"},
      {"link command with credit 0", true, true, Packet(0x00, {0x00, 0x10}, 0, 0), "instead of 1 and 0"},
      {"packet above 128 bytes", true, true, Packet(0x40, Bytes(123, 0x20)), "maximum of 128"},
      {"socket that does not exist", true, true, Packet(0x10, {0x01}), "no channel"},
      {"two different sockets", true, true, {0x40, 0x02, 0x00, 0x07, 0, 0, 0x20}, "two different sockets"},
      {"block shorter than a header", true, true, {0x40, 0x40, 0x00, 0x04}, "shorter than a packet header"},
      {"unknown link command", true, true, LinkCommandBlock({0x07}), "unknown link command 0x07"},
      {"Init of the wrong length", true, true, LinkCommandBlock({0x00, 0x10, 0x00}), "Init of 9 bytes"},
      {"Init of another revision", true, true, LinkCommandBlock({0x00, 0x20}), "revision 0x20"},
      {"channel that does not exist", true, true, OpenBlock(0x41), "OpenChannel for socket 0x41"},
  };
  for (const auto& c : cases) {
    SimHost host;
    host.Ask(ModeSwitchBlock());
    host.Ask(InitBlock());
    host.Ask(OpenBlock(0x02));
    if (c.OpenData) host.Ask(OpenBlock(0x40));
    if (c.DataCredit) host.Ask(CreditRequestBlock(0x40, 200));
    ASSERT_TRUE(host.Printer.ProtocolViolations().empty()) << c.What;
    host.Exchange(c.Block);
    EXPECT_TRUE(AnyViolationMentions(host.Printer, c.Expected)) << c.What;
  }
}

TEST(DeviceLink, HostCreditIsSpentPacketByPacket) {
  SimHost host;
  host.Ask(ModeSwitchBlock());
  host.Ask(OpenBlock(0x40));
  host.Ask(CreditRequestBlock(0x40, 2));
  host.Data({0x1B, 0x40});
  host.Data({0x1B, 0x40});
  EXPECT_TRUE(host.Printer.ProtocolViolations().empty());
  host.Data({0x1B, 0x40});
  ASSERT_EQ(host.Printer.ProtocolViolations().size(), 1u);
  EXPECT_NE(host.Printer.ProtocolViolations()[0].find("without credit"), std::string::npos);
}

TEST(DeviceLink, ModeSwitchInPacketModeStartsAFreshLink) {
  SimHost host;
  host.StartLink();
  ASSERT_TRUE(host.Printer.ChannelOpen(0x40));
  EXPECT_EQ(host.Ask(ModeSwitchBlock())[6], 0xD1);
  EXPECT_FALSE(host.Printer.ChannelOpen(0x02));
  EXPECT_FALSE(host.Printer.ChannelOpen(0x40));
  EXPECT_TRUE(host.Printer.ProtocolViolations().empty());
}

// A whole visit as the host makes it leaves no violation behind.
TEST(DeviceLink, CorrectVisitHasNoViolations) {
  SimHost host;
  host.StartLink();
  EXPECT_NE(host.Status().find("ST:04"), std::string::npos);
  EXPECT_EQ(host.Service(0x41, {0x33}).size(), 24u);
  host.Service(0x00, {1, 1, 0xFE, 0xFF});
  for (int packet = 0; packet < 3; ++packet) host.Data(Bytes(100, 0x20));
  host.Data({0x1B, 0x40, 0x0C});
  host.Control(ControlWriteRequest(0x0A, 0x00));
  host.Ask(CloseBlock(0x40));
  host.TheClock.Pause(200);
  EXPECT_EQ(host.Control(ResetRequestBytes)[12], 'O');
  host.TheClock.Pause(10000);
  host.Ask(CloseBlock(0x02));
  host.Ask(ExitBlock());
  EXPECT_TRUE(host.Printer.ProtocolViolations().empty()) << host.Printer.ProtocolViolations()[0];
  EXPECT_EQ(host.Printer.Jobs().size(), 1u);
  EXPECT_EQ(host.Printer.State(), PrinterState::Ready);
}

TEST(DeviceLink, WireTablesAreConsistent) {
  using namespace PrinterWire;
  std::set<uint8_t> codes;
  for (const LinkCommandInfo& info : LinkCommands) {
    EXPECT_TRUE(codes.insert(static_cast<uint8_t>(info.Code)).second) << info.Name;
    EXPECT_GE(info.Length, 7u) << info.Name;
    EXPECT_LE(info.Length, 17u) << info.Name;
  }
  // Check bytes the host sends, as listed for each service command.
  const struct {
    uint8_t Code, Complement, Rotated;
  } checks[] = {{0x41, 0xBE, 0xA0}, {0x42, 0xBD, 0x21}, {0x00, 0xFF, 0x00}, {0x84, 0x7B, 0x42}, {0xC5, 0x3A, 0xE2},
                {0xC4, 0x3B, 0x62}, {0xC9, 0x36, 0xE4}, {0x81, 0x7E, 0xC0}, {0xCA, 0x35, 0x65}, {0x50, 0xAF, 0x28}};
  codes.clear();
  for (const ServiceCommandInfo& info : ServiceCommands) {
    EXPECT_TRUE(codes.insert(static_cast<uint8_t>(info.Code)).second) << info.Name;
    EXPECT_LE(info.ParameterCount, 4u) << info.Name;
  }
  for (const auto& c : checks) {
    EXPECT_NE(FindServiceCommand(c.Code), nullptr) << int(c.Code);
    EXPECT_EQ(Complement(c.Code), c.Complement) << int(c.Code);
    EXPECT_EQ(RotateRight(c.Code), c.Rotated) << int(c.Code);
  }
  EXPECT_EQ(codes.size(), std::size(checks));
}

}  // namespace
