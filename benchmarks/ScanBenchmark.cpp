// What reading a scanned page costs: decoding the file and finding the Bi-D
// values or the missing nozzles, in CPU seconds per page.
//   build/arvana-bench-scan bid|nozzles IMAGE [REPEATS] [MIDDLES]
// MIDDLES: the six middle candidates of a Bi-D page, as "0,0,0,0,0,0" (the default).
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <variant>

#include "analysis/BidPageReader.h"
#include "analysis/InkImage.h"
#include "analysis/NozzleCheckReader.h"

namespace {

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void PrintBid(const BidPageReading& page) {
  if (!page.Problem.empty()) std::printf("%s\n", page.Problem.c_str());
  std::printf("skew %.2f degrees, %.0f pixels per inch\n", page.SkewDegrees, page.PixelsPerInch);
  for (size_t i = 0; i < page.Sections.size(); ++i) {
    const BidSectionReading& section = page.Sections[i];
    std::printf("%-10s", BidSectionNames[i]);
    for (const auto& offset : section.OffsetDots)
      offset ? std::printf(" %6.2f", *offset) : std::printf("      -");
    std::printf("  best %s  estimate %s  confidence %.2f%s %s\n",
                section.Best ? std::to_string(*section.Best).c_str() : "-",
                section.Estimate ? std::to_string(*section.Estimate).c_str() : "-", section.Confidence,
                section.Outside ? " outside" : "", section.Problem.c_str());
  }
}

void PrintNozzles(const NozzleCheckReading& reading) {
  if (!reading.Problem.empty()) std::printf("%s\n", reading.Problem.c_str());
  std::printf("skew %.2f degrees, %.0f pixels per inch\n", reading.SkewDegrees, reading.PixelsPerInch);
  for (size_t i = 0; i < reading.Colours.size(); ++i) {
    std::printf("%-14s", NozzleColourNames[i]);
    for (int nozzle : reading.Colours[i].Missing) std::printf(" %d", nozzle);
    std::printf(" %s\n", reading.Colours[i].Problem.c_str());
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s bid|nozzles IMAGE [REPEATS] [MIDDLES]\n", argv[0]);
    return 2;
  }
  const std::string what = argv[1];
  const int repeats = argc > 3 ? std::max(1, std::atoi(argv[3])) : 1;
  std::array<int, 6> middles{};
  if (argc > 4) {
    std::stringstream list(argv[4]);
    std::string item;
    for (size_t i = 0; i < middles.size() && std::getline(list, item, ','); ++i) middles[i] = std::atoi(item.c_str());
  }
  double decoding = 0;
  double reading = 0;
  for (int round = 0; round < repeats; ++round) {
    const double start = CpuSeconds();
    const ScanRead scan = ReadScanFile(argv[2]);
    const double decoded = CpuSeconds();
    decoding += decoded - start;
    if (const auto* problem = std::get_if<std::string>(&scan)) {
      std::printf("%s\n", problem->c_str());
      return 1;
    }
    const InkImage& image = std::get<InkImage>(scan);
    if (what == "bid") {
      const BidPageReading page = ReadBidPage(image, middles);
      reading += CpuSeconds() - decoded;
      if (round == 0) PrintBid(page);
    } else {
      const NozzleCheckReading nozzles = ReadNozzleCheck(image);
      reading += CpuSeconds() - decoded;
      if (round == 0) PrintNozzles(nozzles);
    }
  }
  std::printf("CPU per page: decoding %.3f s, reading %.3f s, together %.3f s (%d rounds)\n", decoding / repeats,
              reading / repeats, (decoding + reading) / repeats, repeats);
  return 0;
}
