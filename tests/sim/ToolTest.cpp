// The standalone printer's parts: cutting a byte stream into blocks, decoding captures, the pseudo-terminal.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include "sim/wire/CaptureDecoder.h"
#include "sim/wire/HostBlockSplitter.h"
#include "sim/ports/PtyServer.h"
#include "tests/sim/SimTestSupport.h"

namespace {

Bytes Joined(const std::vector<Bytes>& blocks) {
  Bytes all;
  for (const Bytes& block : blocks) all.insert(all.end(), block.begin(), block.end());
  return all;
}

std::vector<Bytes> Drain(HostBlockSplitter& splitter) {
  std::vector<Bytes> blocks;
  Bytes block;
  while (splitter.Next(block)) blocks.push_back(block);
  return blocks;
}

TEST(HostBlockSplitter, FindsTheBlocksByTheirHeaders) {
  const std::vector<Bytes> blocks = {ModeSwitchBlock(), InitBlock(), OpenBlock(0x40), Packet(0x40, Bytes(100, 0x0C))};
  const Bytes stream = Joined(blocks);
  for (size_t piece : {stream.size(), size_t{1}, size_t{5}, size_t{7}}) {
    HostBlockSplitter splitter;
    std::vector<Bytes> found;
    for (size_t at = 0; at < stream.size(); at += piece) {
      splitter.Add(stream.data() + at, std::min(piece, stream.size() - at), 0);
      for (const Bytes& block : Drain(splitter)) found.push_back(block);
    }
    EXPECT_EQ(found, blocks) << "pieces of " << piece;
    EXPECT_EQ(splitter.Buffered(), 0u);
  }
}

TEST(HostBlockSplitter, PassesOnWhatCannotBeAHeader) {
  HostBlockSplitter splitter;
  const Bytes garbage = {0x00, 0x00, 0x00, 0x02, 0x11, 0x22, 0x33};  // length 2 cannot be
  splitter.Add(garbage.data(), garbage.size(), 0);
  EXPECT_EQ(Drain(splitter), std::vector<Bytes>{garbage});

  const Bytes open = OpenBlock(0x02);
  splitter.Add(open.data(), 10, 1000);
  Bytes block;
  EXPECT_FALSE(splitter.Next(block));
  EXPECT_FALSE(splitter.TakeStale(1000 + HostBlockSplitter::StaleMs - 1, block));
  ASSERT_TRUE(splitter.TakeStale(1000 + HostBlockSplitter::StaleMs, block));
  EXPECT_EQ(block, Bytes(open.begin(), open.begin() + 10));
  EXPECT_EQ(splitter.Buffered(), 0u);
}

TEST(CaptureDecoder, NamesWhatWentOverTheWire) {
  const Bytes statusAnswer =
      Packet(0x02, {'@', 'Q', 'C', 'L', ' ', 'S', 'T', 'A', 'T', 'U', 'S', '\r', '\n', 'S', 'T', ':', '0',  '4', ';',
                    'I', 'Q', ':', '0', '0', '1', '1', '2', '2', '3', '3', '4',  '4',  '5', '5', ';', '\r', '\n'});
  const Bytes eepromAnswer =
      Packet(0x40, {'|', '|', ':', '4', '1', ';', 'O', 'K', ';', 'E', 'E', ':', '3', '4', 'F', 'E', '\r', '\n'});
  const struct {
    bool FromHost;
    Bytes Block;
    std::string Expected;
  } cases[] = {
      {true, ModeSwitchBlock(), "ModeSwitch"},
      {true, OpenBlock(0x40), "OpenChannel socket 0x40 max 128/128"},
      {true, CreditRequestBlock(0x40, 200), "CreditRequest socket 0x40 amount 200"},
      {true, CloseBlock(0x02), "CloseChannel socket 0x02 mode 0"},
      {true, Packet(0x02, StatusRequestBytes), "StatusRequest"},
      {true, Packet(0x02, ControlWriteRequest(0x0A, 0x00)), "ControlWriteEeprom 0x0A = 0x00"},
      {true, Packet(0x40, ServiceCommandBytes(0x00, {2, 1, 0xFC, 0xFF})), "SetBidValue 6pl Black -4"},
      {true, Packet(0x40, ServiceCommandBytes(0x84, {9})), "RunCleaning 9 (ink charge)"},
      {true, Packet(0x40, ServiceCommandBytes(0xC5, {3, 1, 0xF4, 1})), "MechanismC5 03 01 F4 01"},
      {true, Packet(0x40, ServiceCommandBytes(0x42, {0x47})),
       "ServicePacket (malformed) 1B 7C 00 06 00 5A C3 42 BD 21 47"},
      {true, Packet(0x40, {0x1B, '(', 'R', 0x08, 0x00, 0x00, 'R', 'E', 'M', 'O', 'T', 'E', '1'}), "RemoteModeEntry"},
      {true, Packet(0x40, {'S', 'N', 0x03, 0x00, 0x00, 0x00, 0x03}), "Remote SN 00 00 03"},
      {true, Packet(0x40, {0x1B, 0x00, 0x00, 0x00}), "RemoteModeExit"},
      {true, Packet(0x40, {0x1B, 0x40}), "PrintData ESC @"},
      {true, Packet(0x40, {'T', 'o', 'p', ' ', '~', 0x00}), "PrintData \"Top ~\\0\""},
      {true, Packet(0x40, {'T', 'o', 'p', 0x7F}), "PrintData 4 bytes"},
      {true, Packet(0x40, {0x1B, 'i', 0x00}), "PrintData 3 bytes"},
      {true, {0x40, 0x40, 0x00, 0x09, 0x00, 0x00}, "Broken packet 40 40 00 09 00 00"},
      {false, {0, 0, 0, 8, 1, 0, 0xD1, 0}, "ModeSwitch reply result 0x00"},
      {false,
       {0, 0, 0, 0x0C, 1, 0, 0x84, 0, 0x40, 0x40, 0x00, 0xC8},
       "CreditRequest reply result 0x00 socket 0x40 credit 200"},
      {false, statusAnswer, "Status ST:04;IQ:001122334455;\\r\\n"},
      {false, eepromAnswer, "EepromValue 0x34 = 0xFE on socket 0x40"},
      {false, Packet(0x02, {'|', '|', ':', '4', '2', ';', 'B', 'U', 'S', 'Y', ';'}), "EepromWriteAck B"},
      {false, Packet(0x02, {'r', 's', ':', '0', '1', ';', 'O', 'K', ';'}), "ResetAck O"},
  };
  CaptureDecoder decoder;
  for (const auto& c : cases) {
    CaptureRecord record{1.5, c.FromHost, c.Block};
    EXPECT_EQ(decoder.Describe(record), c.Expected);
  }
  CaptureRecord record{12.25, true, ExitBlock()};
  EXPECT_EQ(decoder.DescribeLine(record), "12.250 H>P Exit");
}

// The printer served on a real pseudo-terminal: the host's bytes arrive
// unchanged (line feeds included) and each answer comes back whole.
TEST(PtyServer, ServesTheHostOverAPseudoTerminal) {
  VirtualClock clock;
  VirtualPrinter printer(clock, "");
  PtyServer server(printer, clock);
  std::string reason;
  if (!server.Open(reason)) GTEST_SKIP() << "no pseudo-terminal here: " << reason;
  const int host = open(server.SlavePath().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(host, 0);

  const Bytes burst = Joined({ModeSwitchBlock(), InitBlock()});
  ASSERT_EQ(write(host, burst.data(), burst.size()), static_cast<ssize_t>(burst.size()));
  for (int round = 0; round < 50 && printer.Capture().size() < 4; ++round)
    ASSERT_TRUE(server.ServeOnce(100, reason)) << reason;
  ASSERT_EQ(printer.Capture().size(), 4u);
  EXPECT_EQ(printer.Capture()[0].Bytes, ModeSwitchBlock());
  EXPECT_EQ(printer.Capture()[2].Bytes, InitBlock());

  Bytes answers;
  for (int round = 0; round < 50 && answers.size() < 17; ++round) {
    pollfd watch{host, POLLIN, 0};
    if (poll(&watch, 1, 100) <= 0) continue;
    uint8_t buffer[64];
    const ssize_t count = read(host, buffer, sizeof buffer);
    if (count > 0) answers.insert(answers.end(), buffer, buffer + count);
  }
  EXPECT_EQ(answers, Joined({printer.Capture()[1].Bytes, printer.Capture()[3].Bytes}));
  EXPECT_TRUE(printer.ProtocolViolations().empty());
  close(host);
}

}  // namespace
