#include "tests/link/LinkFixture.h"

class StatusTest : public LinkTest {
protected:
  void SetUp() override {
    OpenParallel();
    Ports.AnswerLinkCommands();
  }
  void AnswerStatus(const std::string& text) { Ports.QueueChannelReply(ControlSocket, ControlReply(text)); }
};

TEST_F(StatusTest, StatusRepliesFillTheRecord) {
  struct Case {
    std::string Reply;
    PrinterStateCode StatusCode;
    PrinterErrorCode ErrorCode;
    std::array<int32_t, 6> Warnings;
  };
  const std::vector<Case> cases = {
      {"@ST:04;IQ:NN0A6400FF32;", StatusReady, ErrorNone, {0, 0, 0, 0, 0, 0}},
      {"ST:14;IQ:000000000000;", StatusReady, ErrorNone, {}},  // only the second digit counts
      {"IQ:000000000000;ST:00;ER:10;", StatusError, ErrorMaintenanceRequest, {}},
      {"ST:04;ER:04;IQ:000000000000;", StatusReady, ErrorPaperJam, {}},  // the state stays as reported
      {"ST:07;IQ:000000000000;WR:10;11", StatusCleaning, ErrorNone, {1, 0, 0, 0, 0, 0}},
      {"ST:02;IQ:000000000000;WR:101112131415", StatusBusy, ErrorNone, {1, 1, 1, 1, 1, 1}},
      {"ST:09;IQ:000000000000;WR:15", StatusMotorOff, ErrorNone, {0, 0, 0, 0, 0, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Reply);
    Status.WarningFlags.fill(7);
    AnswerStatus(c.Reply);
    Comm.RequestStatus();
    EXPECT_EQ(Status.StatusCode, c.StatusCode);
    EXPECT_EQ(Status.ErrorCode, c.ErrorCode);
    EXPECT_EQ(Status.WarningFlags, c.Warnings);
  }
  EXPECT_TRUE(Boxes.Shown.empty());
}

TEST_F(StatusTest, InkFieldDigitsIncludingN) {
  AnswerStatus("ST:04;IQ:NN0A6400FF32;");
  Comm.RequestStatus();
  EXPECT_EQ(Status.InkQuantities, (std::array<uint8_t, 6>{0xFF, 0x0A, 0x64, 0x00, 0xFF, 0x32}));
}

TEST_F(StatusTest, RepliesThatCannotBeUnderstoodEndTheProgram) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"XX:04;IQ:000000000000;", "Printer status acquisition failure 1"},
      {"ST:05;IQ:000000000000;", "Printer status acquisition failure 2"},
      {"ST:0A;IQ:000000000000;", "Printer status acquisition failure 2"},
      {"IQ:000000000000;ST:0", "Printer status acquisition failure 2"},  // digit beyond the reply
      {"ST:04;", "Ink quantity acquisition failure."},
      {"ST:04;IQ:0000", "Ink quantity acquisition failure."},  // field beyond the reply
      {"ST:00;IQ:000000000000;ER:02", "Error status acquisition failure"},
      {"ST:04;IQ:000000000000;WR:16;", "Warning code acquisition failure"},
      {"ST:04;IQ:000000000000;WR:10,11;", "Warning code acquisition failure"},
  };
  for (const auto& [reply, message] : cases) {
    SCOPED_TRACE(reply);
    Boxes.Shown.clear();
    AnswerStatus(reply);
    EXPECT_EQ(ExitStatusOf([&] { Comm.RequestStatus(); }), ExitFatal);
    EXPECT_EQ(Boxes.Texts(), (std::vector<std::string>{message, "This program is closed by force."}));
  }
}

TEST_F(StatusTest, NoStatusReplyAtAllIsFailureOne) {
  EXPECT_EQ(ExitStatusOf([&] { Comm.RequestStatus(); }), ExitFatal);
  EXPECT_EQ(Boxes.Texts(), (std::vector<std::string>{"Printer status acquisition failure 1",
                                                      "This program is closed by force."}));
}

TEST_F(StatusTest, WaitReadyResetsPollsAndReportsPaperOutOncePerPoll) {
  ASSERT_TRUE(Comm.OpenChannel(DataSocket));
  AnswerStatus("ST:00;IQ:000000000000;ER:06;");
  AnswerStatus("ST:00;IQ:000000000000;ER:06;");
  AnswerStatus("ST:02;IQ:000000000000;");
  AnswerStatus("ST:04;IQ:000000000000;");
  Clock.ClearPauses();
  EXPECT_TRUE(Comm.WaitReady());
  EXPECT_EQ(Boxes.Texts(), (std::vector<std::string>{"Paper out error", "Paper out error"}));
  EXPECT_EQ(std::count(Clock.Pauses().begin(), Clock.Pauses().end(), 1000u), 3);
  // Each poll sends the printer reset ESC @ as its own flushed packet.
  const std::vector<Bytes> data = PacketsOn(DataSocket);
  ASSERT_EQ(data.size(), 4u);
  EXPECT_EQ(data[0], (Bytes{0x40, 0x40, 0x00, 0x08, 0x00, 0x00, 0x1B, 0x40}));

  AnswerStatus("ST:00;IQ:000000000000;ER:04;");
  EXPECT_FALSE(Comm.WaitReady());
}

