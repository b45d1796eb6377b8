// The items that print pattern pages or adjust the print position: Bi-D, the check pages, the top
// margin and the first dot position, as their logic prints, checks and writes.
#include "sim/engine/PageGeometry.h"
#include "tests/service/LogicBench.h"

namespace {

namespace Page = PageGeometry;
using Page::DotRgb;
using Page::Ink;
using Page::PaperHeight;
using Page::PaperMargin;
using Page::Shade;
using PatternBlock = captured::Block;

// The page image's colour at a print position on the paper.
uint32_t PaperRgb(const QImage& page, int x, int y) {
  return static_cast<uint32_t>(page.pixel(PaperMargin + x, PaperMargin + y)) & 0xFFFFFF;
}

// How far the candidate marks of the MS Black section stand from their ruler marks, slot by slot.
std::vector<int> MsBlackCandidateOffsets(const QImage& page) {
  const uint32_t black = DotRgb(Ink::Black, Shade::Full);
  constexpr int FirstRulerMark = 363;  // byte 90, fourth dot
  constexpr int SlotPitch = 504;
  // The first ruler line of the section: its first mark is the first black pixel in that column.
  std::optional<int> rulerTop;
  for (int y = 0; y < PaperHeight && !rulerTop; ++y)
    if (PaperRgb(page, FirstRulerMark, y) == black) rulerTop = y;
  EXPECT_TRUE(rulerTop.has_value());
  if (!rulerTop) return {};
  const int candidateRow = *rulerTop + 24 * 3;  // the middle of the candidate lines 17..32, clear of the rulers
  std::vector<int> offsets;
  for (int slot = 0; slot < 5; ++slot) {
    const int ruler = FirstRulerMark + SlotPitch * slot;
    std::optional<int> found;
    for (int x = ruler - 40; x <= ruler + 40 && !found; ++x)
      if (PaperRgb(page, x, candidateRow) == black) found = x - ruler;
    EXPECT_TRUE(found.has_value()) << "slot " << slot;
    offsets.push_back(found.value_or(999));
  }
  return offsets;
}

}  // namespace

class PatternItemsLogicTest : public LogicTest {
protected:
  // The data-channel payload the printer received, as one stream.
  PatternBlock DataStream() const {
    PatternBlock stream;
    for (const PatternBlock& block : captured::HostBlocks(Printer))
      if (block.size() > 6 && block[0] == 0x40) stream.insert(stream.end(), block.begin() + 6, block.end());
    return stream;
  }
  size_t BidCommandCount() const {
    const std::vector<PatternBlock> commands = ServiceCommands();
    return static_cast<size_t>(
        std::count_if(commands.begin(), commands.end(), [](const PatternBlock& c) { return c[0] == 0x00; }));
  }
};

TEST_F(PatternItemsLogicTest, BidValuesAreCheckedAndWrittenInTableOrder) {
  Bench->Bid.WriteValues({{0, "36"}});
  EXPECT_EQ(View.Text, "As MS Black data, 36 has been written in EEPROM.");
  EXPECT_EQ(View.SummaryOf(SummaryField::MsBlack), "36");
  EXPECT_EQ(Printer.EepromInUse()[0x33], 36);

  for (const char* wrong : {"37", "-37", "256", "999", "", "ab"}) {
    const size_t before = BidCommandCount();
    Bench->Bid.WriteValues({{2, wrong}});
    EXPECT_EQ(View.Text, "Digit is wrong.") << wrong;
    EXPECT_EQ(BidCommandCount(), before) << wrong;
  }

  const size_t before = ServiceCommands().size();
  Bench->Bid.WriteValues({{1, "-36"}, {4, "5"}});
  const std::vector<PatternBlock> all = ServiceCommands();
  const std::vector<PatternBlock> sent(all.begin() + static_cast<long>(before), all.end());
  const std::vector<PatternBlock> expected = {{0x00, 1, 2, 0xDC, 0xFF}, {0x42, 0x2A, 0xF9}, {0x42, 0x2B, 0xF9},
                                              {0x00, 3, 1, 0x05, 0x00}, {0x42, 0x2A, 0xF9}, {0x42, 0x2B, 0xF9}};
  EXPECT_EQ(sent, expected);
  EXPECT_EQ(View.Text, "As MS Color data, -36 has been written in EEPROM.\nAs 4pl Black data, 5 has been written in EEPROM.");
}

