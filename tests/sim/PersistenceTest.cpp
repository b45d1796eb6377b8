// What the virtual printer keeps on disk: eeprom.bin, capture.log and jobs/, and the factory image.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

#include "sim/wire/CaptureLog.h"
#include "tests/sim/SimTestSupport.h"

namespace {

namespace fs = std::filesystem;

Bytes ReadFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

std::vector<std::string> ReadLines(const fs::path& path) {
  std::ifstream file(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) lines.push_back(line);
  return lines;
}


TEST(Persistence, EepromSurvivesARestart) {
  TempDirectory dir;
  VirtualClock clock;
  {
    VirtualPrinter printer(clock, dir.Path.string());
    EXPECT_TRUE(printer.Messages().empty());
    const Bytes file = ReadFile(dir.Path / "eeprom.bin");
    ASSERT_EQ(file.size(), 256u);
    EXPECT_TRUE(std::equal(file.begin(), file.end(), printer.Eeprom().begin()));
    for (const Bytes& block : {ModeSwitchBlock(), OpenBlock(0x02), CreditBlock(0x02, 1), CreditRequestBlock(0x02, 1),
                               Packet(0x02, ControlWriteRequest(0x39, 0xF6))})
      Send(printer, block);
    EXPECT_EQ(ReadFile(dir.Path / "eeprom.bin")[0x39], 0xF6) << "written at once, not at the end";
  }
  VirtualPrinter again(clock, dir.Path.string());
  EXPECT_EQ(again.Eeprom()[0x39], 0xF6);
  EXPECT_EQ(again.EepromInUse()[0x39], 0xF6);

  again.ReplaceMainBoard();
  EXPECT_EQ(ReadFile(dir.Path / "eeprom.bin"), Bytes(256, 0xFF));
}

// Two printers on one folder would each save their own image over the other's: the second is
// refused before it reads anything, and names the process that holds the folder.
TEST(Persistence, OnePrinterAtATimeRunsAFolder) {
  TempDirectory dir;
  VirtualClock clock;
  auto first = std::make_unique<VirtualPrinter>(clock, dir.Path.string());
  first->SetEepromCell(0x39, 0x12);
  const Bytes image = ReadFile(dir.Path / "eeprom.bin");
  try {
    VirtualPrinter second(clock, dir.Path.string());
    ADD_FAILURE() << "a second printer ran the same folder";
  } catch (const DirectoryInUse& refused) {
    EXPECT_EQ(std::string(refused.what()),
              "The virtual printer in " + dir.Path.string() + " is in use by process " + std::to_string(getpid()) +
                  ": one program at a time.");
  }
  EXPECT_EQ(ReadFile(dir.Path / "eeprom.bin"), image);
  first.reset();
  VirtualPrinter again(clock, dir.Path.string());
  EXPECT_EQ(again.Eeprom()[0x39], 0x12);
}

// hold-after-writes stops the printer right after a known write: its answer and everything the
// host sends later wait until the switch is cleared; switching the power off forgets them.
TEST(Persistence, HoldAfterWritesStopsAtAKnownCell) {
  VirtualClock clock;
  VirtualPrinter printer(clock, "");
  std::ostringstream report;
  printer.SetFaultReport(report);
  for (const Bytes& block : {ModeSwitchBlock(), OpenBlock(0x02), CreditBlock(0x02, 20), CreditRequestBlock(0x02, 20)})
    Send(printer, block);
  while (printer.PendingReplyBytes() > 0) {
    uint8_t reply[256];
    printer.TakeReplyBlock(reply, sizeof reply);
  }
  FaultSwitches switches = printer.Switches();
  switches.Faults.HoldAfterWrites = 2;
  printer.SetSwitches(switches);
  Send(printer, Packet(0x02, ControlWriteRequest(0x30, 0x01)));
  EXPECT_GT(printer.PendingReplyBytes(), 0u);
  uint8_t reply[256];
  printer.TakeReplyBlock(reply, sizeof reply);
  EXPECT_FALSE(printer.Holding());
  Send(printer, Packet(0x02, ControlWriteRequest(0x31, 0x02)));
  EXPECT_TRUE(printer.Holding());
  EXPECT_EQ(printer.Eeprom()[0x31], 0x02) << "the second write is carried out";
  EXPECT_EQ(printer.PendingReplyBytes(), 0u) << "but not answered";
  Send(printer, Packet(0x02, ControlWriteRequest(0x32, 0x03)));
  EXPECT_NE(printer.Eeprom()[0x32], 0x03);
  EXPECT_EQ(printer.PendingReplyBytes(), 0u);
  EXPECT_NE(report.str().find("holding after 2 EEPROM writes"), std::string::npos) << report.str();

  switches.Faults.HoldAfterWrites.reset();
  printer.SetSwitches(switches);
  EXPECT_FALSE(printer.Holding());
  EXPECT_EQ(printer.Eeprom()[0x32], 0x03);
  EXPECT_EQ(printer.TakeReplyBlock(reply, sizeof reply) > 0 && printer.TakeReplyBlock(reply, sizeof reply) > 0, true);

  // Set again, the count starts afresh; a power cycle ends the hold and loses what waited.
  switches.Faults.HoldAfterWrites = 1;
  printer.SetSwitches(switches);
  Send(printer, Packet(0x02, ControlWriteRequest(0x33, 0x04)));
  EXPECT_TRUE(printer.Holding());
  Send(printer, Packet(0x02, ControlWriteRequest(0x34, 0x05)));
  printer.PowerOff();
  printer.PowerOn();
  EXPECT_FALSE(printer.Holding());
  EXPECT_EQ(printer.Eeprom()[0x33], 0x04);
  EXPECT_NE(printer.Eeprom()[0x34], 0x05);
  EXPECT_EQ(printer.PendingReplyBytes(), 0u);
}

TEST(Persistence, EepromFileOfTheWrongSizeIsReported) {
  TempDirectory dir;
  fs::create_directories(dir.Path);
  std::ofstream(dir.Path / "eeprom.bin", std::ios::binary) << "too short";
  VirtualClock clock;
  VirtualPrinter printer(clock, dir.Path.string());
  ASSERT_EQ(printer.Messages().size(), 1u);
  EXPECT_NE(printer.Messages()[0].find("holds 9 bytes instead of 256"), std::string::npos);
  EXPECT_EQ(printer.Eeprom(), EepromImage::FactoryImage());
  EXPECT_EQ(ReadFile(dir.Path / "eeprom.bin").size(), 256u);
}

TEST(Persistence, CaptureLogLines) {
  TempDirectory dir;
  VirtualClock clock;
  clock.Advance(5000);  // time stamps count from the printer's creation
  VirtualPrinter printer(clock, dir.Path.string());
  Send(printer, ModeSwitchBlock());
  clock.Advance(1234);
  Send(printer, InitBlock());
  clock.Advance(60000);
  Send(printer, Bytes{});

  const std::vector<std::string> lines = ReadLines(dir.Path / "capture.log");
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "0.000 H>P 00 00 00 1B 01 40 51 43 4C 20 31 32 38 34 2E 34 0A 40 51 43 4C 0A 40 51 43 4C 0A");
  EXPECT_EQ(lines[1], "0.000 P>H 00 00 00 08 01 00 D1 00");
  EXPECT_EQ(lines[2], "1.234 H>P 00 00 00 08 01 00 00 10");
  EXPECT_EQ(lines[3], "1.234 P>H 00 00 00 09 01 00 80 00 10");
  EXPECT_EQ(lines[4], "61.234 H>P");

