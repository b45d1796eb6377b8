// The nozzle check read from scans of the virtual printer's check page: every clogged nozzle, and no other, on every scanner.
#include "analysis/NozzleCheckReader.h"
#include "sim/PrintHead.h"
#include "tests/analysis/ScanBench.h"

#include <random>
#include <set>

namespace {

using PageGeometry::Ink;
using Clogs = std::vector<std::pair<Ink, size_t>>;

// The pattern's blocks, left to right.
constexpr std::array<Ink, 6> BlockInks = {Ink::Black, Ink::Cyan, Ink::LightCyan, Ink::Magenta, Ink::LightMagenta, Ink::Yellow};

std::vector<int> MissingOf(const Clogs& clogs, Ink ink) {
  std::set<int> nozzles;
  for (const auto& [which, nozzle] : clogs)
    if (which == ink) nozzles.insert(static_cast<int>(nozzle) + 1);
  return {nozzles.begin(), nozzles.end()};
}

}  // namespace

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
        EXPECT_TRUE(reading.Colours[block].Problem.empty()) << scanner.Name << ", " << NozzleColourNames[block];
        EXPECT_EQ(reading.Colours[block].Missing, MissingOf(clogs, BlockInks[block]))
            << scanner.Name << ", " << NozzleColourNames[block];
      }
      EXPECT_TRUE(reading.AnyMissing());
    }
  }
}
