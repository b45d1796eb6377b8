// The nozzle check read from scans of the virtual printer's check page: every clogged nozzle, and no other, on every scanner.
#include "analysis/NozzleCheckReader.h"
#include "sim/mechanism/PrintHead.h"
#include "tests/analysis/ScanBench.h"

#include <QPainter>

#include <random>
#include <set>

using PageGeometry::Ink;

TEST_F(ScanBench, EveryCloggedNozzleAndNoOtherOnEveryScanner) {
  // The edges of a band, neighbours, three in a row, a colour with none; then a
  // head clogged at random by a fixed seed.
  Clogs chosen = {{Ink::Black, 0},         {Ink::Black, 47},        {Ink::Cyan, 1},   {Ink::Cyan, 2},
                  {Ink::LightCyan, 23},    {Ink::LightMagenta, 16}, {Ink::LightMagenta, 30},
                  {Ink::LightMagenta, 46}, {Ink::Yellow, 4},        {Ink::Yellow, 5}, {Ink::Yellow, 6}};
  Clogs random;
  std::mt19937 draw(20261209);
  for (int i = 0; i < 12; ++i) random.emplace_back(BlockInks[draw() % BlockInks.size()], draw() % PrintHead::NozzlesPerInk);
  for (const Clogs& clogs : {chosen, random}) {
    const QImage page = PrintCheckPage(clogs);
    for (const ScanDegradation& scanner : ScannersUnderTest()) {
      const NozzleCheckReading reading = ReadNozzleCheck(Scanned(page, scanner));
      ASSERT_TRUE(reading.Problem.empty()) << scanner.Name << ": " << reading.Problem;
      for (size_t block = 0; block < BlockInks.size(); ++block) {
        const NozzleColourReading& colour = reading.Colours[block];
        // On the scanner that does everything at once (blur, noise, JPEG, a
        // tinted sheet) a faint light ink may be too unclear to judge: it says
        // so, and never gives another list.
        const bool faint = BlockInks[block] == Ink::LightCyan || BlockInks[block] == Ink::LightMagenta;
        if (scanner.Name == Degradations().back().Name && faint && !colour.Problem.empty()) {
          EXPECT_TRUE(colour.Missing.empty()) << scanner.Name << ", " << NozzleColourNames[block];
          continue;
        }
        EXPECT_TRUE(colour.Problem.empty()) << scanner.Name << ", " << NozzleColourNames[block] << ": " << colour.Problem;
        EXPECT_EQ(colour.Missing, MissingOf(clogs, BlockInks[block])) << scanner.Name << ", " << NozzleColourNames[block];
      }
      EXPECT_TRUE(reading.AnyMissing());
    }
  }
}

TEST_F(ScanBench, TheNozzleListComesFromTheCheckNotFromTheSolidBlocksAbove) {
  // The solid row of another head's page pasted over this page's: its white
  // stripes name the other head's clogs, which must not be reported.
  constexpr int SolidRowTop = 570, SolidRowBottom = 880;  // rows of the rendered page
  Clogs own = {{Ink::Magenta, 30}, {Ink::Yellow, 0}};
  for (size_t nozzle = 4; nozzle < 14; ++nozzle) own.emplace_back(Ink::Black, nozzle);
  const Clogs other = {{Ink::Cyan, 7}, {Ink::Yellow, 20}, {Ink::Black, 40}, {Ink::LightMagenta, 12}};
  QImage page = PrintCheckPage(own).convertToFormat(QImage::Format_RGB32);
  const QImage donor = PrintCheckPage(other);
  QPainter(&page).drawImage(QPoint(0, SolidRowTop), donor.copy(0, SolidRowTop, donor.width(), SolidRowBottom - SolidRowTop));
  for (size_t d : {size_t{0}, size_t{1}}) {
    const NozzleCheckReading reading = ReadNozzleCheck(Scanned(page, Degradations()[d]));
    ASSERT_TRUE(reading.Problem.empty()) << reading.Problem;
    for (size_t block = 0; block < BlockInks.size(); ++block) {
      EXPECT_TRUE(reading.Colours[block].Problem.empty()) << NozzleColourNames[block] << ": " << reading.Colours[block].Problem;
      EXPECT_EQ(reading.Colours[block].Missing, MissingOf(own, BlockInks[block])) << NozzleColourNames[block];
    }
  }
}
