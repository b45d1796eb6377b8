#include "items/UpDown.h"
#include "sim/PageGeometry.h"
#include "tests/app/ProgramFixture.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QToolButton>
#include <QProgressBar>
#include <QTabWidget>

#include <optional>

namespace {

namespace Page = PageGeometry;
using Page::DotRgb;
using Page::Ink;
using Page::PaperHeight;
using Page::PaperMargin;
using Page::Shade;

// The page image's colour at a print position on the paper.
uint32_t Rgb(const QImage& page, int x, int y) {
  return static_cast<uint32_t>(page.pixel(PaperMargin + x, PaperMargin + y)) & 0xFFFFFF;
}

}  // namespace

class PatternItemsTest : public ProgramTest {
protected:
  void SetUp() override {
    ProgramTest::SetUp();
    Connect("Arvana Print 360", "LPT1");
    ASSERT_TRUE(Program->Adjust().isVisible());
  }
  QLineEdit* Edit(const char* name) { return AdjustChild<QLineEdit>(name); }
  int Gauge(const char* name) { return AdjustChild<QProgressBar>(name)->value(); }
  QString Millimetres() { return AdjustChild<QLabel>("LandMarginRealValuePnl")->text(); }
  // The data-channel payload the printer received, as one stream.
  Bytes DataStream() const {
    Bytes stream;
    for (const Bytes& block : HostBlocks())
      if (block.size() > 6 && block[0] == 0x40) stream.insert(stream.end(), block.begin() + 6, block.end());
    return stream;
  }
  std::vector<Bytes> BidCommands() const {
    std::vector<Bytes> found;
    for (const Bytes& command : ServiceCommands())
      if (command[0] == 0x00) found.push_back(command);
    return found;
  }
  // Ticks one Bi-D value, types `text` and writes.
  void WriteBid(const char* edit, const char* box, const QString& text) {
    Edit(edit)->setText(text);
    AdjustChild<QCheckBox>(box)->setChecked(true);
    Click("BidWrtOKBtn");
  }
  void OpenBidInput() {
    Adjust(2);
    Row("BidRdoBtn", 1);
    Click("BidOKBtn");
  }
  void PrintBidPage() {
    Adjust(2);
    Row("BidRdoBtn", 0);
    Click("BidOKBtn");
    Click("BidPrnOKBtn");
  }
  // How far the candidate marks of the MS Black section stand from their ruler marks, slot by slot.
  std::vector<int> MsBlackCandidateOffsets(const QImage& page) {
    const uint32_t black = DotRgb(Ink::Black, Shade::Full);
    constexpr int FirstRulerMark = 363;  // byte 90, fourth dot
    constexpr int SlotPitch = 504;
    // The first ruler line of the section: its first mark is the first black pixel in that column.
    std::optional<int> rulerTop;
    for (int y = 0; y < PaperHeight && !rulerTop; ++y)
      if (Rgb(page, FirstRulerMark, y) == black) rulerTop = y;
    EXPECT_TRUE(rulerTop.has_value());
    if (!rulerTop) return {};
    const int candidateRow = *rulerTop + 24 * 3;  // the middle of the candidate lines 17..32, clear of the rulers
    std::vector<int> offsets;
    for (int slot = 0; slot < 5; ++slot) {
      const int ruler = FirstRulerMark + SlotPitch * slot;
      std::optional<int> found;
      for (int x = ruler - 40; x <= ruler + 40 && !found; ++x)
        if (Rgb(page, x, candidateRow) == black) found = x - ruler;
      EXPECT_TRUE(found.has_value()) << "slot " << slot;
      offsets.push_back(found.value_or(999));
    }
    return offsets;
  }
};

TEST_F(PatternItemsTest, BidValuesAreCheckedAndWrittenInTableOrder) {
  OpenBidInput();
  WriteBid("MsBkBidWrtEdit", "BidMsBkCheckBox", "36");
  EXPECT_EQ(Memo(), "As MS Black data, 36 has been written in EEPROM.");
  EXPECT_EQ(AdjustChild<QLabel>("ShowMsBkPnl")->text(), "36");
  EXPECT_EQ(Printer.EepromInUse()[0x33], 36);

  for (const char* wrong : {"37", "-37", "256", "999", "", "ab"}) {
    const size_t before = BidCommands().size();
    OpenBidInput();
    WriteBid("Pl6BkBidWrtEdit", "Bid6plBkCheckBox", wrong);
    EXPECT_EQ(Memo(), "Digit is wrong.") << wrong;
    EXPECT_EQ(BidCommands().size(), before) << wrong;
  }

  OpenBidInput();
  Edit("MsClBidWrtEdit")->setText("-36");
  AdjustChild<QCheckBox>("BidMsClCheckBox")->setChecked(true);
  Edit("Pl4BkBidWrtEdit")->setText("5");
  AdjustChild<QCheckBox>("Bid4plBkCheckBox")->setChecked(true);
  const size_t before = ServiceCommands().size();
  Click("BidWrtOKBtn");
  const std::vector<Bytes> all = ServiceCommands();
  const std::vector<Bytes> sent(all.begin() + static_cast<long>(before), all.end());
  const std::vector<Bytes> expected = {{0x00, 1, 2, 0xDC, 0xFF}, {0x42, 0x2A, 0xF9}, {0x42, 0x2B, 0xF9},
                                       {0x00, 3, 1, 0x05, 0x00}, {0x42, 0x2A, 0xF9}, {0x42, 0x2B, 0xF9}};
  EXPECT_EQ(sent, expected);
  EXPECT_EQ(Memo(), "As MS Color data, -36 has been written in EEPROM.\nAs 4pl Black data, 5 has been written in EEPROM.");
}

