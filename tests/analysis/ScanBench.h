// The bench of scans: pages printed by the program on the virtual printer, for heads of known offsets and clogged nozzles, then seen as a scanner would.
#pragma once

#include <cstdlib>
#include <string_view>

#include "analysis/InkImage.h"
#include "pattern/TPRaster.h"
#include "sim/engine/PageGeometry.h"
#include "service/TPA4check.h"
#include "service/TPBid.h"
#include "service/TPHeadID.h"
#include "tests/analysis/tool/ScanDegrader.h"
#include "tests/support/SimLinkTest.h"

#include <QImage>

#include <array>
#include <string>
#include <utility>
#include <vector>

using SixValues = std::array<int, 6>;
// A head's clogged nozzles: ink, nozzle 0..47.
using Clogs = std::vector<std::pair<PageGeometry::Ink, size_t>>;
// The nozzle check's blocks, left to right.
constexpr std::array<PageGeometry::Ink, 6> BlockInks = {PageGeometry::Ink::Black,   PageGeometry::Ink::Cyan,
                                                        PageGeometry::Ink::LightCyan, PageGeometry::Ink::Magenta,
                                                        PageGeometry::Ink::LightMagenta, PageGeometry::Ink::Yellow};
// The nozzles 1..48 of `ink` the reader should report for these clogs, in increasing order.
std::vector<int> MissingOf(const Clogs& clogs, PageGeometry::Ink ink);

// How much of the bench runs. The whole of it (every page, every scanner and every kind of scan)
// takes several minutes of both cores: ARVANA_SCAN_BENCH=full runs it, as anyone changing a reader
// does. The test command runs a sample: every sixth page, two scanners (the clean one and the one
// that does everything at once) and every eighth kind of scan. Under the address sanitizer, where
// every step costs many times as much and what is looked for is a bad access rather than a wrong
// reading (the optimised build looks for those), each bench test reads its first page through the
// scanner that does everything at once, and every sixteenth kind.
inline bool UnderSanitizer() {
#ifdef __SANITIZE_ADDRESS__
  return true;
#else
  return false;
#endif
}
inline bool WholeBench() {
  const char* asked = std::getenv("ARVANA_SCAN_BENCH");
  return !UnderSanitizer() && asked != nullptr && std::string_view(asked) == "full";
}
inline bool EveryScanner() { return WholeBench(); }
// Of the pages, every Nth (under the sanitizer, the first only).
inline int BenchStride() { return WholeBench() ? 1 : UnderSanitizer() ? 1'000 : 6; }
// Of the kinds of scan, every Nth.
inline size_t KindStride() { return WholeBench() ? 1 : UnderSanitizer() ? 16 : 8; }

class FixedModel350 : public ModelChoice {
public:
  uint16_t SelectedModelCode() const override { return ModelCode350; }
};

class ScanBench : public SimLinkTest<> {
protected:
  TPRaster Raster{Comm, Factory, Boxes, Fatal};
  TPBid Bid{Comm, Factory, Raster};
  TPHeadID HeadId{Factory};
  FixedModel350 Model;
  TPA4check Check{Comm, Factory, Raster, Bid, HeadId, Model};

  // Stores `stored` as the six Bi-D values (table order), gives the head
  // `trueOffsets`, prints the page and returns what the printer rendered.
  QImage PrintBidPage(const SixValues& stored, const SixValues& trueOffsets);
  // The first check page, for a head with exactly these clogged nozzles (ink, nozzle 0..47).
  QImage PrintCheckPage(const std::vector<std::pair<PageGeometry::Ink, size_t>>& clogged);

  // The page through the scanner and the file format and back, as the program reads it.
  static InkImage Scanned(const QImage& page, const ScanDegradation& degradation);
  // The bench's scanners: every one a different mix of what scans do to a page.
  static const std::vector<ScanDegradation>& Degradations();
  // The scanners a bench test goes through in this build.
  static std::vector<ScanDegradation> ScannersUnderTest();
};