  ASSERT_EQ(printer.Capture().size(), 5u);
  for (size_t i = 0; i < lines.size(); ++i) {
    CaptureRecord record;
    std::string reason;
    ASSERT_TRUE(CaptureLog::ParseLine(lines[i], record, reason)) << lines[i] << ": " << reason;
    EXPECT_EQ(record.Bytes, printer.Capture()[i].Bytes);
    EXPECT_EQ(record.FromHost, printer.Capture()[i].FromHost);
    EXPECT_DOUBLE_EQ(record.Seconds, printer.Capture()[i].Seconds);
  }

  for (const char* bad : {"", "1.23 H>P 00", "1.234 X>Y 00", "1.234 H>P 0", "1.234 H>P 0a", "1.234 H>P  00",
                          "1.234 H>P 00 ", "x.234 H>P 00"}) {
    CaptureRecord record;
    std::string reason;
    EXPECT_FALSE(CaptureLog::ParseLine(bad, record, reason)) << bad;
    EXPECT_FALSE(reason.empty()) << bad;
  }
}

TEST(Persistence, JobFilesAreNumberedOnFromWhatIsThere) {
  TempDirectory dir;
  fs::create_directories(dir.Path / "jobs");
  std::ofstream(dir.Path / "jobs" / "0007.prn") << "old";
  VirtualClock clock;
  VirtualPrinter printer(clock, dir.Path.string());
  for (const Bytes& block : {ModeSwitchBlock(), OpenBlock(0x40), CreditRequestBlock(0x40, 200),
                             Packet(0x40, {'A', 0x0C, 'B'}), CloseBlock(0x40)})
    Send(printer, block);
  ASSERT_EQ(printer.JobFiles().size(), 2u);
  EXPECT_EQ(fs::path(printer.JobFiles()[0]).filename(), "0008.prn");
  EXPECT_EQ(ReadFile(dir.Path / "jobs" / "0008.prn"), (Bytes{'A', 0x0C}));
  EXPECT_EQ(ReadFile(dir.Path / "jobs" / "0009.prn"), (Bytes{'B'}));
}

