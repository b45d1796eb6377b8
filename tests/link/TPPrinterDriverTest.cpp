#include "tests/link/LinkFixture.h"

TEST_F(LinkTest, UsbReplyOnFourthReadComesAfterThreeRetryPauses) {
  OpenUsb();
  Ports.QueueEmptyRead();
  Ports.QueueEmptyRead();
  Ports.QueueEmptyRead();
  Ports.QueueReply({0, 0, 0, 8, 1, 0, 0x80, 0});
  ReplyBufferArray buffer{};
  int32_t length = 0;
  ASSERT_TRUE(Driver.ReadReply(buffer, length));
  EXPECT_EQ(length, 8);
  EXPECT_EQ(buffer[6], 0x80);
  // 10 ms before the read, then per attempt 10 ms, and 1 s after each empty read.
  EXPECT_EQ(Clock.Pauses(), (std::vector<uint32_t>{10, 10, 1000, 10, 1000, 10, 1000, 10}));
}

TEST_F(LinkTest, UsbReplyThatNeverComesFailsAfterTenReads) {
  OpenUsb();
  ReplyBufferArray buffer{};
  int32_t length = 0;
  EXPECT_FALSE(Driver.ReadReply(buffer, length));
  EXPECT_EQ(length, 0);
  EXPECT_EQ(PausedMs(), 10u + 10 * 10 + 9 * 1000);
}

TEST_F(LinkTest, ParallelReplyIsReadAsHeaderThenAnnouncedRest) {
  OpenParallel();
  Bytes reply{0x02, 0x02, 0x00, 0x18, 0x00, 0x00};
  for (int i = 0; i < 18; ++i) reply.push_back(static_cast<uint8_t>('a' + i));
  Ports.QueueReply(reply);
  Ports.QueueReply({0xEE});  // the start of a later reply stays unread
  ReplyBufferArray buffer{};
  int32_t length = 0;
  ASSERT_TRUE(Driver.ReadReply(buffer, length));
  EXPECT_EQ(length, 24);
  EXPECT_EQ(buffer[23], 'a' + 17);
  EXPECT_EQ(buffer[24], 0);
}