TEST_F(PatternItemsTest, ArrowsTickTheirValue) {
  OpenBidInput();
  Edit("Pl6ClBidWrtEdit")->setText("36");
  AdjustChild<UpDown>("Bid6plClUpDown")->UpButton()->click();
  EXPECT_EQ(Edit("Pl6ClBidWrtEdit")->text(), "36");  // the arrows stop at the limit
  EXPECT_TRUE(AdjustChild<QCheckBox>("Bid6plClCheckBox")->isChecked());
  AdjustChild<UpDown>("Bid6plClUpDown")->DownButton()->click();
  EXPECT_EQ(Edit("Pl6ClBidWrtEdit")->text(), "35");
}

TEST_F(PatternItemsTest, PresentBidDataIsShownOnThreeLines) {
  const std::array<std::pair<uint8_t, uint8_t>, 6> cells{
      {{0x33, 0x03}, {0x36, 0xFE}, {0x34, 0x00}, {0x37, 0x01}, {0x35, 0x05}, {0x38, 0x00}}};
  for (const auto& [cell, value] : cells) Printer.SetEepromCell(cell, value);
  Adjust(2);
  Row("BidRdoBtn", 2);
  Click("BidOKBtn");
  EXPECT_EQ(Memo(),
            "Multi shot Black = 3, Multi shot Color = -2\nMDX 6pl Black = 0, MDX 6pl Color = 1\n"
            "MDX 4pl Black = 5, MDX 4pl Color = 0");
}

TEST_F(PatternItemsTest, BidPagesShowTheAlignedCandidate) {
  ASSERT_TRUE(Printer.SetTrueBidOffsets({2, 0, 0, 0, 0, 0}));
  Printer.SetEepromCell(0x33, 0);
  PrintBidPage();
  EXPECT_EQ(Memo(), "Bi-d pattern print is completed.");
  EXPECT_EQ(AdjustChild<QLabel>("BidPrnCountLbl")->text(), "2 times");
  ASSERT_FALSE(Printer.Pages().empty());
  // The fourth candidate (present value + 2) lines up; the others stand 3 pixels apart per step of 1.
  EXPECT_EQ(MsBlackCandidateOffsets(Printer.Pages().back()), (std::vector<int>{18, 12, 6, 0, -6}));

  // The second print of a sheet starts 33 lines lower, and the count starts over.
  const size_t streamBefore = DataStream().size();
  Click("BidPrnOKBtn");
  const Bytes stream = DataStream();
  Bytes feeds;
  for (int i = 0; i < 33; ++i) feeds.insert(feeds.end(), {0x0D, 0x0A});
  EXPECT_NE(std::search(stream.begin() + static_cast<long>(streamBefore), stream.end(), feeds.begin(), feeds.end()),
            stream.end());
  EXPECT_EQ(AdjustChild<QLabel>("BidPrnCountLbl")->text(), "1 time");

  // Once the value is written, the middle candidate is the aligned one.
  OpenBidInput();
  WriteBid("MsBkBidWrtEdit", "BidMsBkCheckBox", "2");
  PrintBidPage();
  EXPECT_EQ(MsBlackCandidateOffsets(Printer.Pages().back()), (std::vector<int>{12, 6, 0, -6, -12}));
  EXPECT_TRUE(Printer.JobErrors().empty()) << testing::PrintToString(Printer.JobErrors());
}

TEST_F(PatternItemsTest, CheckPagesShowTheSolidBlocksAndTheNozzleLines) {
  AdjustChild<QTabWidget>("AdjustmentTab")->setCurrentIndex(2);
  AdjustChild<QAbstractButton>("A4patRdoBtn")->click();
  const size_t pagesBefore = Printer.Pages().size();
  Click("A4CheckPrnOKBtn");
  EXPECT_EQ(Memo(), "A4 pattern print is completed.");
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
      const bool inked = Rgb(first, column, y) == ink;
      run = inked ? run + 1 : 0;
      longestRun = std::max(longestRun, run);
      // The nozzle check: one-pixel lines with paper above and below.
      if (inked && y > 0 && Rgb(first, column, y - 1) != ink && Rgb(first, column, y + 1) != ink) ++lines;
    }
    EXPECT_GE(longestRun, 144);
    EXPECT_EQ(lines, 2 * 48);  // 48 nozzles, two bands
  }
}

