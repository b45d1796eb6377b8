#include "tests/link/LinkFixture.h"

class FactoryTest : public LinkTest {
protected:
  void SetUp() override {
    OpenParallel();
    Ports.AnswerLinkCommands();
    ASSERT_TRUE(Comm.OpenChannel(DataSocket));
  }
  // The payload of the last data-channel packet.
  Bytes LastCommand() const {
    const Bytes packet = PacketsOn(DataSocket).back();
    return Bytes(packet.begin() + 6, packet.end());
  }
  // The head, the model code 10 9B, the tail.
  static Bytes Command(std::initializer_list<uint8_t> head, std::initializer_list<uint8_t> tail) {
    Bytes bytes(head);
    bytes.push_back(0x10);
    bytes.push_back(0x9B);
    bytes.insert(bytes.end(), tail);
    return bytes;
  }
  static Bytes EepromReply(uint8_t high, uint8_t low, size_t length = 24) {
    Bytes reply{0x40, 0x40, 0x00, static_cast<uint8_t>(length), 0x00, 0x00};
    while (reply.size() < length) reply.push_back('.');
    if (length > 21) {
      reply[20] = high;
      reply[21] = low;
    }
    return reply;
  }
};

TEST_F(FactoryTest, ServiceCommandsGoOutByteExact) {
  struct Case {
    std::function<void()> Build;
    Bytes Expected;
  };
  const std::vector<Case> cases = {
      {[&] { Factory.WriteEeprom(0x47, 0x32); }, Command({0x1B, 0x7C, 0x00, 0x07, 0x00}, {0x42, 0xBD, 0x21, 0x47, 0x32})},
      {[&] { Factory.SetBidValue(2, 1, -4); },
       Command({0x1B, 0x7C, 0x00, 0x09, 0x00}, {0x00, 0xFF, 0x00, 0x02, 0x01, 0xFC, 0xFF})},
      {[&] { Factory.SetBidValue(2, 1, 4); },
       Command({0x1B, 0x7C, 0x00, 0x09, 0x00}, {0x00, 0xFF, 0x00, 0x02, 0x01, 0x04, 0x00})},
      {[&] { Factory.RunCleaning(HeadCleaningSequence); },
       Command({0x1B, 0x7C, 0x00, 0x06, 0x00}, {0x84, 0x7B, 0x42, 0x02})},
      {[&] { Factory.MechanismC5(0x03, 0x01, 0xF4, 0x01); },
       Command({0x1B, 0x7C, 0x00, 0x09, 0x00}, {0xC5, 0x3A, 0xE2, 0x03, 0x01, 0xF4, 0x01})},
      {[&] { Factory.MechanismC4(1, 2, 3, 4); },
       Command({0x1B, 0x7C, 0x00, 0x09, 0x00}, {0xC4, 0x3B, 0x62, 1, 2, 3, 4})},
      {[&] { Factory.MechanismC9(1, 2, 3, 4); },
       Command({0x1B, 0x7C, 0x00, 0x09, 0x00}, {0xC9, 0x36, 0xE4, 1, 2, 3, 4})},
      {[&] { Factory.MechanismCA(7); }, Command({0x1B, 0x7C, 0x00, 0x06, 0x00}, {0xCA, 0x35, 0x65, 7})},
      {[&] { Factory.Sequence81(); }, Command({0x1B, 0x7C, 0x00, 0x05, 0x00}, {0x81, 0x7E, 0xC0})},
      {[&] { Factory.NotifyEepromChanged(); }, Command({0x1B, 0x7C, 0x00, 0x05, 0x00}, {0x50, 0xAF, 0x28})},
  };
  for (const Case& c : cases) {
    c.Build();
    EXPECT_EQ(LastCommand(), c.Expected);
  }
}

TEST_F(FactoryTest, ReadEepromSendsItsRequestAndDecodesTheReply) {
  Ports.QueueChannelReply(DataSocket, EepromReply('3', 'F'));
  const int16_t creditBefore = 200;
  EXPECT_EQ(Factory.ReadEeprom(0x33), 0x3F);
  EXPECT_EQ(LastCommand(), Command({0x1B, 0x7C, 0x00, 0x06, 0x00}, {0x41, 0xBE, 0xA0, 0x33}));
  EXPECT_EQ(Comm.PrinterCreditLeft(), creditBefore - 1);
  Ports.QueueChannelReply(DataSocket, EepromReply('0', '0'));
  EXPECT_EQ(Factory.ReadEeprom(0x34), 0x00);
  EXPECT_TRUE(Boxes.Shown.empty());
}

TEST_F(FactoryTest, ReadEepromReplyOfWrongLengthShowsErrorOnceAndGivesNoValue) {
  for (size_t length : {23u, 25u}) {
    SCOPED_TRACE(length);
    Boxes.Shown.clear();
    Ports.QueueChannelReply(DataSocket, EepromReply('1', 'A', length));
    EXPECT_EQ(Factory.ReadEeprom(0x40), std::nullopt);
    ASSERT_EQ(Boxes.Shown.size(), 1u);
    EXPECT_EQ(Boxes.Shown[0].Text, "error");
    EXPECT_EQ(Boxes.Shown[0].Caption, "error");
  }
  // A reply of the right length without hexadecimal digits where the value stands gives none either.
  Boxes.Shown.clear();
  Ports.QueueChannelReply(DataSocket, EepromReply('?', 'A'));
  EXPECT_EQ(Factory.ReadEeprom(0x40), std::nullopt);
  EXPECT_TRUE(Boxes.Shown.empty());
}

TEST_F(FactoryTest, RemoteModeSequenceIsThreeCommands) {
  Factory.SendRemoteModeSequence(RemoteSnPatternPrint);
  const std::vector<Bytes> data = PacketsOn(DataSocket);
  ASSERT_EQ(data.size(), 3u);
  EXPECT_EQ(Bytes(data[0].begin() + 6, data[0].end()),
            (Bytes{0x1B, 0x28, 0x52, 0x08, 0x00, 0x00, 'R', 'E', 'M', 'O', 'T', 'E', '1'}));
  EXPECT_EQ(Bytes(data[1].begin() + 6, data[1].end()), (Bytes{'S', 'N', 0x03, 0x00, 0x00, 0x00, 0x03}));
  EXPECT_EQ(Bytes(data[2].begin() + 6, data[2].end()), (Bytes{0x1B, 0x00, 0x00, 0x00}));
}