TEST_F(LinkTest, ParallelReplyIsRejectedWhenItsHeaderOrTimingIsWrong) {
  struct Case {
    const char* Name;
    Bytes Reply;
    int64_t ReadDelayMs;
  };
  const std::vector<Case> cases = {
      {"length below the header", {0x02, 0x02, 0x00, 0x05, 0x00, 0x00, 'x'}, 0},
      {"length beyond the buffer", {0x02, 0x02, 0x01, 0x01, 0x00, 0x00}, 0},
      {"rest cut short by the time-out", {0x02, 0x02, 0x00, 0x0A, 0x00, 0x00, 'x'}, 0},
      {"header cut short", {0x02, 0x02, 0x00}, 0},
      {"read lasting ten seconds", {0x02, 0x02, 0x00, 0x08, 0x00, 0x00, 'x', 'y'}, 10000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    OpenParallel();
    Ports.QueueReply(c.Reply);
    Ports.ReadDelayMs = c.ReadDelayMs;
    ReplyBufferArray buffer{};
    int32_t length = 0;
    EXPECT_FALSE(Driver.ReadReply(buffer, length));
    EXPECT_EQ(length, 0);
    Ports.ReadDelayMs = 0;
    // Drop what the rejected reply left unread.
    ReplyBufferArray drain{};
    int32_t ignored = 0;
    Driver.ReadReply(drain, ignored);
  }
  EXPECT_TRUE(Boxes.Shown.empty());
}

TEST_F(LinkTest, ShortWritesFailQuietlyOnTryAndEndTheProgramOtherwise) {
  OpenParallel();
  const Bytes block(11, 0x55);
  Ports.ShortWriteOnBlock = 0;
  EXPECT_FALSE(Driver.TryWritePort(block.data(), block.size()));
  EXPECT_TRUE(Boxes.Shown.empty());
  EXPECT_TRUE(Driver.IsOpen());

  Ports.ShortWriteOnBlock = 1;
  EXPECT_EQ(ExitStatusOf([&] { Driver.WritePort(block.data(), block.size()); }), ExitFatal);
  EXPECT_EQ(Boxes.Texts(), (std::vector<std::string>{"Transmission error", "This program is closed by force."}));
  EXPECT_FALSE(Driver.IsOpen());
}

TEST_F(LinkTest, WritingWithoutAnOpenPortEndsTheProgram) {
  const Bytes block(3, 0);
  EXPECT_EQ(ExitStatusOf([&] { Driver.TryWritePort(block.data(), block.size()); }), ExitFatal);
  EXPECT_EQ(Boxes.Texts(), (std::vector<std::string>{"Cannot open port.", "This program is closed by force."}));
}

TEST_F(LinkTest, OpeningAgainClosesTheFirstPortAndClosingTwiceIsHarmless) {
  OpenParallel();
  Driver.OpenPort(4);
  EXPECT_EQ(Ports.Opened, (std::vector<std::string>{"LPT1", "LPT2"}));
  EXPECT_EQ(Ports.OpenDevices, 1);
  EXPECT_STREQ(Driver.ChosenPortName(), "LPT2:");
  Driver.ClosePort();
  Driver.ClosePort();
  EXPECT_EQ(Ports.OpenDevices, 0);
}

TEST_F(LinkTest, UsbDiscoveryOpensOnlyThePrinterWhosePortNameMatchesIgnoringCase) {
  Ports.UsbPrinters = {
      {"/dev/usb/lp0", "", true},  // a printer of another maker
      {"/dev/usb/lp1", "vlusb1:", true},
      {"/dev/usb/lp3", "VLUSB2:", true},
  };
  Driver.OpenPort(1);
  EXPECT_EQ(Ports.Opened, (std::vector<std::string>{"/dev/usb/lp3"}));
  Driver.OpenPort(0);
  EXPECT_EQ(Ports.Opened, (std::vector<std::string>{"/dev/usb/lp3", "/dev/usb/lp1"}));
  EXPECT_EQ(Ports.OpenDevices, 1);
}

TEST_F(LinkTest, PortsThatCannotBeOpenedEndTheProgramWithTheirMessage) {
  struct Case {
    const char* Name;
    int16_t Index;
    std::vector<UsbPrinterEntry> Printers;
    bool ListingFails;
    std::string FailingPath;
    std::string Text;
  };
  const std::vector<Case> cases = {
      {"parallel port", 5, {}, false, "LPT3", "Cannot open port."},
      {"no USB printer of that name", 2, {{"/dev/usb/lp0", "VLUSB1:", true}}, false, "", "Cannot open port."},
      {"USB printers cannot be listed", 0, {}, true, "", "Cannot open port."},
      {"unreadable printer description", 0, {{"/dev/usb/lp0", "", false}}, false, "", "error"},
      {"matching device cannot be opened", 0, {{"/dev/usb/lp0", "VLUSB1:", true}}, false, "/dev/usb/lp0",
       "Cannot open port"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Boxes.Shown.clear();
    Ports.UsbPrinters = c.Printers;
    Ports.ListingFails = c.ListingFails;
    Ports.FailingPaths = {c.FailingPath};
    EXPECT_EQ(ExitStatusOf([&] { Driver.OpenPort(c.Index); }), ExitFatal);
    ASSERT_EQ(Boxes.Shown.size(), 1u);
    EXPECT_TRUE(Boxes.Shown[0].IsSystemBox);
    EXPECT_EQ(Boxes.Shown[0].Text, c.Text);
    EXPECT_EQ(Boxes.Shown[0].Caption, "error");
    EXPECT_FALSE(Driver.IsOpen());
  }
}

TEST_F(LinkTest, AnUnreadablePrinterBesideTheChosenOneIsSkipped) {
  Ports.UsbPrinters = {
      {"/dev/usb/lp0", "", false},  // another maker's printer whose description cannot be read
      {"/dev/usb/lp1", "VLUSB1:", true},
  };
  Driver.OpenPort(0);
  EXPECT_EQ(Ports.Opened, (std::vector<std::string>{"/dev/usb/lp1"}));
  EXPECT_TRUE(Boxes.Shown.empty());
}

TEST_F(LinkTest, TryingToOpenAMissingPortEndsNothing) {
  Ports.UsbPrinters = {};
  EXPECT_FALSE(Driver.TryOpenPort(0));
  Ports.FailingPaths = {"LPT1"};
  EXPECT_FALSE(Driver.TryOpenPort(3));
  EXPECT_FALSE(Driver.IsOpen());
  EXPECT_TRUE(Boxes.Shown.empty());
  EXPECT_EQ(End.EndCount, 0);
  Ports.UsbPrinters = {{"/dev/usb/lp4", "VLUSB1:", true}};
  EXPECT_TRUE(Driver.TryOpenPort(0));
  EXPECT_TRUE(Driver.IsOpen());
}
