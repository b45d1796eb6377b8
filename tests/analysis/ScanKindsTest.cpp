// The readers on every kind of scan of the bench: never a wrong value, the true one on nearly every everyday scan, and the undamaged sections of a damaged page read.
#include "analysis/BidPageReader.h"
#include "analysis/NozzleCheckReader.h"
#include "tests/analysis/ScanBench.h"
#include "tests/analysis/ScanKinds.h"

#include <cstdlib>
#include <random>
#include <set>

namespace {

using PageGeometry::Ink;

// The stored values and the head's true offsets of bench page `page`, as the main bench makes them.
std::pair<SixValues, SixValues> BidPage(int page) {
  constexpr SixValues Middles = {0, 3, -6, 10, -13, 21};
  SixValues stored{}, truth{};
  for (size_t i = 0; i < stored.size(); ++i) {
    stored[i] = Middles[(static_cast<size_t>(page) + i) % Middles.size()];
    truth[i] = stored[i] + static_cast<int>((static_cast<size_t>(page) + i) % 9) - 4;
  }
  return {stored, truth};
}

std::vector<ScanKind> KindsUnderTest() {
  std::vector<ScanKind> all = ScanKinds();
  // ARVANA_SCAN_KINDS="name,name" narrows the bench to those kinds, to look into one by hand.
  if (const char* only = std::getenv("ARVANA_SCAN_KINDS")) {
    const std::string names = std::string(",") + only + ",";
    std::erase_if(all, [&](const ScanKind& kind) { return names.find("," + kind.Name + ",") == std::string::npos; });
    return all;
  }
  if (EveryScanner()) return all;
  std::vector<ScanKind> some;
  for (size_t i = 0; i < all.size(); i += KindStride()) some.push_back(all[i]);
  return some;
}


}  // namespace

TEST_F(ScanBench, EveryKindOfBidScanGivesTheTrueValueOrRefusesNeverAnotherValue) {
  const std::vector<int> pages = EveryScanner() ? std::vector<int>{1, 6} : std::vector<int>{1};
  BenchTable table;
  int everydaySections = 0, everydayExact = 0;
  for (int page : pages) {
    const auto [stored, truth] = BidPage(page);
    const QImage printed = PrintBidPage(stored, truth);
    for (const ScanKind& kind : KindsUnderTest()) {
      const BidPageReading reading = ReadBidPage(Scanned(printed, kind.Scan), stored);
      KindTally& tally = table[kind.Name];
      for (size_t i = 0; i < reading.Sections.size(); ++i) {
        const BidSectionReading& section = reading.Sections[i];
        const std::string where = kind.Name + ", page " + std::to_string(page) + ", " + BidSectionNames[i];
        const bool read = reading.Problem.empty() && section.Read();
        const bool exact = read && section.Suggestion() == truth[i];
        tally.Exact += exact;
        tally.Refused += !read;
        tally.Wrong += read && !exact;
        EXPECT_FALSE(read && !exact) << where << ": read " << section.Suggestion().value_or(99) << ", true " << truth[i]
                                     << " (" << section.Confidence << " sure)";
        if (kind.DamagedSection >= 0 && static_cast<int>(i) != kind.DamagedSection) {
          EXPECT_TRUE(exact) << where << ": " << reading.Problem << section.Problem;
        }
        if (kind.Everyday) {
          ++everydaySections;
          everydayExact += exact;
        }
      }
    }
  }
  PrintBenchTable("Bi-D sections, by kind of scan (this program's degrader)", table);
  EXPECT_GE(everydayExact, 0.95 * everydaySections) << everydayExact << " of " << everydaySections;
}

TEST_F(ScanBench, EveryKindOfNozzleScanGivesTheTrueListOrRefusesNeverAnotherList) {
  // The end nozzles and a run of ten, where a reader that places the lines from
  // the printed ones goes wrong; then a head clogged at random by a fixed seed.
  Clogs ends = {{Ink::Black, 0}, {Ink::Black, 47}, {Ink::Magenta, 5}, {Ink::LightMagenta, 30}, {Ink::LightMagenta, 31}};
  for (size_t nozzle = 20; nozzle < 30; ++nozzle) ends.emplace_back(Ink::Cyan, nozzle);
  Clogs random;
  std::mt19937 draw(91);
  for (int i = 0; i < 8; ++i) random.emplace_back(BlockInks[draw() % BlockInks.size()], draw() % PrintHead::NozzlesPerInk);
  const std::vector<Clogs> heads = EveryScanner() ? std::vector<Clogs>{ends, random} : std::vector<Clogs>{ends};
  BenchTable table;
  for (const Clogs& clogs : heads) {
    const QImage page = PrintCheckPage(clogs);
    for (const ScanKind& kind : KindsUnderTest()) {
      const NozzleCheckReading reading = ReadNozzleCheck(Scanned(page, kind.Scan));
      KindTally& tally = table[kind.Name];
      for (size_t block = 0; block < BlockInks.size(); ++block) {
        const NozzleColourReading& colour = reading.Colours[block];
        const bool read = reading.Problem.empty() && colour.Problem.empty();
        const bool exact = read && colour.Missing == MissingOf(clogs, BlockInks[block]);
        tally.Exact += exact;
        tally.Refused += !read;
        tally.Wrong += read && !exact;
        EXPECT_FALSE(read && !exact) << kind.Name << ", " << NozzleColourNames[block] << ": read "
                                     << ::testing::PrintToString(colour.Missing) << ", true "
                                     << ::testing::PrintToString(MissingOf(clogs, BlockInks[block]));
        // A grey scan shows every colour but yellow, which is nearly paper there.
        if (kind.Scan.Grey && BlockInks[block] != Ink::Yellow) {
          EXPECT_TRUE(exact) << kind.Name << ", " << NozzleColourNames[block];
        }
      }
    }
  }
  PrintBenchTable("Nozzle check colours, by kind of scan (this program's degrader)", table);
}
