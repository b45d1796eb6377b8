// Scan files as a technician might pick them: any bytes end in an image or a message, and any image in a reading or a message, never in a crash.
#include "analysis/BidPageReader.h"
#include "analysis/InkImage.h"
#include "analysis/NozzleCheckReader.h"
#include "fuzz/FuzzSupport.h"

#include <cmath>
#include <variant>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const ScanRead read = ReadScanBytes(std::vector<uint8_t>(data, data + size));
  if (const auto* problem = std::get_if<std::string>(&read)) {
    FUZZ_CHECK(!problem->empty());
    return 0;
  }
  const InkImage& image = std::get<InkImage>(read);
  FUZZ_CHECK(image.Width >= MinScanSide / image.Reduction && image.Height >= MinScanSide / image.Reduction);
  FUZZ_CHECK(image.Ink.size() == static_cast<size_t>(image.Width) * static_cast<size_t>(image.Height));

  const BidPageReading page = ReadBidPage(image, {0, 3, -6, 10, -13, 21});
  for (const BidSectionReading& section : page.Sections) {
    // A section read has an estimate, a confidence that earned it, and a suggestion within the limits.
    if (!section.Read()) continue;
    FUZZ_CHECK(page.Problem.empty());
    FUZZ_CHECK(std::isfinite(*section.Estimate));
    FUZZ_CHECK(section.Confidence >= BidLeastConfidence && section.Confidence <= 1.0);
    FUZZ_CHECK(*section.Suggestion() >= -36 && *section.Suggestion() <= 36);
    FUZZ_CHECK(section.Best.has_value() != section.Outside);
  }
  const NozzleCheckReading nozzles = ReadNozzleCheck(image);
  for (const NozzleColourReading& colour : nozzles.Colours)
    for (int nozzle : colour.Missing) FUZZ_CHECK(nozzle >= 1 && nozzle <= NozzlesPerColour);
  return 0;
}
