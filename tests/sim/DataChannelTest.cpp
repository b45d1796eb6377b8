// The data channel: service commands, mechanism timing, remote mode and print jobs.
#include <gtest/gtest.h>

#include "tests/sim/SimTestSupport.h"

namespace {

TEST(DataChannel, ReadEepromAnswersWithA24BytePacket) {
  SimHost host;
  host.Ask(ModeSwitchBlock());
  host.Ask(OpenBlock(0x40));
  host.Ask(CreditRequestBlock(0x40, 200));
  host.Ask(CreditBlock(0x40, 1));  // room for exactly one answer
  host.Printer.SetEepromCell(0x3F, 0x0C);

  const Bytes reply = host.Service(0x41, {0x3F});
  ASSERT_EQ(reply.size(), 24u);
  EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 6), (Bytes{0x40, 0x40, 0x00, 0x18, 0x00, 0x00}));
  EXPECT_EQ(reply[20], '0');
  EXPECT_EQ(reply[21], 'C');
  EXPECT_TRUE(host.Printer.ProtocolViolations().empty());

  // The one unit of credit is spent: the next answer cannot be sent.
  EXPECT_TRUE(host.Service(0x41, {0x3F}).empty());
  ASSERT_EQ(host.Printer.ProtocolViolations().size(), 1u);
  EXPECT_NE(host.Printer.ProtocolViolations()[0].find("no credit"), std::string::npos);
}

TEST(DataChannel, WriteEepromTakesEffectAfterNotification) {
  SimHost host;
  host.StartLink();
  const uint8_t before = host.Printer.EepromInUse()[0x47];
  host.Service(0x42, {0x47, 0x32});
  EXPECT_EQ(host.Printer.Eeprom()[0x47], 0x32);
  EXPECT_EQ(host.Printer.EepromInUse()[0x47], before);
  host.Service(0x50, {});
  EXPECT_EQ(host.Printer.EepromInUse()[0x47], 0x32);
  EXPECT_EQ(Text(host.Service(0x41, {0x47})).substr(20, 2), "32");
  EXPECT_TRUE(host.Printer.ProtocolViolations().empty());
}

TEST(DataChannel, SetBidValueStoresSignedBytes) {
  const struct {
    uint8_t DotMode, InkGroup, Low, Sign, Cell, Stored;
  } cases[] = {
      {1, 1, 0xFC, 0xFF, 0x33, 0xFC},  // MS Black -4
      {2, 1, 0x04, 0x00, 0x34, 0x04},  // 6pl Black 4
      {3, 1, 0x80, 0xFF, 0x35, 0x80},  // 4pl Black -128
      {1, 2, 0x7F, 0x00, 0x36, 0x7F},  // MS Color 127
      {2, 2, 0x00, 0x00, 0x37, 0x00},  // 6pl Color 0
      {3, 2, 0xDC, 0xFF, 0x38, 0xDC},  // 4pl Color -36
  };
  SimHost host;
  host.StartLink();
  for (const auto& c : cases) {
    host.Service(0x00, {c.DotMode, c.InkGroup, c.Low, c.Sign});
    EXPECT_EQ(host.Printer.Eeprom()[c.Cell], c.Stored) << int(c.Cell);
    EXPECT_EQ(host.Printer.EepromInUse()[c.Cell], c.Stored) << "set live, cell " << int(c.Cell);
  }
  EXPECT_TRUE(host.Printer.ProtocolViolations().empty());

  const EepromImage::Cells before = host.Printer.Eeprom();
  host.Service(0x00, {4, 1, 0x01, 0x00});  // no dot mode 4
  host.Service(0x00, {1, 3, 0x01, 0x00});  // no ink group 3
  host.Service(0x00, {1, 1, 0x04, 0xFF});  // sign byte does not match
  host.Service(0x00, {1, 1, 0x84, 0x00});  // 132 is outside -128..127
  EXPECT_EQ(host.Printer.Eeprom(), before);
  EXPECT_EQ(host.Printer.ProtocolViolations().size(), 4u);
}

