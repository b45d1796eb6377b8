// Whole patterns as the virtual printer receives them: titles, block contents, runs, moves, waits, and the Bi-D and top-margin values.
#include "tests/pattern/PatternFixture.h"

#include <functional>
#include <string>
#include <tuple>
#include <vector>

using namespace std::string_literals;

namespace {

std::string Move(int units) { return "1B 28 76 02 00 " + HexText({static_cast<uint8_t>(units)}) + " 00 0D"; }
std::string Runs(const std::string& hex, size_t count) { return HexText(Repeated(HexBytes(hex), count)); }
Bytes With(size_t size, const std::vector<std::pair<size_t, uint8_t>>& set) {
  Bytes line(size, 0x00);
  for (const auto& [at, value] : set) line[at] = value;
  return line;
}

TEST_F(PatternLink, EveryPatternIsTitleThenItsBlocksThenReset) {
  const auto solid = [](size_t b, size_t) {  // 472 dots of colour k at a pitch of 480
    Bytes line(360, 0x00);
    std::fill_n(line.begin() + static_cast<long>(60 * (b % 6)), 59, 0xFF);
    return line;
  };
  const auto sixColors = [](size_t b) { return SixColorOrder[b % 6]; };
  struct Case {
    const char* Title;
    void (TPRaster::*Print)();
    size_t Blocks;
    int Advance;   // 1/360 inch: 144 a band
    size_t Waits;  // for the ready printer
    std::function<uint8_t(size_t block)> Color;
    std::function<Bytes(size_t block, size_t line)> Line;
  };
  const std::vector<Case> cases = {
      {"Beta pattern(BK-C-LC-M-LM-Y)", &TPRaster::PrintBetaPattern, 36, 288, 0, sixColors, solid},
      {"Nozzle check pattern(BK-C-LC-M-LM-Y)", &TPRaster::PrintNozzleCheckPattern, 12, 288, 0, sixColors, solid},
      {"Alignment pattern(BK-C-LC-M-LM-Y)", &TPRaster::PrintAlignmentPattern, 108, 288, 18, sixColors,
       [](size_t b, size_t) {
         const uint8_t mark = std::array<uint8_t, 3>{0xF0, 0x50, 0x55}[b / 6 % 3];
         return With(40, {{0, mark}, {12, mark}});
       }},
      {"Nozzle column shift", &TPRaster::PrintNozzleColumnShift, 30, 3, 3,
       [](size_t b) { return b % 10 < 5 ? InkBlack : SixColorOrder[b % 10 - 4]; },
       [](size_t b, size_t line) {  // black combs from the upper nozzles, colour combs from the lower
         Bytes comb(110, 0x00);
         for (size_t i = 0; i < comb.size() && (line < 24) == (b % 10 < 5); i += 10) comb[i] = 0x55;
         return comb;
       }},
      {"6pl Variable dot", &TPRaster::PrintVariableDotPattern, 3, 3, 3, [](size_t) { return InkBlack; },
       [](size_t, size_t) { return Joined({Bytes(240, 0xFF), Bytes(240, 0xAA), Bytes(240, 0x55)}); }},
  };
  for (const Case& c : cases) {
    (Raster.*c.Print)();
    const DataTraffic traffic = Received();
    const PrintStream stream = DecodePrintStream(traffic.Print);
    ASSERT_EQ(stream.Problem, "") << c.Title;
    const auto skeleton = stream.Skeleton();
    EXPECT_EQ(skeleton.at(0), "T:" + (c.Title + "\0\r\n"s)) << c.Title;
    EXPECT_EQ(skeleton.at(1), "1B 40") << c.Title;
    EXPECT_EQ(skeleton.back(), "1B 40") << c.Title;
    EXPECT_EQ(stream.VerticalTotal(), c.Advance) << c.Title;
    EXPECT_EQ(traffic.WaitReadyCalls().size(), c.Waits) << c.Title;
    EXPECT_TRUE(traffic.Services.empty()) << c.Title;
    ASSERT_EQ(stream.Blocks.size(), c.Blocks) << c.Title;
    for (size_t b = 0; b < stream.Blocks.size(); ++b) {
      EXPECT_EQ(stream.Near(b, -1), "1B 28 44 04 00 68 01 03 01") << c.Title << " block " << b;
      EXPECT_EQ(stream.Blocks[b].Color, c.Color(b)) << c.Title << " block " << b;
      ASSERT_EQ(stream.Blocks[b].Decoded.size(), NozzleRows) << c.Title << " block " << b;
      for (size_t line = 0; line < NozzleRows; ++line)
        ASSERT_EQ(stream.Blocks[b].Decoded[line], c.Line(b, line)) << c.Title << " block " << b << " line " << line;
    }
  }
}

TEST_F(PatternLink, SolidPatternsRunsPassesAndBands) {
  struct Case {
    void (TPRaster::*Print)();
    size_t BlocksPerBand;
    std::vector<std::string> AfterY;  // after the Y block, and at the end of a band
  };
  const std::vector<Case> cases = {{&TPRaster::PrintBetaPattern, 18, {Move(1), Move(141)}},
                                   {&TPRaster::PrintNozzleCheckPattern, 6, {Move(0), Move(144)}}};
  for (const Case& c : cases) {
    (Raster.*c.Print)();
    const PrintStream stream = DecodePrintStream(Received().Print);
    ASSERT_EQ(stream.Problem, "");
    const auto skeleton = stream.Skeleton();
    EXPECT_EQ(std::vector<std::string>(skeleton.begin() + 1, skeleton.begin() + 7),
              (std::vector<std::string>{"1B 40", "1B 28 47 01 00 01", "1B 28 55 01 00 0A", "1B 55 01",
                                        "1B 28 65 02 00 00 00", "1B 28 4B 02 00 00 02"}));
    EXPECT_EQ(stream.Near(0, 0), "1B 69 00 01 01 68 01 30 00");
    for (size_t b = 0; b < stream.Blocks.size(); ++b) {
      const size_t k = b % 6;
      const std::string line = Runs("C5 00", k) + (k ? " " : "") + "C6 FF 00 00" + (k < 5 ? " " : "") + Runs("C5 00", 5 - k);
      for (const Bytes& encoded : stream.Blocks[b].Encoded) ASSERT_EQ(HexText(encoded), line) << b;
      EXPECT_EQ(stream.Near(b, 1), k < 5 ? Move(0) : c.AfterY[0]) << b;
      if (b % c.BlocksPerBand == c.BlocksPerBand - 1) {
        EXPECT_EQ(stream.Near(b, 2), c.AfterY[1]) << b;
      }
    }
    EXPECT_EQ(HexText(stream.Blocks[0].Encoded[0]), "C6 FF 00 00 C5 00 C5 00 C5 00 C5 00 C5 00");
  }
}

TEST_F(PatternLink, AlignmentRunsAndPositionsPerDropletMode) {
  const std::vector<std::tuple<uint8_t, std::string, int>> modes = {{0x12, "00 F0 F6 00 00 F0 F6 00 F1 00", 0},
                                                                    {0x11, "00 50 F6 00 00 50 F6 00 F1 00", 960},
                                                                    {0x10, "00 55 F6 00 00 55 F6 00 F1 00", 1920}};
  Raster.PrintAlignmentPattern();
  const PrintStream stream = DecodePrintStream(Received().Print);
  ASSERT_EQ(stream.Problem, "");
  EXPECT_TRUE(stream.Commands("1B 28 4B").empty());
  const auto dotSizes = stream.Commands("1B 28 65");
  ASSERT_EQ(dotSizes.size(), 18u);
  for (size_t b = 0; b < stream.Blocks.size(); ++b) {
    const auto& [dotSize, line, start] = modes[b / 6 % 3];
    const int at = start + 160 * static_cast<int>(b % 6);
    for (const Bytes& encoded : stream.Blocks[b].Encoded) ASSERT_EQ(HexText(encoded), line) << b;
    EXPECT_EQ(stream.Near(b, -2), HexText({0x1B, 0x5C, static_cast<uint8_t>(at), static_cast<uint8_t>(at >> 8)}));
    EXPECT_EQ(stream.Near(b, 1), "1B 3C 0D");
    EXPECT_EQ(dotSizes[b / 6]->Raw[6], dotSize) << b;
  }
}

// A decoded Bi-D line: slot s begins at byte 90 + 126 s and holds marks at 0, 12 and 24.
Bytes BidLine(const std::vector<size_t>& marked, uint8_t first = 0x00, uint8_t last = 0x00) {
  Bytes line = With(720, {{0, first}, {719, last}});
  for (size_t slot : marked)
    for (size_t mark = 0; mark < 3; ++mark) line[90 + 126 * slot + 12 * mark] = 0x03;
  return line;
}

TEST_F(PatternLink, BidSectionsReadTheirValueAndPrintTheirColours) {
  const std::vector<std::tuple<int, int, std::string, uint8_t, uint8_t, uint8_t, uint8_t>> sections = {
      // dot mode, ink group, title, address, dot size, reference and candidate colour
      {1, 1, " MS Black", 0x33, 0x12, 0x00, 0x00},  {1, 2, " MS Color", 0x36, 0x12, 0x11, 0x12},
      {2, 1, " 6pl Black", 0x34, 0x11, 0x00, 0x00}, {2, 2, " 6pl Color", 0x37, 0x11, 0x11, 0x12},
      {3, 1, " 4pl Black", 0x35, 0x10, 0x00, 0x00}, {3, 2, " 4pl Color", 0x38, 0x10, 0x11, 0x12},
  };
  for (const auto& [dotMode, inkGroup, title, address, dotSize, reference, candidate] : sections) {
    Printer.SetEepromCell(address, 0xFB);
    EXPECT_TRUE(Raster.PrintBidPattern(dotMode, inkGroup)) << title;
    const DataTraffic traffic = Received();
    const PrintStream stream = DecodePrintStream(traffic.Print);
    ASSERT_EQ(stream.Problem, "") << title;
    EXPECT_EQ(stream.Skeleton()[0], "T:" + title + "\0\r\n"s);
    EXPECT_EQ(traffic.EepromReads(), std::vector<uint8_t>{address}) << title;
    for (const ServiceCall& call : traffic.Services) {
      if (call.Code == SetBidValueCode) {
        EXPECT_EQ(call.Parameters[0], dotMode);
        EXPECT_EQ(call.Parameters[1], inkGroup);
      }
    }
    for (const StreamItem* size : stream.Commands("1B 28 65")) EXPECT_EQ(size->Raw[6], dotSize) << title;
    const auto directions = stream.Commands("1B 55");
    ASSERT_EQ(directions.size(), 18u);
    ASSERT_EQ(stream.Blocks.size(), 33u) << title;
    for (size_t b = 0; b < stream.Blocks.size(); ++b) {
      // Per pass: the rulers one way, then for candidate n a lead-in and the marks under slot n - 1 both ways.
      const size_t inPass = b % 11;
      EXPECT_EQ(stream.Blocks[b].Color, inPass == 0 ? reference : candidate) << title << " " << b;
      EXPECT_EQ(directions[b / 11 * 6 + (inPass + 1) / 2]->Raw[2], inPass == 0 ? 1 : 0) << title << " " << b;
      for (size_t line = 0; line < NozzleRows; ++line) {
        const bool middle = line >= 16 && line < 32;
        Bytes expected(720, 0x00);
        if (inPass == 0 && !middle) expected = BidLine({0, 1, 2, 3, 4});
        if (inPass % 2 == 1) expected = BidLine({}, 0x00, line == 47 ? 0x01 : 0x00);
        if (inPass != 0 && inPass % 2 == 0 && middle) expected = BidLine({inPass / 2 - 1}, line == 31 ? 0x01 : 0x00);
        ASSERT_EQ(stream.Blocks[b].Decoded[line], expected) << title << " block " << b << " line " << line;
      }
    }
    // The runs as sent: ruler, blank, lead-in end, candidates 1 and 2, candidate 5 on its last line.
    const std::string marks = Runs("00 03 F6 00", 3);
    const std::vector<std::tuple<size_t, size_t, std::string>> runs = {
        {0, 0, "A7 00 " + Runs(marks + " A7 00", 5)},
        {0, 16, Runs("89 00", 6)},
        {1, 47, Runs("89 00", 5) + " 8A 00 00 01"},
        {2, 16, "00 00 A8 00 " + marks + " " + Runs("89 00", 4) + " 8F 00"},
        {4, 20, "00 00 A8 00 DD 00 A7 00 " + marks + " " + Runs("89 00", 3) + " 95 00"},
        {10, 31, "00 01 A8 00 " + Runs("DD 00 A7 00", 4) + " " + marks + " A7 00"},
    };
    for (const auto& [block, line, hex] : runs) EXPECT_EQ(HexText(stream.Blocks[block].Encoded[line]), hex);
  }
  EXPECT_FALSE(Raster.PrintBidPattern(0, 1));
  EXPECT_FALSE(Raster.PrintBidPattern(1, 3));
  EXPECT_EQ(HostBlocksSince(), 0u);
}

TEST_F(PatternLink, BidCandidatesAroundTheClampedValueThenTheStoredValueBack) {
  const std::vector<std::pair<int8_t, int>> cases = {{40, 32}, {41, 31},  {-41, -31}, {-40, -32},  {0, 0},  {9, 9},
                                                     {32, 32}, {33, 31}, {-33, -31}, {127, 31}, {-128, -32}};
  for (const auto& [stored, printed] : cases) {
    Printer.SetEepromCell(0x36, static_cast<uint8_t>(stored));
    Raster.PrintBidPattern(1, 2);
    const DataTraffic traffic = Received();
    const PrintStream stream = DecodePrintStream(traffic.Print);
    ASSERT_EQ(stream.Problem, "");

    std::string line = "T:  data:   \0"s;
    std::vector<int> expected;
    for (int offset : {-4, -2, 0, 2, 4}) {
      const std::string number = std::to_string(printed + offset);
      line += number + std::string(14 - number.size(), ' ');
    }
    EXPECT_EQ(stream.Skeleton()[2], line + "\r\n") << int{stored};
    for (int pass = 0; pass < 3; ++pass)
      for (int offset : {-4, -2, 0, 2, 4}) expected.push_back(printed + offset);
    expected.push_back(stored);
    EXPECT_EQ(traffic.BidValuesSet(), expected) << int{stored};
    EXPECT_EQ(Printer.Eeprom()[0x36], static_cast<uint8_t>(stored));
    EXPECT_EQ(Printer.EepromInUse()[0x36], static_cast<uint8_t>(stored));

    // Each candidate is set right after its wait for the ready printer; the stored value after the last pass.
    const std::vector<size_t> waits = traffic.WaitReadyCalls();
    ASSERT_EQ(waits.size(), 19u);
    ASSERT_EQ(traffic.Services.size(), 17u);
    for (size_t i = 0; i < 15; ++i) EXPECT_EQ(traffic.Services[1 + i].At, waits[2 + i / 5 * 6 + i % 5]) << i;
    EXPECT_EQ(traffic.Services[16].At, stream.Items.end()[-2].Offset);
    EXPECT_EQ(stream.Skeleton().end()[-2], "T:\r\n\r\n\r\n");
  }
}

TEST_F(PatternLink, TopMarginLineWithTheStoredSign) {
  const std::string raster = "1B 40 1B 28 47 01 00 01 1B 28 55 01 00 0A 1B 55 01 1B 28 65 02 00 00 10 "
                             "1B 28 4B 02 00 00 01 1B 28 53 08 00 A0 0B 00 00 70 10 00 00 "
                             "1B 28 63 08 00 2A 00 00 00 1E 1F 00 00 1B 28 44 04 00 68 01 03 01 "
                             "1B 69 00 01 02 D0 02 30 00 " + Runs("89 FF", 6) + " " + Runs("00 C0 8A 00 " + Runs("89 00", 5), 47);
  const std::vector<std::pair<int8_t, std::string>> cases = {
      {-21, "\"-\""}, {-20, "\"0\""}, {20, "\"0\""}, {21, "\"+\""}, {127, "\"+\""}, {-128, "\"-\""}};
  Raster.ResetPrinter();  // the data channel's credit is settled before the waits are counted
  Received();
  for (const auto& [stored, sign] : cases) {
    for (int layout : {TopMarginOwnPage, TopMarginCheckPage}) {
      Printer.SetEepromCell(0x2E, static_cast<uint8_t>(stored));
      Clock.ClearPauses();
      Raster.PrintTopMarginPattern(layout);
      const std::string tail =
          layout == TopMarginOwnPage
              ? "\r\n\r\n   Top Adjust = \0"s + sign + "\0\x0C"s
              : "\r\n1. Top margin and 1st dot position check line\0\r\n   Top Adjust = \0"s + sign + "\0\r\n\r\n"s;
      const DataTraffic traffic = Received();
      EXPECT_EQ(HexText(traffic.Print), "1B 40 " + raster + " 1B 40 " + HexText(TextBytes(tail)) + " 1B 40")
          << int{stored} << " layout " << layout;
      EXPECT_TRUE(traffic.WaitReadyCalls().empty());

      // 10 ms before the EEPROM read and the read's own waits, then 1000 ms after the raster line.
      const std::vector<uint32_t> pauses = Clock.Pauses();
      Clock.ClearPauses();
      (void)Comm.ControlReadEeprom(0x2E);
      std::vector<uint32_t> expectedPauses(Clock.Pauses().size() + 1, 10);
      expectedPauses.push_back(1000);
      EXPECT_EQ(pauses, expectedPauses) << int{stored} << " layout " << layout;
    }
  }
}

}  // namespace