TEST_F(StatusTest, EepromRequestsAndAcknowledgements) {
  // Reply texts put the value at payload positions 14 and 15 and the letter at 6.
  Ports.QueueChannelReply(ControlSocket, ControlReply("EE:RD;A=5F; V:3F;"));
  EXPECT_EQ(Comm.ControlReadEeprom(0x5F).Answer(), 0x3F);
  Ports.QueueChannelReply(ControlSocket, ControlReply("EE:WR;O"));
  EXPECT_EQ(Comm.ControlWriteEeprom(0x5F, 0x10), Ack::Ok);
  Ports.QueueChannelReply(ControlSocket, ControlReply("EE:WR;B"));
  EXPECT_EQ(Comm.ControlWriteEeprom(0x5F, 0x10), Ack::Busy);
  Ports.QueueChannelReply(ControlSocket, ControlReply("RS:OK;O"));
  EXPECT_EQ(Comm.RequestReset(), Ack::Ok);

  const std::vector<Bytes> control = PacketsOn(ControlSocket);
  ASSERT_EQ(control.size(), 4u);
  EXPECT_EQ(control[0], (Bytes{0x02, 0x02, 0x00, 0x10, 0x00, 0x00, 0x7C, 0x7C, 0x06, 0x00, 0x10, 0x9B, 0x41, 0xBE,
                               0xA0, 0x5F}));
  EXPECT_EQ(control[1], (Bytes{0x02, 0x02, 0x00, 0x11, 0x00, 0x00, 0x7C, 0x7C, 0x07, 0x00, 0x10, 0x9B, 0x42, 0xBD,
                               0x21, 0x5F, 0x10}));
  EXPECT_EQ(control[3], (Bytes{0x02, 0x02, 0x00, 0x0B, 0x00, 0x00, 'r', 's', 0x01, 0x00, 0x01}));
  EXPECT_TRUE(Boxes.Shown.empty());
}

TEST_F(StatusTest, FailedReadsAndUnknownAcknowledgements) {
  EXPECT_EQ(Comm.ControlReadEeprom(0x10).Answer(), std::nullopt);  // nobody answers the request
  EXPECT_EQ(Comm.ControlWriteEeprom(0x10, 1), Ack::Failed);

  // A reply that ends before the value, or carries no hexadecimal digits
  // where the value stands, is no value either: nothing older is decoded.
  for (const char* reply : {"EE:RD;A=5F; V:", "EE:RD;A=5F; V:3", "xy:NG;ERR;", "EE:RD;A=5F; V:?F;", "EE:RD;A=5F; V:3f;"}) {
    SCOPED_TRACE(reply);
    Ports.QueueChannelReply(ControlSocket, ControlReply("EE:RD;A=5F; V:3F;"));
    EXPECT_EQ(Comm.ControlReadEeprom(0x5F).Answer(), 0x3F);
    Ports.QueueChannelReply(ControlSocket, ControlReply(reply));
    EXPECT_EQ(Comm.ControlReadEeprom(0x5F).Answer(), std::nullopt);
  }

  // The write tells the three answers apart and ends nothing; a reply without either letter fails.
  Ports.QueueChannelReply(ControlSocket, ControlReply("EE:WR;X"));
  EXPECT_EQ(Comm.ControlWriteEeprom(0x10, 1), Ack::Failed);
  EXPECT_TRUE(Boxes.Shown.empty());

  // A write whose reply never came is not taken as acknowledged by an older letter.
  Ports.QueueChannelReply(ControlSocket, ControlReply("EE:WR;O"));
  EXPECT_EQ(Comm.ControlWriteEeprom(0x10, 1), Ack::Ok);
  EXPECT_EQ(Comm.ControlWriteEeprom(0x10, 2), Ack::Failed);

  // A caller that cannot go on without the acknowledgement ends the program.
  EXPECT_EQ(ExitStatusOf([&] { Comm.FailAcknowledgement(); }), ExitFatal);
  EXPECT_EQ(Boxes.Texts(), (std::vector<std::string>{"error", "This program is closed by force."}));
}