TEST(DataChannel, MalformedServiceCommandsChangeNothing) {
  Bytes badComplement = ServiceCommandBytes(0x42, {0x20, 0x55});
  badComplement[8] ^= 0x01;
  Bytes badRotation = ServiceCommandBytes(0x42, {0x20, 0x55});
  badRotation[9] = 0x42;
  Bytes badLength = ServiceCommandBytes(0x42, {0x20, 0x55});
  badLength[3] = 0x08;
  Bytes otherModel = ServiceCommandBytes(0x42, {0x20, 0x55});
  otherModel[6] = 0x00;
  const struct {
    const char* What;
    Bytes Payload;
    std::string Expected;
  } cases[] = {
      {"complement", badComplement, "check bytes"},
      {"rotation", badRotation, "check bytes"},
      {"length field", badLength, "gives length 8"},
      {"model code", otherModel, "model code"},
      {"unknown command", ServiceCommandBytes(0x99, {0x20, 0x55}), "unknown service command 0x99"},
      {"parameter count", ServiceCommandBytes(0x42, {0x20}), "1 parameter bytes instead of 2"},
      {"too short", {0x1B, 0x7C, 0x00, 0x04, 0x00, TestModelCode0, TestModelCode1, 0x50, 0xAF}, "shorter"},
      {"cleaning sequence that does not exist", ServiceCommandBytes(0x84, {0x05}), "sequence 5"},
  };
  for (const auto& c : cases) {
    SimHost host;
    host.StartLink();
    host.Service(0x41, {0x00});  // the printer learns the model code
    const EepromImage::Cells before = host.Printer.Eeprom();
    host.Data(c.Payload);
    EXPECT_EQ(host.Printer.Eeprom(), before) << c.What;
    EXPECT_EQ(host.Printer.State(), PrinterState::Ready) << c.What;
    ASSERT_EQ(host.Printer.ProtocolViolations().size(), 1u) << c.What;
    EXPECT_NE(host.Printer.ProtocolViolations()[0].find(c.Expected), std::string::npos)
        << c.What << ": " << host.Printer.ProtocolViolations()[0];
  }
}

TEST(DataChannel, CleaningTakesItsTimeAndFillsTheCounter) {
  const struct {
    uint8_t Sequence;
    int64_t Ms;
    unsigned Points;
  } cases[] = {{2, 30000, 240}, {9, 60000, 1200}};
  for (const auto& c : cases) {
    SimHost host;
    host.StartLink();
    const unsigned counter = host.Printer.Eeprom()[0x0A] * 256u + host.Printer.Eeprom()[0x0B];
    host.Service(0x84, {c.Sequence});
    EXPECT_NE(host.Status().find("ST:07;"), std::string::npos) << int(c.Sequence);
    host.TheClock.Advance(c.Ms - 1);
    EXPECT_EQ(host.Printer.State(), PrinterState::Cleaning) << int(c.Sequence);
    host.TheClock.Advance(1);
    EXPECT_EQ(host.Printer.State(), PrinterState::Ready) << int(c.Sequence);
    EXPECT_EQ(host.Printer.Eeprom()[0x0A] * 256u + host.Printer.Eeprom()[0x0B], counter + c.Points);
  }
}

TEST(DataChannel, MechanismCommandsQueueUp) {
  SimHost host;
  host.StartLink();
  // The carriage to the replacement position: five commands sent back to back.
  host.Service(0xC4, {0x06, 0x00, 0x02, 0x00});  // 400 + 5 x 2
  host.Service(0xC4, {0x06, 0x01, 0x07, 0x00});  // 400 + 5 x 7
  host.Service(0xC5, {0x03, 0x01, 0xF4, 0x01});  // 300 + 500 / 10
  host.Service(0xC4, {0x06, 0x00, 0x05, 0x00});  // 400 + 5 x 5
  host.Service(0xC4, {0x05, 0x00, 0x05, 0x02});  // 400 + 5 x 517
  const int64_t total = 410 + 435 + 350 + 425 + 2985;
  EXPECT_EQ(host.Printer.State(), PrinterState::Busy);
  host.TheClock.Advance(total - 1);
  EXPECT_EQ(host.Printer.State(), PrinterState::Busy);
  host.TheClock.Advance(1);
  EXPECT_EQ(host.Printer.State(), PrinterState::Ready);

  host.Service(0x81, {});
  host.Service(0xCA, {0x96});  // 200 + 10 x 150
  host.TheClock.Advance(5000 + 1700 - 1);
  EXPECT_EQ(host.Printer.State(), PrinterState::Busy);
  host.TheClock.Advance(1);
  EXPECT_EQ(host.Printer.State(), PrinterState::Ready);
  EXPECT_TRUE(host.Printer.ProtocolViolations().empty());
}

TEST(DataChannel, FullWasteInkPadAsksForMaintenance) {
  SimHost host;
  host.StartLink();
  host.Printer.SetEepromCell(0x0A, 0x7D);  // 0x7DC3 = 32195, the limit itself
  host.Printer.SetEepromCell(0x0B, 0xC3);
  EXPECT_EQ(host.Printer.State(), PrinterState::Ready);
  host.Printer.SetEepromCell(0x0B, 0xC4);
  EXPECT_NE(host.Status().find("ST:00;ER:10;"), std::string::npos);
  host.Control(ControlWriteRequest(0x0A, 0x00));
  host.Control(ControlWriteRequest(0x0B, 0x00));
  EXPECT_EQ(host.Printer.State(), PrinterState::Ready);
}

