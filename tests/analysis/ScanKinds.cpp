#include "tests/analysis/ScanKinds.h"

#include <cstdio>

namespace {

// The first band of marks starts this far below the sheet's top, and the next
// ones at the section pitch, in dots of 1/360 inch; a band is 146 dots high.
constexpr double FirstBandTopDots = 222;
constexpr double SectionPitchDots = 303;
constexpr double BandHeightDots = 146;

ScanDegradation Flat(const std::string& name, uint64_t seed) {
  ScanDegradation scan;
  scan.Name = name;
  scan.PixelsPerInch = 300;
  scan.NoiseSigma = 2;
  scan.LidInches = 0.25;
  scan.Seed = seed;
  return scan;
}

}  // namespace

double BidSectionMiddleInches(int index) {
  return (FirstBandTopDots + SectionPitchDots * index + BandHeightDots / 2) / 360.0;
}

std::vector<ScanKind> ScanKinds() {
  std::vector<ScanKind> kinds;
  auto add = [&](const std::string& name, bool everyday, auto change, int damaged = -1) {
    ScanKind kind{name, Flat(name, 100 + kinds.size()), everyday, damaged};
    change(kind.Scan);
    kinds.push_back(kind);
  };
  add("turned 90 degrees", false, [](ScanDegradation& s) { s.QuarterTurns = 1; s.RotationDegrees = 0.7; });
  add("upside down", false, [](ScanDegradation& s) { s.QuarterTurns = 2; s.RotationDegrees = -1.2; });
  add("turned 270 degrees", false, [](ScanDegradation& s) { s.QuarterTurns = 3; });
  add("vignette", true, [](ScanDegradation& s) { s.Vignette = 0.4; s.RotationDegrees = 0.5; });
  add("gradient left to right", true, [](ScanDegradation& s) { s.Gradient = 0.45; });
  add("lid left open", true, [](ScanDegradation& s) { s.Gradient = 0.35; s.Vignette = 0.15; s.Lid = 0x303030; });
  add("yellowed sheet", true, [](ScanDegradation& s) { s.Paper = 0xEEE2B8; s.Vignette = 0.1; });
  add("150 dpi", true, [](ScanDegradation& s) { s.PixelsPerInch = 150; s.RotationDegrees = 1.0; });
  add("200 dpi", true, [](ScanDegradation& s) { s.PixelsPerInch = 200; s.RotationDegrees = -0.8; });
  add("1200 dpi JPEG", true, [](ScanDegradation& s) { s.PixelsPerInch = 1200; s.JpegQuality = 85; s.RotationDegrees = 0.3; });
  add("3 degrees, JPEG 30", true, [](ScanDegradation& s) { s.RotationDegrees = 3; s.JpegQuality = 30; });
  add("stretched 1.5 %", true, [](ScanDegradation& s) { s.StretchPercent = 1.5; });
  add("shrunk 1.5 %", true, [](ScanDegradation& s) { s.StretchPercent = -1.5; s.RotationDegrees = -0.4; });
  add("grey", true, [](ScanDegradation& s) { s.Grey = true; s.RotationDegrees = 0.9; });
  add("black and white", false, [](ScanDegradation& s) { s.BlackAndWhite = true; });
  add("stain on 6pl Black", false, [](ScanDegradation& s) {
    s.StainX = 4.0; s.StainY = BidSectionMiddleInches(2); s.StainRadius = 0.35;
  }, 2);
  add("stain on MS Black", false, [](ScanDegradation& s) {
    s.StainX = 2.2; s.StainY = BidSectionMiddleInches(0); s.StainRadius = 0.4;
  }, 0);
  add("crease down the page", false, [](ScanDegradation& s) { s.CreaseX = 5.3; });
  add("cut through 4pl Color", false, [](ScanDegradation& s) { s.CutBelow = BidSectionMiddleInches(5); }, 5);
  return kinds;
}

void PrintBenchTable(const std::string& title, const BenchTable& table) {
  KindTally total;
  std::printf("\n%s\n%-34s %6s %8s %6s\n", title.c_str(), "kind", "exact", "refused", "wrong");
  for (const auto& [name, tally] : table) {
    std::printf("%-34s %6d %8d %6d\n", name.c_str(), tally.Exact, tally.Refused, tally.Wrong);
    total.Exact += tally.Exact;
    total.Refused += tally.Refused;
    total.Wrong += tally.Wrong;
  }
  std::printf("%-34s %6d %8d %6d\n", "all", total.Exact, total.Refused, total.Wrong);
  std::fflush(stdout);
}