TEST_F(PatternItemsLogicTest, PresentBidDataIsShownOnThreeLines) {
  const std::array<std::pair<uint8_t, uint8_t>, 6> cells{
      {{0x33, 0x03}, {0x36, 0xFE}, {0x34, 0x00}, {0x37, 0x01}, {0x35, 0x05}, {0x38, 0x00}}};
  for (const auto& [cell, value] : cells) Printer.SetEepromCell(cell, value);
  Bench->Bid.ShowPresentData();
  EXPECT_EQ(View.Text,
            "Multi shot Black = 3, Multi shot Color = -2\nMDX 6pl Black = 0, MDX 6pl Color = 1\n"
            "MDX 4pl Black = 5, MDX 4pl Color = 0");
}

TEST_F(PatternItemsLogicTest, BidPagesShowTheAlignedCandidate) {
  ASSERT_TRUE(Printer.SetTrueBidOffsets({2, 0, 0, 0, 0, 0}));
  Printer.SetEepromCell(0x33, 0);
  EXPECT_EQ(Bench->Bid.PrintPage(1), 2);
  EXPECT_EQ(View.Text, "Bi-d pattern print is completed.");
  ASSERT_FALSE(Printer.Pages().empty());
  // The fourth candidate (present value + 2) lines up; the others stand 3 pixels apart per step of 1.
  EXPECT_EQ(MsBlackCandidateOffsets(Printer.Pages().back()), (std::vector<int>{18, 12, 6, 0, -6}));

  // The second print of a sheet starts 33 lines lower, and the count starts over.
  const size_t streamBefore = DataStream().size();
  EXPECT_EQ(Bench->Bid.PrintPage(2), 1);
  const PatternBlock stream = DataStream();
  PatternBlock feeds;
  for (int i = 0; i < 33; ++i) feeds.insert(feeds.end(), {0x0D, 0x0A});
  EXPECT_NE(std::search(stream.begin() + static_cast<long>(streamBefore), stream.end(), feeds.begin(), feeds.end()),
            stream.end());

  // Once the value is written, the middle candidate is the aligned one.
  Bench->Bid.WriteValues({{0, "2"}});
  Bench->Bid.PrintPage(1);
  EXPECT_EQ(MsBlackCandidateOffsets(Printer.Pages().back()), (std::vector<int>{12, 6, 0, -6, -12}));
  EXPECT_TRUE(Printer.JobErrors().empty()) << testing::PrintToString(Printer.JobErrors());
}

TEST_F(PatternItemsLogicTest, CheckPagesShowTheSolidBlocksAndTheNozzleLines) {
  const size_t pagesBefore = Printer.Pages().size();
  Bench->A4Check.PrintPages();
  EXPECT_EQ(View.Text, "A4 pattern print is completed.");
  ASSERT_GE(Printer.Pages().size(), pagesBefore + 2);
  const QImage& first = Printer.Pages()[pagesBefore];
  EXPECT_TRUE(Printer.JobErrors().empty()) << testing::PrintToString(Printer.JobErrors());
  // The blocks stand side by side 480 dots apart in the order BK, C, LC, M, LM, Y.
  const std::array<Ink, 6> order{Ink::Black, Ink::Cyan, Ink::LightCyan, Ink::Magenta, Ink::LightMagenta, Ink::Yellow};
  for (size_t k = 0; k < order.size(); ++k) {
    SCOPED_TRACE(k);
    const int column = 480 * static_cast<int>(k) + 236;
    const uint32_t ink = DotRgb(order[k], Shade::Full);
    // The beta pattern: a solid run of the ink's colour down the block.
    int longestRun = 0, run = 0, lines = 0;
    for (int y = 0; y < PaperHeight; ++y) {
      const bool inked = PaperRgb(first, column, y) == ink;
      run = inked ? run + 1 : 0;
      longestRun = std::max(longestRun, run);
      // The nozzle check: one-pixel lines with paper above and below.
      if (inked && y > 0 && PaperRgb(first, column, y - 1) != ink && PaperRgb(first, column, y + 1) != ink) ++lines;
    }
    EXPECT_GE(longestRun, 144);
    EXPECT_EQ(lines, 2 * 48);  // 48 nozzles, two bands
  }
}