TEST(DataChannel, RemoteModeSequence) {
  SimHost host;
  host.StartLink();
  const Bytes entry = {0x1B, '(', 'R', 0x08, 0x00, 0x00, 'R', 'E', 'M', 'O', 'T', 'E', '1'};
  const Bytes sn = {'S', 'N', 0x03, 0x00, 0x00, 0x00, 0x03};
  const Bytes exit = {0x1B, 0x00, 0x00, 0x00};
  host.Data(entry);
  EXPECT_TRUE(host.Printer.InRemoteMode());
  host.Data(sn);
  host.Data(exit);
  EXPECT_FALSE(host.Printer.InRemoteMode());
  EXPECT_TRUE(host.Printer.ProtocolViolations().empty());
  host.Ask(CloseBlock(0x40));
  EXPECT_TRUE(host.Printer.Jobs().empty()) << "remote-mode steps are no print data";

  host.StartLink();
  host.Data(exit);
  host.Data(entry);
  host.Data({' ', 'Y', 0x01, 0x00, 0x00});  // between quotes a space shows
  host.Data({'S', 'N', 0x05, 0x00, 0x00});
  const std::vector<std::string>& violations = host.Printer.ProtocolViolations();
  ASSERT_EQ(violations.size(), 3u);
  EXPECT_NE(violations[0].find("not in remote mode"), std::string::npos);
  EXPECT_NE(violations[1].find("\" Y\""), std::string::npos) << violations[1];
  EXPECT_NE(violations[2].find("ends before"), std::string::npos);
}

TEST(DataChannel, PrintJobsEndAtFormFeedOrClose) {
  SimHost host;
  host.StartLink();
  host.Data({0x1B, 0x40});  // the reset before a status poll starts no job
  const Bytes title = {'T', 'o', 'p', 0x00, 0x0D, 0x0A};
  // A raster block whose run-length data holds 0x0C twice (a literal and a
  // repeated value): 2 lines of 3 bytes, so neither byte ends the page.
  const Bytes raster = {0x1B, 'i',  0x00, 0x01, 0x02, 0x03, 0x00, 0x02, 0x00,  // header
                        0x02, 0x0C, 0x0C, 0x0C,                                // literal of 3
                        0xFE, 0x0C};                                           // 0x0C three times
  Bytes first = title;
  first.insert(first.end(), raster.begin(), raster.end());
  host.Data(first);
  EXPECT_TRUE(host.Printer.Jobs().empty());
  EXPECT_EQ(host.Printer.State(), PrinterState::Printing);
  host.Data({0x1B, 0x40, 0x0C, 'N', 'e', 'x', 't'});
  ASSERT_EQ(host.Printer.Jobs().size(), 1u);
  Bytes expected = {0x1B, 0x40};
  expected.insert(expected.end(), first.begin(), first.end());
  expected.insert(expected.end(), {0x1B, 0x40, 0x0C});
  EXPECT_EQ(host.Printer.Jobs()[0], expected);

  host.Ask(CloseBlock(0x40));
  ASSERT_EQ(host.Printer.Jobs().size(), 2u);
  EXPECT_EQ(host.Printer.Jobs()[1], (Bytes{'N', 'e', 'x', 't'}));

  host.StartLink();
  host.Data({0x1B, 0x40});
  host.Ask(CloseBlock(0x40));
  EXPECT_EQ(host.Printer.Jobs().size(), 2u) << "resets alone print nothing";
  EXPECT_TRUE(host.Printer.ProtocolViolations().empty());
}

TEST(DataChannel, PowerCycleAndNewMainBoard) {
  SimHost host;
  host.StartLink();
  host.Printer.PowerOff();
  EXPECT_TRUE(host.Exchange(ModeSwitchBlock()).empty());
  host.Printer.PowerOn();
  EXPECT_FALSE(host.Printer.InPacketMode());
  EXPECT_EQ(host.Printer.State(), PrinterState::Busy);
  host.TheClock.Advance(VirtualPrinter::PowerOnBusyMs);
  EXPECT_EQ(host.Printer.State(), PrinterState::Ready);

  host.Printer.ReplaceMainBoard();
  for (uint8_t cell : host.Printer.Eeprom()) ASSERT_EQ(cell, 0xFF);
  host.TheClock.Advance(VirtualPrinter::PowerOnBusyMs);
  // A new board's counter reads 65535, above the limit: maintenance request.
  host.StartLink();
  EXPECT_NE(host.Status().find("ST:00;ER:10;"), std::string::npos);
  EXPECT_TRUE(host.Printer.ProtocolViolations().empty());
}

}  // namespace
