// EEPROM reads that tell a printer that sends nothing back from one that answers wrongly.
#include "tests/link/LinkFixture.h"

namespace {

class SilentReadTest : public LinkTest {
protected:
  void SetUp() override {
    OpenParallel();
    Ports.AnswerLinkCommands();
  }
  // A data-channel answer to a service EEPROM read: 24 bytes, the value's two digits at 20 and 21.
  static Bytes DataEepromReply(char high, char low, size_t length = 24) {
    Bytes reply(length, ' ');
    reply[0] = reply[1] = DataSocket;
    reply[2] = 0;
    reply[3] = static_cast<uint8_t>(length);
    reply[4] = reply[5] = 0;
    reply[20] = static_cast<uint8_t>(high);
    reply[21] = static_cast<uint8_t>(low);
    return reply;
  }
};

TEST_F(SilentReadTest, AControlReadTellsNothingBackFromAWrongAnswer) {
  Ports.QueueChannelReply(ControlSocket, ControlReply("EE:RD;A=5F; V:3F;"));
  EepromRead read = Comm.ControlReadEeprom(0x5F);
  EXPECT_EQ(read.Outcome, EepromReadOutcome::Answered);
  EXPECT_EQ(read.Value, 0x3F);

  Ports.QueueChannelReply(ControlSocket, ControlReply("EE:RD;A=5F; V:"));
  EXPECT_EQ(Comm.ControlReadEeprom(0x5F).Outcome, EepromReadOutcome::Refused);
  EXPECT_FALSE(Comm.PrinterSilent());

  // The credit is answered, the request is not: the printer stopped between the two.
  EXPECT_EQ(Comm.ControlReadEeprom(0x5F).Outcome, EepromReadOutcome::Silent);
  EXPECT_TRUE(Comm.PrinterSilent());

  // A printer that answers again is no longer taken for silent.
  Ports.QueueChannelReply(ControlSocket, ControlReply("EE:RD;A=5F; V:00;"));
  EXPECT_EQ(Comm.ControlReadEeprom(0x5F).Outcome, EepromReadOutcome::Answered);
  EXPECT_FALSE(Comm.PrinterSilent());

  // Nothing answers at all: the credit is tried three times, and nothing further is sent.
  Ports.Responder = nullptr;
  Ports.Writes.clear();
  Clock.ClearPauses();
  EXPECT_EQ(Comm.ControlReadEeprom(0x5F).Outcome, EepromReadOutcome::Silent);
  EXPECT_EQ(Ports.Writes.size(), 3u);
  EXPECT_EQ(std::count(Clock.Pauses().begin(), Clock.Pauses().end(), 1000u), 3);
  EXPECT_TRUE(Boxes.Shown.empty());
}

TEST_F(SilentReadTest, ASilentPrinterIsNotAskedToCloseTheLink) {
  Ports.Responder = nullptr;
  EXPECT_EQ(Comm.ControlReadEeprom(0x10).Outcome, EepromReadOutcome::Silent);
  Ports.Writes.clear();
  Clock.ClearPauses();
  bool resetRan = false;
  Comm.ShutDownLink([&] { resetRan = true; });
  EXPECT_TRUE(resetRan);  // whether to try a reset is the caller's to decide
  EXPECT_TRUE(Ports.Writes.empty());
  EXPECT_TRUE(Clock.Pauses().empty());
  EXPECT_EQ(Ports.OpenDevices, 0);
}

TEST_F(SilentReadTest, ADataChannelReadTellsNothingBackFromAWrongAnswer) {
  ASSERT_TRUE(Comm.OpenChannel(DataSocket));
  Ports.QueueChannelReply(DataSocket, DataEepromReply('1', 'A'));
  const EepromRead read = Factory.ReadEepromCell(0x4D);
  EXPECT_EQ(read.Outcome, EepromReadOutcome::Answered);
  EXPECT_EQ(read.Value, 0x1A);
  Ports.QueueChannelReply(DataSocket, DataEepromReply('1', 'A', 23));
  EXPECT_EQ(Factory.ReadEepromCell(0x4D).Outcome, EepromReadOutcome::Refused);
  Ports.QueueChannelReply(DataSocket, DataEepromReply('?', 'A'));
  EXPECT_EQ(Factory.ReadEepromCell(0x4D).Outcome, EepromReadOutcome::Refused);
  EXPECT_EQ(Factory.ReadEepromCell(0x4D).Outcome, EepromReadOutcome::Silent);
  // Only the replies of the wrong length and the one that never came showed the box.
  EXPECT_EQ(Boxes.Texts(), (std::vector<std::string>{"error", "error"}));
}

}  // namespace