TEST_F(PatternItemsLogicTest, TopMarginChoiceFollowsTheStoredValueAndIsWritten) {
  for (const auto& [stored, choice] : std::vector<std::pair<int, int>>{{21, 2}, {20, 1}, {-20, 1}, {-21, 0}}) {
    Printer.SetEepromCell(0x2E, static_cast<uint8_t>(stored));
    const std::optional<int8_t> read = Bench->TopMargin.StoredValue();
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(TopMarginLogic::ChoiceOf(*read), choice) << stored;
  }
  Bench->TopMargin.WriteChoice(0);
  EXPECT_EQ(Printer.Eeprom()[0x2E], 0xD8);
  EXPECT_EQ(View.Text, "As Top margin data, \"-\" has been written in EEPROM.");
  EXPECT_EQ(View.SummaryOf(SummaryField::TopMargin), "\"-\"");
}

// The command line holds typed values to this same check (first-dot --write +-5 is refused alike).
TEST_F(PatternItemsLogicTest, FirstDotTextsOutsideTheAreaAreNotWritten) {
  const uint8_t stored = Printer.Eeprom()[0x39];
  for (const char* text : {"+-5", "73", "-73", " 5"}) {
    SCOPED_TRACE(text);
    const size_t before = captured::HostBlocks(Printer).size();
    EXPECT_FALSE(Bench->FirstDot.Write(text));
    EXPECT_EQ(View.Text, "The adjustment area is between -72 and 72.");
    EXPECT_EQ(captured::HostBlocks(Printer).size(), before);
    EXPECT_EQ(Printer.Eeprom()[0x39], stored);
  }
}

TEST_F(PatternItemsLogicTest, FirstDotWriteRestartsThePrinter) {
  const size_t before = captured::HostBlocks(Printer).size();
  EXPECT_TRUE(Bench->FirstDot.Write("-8"));
  EXPECT_EQ(Printer.Eeprom()[0x39], 0xF8);
  EXPECT_EQ(Boxes.Texts().back(),
            "This printer is initializing to reflect changed value on EEPROM.\nPlease wait about 15 seconds until "
            "printer is ready state.");
  const std::vector<PatternBlock> all = captured::HostBlocks(Printer);
  const std::vector<PatternBlock> after(all.begin() + static_cast<long>(before), all.end());
  const auto position = [&](const PatternBlock& block) { return std::find(after.begin(), after.end(), block) - after.begin(); };
  const long reset = position({0x02, 0x02, 0x00, 0x0B, 0x00, 0x00, 'r', 's', 0x01, 0x00, 0x01});
  const long exitLink = position({0x00, 0x00, 0x00, 0x07, 0x01, 0x00, 0x08});
  const long modeSwitch = position(wire::ModeSwitch());
  ASSERT_LT(modeSwitch, static_cast<long>(after.size()));
  EXPECT_LT(reset, exitLink);
  EXPECT_LT(exitLink, modeSwitch);
  // The data channel opens after the restart, then the cell is read back before success is claimed.
  const long openData = position(wire::OpenChannel(0x40));
  ASSERT_LT(openData, static_cast<long>(after.size()));
  EXPECT_GT(openData, modeSwitch);
  EXPECT_EQ(after.back(), (PatternBlock{0x02, 0x02, 0x00, 0x10, 0x00, 0x00, 0x7C, 0x7C, 0x06, 0x00, 0x10, 0x9B, 0x41,
                                        0xBE, 0xA0, 0x39}));
  EXPECT_EQ(View.Text, "As first dot position value, \n\"-8\"has been written in the EEPROM");
  EXPECT_EQ(View.SummaryOf(SummaryField::FirstDot), "-8");
  EXPECT_FALSE(View.BusyCursor);
}
