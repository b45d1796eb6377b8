// The virtual printer's head as the program's own patterns show it: clogged nozzles leave gaps, cleaning closes them and costs ink.
#include "sim/engine/PageGeometry.h"
#include "sim/mechanism/PrintHead.h"
#include "tests/pattern/PatternFixture.h"

#include <QImage>

#include <array>
#include <cmath>
#include <cstdint>
#include <set>
#include <vector>

namespace {

using PageGeometry::Ink;

// Rows that hold a nozzle line of `ink`: a run of at least MinimumLineRun dots
// of its full shade (text never has such runs).
constexpr int MinimumLineRun = 400;

std::vector<int> LineRows(const QImage& page, Ink ink) {
  const uint8_t index = PageGeometry::DotIndex(ink, PageGeometry::Shade::Full);
  std::vector<int> rows;
  for (int y = 0; y < page.height(); ++y) {
    const uint8_t* row = page.constScanLine(y);
    int run = 0;
    int longest = 0;
    for (int x = 0; x < page.width(); ++x) {
      run = row[x] == index ? run + 1 : 0;
      longest = std::max(longest, run);
    }
    if (longest >= MinimumLineRun) rows.push_back(y);
  }
  return rows;
}

// The nozzles whose lines are missing from a nozzle check page, per band:
// the first band's nozzle 1 line is the first row, the lines lie 3 rows apart.
std::set<size_t> MissingNozzles(const std::vector<int>& rows, int firstRow) {
  std::set<size_t> missing;
  const std::set<int> present(rows.begin(), rows.end());
  for (size_t nozzle = 0; nozzle < PrintHead::NozzlesPerInk; ++nozzle)
    if (present.count(firstRow + 3 * static_cast<int>(nozzle)) == 0) missing.insert(nozzle);
  return missing;
}

class HeadWear : public PatternLink {
protected:
  QImage PrintNozzleCheck() {
    Raster.PrintNozzleCheckPattern();
    Raster.FormFeed();
    Comm.FlushData();
    return Printer.Pages().back();
  }
  unsigned Counter() const { return Printer.Eeprom()[0x0A] * 256u + Printer.Eeprom()[0x0B]; }
};

TEST_F(HeadWear, ClogsShowAsGapsAndCleaningClosesThemAtTheStatedInkCost) {
  // A healthy head: every colour prints all 48 lines in each of the two bands.
  const QImage healthy = PrintNozzleCheck();
  const std::vector<int> blackRows = LineRows(healthy, Ink::Black);
  ASSERT_EQ(blackRows.size(), 2 * PrintHead::NozzlesPerInk);
  const int firstRow = blackRows.front();
  ASSERT_EQ(LineRows(healthy, Ink::Cyan).size(), 2 * PrintHead::NozzlesPerInk);

  // A fixed seed picks the same nozzles every run.
  Printer.Head().SetSeed(20261208);
  Printer.Head().ClogRandomNozzles(6);
  ASSERT_EQ(Printer.Head().CloggedCount(), 6u);
  const QImage clogged = PrintNozzleCheck();
  for (const PageGeometry::InkInfo& info : PageGeometry::Inks) {
    std::set<size_t> expected;
    for (size_t n = 0; n < PrintHead::NozzlesPerInk; ++n)
      if (Printer.Head().Clogged(info.Which, n)) expected.insert(n);
    const std::vector<int> rows = LineRows(clogged, info.Which);
    EXPECT_EQ(rows.size(), 2 * (PrintHead::NozzlesPerInk - expected.size())) << info.Name;
    if (info.Which == Ink::Black && !expected.count(0)) {
      EXPECT_EQ(MissingNozzles(rows, firstRow), expected);
    }
  }

  const std::array<uint8_t, 6> inkBefore = Printer.InkQuantities();
  const unsigned counterBefore = Counter();
  Factory.RunCleaning(HeadCleaningSequence);
  Comm.FlushData();
  EXPECT_EQ(Printer.Head().CloggedCount(), 0u) << "this seed frees every nozzle in one head cleaning";
  const QImage cleaned = PrintNozzleCheck();
  EXPECT_EQ(LineRows(cleaned, Ink::Black), blackRows);
  for (const PageGeometry::InkInfo& info : PageGeometry::Inks)
    EXPECT_EQ(LineRows(cleaned, info.Which).size(), 2 * PrintHead::NozzlesPerInk) << info.Name;

  // About 1/24 of a black and 1/13 of a colour cartridge, and the waste ink counter.
  const auto after = [](uint8_t before, double fraction) {
    return static_cast<uint8_t>(std::lround(before - 100.0 * fraction));
  };
  const std::array<uint8_t, 6> inkCleaned = Printer.InkQuantities();
  EXPECT_EQ(inkCleaned[0], after(inkBefore[0], 1.0 / 24));
  for (size_t i = 1; i < 6; ++i) EXPECT_EQ(inkCleaned[i], after(inkBefore[i], 1.0 / 13)) << i;
  EXPECT_EQ(Counter(), counterBefore + 240);

  // An ink charge: 1/10 and 1/5.
  Clock.Advance(60000);
  Factory.RunCleaning(InkChargeSequence);
  Comm.FlushData();
  const std::array<uint8_t, 6> inkCharged = Printer.InkQuantities();
  EXPECT_EQ(inkCharged[0], after(inkBefore[0], 1.0 / 24 + 1.0 / 10));
  for (size_t i = 1; i < 6; ++i) EXPECT_EQ(inkCharged[i], after(inkBefore[i], 1.0 / 13 + 1.0 / 5)) << i;
  EXPECT_EQ(Counter(), counterBefore + 240 + 1200);
}

TEST(PrintHeadWear, IdleTimeAndWorkClogAndTheFileKeepsTheHead) {
  // Work: one nozzle every ClogIntervalMs of blocks; a long idle gap: IdleClogs at once.
  PrintHead head("", 0);
  head.SetSeed(7);
  int64_t now = 0;
  for (; now <= PrintHead::ClogIntervalMs; now += 60000) head.Work(now, now / 1000);
  EXPECT_EQ(head.CloggedCount(), 1u);
  head.Work(now + PrintHead::LongIdleMs, 0);
  EXPECT_EQ(head.CloggedCount(), 1u + PrintHead::IdleClogs);

  // The text form gives the same head back, and refuses what is not one.
  PrintHead copy("", 0);
  std::string reason;
  ASSERT_TRUE(copy.Parse(head.Format(), reason)) << reason;
  EXPECT_EQ(copy.Format(), head.Format());
  for (const char* bad : {"", "seed = 1\nlast-used = 0\nink = 1 2 3 4 5 6\n", "black = ...\n", "colour = x\n"}) {
    EXPECT_FALSE(copy.Parse(bad, reason)) << bad;
    EXPECT_FALSE(reason.empty());
  }
  EXPECT_EQ(copy.Format(), head.Format()) << "a refused text changes nothing";
}

}  // namespace
