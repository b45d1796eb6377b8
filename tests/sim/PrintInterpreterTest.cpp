// The print engine: where text and dots land, in which colour and size, and what a broken stream gives.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "tests/sim/PrintTestSupport.h"

namespace {

using namespace PageGeometry;

constexpr int Cyan = 0x02;

int CyanIndex() { return FullIndex(Ink::Cyan); }

TEST(PageGeometry, InkAndColourTables) {
  std::set<uint8_t> numbers;
  for (size_t i = 0; i < Inks.size(); ++i) {
    EXPECT_EQ(static_cast<size_t>(Inks[i].Which), i) << "Inks is in the order of Ink";
    EXPECT_TRUE(numbers.insert(Inks[i].ColourNumber).second) << Inks[i].Name;
    EXPECT_EQ(InkFromColourNumber(Inks[i].ColourNumber), Inks[i].Which) << Inks[i].Name;
    EXPECT_EQ(DotRgb(Inks[i].Which, Shade::Full), Inks[i].Rgb) << Inks[i].Name;
  }
  for (uint8_t unknown : {0x03, 0x05, 0x10, 0x13, 0x40, 0xFF})
    EXPECT_FALSE(InkFromColourNumber(unknown)) << int(unknown);
  const std::array<uint32_t, PaletteSize> palette = Palette();
  EXPECT_EQ(std::set<uint32_t>(palette.begin(), palette.end()).size(), PaletteSize) << "every colour tells apart";
  EXPECT_EQ(palette[PaperIndex], 0xFFFFFFu);
  EXPECT_EQ(palette[TextIndex], 0x000000u);
}

TEST(RasterBlocks, OneBitDotsLandInTheInkOfTheBlock) {
  for (const InkInfo& ink : Inks) {
    PrintBench bench;
    // 2 bytes a line, 3 lines: 80 01 / 00 00 / FF 00.
    const QImage page = bench.Print(Stream()
                                        .Graphics()
                                        .Resolution()
                                        .Header(ink.ColourNumber, 1, 2, 3)
                                        .Literal({0x80, 0x01})
                                        .Run(2, 0x00)
                                        .Run(1, 0xFF)
                                        .Run(1, 0x00));
    std::vector<Spot> expected = {{0, Top}, {15, Top}};
    for (int x = 0; x < 8; ++x) expected.push_back({x, Top + 6});
    EXPECT_EQ(Marks(page), expected) << ink.Name;
    EXPECT_EQ(SpotsOf(page, FullIndex(ink.Which)), expected) << ink.Name;
    EXPECT_EQ(page.pixel(PaperMargin, PaperMargin + Top), 0xFF000000u | ink.Rgb) << ink.Name;
    EXPECT_TRUE(bench.Printer.Errors().empty()) << ink.Name;
  }
}

TEST(RasterBlocks, TwoBitValuesAreThreeDropletSizes) {
  const struct {
    int Value;
    int Size;
    Shade Tone;
  } cases[] = {{1, 1, Shade::Light}, {2, 2, Shade::Medium}, {3, 3, Shade::Full}};
  for (const auto& c : cases) {
    PrintBench bench;
    // One byte holding dots 0 and 3 of value `Value` (dot 0 in the two highest bits).
    const QImage page = bench.Print(Stream().Header(0x01, 2, 1, 1).Literal({c.Value << 6 | c.Value}));
    std::vector<Spot> expected;
    for (int y = Top; y < Top + c.Size; ++y)
      for (int left : {0, 3})
        for (int x = left; x < left + c.Size; ++x) expected.push_back({x, y});
    std::sort(expected.begin(), expected.end(), [](Spot a, Spot b) { return a.Y != b.Y ? a.Y < b.Y : a.X < b.X; });
    expected.erase(std::unique(expected.begin(), expected.end()), expected.end());
    EXPECT_EQ(Marks(page), expected) << "value " << c.Value;
    EXPECT_EQ(SpotsOf(page, DotIndex(Ink::Magenta, c.Tone)), expected) << "value " << c.Value;
  }
}

TEST(Text, CharactersTakeCellsOf36PixelsOnLinesOf60) {
  PrintBench reference;
  const std::vector<Spot> capitalI = Marks(reference.Print(Stream().Text("I")));
  ASSERT_FALSE(capitalI.empty());
  // ".###." on top, seven rows of four-pixel squares, the cell's top on the print line.
  EXPECT_EQ(capitalI.front(), (Spot{GlyphLeft + GlyphDotSize, Top}));
  EXPECT_EQ(capitalI.back(), (Spot{GlyphLeft + 4 * GlyphDotSize - 1, Top + 7 * GlyphDotSize - 1}));
  EXPECT_EQ(SpotsOf(reference.Store.Pages().back(), TextIndex), capitalI);

  const struct {
    const char* What;
    Stream Before;
    int Dx, Dy;
  } cases[] = {
      {"one space", Stream().Text(" "), 36, 0},
      {"two texts on a line", Stream().Text(" ").Text(" "), 72, 0},
      {"zero bytes do not advance", Stream().Text(" ").Raw({0x00, 0x00}), 36, 0},
      {"other control bytes print nothing", Stream().Text("  ").Raw({0x01, 0x08, 0x09, 0x1F}), 72, 0},
      {"carriage return", Stream().Text("   ").Raw({0x0D}), 0, 0},
      {"line feed keeps the column", Stream().Text(" ").Raw({0x0A}), 36, 60},
      {"two new lines", Stream().CrLf().CrLf(), 0, 120},
      {"horizontal move", Stream().HorizontalMove(10), 10, 0},
  };
  for (const auto& c : cases) {
    PrintBench bench;
    const QImage page = bench.Print(Stream(c.Before).Text("I"));
    EXPECT_EQ(Marks(page), Shifted(capitalI, c.Dx, c.Dy)) << c.What;
  }
}

TEST(Text, EveryCharacterStaysInItsCell) {
  // Bytes 0x21..0xFF (0x7F and above print as a box), 50 to a line.
  PrintBench bench;
  Stream stream;
  std::set<std::pair<int, int>> cells;
  for (int byte = 0x21; byte <= 0xFF; ++byte) {
    const int index = byte - 0x21;
    if (index > 0 && index % 50 == 0) stream.CrLf();
    stream.Raw({byte});
    cells.insert({index % 50, index / 50});
  }
  const QImage page = bench.Print(stream);
  std::set<std::pair<int, int>> inked;
  for (const Spot& spot : Marks(page)) {
    const int column = spot.X / CharacterWidth;
    const int line = (spot.Y - Top) / LineHeight;
    ASSERT_GE(spot.Y, Top);
    EXPECT_GE(spot.X % CharacterWidth, GlyphLeft) << spot;
    EXPECT_LT(spot.X % CharacterWidth, GlyphLeft + GlyphColumns * GlyphDotSize) << spot;
    EXPECT_LT((spot.Y - Top) % LineHeight, GlyphRows * GlyphDotSize) << spot;
    inked.insert({column, line});
  }
  EXPECT_EQ(inked, cells);
}

TEST(HeadPosition, MarksLandWhereTheHeadStands) {
  // Each stream prints cyan marks; everything else in it is black or blank.
  const struct {
    const char* What;
    Stream Commands;
    std::vector<Spot> Expected;
  } cases[] = {
      {"start of a page", Stream().Dot(), {{0, Top}}},
      {"two blocks side by side", Stream().Dot().Dot(), {{0, Top}, {8, Top}}},
      {"horizontal move", Stream().HorizontalMove(100).Dot(), {{100, Top}}},
      {"after a 1-bit block of 2 bytes", Stream().Header(0x00, 1, 2, 1).Run(2, 0x00).Dot(), {{16, Top}}},
      {"after a 2-bit block of 2 bytes", Stream().Header(0x00, 2, 2, 1).Run(2, 0x00).Dot(), {{8, Top}}},
      {"return head", Stream().HorizontalMove(100).ReturnHead().Dot(), {{0, Top}}},
      {"carriage return", Stream().HorizontalMove(100).Raw({0x0D}).Dot(), {{0, Top}}},
      {"vertical move", Stream().HorizontalMove(100).VerticalMove(10).Dot(), {{0, Top + 10}}},
      {"vertical move 0", Stream().HorizontalMove(100).VerticalMove(0).Dot(), {{0, Top}}},
      {"after text", Stream().Text("AB").Dot(), {{72, Top}}},
      {"line feed", Stream().Raw({0x0A}).Dot(), {{0, Top + 60}}},
      {"reset keeps the line", Stream().VerticalMove(30).HorizontalMove(50).Reset().Dot(), {{0, Top + 30}}},
      {"unit 1/180 inch", Stream().Unit(20).VerticalMove(10).HorizontalMove(10).Dot(), {{20, Top + 20}}},
      {"unit 1/3600 inch", Stream().Unit(1).HorizontalMove(100).Dot(), {{10, Top}}},
      {"page format", Stream().PageFormat(100, 7966).Dot(), {{0, 100}}},
      {"page format in 1/720 inch", Stream().Unit(5).PageFormat(200, 7966).Dot(), {{0, 100}}},
      {"lines of a block", Stream().Header(Cyan, 1, 1, 3).Run(1, 0).Run(1, 0).Literal({0x40}), {{1, Top + 6}}},
      {"resolution 1/60 by 1/180 inch",
       Stream().Resolution(360, 6, 2).Header(Cyan, 1, 1, 2).Run(1, 0).Literal({0x40}),
       {{2, Top + 6}}},
      {"resolution on base 720",
       Stream().Resolution(720, 6, 2).Header(Cyan, 1, 1, 2).Run(1, 0).Literal({0x40}),
       {{1, Top + 3}}},
      {"block width at dot pitch 2", Stream().Resolution(360, 3, 2).Header(0x00, 1, 1, 1).Run(1, 0).Dot(), {{16, Top}}},
      {"reset restores the resolution",
       Stream().Resolution(360, 6, 2).Reset().Header(Cyan, 1, 1, 2).Run(1, 0).Literal({0x40}),
       {{1, Top + 3}}},
      {"blocks do not move the paper",
       Stream().Header(0x00, 1, 1, 2).Run(1, 0).Run(1, 0).ReturnHead().Dot(),
       {{0, Top}}},
  };
  for (const auto& c : cases) {
    PrintBench bench;
    const QImage page = bench.Print(c.Commands);
    EXPECT_EQ(SpotsOf(page, CyanIndex()), c.Expected) << c.What;
    EXPECT_TRUE(bench.Printer.Errors().empty()) << c.What << ": " << testing::PrintToString(bench.Printer.Errors());
  }
}

TEST(HeadPosition, StoredTopMarginAndFirstDotMoveEverything) {
  const Stream stream = Stream().HorizontalMove(100).Dot().CrLf().Text("I");
  PrintBench reference;
  const std::vector<Spot> text = SpotsOf(reference.Print(stream), TextIndex);
  ASSERT_FALSE(text.empty());

  const struct {
    uint8_t TopMargin, FirstDot;
    int Dx, Dy;
  } cases[] = {
      {0x00, 0x00, 0, 0},   {0x28, 0x00, 0, 40},  // "+" is 40
      {0xD8, 0x00, 0, -40},                       // "-" is -40
      {0x00, 0x48, 9, 0},                         // 72 / 8
      {0x00, 0xB8, -9, 0},                        // -72 / 8
      {0x00, 0x0C, 1, 0},   {0x00, 0xF4, -1, 0},  // 12 / 8 and -12 / 8, toward zero
      {0x00, 0x07, 0, 0},   {0x28, 0x48, 9, 40},
  };
  for (const auto& c : cases) {
    PrintBench bench;
    bench.Eeprom[TopMarginCell] = c.TopMargin;
    bench.Eeprom[FirstDotCell] = c.FirstDot;
    const QImage page = bench.Print(stream);
    EXPECT_EQ(SpotsOf(page, CyanIndex()), (std::vector<Spot>{{100 + c.Dx, Top + c.Dy}}))
        << int(c.TopMargin) << " " << int(c.FirstDot);
    EXPECT_EQ(SpotsOf(page, TextIndex), Shifted(text, c.Dx, c.Dy)) << int(c.TopMargin) << " " << int(c.FirstDot);
  }
}

// The check line of the top margin item, written out as the host sends it.
TEST(HeadPosition, TopMarginCheckLine) {
  Stream line;
  line.Reset().Graphics().Unit(10).Direction(1).DotSize(0x10).ColorMode(1);
  line.PaperSize(2976, 4208).PageFormat(42, 7966).Resolution().Header(0x00, 2, 720, 48);
  for (int run = 0; run < 6; ++run) line.Run(120, 0xFF);
  for (int row = 2; row <= 48; ++row) {
    line.Run(1, 0xC0).Run(119, 0x00);
    for (int run = 0; run < 5; ++run) line.Run(120, 0x00);
  }
  line.Reset().CrLf().CrLf().Text("   Top Adjust = ").Text("\"+\"").FormFeed();

  PrintBench bench;
  bench.Eeprom[TopMarginCell] = 40;  // "+"
  bench.Eeprom[FirstDotCell] = 16;   // 2 pixels to the right
  const QImage page = bench.Print(line);
  EXPECT_TRUE(bench.Printer.Errors().empty()) << testing::PrintToString(bench.Printer.Errors());
  ASSERT_EQ(bench.Store.Pages().size(), 1u);
  // Large droplets are 3 x 3 squares: the line's 2880 dots cover x 2..2883 on
  // rows 82..84, the post's 47 dots x 2..4 on rows 85..225. The text lies
  // further right.
  const std::vector<Spot> dots = SpotsOf(page, FullIndex(Ink::Black));
  ASSERT_FALSE(dots.empty());
  EXPECT_EQ(dots.front(), (Spot{2, 82}));
  size_t lineDots = 0;
  size_t postDots = 0;
  for (const Spot& dot : dots) {
    if (dot.Y <= 84) {
      ++lineDots;
      EXPECT_TRUE(dot.X >= 2 && dot.X <= 2883) << dot;
    } else if (dot.X < 100) {
      ++postDots;
      EXPECT_TRUE(dot.X >= 2 && dot.X <= 4 && dot.Y <= 225) << dot;
    }
  }
  EXPECT_EQ(lineDots, 3u * 2882);
  EXPECT_EQ(postDots, 3u * 141);
}

TEST(Pages, FormFeedEndsASheetAndTheNextStartsAfresh) {
  const struct {
    const char* What;
    Stream Job;
    size_t Pages;
  } cases[] = {
      {"form feed", Stream().Text("A").FormFeed(), 1},
      {"two pages", Stream().Text("A").FormFeed().Text("B").FormFeed(), 2},
      {"resets and form feeds alone print no sheet", Stream().Reset().FormFeed().Reset().FormFeed(), 0},
      {"a line feed loads a sheet", Stream().Raw({0x0A}).FormFeed(), 1},
      {"a carriage return does not", Stream().Raw({0x0D}).VerticalMove(0).HorizontalMove(5).FormFeed(), 0},
      {"a sheet in the printer comes out at the job's end", Stream().Text("A"), 1},
      {"a page and an unfinished one", Stream().Text("A").FormFeed().Text("B"), 2},
      {"a second form feed after the page", Stream().Text("A").FormFeed().Reset().FormFeed(), 1},
      {"0C in raster data and parameters", Stream().Header(0x00, 1, 2, 1).Run(2, 0x0C).HorizontalMove(0x0C0C), 1},
  };
  for (const auto& c : cases) {
    PrintBench bench;
    bench.Print(c.Job);
    ASSERT_EQ(bench.Store.Pages().size(), c.Pages) << c.What;
    EXPECT_TRUE(bench.Printer.Errors().empty()) << c.What;
    for (const QImage& page : bench.Store.Pages()) {
      EXPECT_EQ(page.size(), QSize(ImageWidth, ImageHeight)) << c.What;
      EXPECT_EQ(page.format(), QImage::Format_Indexed8) << c.What;
      EXPECT_EQ(page.pixel(PaperMargin - 1, PaperMargin - 1), 0xFF000000u | BorderRgb) << c.What;
      EXPECT_EQ(page.pixel(ImageWidth - PaperMargin, ImageHeight - PaperMargin), 0xFF000000u | BorderRgb) << c.What;
      EXPECT_EQ(page.pixel(PaperMargin, PaperMargin), 0xFF000000u | PaperRgb) << c.What;
    }
  }

  PrintBench bench;
  bench.Print(Stream().CrLf().Text("A").HorizontalMove(300).FormFeed().Text("A"));
  ASSERT_EQ(bench.Store.Pages().size(), 2u);
  EXPECT_EQ(Marks(bench.Store.Pages()[1]), Shifted(Marks(bench.Store.Pages()[0]), 0, -LineHeight))
      << "the second sheet starts at its top, the head at the left";
}

TEST(Pages, OnlyTheLatestPagesStayInMemory) {
  PrintBench bench;
  Stream job;
  for (size_t i = 0; i < PageStore::PagesKeptInMemory + 1; ++i) job.Text("A").FormFeed();
  bench.Print(job);
  const std::vector<QImage>& pages = bench.Store.Pages();
  ASSERT_EQ(pages.size(), PageStore::PagesKeptInMemory + 1);
  EXPECT_TRUE(pages.front().isNull());
  for (size_t i = 1; i < pages.size(); ++i) EXPECT_FALSE(pages[i].isNull()) << i;
}

TEST(StreamErrors, AreListedAndPrintingGoesOn) {
  // After each broken piece a reset, a move down and a cyan dot: it must
  // print where it would without the broken piece.
  const struct {
    const char* What;
    Stream Broken;
    std::string Expected;
    int BlackDots;  // of the broken piece's data, -1 when none is checked
  } cases[] = {
      {"run past the block's end", Stream().Header(0x00, 1, 2, 1).Run(3, 0xFF),
       "a run of 3 bytes in raster line 1 of 1 (2 bytes) reaches past the block's end", 16},
      {"run past a line's end", Stream().Header(0x00, 1, 2, 2).Run(3, 0xFF).Literal({0xFF}),
       "a run of 3 bytes after 0 in raster line 1 of 2 (2 bytes) reaches past the line's end", 32},
      {"literal past the block's end", Stream().Header(0x00, 1, 1, 1).Literal({0xFF, 0xFF}),
       "holds more data than announced", 8},
      {"unknown escape", Stream().Raw({0x1B, 'Z'}), "unknown command ESC Z: skipped", 0},
      {"unknown ESC ( command", Stream().Raw({0x1B, '(', 'z', 3, 0, 1, 2, 3}),
       "unknown command ESC ( z with 3 parameter bytes: skipped", 0},
      {"known command of the wrong length", Stream().Raw({0x1B, '(', 'v', 3, 0, 1, 0, 0}),
       "VerticalMove (ESC ( v) with 3 parameter bytes instead of 2: skipped", 0},
      {"unknown ink", Stream().Header(0x03, 1, 1, 1).Literal({0xFF}), "colour 0x03", 0},
      {"bits per dot", Stream().Header(0x00, 3, 1, 1).Literal({0xFF}), "3 bits per dot", 0},
      {"compression", Stream().Raw({0x1B, 'i', 0x00, 2, 1, 1, 0, 1, 0, 0xF0}), "compression 2: read as uncompressed",
       4},
      {"print direction", Stream().Direction(2), "SetPrintDirection 2", 0},
      {"resolution base 0", Stream().Resolution(0, 3, 1), "SetRasterResolution base 0", 0},
      {"resolution off the pixel grid", Stream().Resolution(700, 3, 1), "does not fall on 1/360 inch", 0},
      {"paper size", Stream().PaperSize(2000, 4208), "SetPaperSize 2000 x 4208, but the printer holds A4", 0},
      {"page format", Stream().PageFormat(5000, 7966), "SetPageFormat top 5000, bottom 7966: not taken", 0},
      {"unit 0", Stream().Unit(0), "SetUnit 0", 0},
      {"colour mode", Stream().ColorMode(3), "SetColorMode 3", 0},
      {"remote-mode exit outside remote mode", Stream().Raw({0x1B, 0, 0, 0}), "remote-mode exit outside remote mode",
       0},
      {"unknown remote command",
       Stream().Raw({0x1B, '(', 'R', 8, 0, 0, 'R', 'E', 'M', 'O', 'T', 'E', '1', 'X', 'Y', 1, 0, 5, 0x1B, 0, 0, 0}),
       "unknown remote command XY with 1 parameter bytes", 0},
      {"remote-mode entry without its name", Stream().Raw({0x1B, '(', 'R', 2, 0, 0, 'R', 0x1B, 0, 0, 0}),
       "remote-mode entry without its 00 \"REMOTE1\"", 0},
  };
  for (const auto& c : cases) {
    PrintBench bench;
    const QImage page = bench.Print(Stream(c.Broken).Reset().VerticalMove(200).Dot());
    ASSERT_EQ(bench.Printer.Errors().size(), 1u) << c.What << ": " << testing::PrintToString(bench.Printer.Errors());
    EXPECT_NE(bench.Printer.Errors()[0].find(c.Expected), std::string::npos)
        << c.What << ": " << bench.Printer.Errors()[0];
    EXPECT_EQ(SpotsOf(page, CyanIndex()), (std::vector<Spot>{{0, Top + 200}})) << c.What;
    if (c.BlackDots >= 0) {
      EXPECT_EQ(SpotsOf(page, FullIndex(Ink::Black)).size(), static_cast<size_t>(c.BlackDots)) << c.What;
    }
  }
}

TEST(StreamErrors, NameThePageAndTheByteOfTheJob) {
  PrintBench bench;
  bench.Print(Stream().Raw({0x1B, 'Z'}).Text("AB").Raw({0x1B, '(', 'q', 0, 0}).FormFeed().Text("C").Raw({0x1B, 0x7F}));
  EXPECT_EQ(bench.Printer.Errors(),
            (std::vector<std::string>{
                "page 1, byte 0 of the job: unknown command ESC Z: skipped",
                "page 1, byte 5 of the job: unknown command ESC ( q with 0 parameter bytes: skipped",
                "page 2, byte 2 of the job: unknown command ESC 0x7F: skipped",
            }));
  bench.Printer.ClearErrors();
  EXPECT_TRUE(bench.Printer.Errors().empty());
}

TEST(StreamErrors, AJobThatStopsInsideACommand) {
  const struct {
    Stream Job;
    std::string Expected;
  } cases[] = {
      {Stream().Header(0x00, 1, 2, 2).Run(2, 0x00), "the job ends inside a raster block, after 1 of its 2 lines"},
      {Stream().Raw({0x1B, '(', 'v', 2}), "the job ends inside the command ESC ( v"},
      {Stream().Raw({0x1B, '(', 'R', 8, 0, 0, 'R', 'E', 'M', 'O', 'T', 'E', '1'}), "the job ends in remote mode"},
  };
  for (const auto& c : cases) {
    PrintBench bench;
    bench.Print(c.Job);
    ASSERT_EQ(bench.Printer.Errors().size(), 1u) << c.Expected;
    EXPECT_NE(bench.Printer.Errors()[0].find(c.Expected), std::string::npos) << bench.Printer.Errors()[0];
    // The next job starts from the reset state, in plain text.
    bench.Print(Stream().Dot());
    EXPECT_EQ(bench.Printer.Errors().size(), 1u) << c.Expected;
    EXPECT_EQ(SpotsOf(bench.Store.Pages().back(), CyanIndex()), (std::vector<Spot>{{0, Top}})) << c.Expected;
  }
}

TEST(StreamErrors, TheListStopsGrowing) {
  PrintBench bench;
  Stream noise;
  for (size_t i = 0; i < PrintInterpreter::MaxErrors + 50; ++i) noise.Raw({0x1B, 'Z'});
  bench.Print(noise);
  ASSERT_EQ(bench.Printer.Errors().size(), PrintInterpreter::MaxErrors + 1);
  EXPECT_EQ(bench.Printer.Errors().back(), "further job errors are not listed");
}

std::vector<Spot> BidSpots(int displacement) {
  return {{100, Top}, {100 + displacement, Top + 3}, {100, Top + 6}, {100 + displacement, Top + 9}};
}

// True offsets and values in use that differ everywhere, so that a mixed-up
// droplet mode or ink group shows.
void SetUpBid(PrintBench& bench) {
  ASSERT_TRUE(bench.Mechanics.Set({6, -4, 2, 0, -6, 4}));
  const int8_t inUse[] = {1, -2, 3, -1, 2, -3};  // cells 0x33..0x38
  for (int i = 0; i < 6; ++i) bench.Eeprom[0x33 + i] = static_cast<uint8_t>(inUse[i]);
}

TEST(BidirectionalPrinting, RightToLeftBlocksAreDisplacedByTheMisalignment) {
  const struct {
    const char* What;
    int Direction, DotSize, Colour;
    int Displacement;
  } cases[] = {
      {"MS Black", 0, 0x12, 0x00, (6 - 1) * 3},
      {"MS Color", 0, 0x12, 0x12, (-4 + 1) * 3},
      {"6pl Black", 0, 0x11, 0x00, (2 + 2) * 3},
      {"6pl Color", 0, 0x11, 0x01, (0 - 2) * 3},
      {"4pl Black", 0, 0x10, 0x00, (-6 - 3) * 3},
      {"4pl Color", 0, 0x10, 0x04, (4 + 3) * 3},
      {"unidirectional", 1, 0x12, 0x00, 0},
      {"dot size without Bi-D value", 0, 0x00, 0x00, 0},
      {"light magenta is a colour", 0, 0x11, 0x11, -6},
  };
  for (const auto& c : cases) {
    PrintBench bench;
    SetUpBid(bench);
    const Ink ink = *InkFromColourNumber(static_cast<uint8_t>(c.Colour));
    const QImage page = bench.Print(BidBlocks(c.Direction, c.DotSize, c.Colour));
    EXPECT_EQ(SpotsOf(page, FullIndex(ink)), BidSpots(c.Displacement)) << c.What;
    EXPECT_TRUE(bench.Printer.Errors().empty()) << c.What;
  }
}

TEST(BidirectionalPrinting, AValueEqualToTheTrueOffsetLinesUp) {
  PrintBench bench;
  SetUpBid(bench);
  bench.Eeprom[0x34] = 2;  // 6pl Black in use = its true offset
  EXPECT_EQ(SpotsOf(bench.Print(BidBlocks(0, 0x11, 0x00)), FullIndex(Ink::Black)), BidSpots(0));
  bench.Eeprom[0x34] = 3;  // one step off: three pixels to the left
  EXPECT_EQ(SpotsOf(bench.Print(BidBlocks(0, 0x11, 0x00)), FullIndex(Ink::Black)), BidSpots(-3));
}

TEST(BidirectionalPrinting, DirectionCommandAndResetStartLeftToRight) {
  PrintBench bench;
  SetUpBid(bench);
  Stream stream;
  stream.Reset().Graphics().Direction(0).DotSize(0x12);
  const auto block = [&stream](int line) {
    stream.HorizontalMove(100).Header(0x00, 1, 1, 5);
    for (int i = 0; i < 5; ++i) stream.Literal({i == line ? 0x80 : 0x00});
    stream.ReturnHead();
  };
  block(0);                                   // left to right
  stream.Direction(0);                        // starts over
  block(1);                                   // left to right
  block(2);                                   // right to left
  stream.Reset().Direction(0).DotSize(0x12);  // starts over
  block(3);                                   // left to right
  block(4);                                   // right to left
  const QImage page = bench.Print(stream);
  EXPECT_EQ(SpotsOf(page, FullIndex(Ink::Black)),
            (std::vector<Spot>{{100, Top}, {100, Top + 3}, {115, Top + 6}, {100, Top + 9}, {115, Top + 12}}));
}

// A command of the print language with random parameters; raster data of
// random runs that may fall short of the block or run past it.
void AddRandomCommand(std::mt19937& generator, Stream& stream) {
  const auto pick = [&generator](int count) { return static_cast<int>(generator() % static_cast<unsigned>(count)); };
  const int colours[] = {0x00, 0x01, 0x02, 0x04, 0x11, 0x12, 0x03, 0xFF};
  switch (pick(16)) {
    case 0:
      stream.Reset();
      return;
    case 1:
      stream.Graphics().ColorMode(pick(4));
      return;
    case 2:
      stream.Unit(pick(40));
      return;
    case 3:
      stream.Direction(pick(3));
      return;
    case 4:
      stream.DotSize(pick(2) == 0 ? 0x10 + pick(3) : pick(256));
      return;
    case 5:
      stream.ReturnHead();
      return;
    case 6:
      stream.VerticalMove(pick(400));
      return;
    case 7:
      stream.HorizontalMove(pick(2) == 0 ? pick(400) : pick(65536));
      return;
    case 8:
      stream.Resolution(pick(2) == 0 ? 360 : pick(1500), pick(8), pick(4));
      return;
    case 9:
    case 10: {
      const int bytesPerLine = 1 + pick(60);
      const int lines = 1 + pick(6);
      stream.Header(colours[pick(8)], pick(4), bytesPerLine, lines);
      int left = bytesPerLine * lines + pick(5) - 2;
      while (left > 0) {
        if (pick(2) == 0) {
          const int count = 1 + pick(std::min(left, 128));
          stream.Raw({count - 1});
          for (int i = 0; i < count; ++i) stream.Raw({pick(256)});
          left -= count;
        } else {
          const int count = 2 + pick(128);
          stream.Run(count, pick(256));
          left -= count;
        }
      }
      return;
    }
    case 11: {
      std::string text;
      for (int i = pick(12); i > 0; --i) text += static_cast<char>(0x20 + pick(0xE0));
      stream.Text(text);
      return;
    }
    case 12:
      stream.CrLf();
      return;
    case 13:
      if (pick(32) == 0) stream.FormFeed();
      return;
    case 14:
      if (pick(2) == 0) {
        stream.PageFormat(static_cast<uint32_t>(pick(6000)), static_cast<uint32_t>(pick(9000)));
      } else {
        stream.PaperSize(static_cast<uint32_t>(pick(2) == 0 ? 2976 : generator()), 4208);
      }
      return;
    default:
      stream.Raw({0x1B, '(', 'R', 8, 0, 0, 'R', 'E', 'M', 'O', 'T', 'E', '1', 'S', 'N', 3, 0, 0, 0, pick(256)});
      stream.Raw({0x1B, 0, 0, 0});
      return;
  }
}

// Streams of commands with random parameters, then the same with a few bytes
// changed, dropped or added, then plain noise: the printer never reads out of
// bounds nor crashes, whatever the stream (run this under the sanitizers).
TEST(StreamErrors, RandomStreamsNeverCrashThePrinter) {
  std::mt19937 generator(20240611);
  for (int round = 0; round < 150; ++round) {
    Stream commands;
    while (commands.Data.size() < 3000) AddRandomCommand(generator, commands);
    std::vector<uint8_t> stream = commands.Data;
    if (round % 3 == 1) {
      for (int change = 0; change < 8; ++change) {
        const size_t at = generator() % stream.size();
        switch (generator() % 3) {
          case 0:
            stream[at] = static_cast<uint8_t>(generator());
            break;
          case 1:
            stream.erase(stream.begin() + static_cast<long>(at));
            break;
          default:
            stream.insert(stream.begin() + static_cast<long>(at), static_cast<uint8_t>(generator()));
            break;
        }
      }
    } else if (round % 3 == 2) {
      for (uint8_t& byte : stream) {
        byte = static_cast<uint8_t>(generator());
        if (byte == 0x0C && generator() % 32 != 0) byte = 0x0D;  // a few pages only: each is 13 MB
      }
    }
    PrintBench bench;
    bench.Eeprom[TopMarginCell] = static_cast<uint8_t>(generator());
    bench.Eeprom[FirstDotCell] = static_cast<uint8_t>(generator());
    for (size_t at = 0; at < stream.size();) {
      const size_t piece = std::min<size_t>(1 + generator() % 120, stream.size() - at);
      bench.Printer.Add(stream.data() + at, piece);
      at += piece;
    }
    bench.Printer.EndJob();
    EXPECT_LE(bench.Printer.Errors().size(), PrintInterpreter::MaxErrors + 1) << round;
    for (const QImage& page : bench.Store.Pages()) {
      if (!page.isNull()) {
        EXPECT_EQ(page.size(), QSize(ImageWidth, ImageHeight)) << round;
      }
    }
  }
}

}  // namespace
