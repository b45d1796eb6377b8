// Single printer commands, runs and texts, byte for byte as the printer receives them.
#include "tests/pattern/PatternFixture.h"

#include <functional>
#include <string>
#include <vector>

namespace {

struct CommandCase {
  const char* Name;
  std::function<void(RasterEncoder&)> Send;
  std::string Expected;  // spaced hexadecimal
};

TEST_F(ScriptedEncoder, EveryCommandIsItsTemplateWithItsParameters) {
  const std::vector<CommandCase> cases = {
      {"reset", [](RasterEncoder& r) { r.ResetPrinter(); }, "1B 40"},
      {"graphics", [](RasterEncoder& r) { r.EnterGraphicsMode(); }, "1B 28 47 01 00 01"},
      {"unit", [](RasterEncoder& r) { r.SetUnit(UnitOneIn360); }, "1B 28 55 01 00 0A"},
      {"one way", [](RasterEncoder& r) { r.SetPrintDirection(PrintUnidirectional); }, "1B 55 01"},
      {"both ways", [](RasterEncoder& r) { r.SetPrintDirection(PrintBidirectional); }, "1B 55 00"},
      {"dot size", [](RasterEncoder& r) { r.SetDotSize(DotSizeMs); }, "1B 28 65 02 00 00 12"},
      {"colour", [](RasterEncoder& r) { r.SetColorMode(ColorModeColor); }, "1B 28 4B 02 00 00 02"},
      {"monochrome", [](RasterEncoder& r) { r.SetColorMode(ColorModeMonochrome); }, "1B 28 4B 02 00 00 01"},
      {"return", [](RasterEncoder& r) { r.ReturnHead(); }, "1B 3C 0D"},
      {"carriage only", [](RasterEncoder& r) { r.VerticalMove(0); }, "1B 28 76 02 00 00 00 0D"},
      {"band", [](RasterEncoder& r) { r.VerticalMove(141); }, "1B 28 76 02 00 8D 00 0D"},
      {"largest move", [](RasterEncoder& r) { r.VerticalMove(255); }, "1B 28 76 02 00 FF 00 0D"},
      {"right", [](RasterEncoder& r) { r.HorizontalMove(2080); }, "1B 5C 20 08"},
      {"right large", [](RasterEncoder& r) { r.HorizontalMove(65535); }, "1B 5C FF FF"},
      {"resolution",
       [](RasterEncoder& r) { r.SetRasterResolution(RasterBase, RasterVerticalStep, RasterHorizontalStep); },
       "1B 28 44 04 00 68 01 03 01"},
      {"raster header", [](RasterEncoder& r) { r.RasterHeader(InkLightCyan, RunLengthCompressed, 2, 720, 48); },
       "1B 69 12 01 02 D0 02 30 00"},
      {"paper", [](RasterEncoder& r) { r.SetPaperSize(2976, 4208); }, "1B 28 53 08 00 A0 0B 00 00 70 10 00 00"},
      {"large paper", [](RasterEncoder& r) { r.SetPaperSize(0x01020304, 0xA0B0C0D0); },
       "1B 28 53 08 00 04 03 02 01 D0 C0 B0 A0"},
      {"page", [](RasterEncoder& r) { r.SetPageFormat(42, 7966); },
       "1B 28 63 08 00 2A 00 00 00 1E 1F 00 00"},
      {"no lines", [](RasterEncoder& r) { r.NewLines(0); }, ""},
      {"negative lines", [](RasterEncoder& r) { r.NewLines(-2); }, ""},
      {"one line", [](RasterEncoder& r) { r.NewLines(1); }, "0D 0A"},
      {"three lines", [](RasterEncoder& r) { r.NewLines(3); }, "0D 0A 0D 0A 0D 0A"},
      {"form feed", [](RasterEncoder& r) { r.FormFeed(); }, "0C"},
      {"raster mode", [](RasterEncoder& r) { r.StartRasterMode(UnitOneIn360, PrintBidirectional, DotSize6pl, 1); },
       "1B 40 1B 28 47 01 00 01 1B 28 55 01 00 0A 1B 55 00 1B 28 65 02 00 00 11 1B 28 4B 02 00 00 01"},
      {"literal", [](RasterEncoder& r) { r.RepeatSend(1, 0x5A); }, "00 5A"},
      {"two", [](RasterEncoder& r) { r.RepeatSend(2, 0xFF); }, "FF FF"},
      {"sixty", [](RasterEncoder& r) { r.RepeatSend(60, 0x00); }, "C5 00"},
      {"longest run", [](RasterEncoder& r) { r.RepeatSend(129, 0x00); }, "80 00"},
      {"text", [](RasterEncoder& r) { r.SendText("USB ID = "); }, "55 53 42 20 49 44 20 3D 20 00"},
      {"empty text", [](RasterEncoder& r) { r.SendText(""); }, "00"},
      {"runs", [](RasterEncoder& r) { r.Runs(3, 2, 0xAA); }, "FF AA FF AA FF AA"},
      {"no runs", [](RasterEncoder& r) { r.Runs(0, 2, 0xAA); }, ""},
      {"block header", [](RasterEncoder& r) { r.BlockHeader(InkCyan, TwoBitsPerDot, 720); },
       "1B 28 44 04 00 68 01 03 01 1B 69 02 01 02 D0 02 30 00"},
  };
  for (const CommandCase& c : cases) {
    c.Send(Encoder);
    EXPECT_EQ(HexText(Sent()), c.Expected) << c.Name;
  }
  EXPECT_TRUE(Boxes.Shown.empty());
}

TEST_F(ScriptedEncoder, TextLongerThanOneBlockArrivesWhole) {
  const std::string text(300, 'x');
  Encoder.SendText(text.c_str());
  Bytes expected = TextBytes(text);
  expected.push_back(0x00);
  EXPECT_EQ(Sent(), expected);
  EXPECT_TRUE(Boxes.Shown.empty());
}

TEST_F(ScriptedEncoder, RunThatNoCounterCanSayEndsTheProgram) {
  for (int count : {130, 255, 0, -1}) {
    SetUp();  // a fresh port for each end
    Boxes.Shown.clear();
    End.EndCount = 0;
    EXPECT_EQ(ExitStatusOf([&] { Encoder.RepeatSend(count, 0x00); }), ExitFatal) << count;
    ASSERT_EQ(Boxes.Shown.size(), 1u) << count;
    EXPECT_TRUE(Boxes.Shown[0].IsSystemBox);
    EXPECT_EQ(Boxes.Shown[0].Text, "RepeatSend() error");
    EXPECT_EQ(Boxes.Shown[0].Caption, "error");
    EXPECT_EQ(End.EndCount, 1);
    EXPECT_FALSE(Driver.IsOpen()) << count;
    EXPECT_EQ(Comm.QueuedDataCount(), 0u) << count;
  }
}

}  // namespace