TEST_F(PatternItemsTest, TopMarginIsPreselectedAndWritten) {
  for (const auto& [stored, choice] : std::vector<std::pair<int, int>>{{21, 2}, {20, 1}, {-20, 1}, {-21, 0}}) {
    Printer.SetEepromCell(0x2E, static_cast<uint8_t>(stored));
    Adjust(4);
    Row("TopMarginRdoGrp", 1);
    Click("TopMarginMainBtn");
    EXPECT_EQ(AdjustChild<RadioGroup>("TopMarginInputRdoGrp")->ItemIndex(), choice) << stored;
  }
  Row("TopMarginInputRdoGrp", 0);
  Click("TopMarginWriteOKBtn");
  EXPECT_EQ(Printer.Eeprom()[0x2E], 0xD8);
  EXPECT_EQ(Memo(), "As Top margin data, \"-\" has been written in EEPROM.");
  EXPECT_EQ(AdjustChild<QLabel>("ShowTopMarginPnl")->text(), "\"-\"");
}

TEST_F(PatternItemsTest, FirstDotGaugesAndMillimetres) {
  Printer.SetEepromCell(0x39, 4);
  Adjust(5);
  EXPECT_EQ(Edit("LandMarginEdit")->text(), "4");
  EXPECT_EQ(Gauge("LeftMarginGauge"), 52);
  EXPECT_EQ(Gauge("RightMarginGauge"), 48);
  EXPECT_EQ(Millimetres(), "0.0353 mm");

  struct Case {
    const char* Button;
    int Before;
    QString After;
    int Left;
    QString Mm;
  };
  const std::vector<Case> cases = {
      {"SteptoLeftBitBtn", 0, "-4", 48, "-0.0353 mm"},  {"SteptoRightBitBtn", 67, "71", 98, "0.6262 mm"},
      {"SteptoRightBitBtn", 70, "72", 100, "0.6350 mm"}, {"SteptoLeftBitBtn", -70, "-72", 0, "-0.6350 mm"},
      {"CenteringBitBtn", 30, "0", 50, "0.0000 mm"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Button);
    Edit("LandMarginEdit")->setText(QString::number(c.Before));
    Click(c.Button);
    EXPECT_EQ(Edit("LandMarginEdit")->text(), c.After);
    EXPECT_EQ(Gauge("LeftMarginGauge"), c.Left);
    EXPECT_EQ(Gauge("RightMarginGauge"), 100 - c.Left);
    EXPECT_EQ(Millimetres(), c.Mm);
  }

  Printer.SetEepromCell(0x39, 0xB8);
  Adjust(5);
  EXPECT_EQ(Edit("LandMarginEdit")->text(), "-72");
  Printer.SetEepromCell(0x39, 0x80);
  Adjust(5);
  EXPECT_EQ(Edit("LandMarginEdit")->text(), "128");
  EXPECT_EQ(Gauge("LeftMarginGauge"), 100);
  EXPECT_EQ(Gauge("RightMarginGauge"), 0);
}

// The command line holds typed values to this same check (first-dot --write +-5 is refused alike).
TEST_F(PatternItemsTest, FirstDotTextsOutsideTheAreaAreNotWritten) {
  Adjust(5);
  const uint8_t stored = Printer.Eeprom()[0x39];
  for (const char* text : {"+-5", "73", "-73", " 5"}) {
    SCOPED_TRACE(text);
    Edit("LandMarginEdit")->setText(text);
    const size_t before = HostBlocks().size();
    Click("LandMarginWriteBtn");
    EXPECT_EQ(Memo(), "The adjustment area is between -72 and 72.");
    EXPECT_EQ(HostBlocks().size(), before);
    EXPECT_EQ(Printer.Eeprom()[0x39], stored);
  }
}

TEST_F(PatternItemsTest, FirstDotWriteRestartsThePrinter) {
  Adjust(5);
  Edit("LandMarginEdit")->setText("-8");
  const size_t before = HostBlocks().size();
  Click("LandMarginWriteBtn");
  EXPECT_EQ(Printer.Eeprom()[0x39], 0xF8);
  EXPECT_EQ(Boxes.Texts().back(),
            "This printer is initializing to reflect changed value on EEPROM.\nPlease wait about 15 seconds until "
            "printer is ready state.");
  const std::vector<Bytes> all = HostBlocks();
  const std::vector<Bytes> after(all.begin() + static_cast<long>(before), all.end());
  const auto position = [&](const Bytes& block) { return std::find(after.begin(), after.end(), block) - after.begin(); };
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
  EXPECT_EQ(after.back(), (Bytes{0x02, 0x02, 0x00, 0x10, 0x00, 0x00, 0x7C, 0x7C, 0x06, 0x00, 0x10, 0x9B, 0x41, 0xBE,
                                0xA0, 0x39}));
  EXPECT_EQ(Memo(), "As first dot position value, \n\"-8\"has been written in the EEPROM");
  EXPECT_EQ(AdjustChild<QLabel>("ShowFirstDotPnl")->text(), "-8");
  EXPECT_EQ(Program->Adjust().cursor().shape(), Qt::ArrowCursor);
}
