#include "tests/analysis/ScanBench.h"

#include "sim/mechanism/PrintHead.h"

#include <set>
#include <variant>

std::vector<int> MissingOf(const Clogs& clogs, PageGeometry::Ink ink) {
  std::set<int> nozzles;
  for (const auto& [which, nozzle] : clogs)
    if (which == ink) nozzles.insert(static_cast<int>(nozzle) + 1);
  return {nozzles.begin(), nozzles.end()};
}

QImage ScanBench::PrintBidPage(const SixValues& stored, const SixValues& trueOffsets) {
  for (size_t i = 0; i < BidValues.size(); ++i) Printer.SetEepromCell(BidValues[i].Address, static_cast<uint8_t>(stored[i]));
  EXPECT_TRUE(Printer.SetTrueBidOffsets(trueOffsets));
  EXPECT_TRUE(Bid.PrintBidPage(false).empty());
  Raster.FormFeed();
  Comm.FlushData();
  return Printer.Pages().back();
}

QImage ScanBench::PrintCheckPage(const std::vector<std::pair<PageGeometry::Ink, size_t>>& clogged) {
  for (const PageGeometry::InkInfo& ink : PageGeometry::Inks)
    for (size_t nozzle = 0; nozzle < PrintHead::NozzlesPerInk; ++nozzle) Printer.Head().SetClogged(ink.Which, nozzle, false);
  for (const auto& [ink, nozzle] : clogged) Printer.Head().SetClogged(ink, nozzle, true);
  const size_t before = Printer.Pages().size();
  EXPECT_TRUE(Check.PrintCheckPages().empty());
  Comm.FlushData();
  EXPECT_GE(Printer.Pages().size(), before + 1);
  return Printer.Pages()[before];
}

InkImage ScanBench::Scanned(const QImage& page, const ScanDegradation& degradation) {
  const QByteArray file = ScanFileBytes(DegradedScan(page, degradation), degradation);
  const ScanRead read = ReadScanBytes(std::vector<uint8_t>(file.begin(), file.end()));
  if (const auto* problem = std::get_if<std::string>(&read)) {
    ADD_FAILURE() << degradation.Name << ": " << *problem;
    return InkImage{};
  }
  return std::get<InkImage>(read);
}

const std::vector<ScanDegradation>& ScanBench::Degradations() {
  // Name, dpi, rotation, blur, noise, JPEG quality, paper, lid inches, lid colour, seed.
  static const std::vector<ScanDegradation> degradations = {
      {"300 dpi, straight, PNG", 300, 0, 0, 0, 0, 0xFFFFFF, 0.25, 0xE8E8E4, 1},
      {"600 dpi, JPEG 85", 600, 0.8, 0, 3, 85, 0xFFFFFF, 0.25, 0xE8E8E4, 2},
      {"400 dpi, turned 3 degrees", 400, 3.0, 0, 3, 0, 0xFFFFFF, 0.4, 0xE8E8E4, 3},
      {"300 dpi, turned -2.6 degrees, blurred", 300, -2.6, 1.2, 2, 0, 0xFFFFFF, 0.4, 0xE8E8E4, 4},
      {"300 dpi, noisy", 300, 0.4, 0.5, 10, 0, 0xFFFFFF, 0.25, 0xE8E8E4, 5},
      {"300 dpi, JPEG 50", 300, -1.1, 0, 2, 50, 0xFFFFFF, 0.25, 0xE8E8E4, 6},
      {"300 dpi, tinted paper, dark lid", 300, 1.9, 0.5, 4, 0, 0xF2EAD6, 0.3, 0x383838, 7},
      {"300 dpi, all at once", 300, -1.7, 1.0, 6, 70, 0xF4EEDC, 0.35, 0xE0E0DA, 8},
  };
  return degradations;
}

std::vector<ScanDegradation> ScanBench::ScannersUnderTest() {
  const std::vector<ScanDegradation>& all = Degradations();
  if (EveryScanner()) return all;
  if (UnderSanitizer()) return {all.back()};
  return {all.front(), all.back()};
}
