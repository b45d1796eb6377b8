// The Bi-D values: read as signed text, written only within -36..36 with the marker writes, and the pattern page.
#include "service/TPBid.h"

#include "tests/pattern/PatternFixture.h"

#include <algorithm>
#include <string>
#include <vector>

using namespace std::string_literals;

namespace {

class BidLink : public PatternLink {
protected:
  TPBid Bid{Comm, Factory, Raster};
};

TEST_F(BidLink, ReadGivesSignedDecimalText) {
  struct Case {
    uint8_t Stored;
    std::string Text;
  };
  // The example bytes at 0x33, 0x36, 0x34, 0x37, 0x35, 0x38, then the extremes.
  const std::vector<Case> cases = {{0x03, "3"}, {0xFE, "-2"}, {0x00, "0"}, {0x01, "1"},   {0x05, "5"},
                                   {0x00, "0"}, {0x24, "36"}, {0xDC, "-36"}, {0x7F, "127"}, {0x80, "-128"}};
  for (size_t i = 0; i < cases.size(); ++i) {
    const BidValue& value = BidValues[i % BidValues.size()];
    Printer.SetEepromCell(value.Address, cases[i].Stored);
    EXPECT_EQ(Bid.ReadBidValueText(value.DotMode, value.InkGroup), cases[i].Text) << value.Name;
  }
  EXPECT_EQ(Bid.ReadBidValueText(0, 1), "");
}

TEST_F(BidLink, WriteOnlyDecimalValuesWithinRange) {
  struct Case {
    std::string Text;
    bool Written;
    int Value;
  };
  const std::vector<Case> cases = {
      {"36", true, 36},  {"-36", true, -36}, {"0", true, 0},    {"-1", true, -1},   {"7", true, 7},
      {"37", false, 0},  {"-37", false, 0},  {"256", false, 0}, {"999", false, 0},  {"", false, 0},
      {"ab", false, 0},  {"-", false, 0},    {"3a", false, 0},  {" 5", false, 0},   {"5 ", false, 0},
      {"--5", false, 0}, {"+-5", false, 0},  {"70", false, 0},  {"99999999999", false, 0},
  };
  for (const BidValue& value : BidValues) {
    for (const Case& c : cases) {
      Look();
      EXPECT_EQ(Bid.WriteBidValue(value.DotMode, value.InkGroup, c.Text) == BidWrite::Written, c.Written) << value.Name << " " << c.Text;
      if (!c.Written) {
        EXPECT_EQ(HostBlocksSince(), 0u) << c.Text;
        continue;
      }
      const DataTraffic traffic = Received();
      ASSERT_EQ(traffic.Services.size(), 3u) << c.Text;
      EXPECT_EQ(traffic.Services[0].Code, SetBidValueCode);
      EXPECT_EQ(traffic.Services[0].Parameters,
                (Bytes{value.DotMode, value.InkGroup, static_cast<uint8_t>(c.Value), static_cast<uint8_t>(c.Value < 0 ? 0xFF : 0)}));
      EXPECT_EQ(traffic.Services[1].Code, WriteEepromCode);
      EXPECT_EQ(traffic.Services[1].Parameters, (Bytes{0x2A, 0xF9}));
      EXPECT_EQ(traffic.Services[2].Code, WriteEepromCode);
      EXPECT_EQ(traffic.Services[2].Parameters, (Bytes{0x2B, 0xF9}));
      EXPECT_TRUE(traffic.Print.empty());
      EXPECT_EQ(Printer.Eeprom()[value.Address], static_cast<uint8_t>(c.Value));
    }
  }
  EXPECT_EQ(Bid.WriteBidValue(4, 1, "0"), BidWrite::WrongDigit);
  EXPECT_EQ(HostBlocksSince(), 0u);
}

TEST_F(BidLink, PagePrintsTheSixSectionsUnderItsTitle) {
  const std::vector<std::pair<bool, std::string>> cases = {{false, "Bi-D check pattern"},
                                                           {true, "   Bi-D check pattern"}};
  const std::vector<uint8_t> stored = {0x03, 0xFE, 0x29, 0xD7, 0x00, 0x80};
  for (const auto& [indent, title] : cases) {
    for (size_t i = 0; i < BidValues.size(); ++i) Printer.SetEepromCell(BidValues[i].Address, stored[i]);
    const size_t begun = Raster.PatternsBegun();
    EXPECT_TRUE(Bid.PrintBidPage(indent).empty());
    EXPECT_EQ(Raster.PatternsBegun() - begun, TPBid::PatternsOnPage) << "the progress line's total";
    const DataTraffic traffic = Received();
    const PrintStream stream = DecodePrintStream(traffic.Print);
    ASSERT_EQ(stream.Problem, "");
    const auto skeleton = stream.Skeleton();
    EXPECT_EQ(skeleton[0], "1B 40");
    EXPECT_EQ(skeleton[1], "T:" + title + "\0\r\n MS Black\0\r\n"s);
    // The other sections' titles follow in table order, each on its own.
    size_t found = 0;
    for (size_t i = 1; i < BidValues.size(); ++i)
      found = std::find(skeleton.begin() + static_cast<long>(found), skeleton.end(), "T: "s + BidValues[i].Name + "\0\r\n"s) -
              skeleton.begin();
    EXPECT_LT(found, skeleton.size());
    EXPECT_EQ(traffic.EepromReads(), (std::vector<uint8_t>{0x33, 0x36, 0x34, 0x37, 0x35, 0x38}));
    EXPECT_EQ(stream.Blocks.size(), 6u * 33u);
    EXPECT_EQ(traffic.WaitReadyCalls().size(), 1u + 6 * (19 + 1));
    EXPECT_EQ(std::vector<std::string>(skeleton.end() - 2, skeleton.end()), (std::vector<std::string>{"T:\x0C", "1B 40"}));
    for (size_t i = 0; i < BidValues.size(); ++i) {
      EXPECT_EQ(Printer.Eeprom()[BidValues[i].Address], stored[i]) << BidValues[i].Name;
      EXPECT_EQ(Printer.EepromInUse()[BidValues[i].Address], stored[i]) << BidValues[i].Name;
    }
  }
}

}  // namespace
