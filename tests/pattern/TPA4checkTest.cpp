// The two check pages: headers per model, numbered sections in order, the stored IDs and counter, and the page ends.
#include "service/TPA4check.h"

#include "tests/pattern/PatternFixture.h"

#include <algorithm>
#include <string>
#include <vector>

using namespace std::string_literals;

namespace {

class CheckPagesLink : public PatternLink {
protected:
  FixedModel Model;
  TPHeadID HeadId{Factory};
  TPBid Bid{Comm, Factory, Raster};
  TPA4check Check{Comm, Factory, Raster, Bid, HeadId, Model};
};

std::string Field(const std::array<uint8_t, CounterFieldWidth>& field) { return std::string(field.begin(), field.end()); }

TEST(CounterField, DigitsZeroByteAndSpacesInFiveBytes) {
  const std::vector<std::pair<uint16_t, std::string>> cases = {
      {0, "0\0   "s},   {7, "7\0   "s},   {99, "99\0  "s},  {100, "100\0 "s},
      {1234, "1234\0"s}, {10000, "10000"}, {22280, "22280"}, {65535, "65535"},
  };
  for (const auto& [counter, field] : cases) EXPECT_EQ(Field(TPA4check::CounterField(counter)), field) << counter;
}

TEST_F(CheckPagesLink, PagesInPrintingOrder) {
  struct Case {
    uint16_t Model;
    std::string Header;
    std::string OtherHeader;
    uint8_t CounterHigh;
    uint8_t CounterLow;
    std::string Counter;
    int8_t TopMargin;
    std::string Sign;
  };
  const std::vector<Case> cases = {
      {0x301, "******************** Arvana Print 350 ", "Arvana Print 360", 0x00, 0x00, "0\0   "s, 21, "\"+\""},
      {0x302, "******************** Arvana Print 360 ", "Arvana Print 350", 0xFF, 0xFF, "65535", -30, "\"-\""},
      {0x302, "******************** Arvana Print 360 ", "Arvana Print 350", 0x57, 0x08, "22280", 0, "\"0\""},
  };
  const std::string usbId = "TZ3K\0" "4\xFF" "271Q3E\rC520"s;
  ASSERT_EQ(usbId.size(), 18u);
  for (size_t i = 0; i < usbId.size(); ++i) Printer.SetEepromCell(static_cast<uint8_t>(0x4D + i), usbId[i]);
  const std::string headId = HeadId.ReadHeadId(TPHeadID::Check::Skipped).value_or(StoredHeadId{}).Text;
  ASSERT_EQ(headId.size(), 13u);

  for (const Case& c : cases) {
    Model.Code = c.Model;
    Printer.SetEepromCell(0x0A, c.CounterHigh);
    Printer.SetEepromCell(0x0B, c.CounterLow);
    Printer.SetEepromCell(0x2E, static_cast<uint8_t>(c.TopMargin));
    Look();
    const size_t begun = Raster.PatternsBegun();
    EXPECT_TRUE(Check.PrintCheckPages().empty());
    EXPECT_EQ(Raster.PatternsBegun() - begun, TPA4check::PatternsOnPages()) << "the progress line's total";
    const DataTraffic traffic = Received();
    const PrintStream stream = DecodePrintStream(traffic.Print);
    ASSERT_EQ(stream.Problem, "");

    std::vector<std::string> texts;
    for (const StreamItem& item : stream.Items)
      if (item.IsText) texts.push_back(std::string(item.Raw.begin(), item.Raw.end()));
    const std::vector<std::string> expected = {
        "\r\n1. Top margin and 1st dot position check line\0\r\n   Top Adjust = \0"s + c.Sign + "\0\r\n\r\n"s,
        "\r\n",
        c.Header + "\0CHECK PATTERN PRINT 1/2 ******************\0\r\n\r\n"s,
        "2. \0Beta pattern(BK-C-LC-M-LM-Y)\0\r\n"s,
        "\r\n",
        "3. \0Nozzle check pattern(BK-C-LC-M-LM-Y)\0\r\n"s,
        "\r\n",
        "4. \0Alignment pattern(BK-C-LC-M-LM-Y)\0\r\n"s,
        "\r\n",
        "5. \0Nozzle column shift\0\r\n"s,
        "\r\n\r\n\r\n\r\n",
        "6. \0" "6pl Variable dot\0\r\n"s,
        "\r\n\r\n\r\n\r\n",
        "7. \0Head ID = \0"s + headId + "\r\n\r\n\r\n",
        "8. \0USB ID = \0"s + usbId + "\r\n\r\n\r\n",
        "9. \0Protection Counter = \0"s + c.Counter + "\r\n\x0C",
        c.Header + "\0CHECK PATTERN PRINT 2/2 ******************\0\r\n\r\n"s,
        "10. \0"s,
        "   Bi-D check pattern\0\r\n MS Black\0\r\n"s,
    };
    ASSERT_GT(texts.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(texts[i], expected[i]) << "text " << i;

    // The second page ends with the form feed of the Bi-D section and its own, each followed by a reset.
    const auto skeleton = stream.Skeleton();
    EXPECT_EQ(std::vector<std::string>(skeleton.end() - 5, skeleton.end()),
              (std::vector<std::string>{"1B 40", "T:\x0C", "1B 40", "T:\x0C", "1B 40"}));
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "\x0C"), 2);
    EXPECT_EQ(std::search(traffic.Print.begin(), traffic.Print.end(), c.OtherHeader.begin(), c.OtherHeader.end()),
              traffic.Print.end());
    EXPECT_EQ(stream.Blocks.size(), 1u + 36 + 12 + 108 + 30 + 3 + 6 * 33);
    EXPECT_EQ(traffic.EepromReads().size(), 12u + 18u + 6u);
    // Before the top-margin line and each numbered section, inside the patterns, and before page 2.
    EXPECT_EQ(traffic.WaitReadyCalls().size(), 1u + 1 + 5 + (18 + 3 + 3) + 3 + 1 + 1 + (1 + 6 * (19 + 1)));
  }
}

}  // namespace
