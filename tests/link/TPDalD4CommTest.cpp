#include "tests/link/LinkFixture.h"

namespace {

Bytes Payload(size_t count, uint8_t first = 0) {
  Bytes bytes(count);
  for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(first + i);
  return bytes;
}

Bytes Header(const Bytes& packet) { return Bytes(packet.begin(), packet.begin() + 6); }

}  // namespace

TEST_F(LinkTest, LinkCommandsGoOutByteExact) {
  OpenParallel();
  Ports.AnswerLinkCommands();
  ASSERT_TRUE(Comm.EnterPacketMode());
  ASSERT_TRUE(Comm.InitLink());
  ASSERT_TRUE(Comm.OpenChannel(DataSocket));
  ASSERT_TRUE(Comm.CloseChannel(ControlSocket, 0));
  ASSERT_TRUE(Comm.GiveCredit(ControlSocket, 1));
  ASSERT_TRUE(Comm.RequestCredit(DataSocket, 200));
  Comm.ExitLink();
  const std::string modeSwitch("\x00\x00\x00\x1B\x01@QCL 1284.4\n@QCL\n@QCL\n", 27);
  const Bytes expectedModeSwitch(modeSwitch.begin(), modeSwitch.end());
  const std::vector<Bytes> expected = {
      expectedModeSwitch,
      {0x00, 0x00, 0x00, 0x08, 0x01, 0x00, 0x00, 0x10},
      {0x00, 0x00, 0x00, 0x11, 0x01, 0x00, 0x01, 0x40, 0x40, 0x00, 0x80, 0x00, 0x80, 0x00, 0x00, 0x00, 0x00},
      {0x00, 0x00, 0x00, 0x0A, 0x01, 0x00, 0x02, 0x02, 0x02, 0x00},
      {0x00, 0x00, 0x00, 0x0B, 0x01, 0x00, 0x03, 0x02, 0x02, 0x00, 0x01},
      {0x00, 0x00, 0x00, 0x0D, 0x01, 0x00, 0x04, 0x40, 0x40, 0xFF, 0xFF, 0x00, 0xC8},
      {0x00, 0x00, 0x00, 0x07, 0x01, 0x00, 0x08},
  };
  EXPECT_EQ(Ports.Writes, expected);
  EXPECT_EQ(Comm.DataCreditLeft(), 200);
}

TEST_F(LinkTest, LinkCommandRetriesThreeTimesOneSecondApartAndAcceptsAnyResultByte) {
  OpenParallel();
  EXPECT_FALSE(Comm.InitLink());
  EXPECT_EQ(Ports.Writes.size(), 3u);
  EXPECT_EQ(std::count(Clock.Pauses().begin(), Clock.Pauses().end(), 1000u), 3);

  Ports.Writes.clear();
  Ports.QueueReply({0, 0, 0, 8, 1, 0, 0x81, 0});        // a reply to another command
  Ports.QueueReply({0, 0, 0, 8, 1, 0, 0x80, 0x05});     // right code, nonzero result
  EXPECT_TRUE(Comm.InitLink());
  EXPECT_EQ(Ports.Writes.size(), 2u);

  Ports.Writes.clear();
  Clock.ClearPauses();
  Ports.ShortWriteOnBlock = 0;
  EXPECT_FALSE(Comm.InitLink());
  EXPECT_EQ(Ports.Writes.size(), 1u);
  EXPECT_TRUE(Clock.Pauses().empty());
}