TEST(Persistence, FactoryImageIsPlausible) {
  const EepromImage::Cells cells = EepromImage::FactoryImage();
  // Head ID: each value within what its position of the ID accepts, and the sum cell.
  const struct {
    uint8_t Cell, Low, High;
  } head[] = {{0x3F, 1, 32}, {0x46, 0, 6},   {0x40, 1, 37},  {0x41, 1, 34},  {0x43, 1, 40},  {0x44, 1, 34},
              {0x45, 1, 34}, {0x48, 32, 68}, {0x4B, 32, 68}, {0x49, 32, 68}, {0x4C, 32, 68}, {0x4A, 32, 68}};
  for (const auto& h : head) {
    EXPECT_GE(cells[h.Cell], h.Low) << int(h.Cell);
    EXPECT_LE(cells[h.Cell], h.High) << int(h.Cell);
  }
  EXPECT_EQ(static_cast<uint8_t>(44 - (cells[0x48] + cells[0x4B] + cells[0x49] + cells[0x4C] + cells[0x4A])),
            cells[0x47]);
  for (int cell = 0x4D; cell <= 0x5E; ++cell)
    EXPECT_TRUE(std::isdigit(cells[cell]) || std::isupper(cells[cell])) << cell;
  EXPECT_EQ(Bytes(cells.begin() + 0x33, cells.begin() + 0x39), (Bytes{0x01, 0xFE, 0x00, 0x03, 0xFF, 0x02}));
  EXPECT_EQ(cells[0x0A], 0x57);
  EXPECT_EQ(cells[0x0B], 0x08);
  EXPECT_EQ(cells[0x2E], 0x00);
  EXPECT_EQ(cells[0x39], 0x00);
  EXPECT_EQ(cells[0x5F], 0x10);
  EXPECT_EQ(cells[0x00], 0x00);
  EXPECT_EQ(cells[0xFF], 0x00);
}

}  // namespace