TEST_F(LinkTest, SendDataSendsFullPacketsAndFlushSendsTheRest) {
  OpenParallel();
  Ports.AnswerLinkCommands();
  ASSERT_TRUE(Comm.OpenChannel(DataSocket));
  Ports.Writes.clear();
  const Bytes first = Payload(100, 0), second = Payload(100, 100), third = Payload(50, 200);
  Comm.SendData(first.data(), first.size());
  Comm.SendData(second.data(), second.size());
  Comm.SendData(third.data(), third.size());
  // The first call asks for credit, then gives the printer credit, before its packet.
  ASSERT_GE(Ports.Writes.size(), 4u);
  EXPECT_EQ(Ports.Writes[0], (Bytes{0x00, 0x00, 0x00, 0x0D, 0x01, 0x00, 0x04, 0x40, 0x40, 0xFF, 0xFF, 0x00, 0xC8}));
  EXPECT_EQ(Ports.Writes[1], (Bytes{0x00, 0x00, 0x00, 0x0B, 0x01, 0x00, 0x03, 0x40, 0x40, 0x00, 0xC8}));
  std::vector<Bytes> data = PacketsOn(DataSocket);
  ASSERT_EQ(data.size(), 2u);
  EXPECT_EQ(Header(data[0]), (Bytes{0x40, 0x40, 0x00, 106, 0x00, 0x00}));
  EXPECT_EQ(Bytes(data[1].begin() + 6, data[1].end()), second);
  EXPECT_EQ(Comm.QueuedDataCount(), 50u);

  Comm.FlushData();
  data = PacketsOn(DataSocket);
  ASSERT_EQ(data.size(), 3u);
  EXPECT_EQ(Header(data[2]), (Bytes{0x40, 0x40, 0x00, 56, 0x00, 0x00}));
  EXPECT_EQ(Bytes(data[2].begin() + 6, data[2].end()), third);
  EXPECT_EQ(Comm.QueuedDataCount(), 0u);
  EXPECT_EQ(Comm.DataCreditLeft(), 197);

  const Bytes exact = Payload(100);
  Comm.SendData(exact.data(), exact.size());
  EXPECT_EQ(PacketsOn(DataSocket).size(), 4u);
  EXPECT_EQ(Comm.QueuedDataCount(), 0u);
}

TEST_F(LinkTest, SendCommandSendsOnePacketAheadOfQueuedData) {
  OpenParallel();
  Ports.AnswerLinkCommands();
  ASSERT_TRUE(Comm.OpenChannel(DataSocket));
  const Bytes reset{0x1B, 0x40};
  Comm.SendData(reset.data(), reset.size());
  const Bytes command = Payload(11, 0x30);
  Comm.SendCommand(command.data(), command.size());
  const std::vector<Bytes> data = PacketsOn(DataSocket);
  ASSERT_EQ(data.size(), 1u);
  EXPECT_EQ(data[0].size(), 17u);
  EXPECT_EQ(Header(data[0]), (Bytes{0x40, 0x40, 0x00, 0x11, 0x00, 0x00}));
  EXPECT_EQ(Comm.QueuedDataCount(), 2u);
}

TEST_F(LinkTest, SpentDataCreditIsRenewedBeforeEveryPacket) {
  OpenParallel();
  // A printer that grants one unit of credit at a time.
  Ports.Responder = [this](const Bytes& block) {
    if (block[0] != 0) return;
    Ports.QueueReply(LinkReply(block[6], block[7], 1));
  };
  ASSERT_TRUE(Comm.OpenChannel(DataSocket));
  Ports.Writes.clear();
  Comm.SendData(Payload(99).data(), 99);
  const Bytes more = Payload(128);
  Comm.SendData(more.data(), more.size());  // 227 bytes: two packets in one call
  Comm.FlushData();
  int creditRequests = 0;
  int creditBeforePacket = 0;
  for (const Bytes& block : Ports.Writes) {
    if (block[0] == 0 && block[6] == 0x04) ++creditRequests, creditBeforePacket = 1;
    if (block[0] == DataSocket) {
      EXPECT_EQ(creditBeforePacket, 1) << "a data packet went out without credit";
      creditBeforePacket = 0;
    }
  }
  EXPECT_EQ(creditRequests, 3);
  EXPECT_EQ(Comm.DataCreditLeft(), 0);
}

TEST_F(LinkTest, PrinterCreditComesOnlyFromTheCurrentCreditReply) {
  OpenParallel();
  // A long reply leaves 0x12 0x34 in bytes 10 and 11; the Credit reply after it is 8 bytes long.
  Ports.QueueReply(LinkReply(0x04, 0x40, 0x1234));
  ASSERT_TRUE(Comm.RequestCredit(DataSocket, 200));
  Ports.QueueReply({0, 0, 0, 8, 1, 0, 0x83, 0});
  ASSERT_TRUE(Comm.GiveCredit(DataSocket, 7));
  EXPECT_EQ(Comm.PrinterCreditLeft(), 7);
  Comm.SpendPrinterCredit();
  EXPECT_EQ(Comm.PrinterCreditLeft(), 6);
}

TEST_F(LinkTest, ControlReplyLeavesItsPayloadAtTheStartOfTheBuffer) {
  OpenParallel();
  Ports.AnswerLinkCommands();
  Ports.QueueChannelReply(ControlSocket, {0x02, 0x02, 0x00, 0x0C, 0x00, 0x00, 'a', 'b', 'c', 'd', 'e', 'f'});
  const Bytes request{'s', 't', 0x01, 0x00, 0x01};
  ASSERT_TRUE(Comm.ControlRequest(request.data(), request.size()));
  EXPECT_EQ(Bytes(Comm.Reply().begin(), Comm.Reply().begin() + 6), (Bytes{'a', 'b', 'c', 'd', 'e', 'f'}));
  EXPECT_EQ(Comm.ReplyLengthWithHeader(), 12);
  // Credit 1, CreditRequest 1, then the request itself.
  ASSERT_EQ(Ports.Writes.size(), 3u);
  EXPECT_EQ(Ports.Writes[0], (Bytes{0x00, 0x00, 0x00, 0x0B, 0x01, 0x00, 0x03, 0x02, 0x02, 0x00, 0x01}));
  EXPECT_EQ(Ports.Writes[1], (Bytes{0x00, 0x00, 0x00, 0x0D, 0x01, 0x00, 0x04, 0x02, 0x02, 0xFF, 0xFF, 0x00, 0x01}));
  EXPECT_EQ(Ports.Writes[2], (Bytes{0x02, 0x02, 0x00, 0x0B, 0x00, 0x00, 's', 't', 0x01, 0x00, 0x01}));
}

TEST_F(LinkTest, ControlRequestRefusesWhatOnePacketCannotCarry) {
  OpenParallel();
  Ports.AnswerLinkCommands();
  const Bytes tooLong(123, 'x');
  EXPECT_FALSE(Comm.ControlRequest(tooLong.data(), tooLong.size()));
  EXPECT_TRUE(Ports.Writes.empty());
}

TEST_F(LinkTest, ControlReplyFromAnotherSocketEndsTheProgram) {
  OpenParallel();
  Ports.AnswerLinkCommands();
  Ports.QueueChannelReply(ControlSocket, {0x40, 0x40, 0x00, 0x08, 0x00, 0x00, 'O', 'K'});
  const Bytes request{'s', 't', 0x01, 0x00, 0x01};
  EXPECT_EQ(ExitStatusOf([&] { Comm.ControlRequest(request.data(), request.size()); }), ExitFatal);
  ASSERT_EQ(Boxes.Shown.size(), 2u);
  EXPECT_EQ(Boxes.Shown[0].Kind, DialogKind::Warning);
  EXPECT_EQ(Boxes.Texts(), (std::vector<std::string>{"Receive error", "This program is closed by force."}));
}

TEST_F(LinkTest, OversizedDataBlocksEndTheProgram) {
  OpenParallel();
  Ports.AnswerLinkCommands();
  const Bytes big(129, 0);
  EXPECT_EQ(ExitStatusOf([&] { Comm.SendData(big.data(), big.size()); }), ExitFatal);
  EXPECT_EQ(Boxes.Texts(), (std::vector<std::string>{"Program miss!!!"}));
  Boxes.Shown.clear();
  EXPECT_EQ(ExitStatusOf([&] { Comm.SendCommand(big.data(), 65); }), ExitFatal);
  EXPECT_EQ(Boxes.Texts(), (std::vector<std::string>{"Program miss!!!", "This program is closed by force."}));
  EXPECT_TRUE(PacketsOn(DataSocket).empty());
}

TEST_F(LinkTest, ShutDownClosesChannelsAroundTheResetAndClosesThePort) {
  OpenParallel();
  Ports.AnswerLinkCommands();
  bool resetRan = false;
  Comm.ShutDownLink([&] {
    resetRan = true;
    EXPECT_EQ(Ports.Writes.size(), 1u);
  });
  EXPECT_TRUE(resetRan);
  ASSERT_EQ(Ports.Writes.size(), 3u);
  EXPECT_EQ(Ports.Writes[0][7], DataSocket);
  EXPECT_EQ(Ports.Writes[1][7], ControlSocket);
  EXPECT_EQ(Ports.Writes[2][6], 0x08);
  EXPECT_FALSE(Driver.IsOpen());
  EXPECT_EQ(std::count(Clock.Pauses().begin(), Clock.Pauses().end(), 200u), 2);
}
