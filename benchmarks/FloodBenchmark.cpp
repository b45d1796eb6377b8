// What a nearly blank page costs the virtual printer, PNG file included, and what a flood of
// form feeds costs: 4 KB of "a" and form feed, 2,048 pages, into a folder that keeps 500.
//   build/arvana-bench-flood [DIR]     (DIR for the pages, default a fresh folder under /tmp)
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "sim/mechanism/BidMechanics.h"
#include "sim/files/EepromImage.h"
#include "sim/files/PageStore.h"
#include "sim/engine/PrintInterpreter.h"

namespace {

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

size_t FilesIn(const std::filesystem::path& folder) {
  size_t count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) count += entry.is_regular_file() ? 1 : 0;
  return count;
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path root =
      argc > 1 ? std::filesystem::path(argv[1])
               : std::filesystem::temp_directory_path() / ("arvana-bench-flood-" + std::to_string(getpid()));
  std::filesystem::remove_all(root);
  const EepromImage::Cells eeprom = EepromImage::FactoryImage();
  BidMechanics mechanics("");

  // One page at a time: the first pays for the compressed blank rows, the rest are what a page costs.
  {
    PageStore pages((root / "single").string());
    PrintInterpreter printer(eeprom, mechanics, pages);
    const uint8_t page[] = {'a', 0x0C};
    std::vector<double> costs;
    for (int i = 0; i < 200; ++i) {
      const double start = CpuSeconds();
      printer.Add(page, sizeof page);
      costs.push_back(CpuSeconds() - start);
    }
    std::sort(costs.begin() + 1, costs.end());
    std::printf("first nearly blank page (with the blank rows compressed once): %.1f ms CPU\n", costs[0] * 1e3);
    std::printf("nearly blank page, rendered and written as PNG: median %.2f ms CPU, slowest %.2f ms (199 pages)\n",
                costs[100] * 1e3, costs.back() * 1e3);
  }
  // The flood, on a fresh store.
  {
    PageStore pages((root / "flood").string());
    PrintInterpreter printer(eeprom, mechanics, pages);
    std::vector<uint8_t> flood;
    for (int i = 0; i < 2048; ++i) flood.insert(flood.end(), {'a', 0x0C});
    const double start = CpuSeconds();
    for (size_t at = 0; at < flood.size(); at += 100) printer.Add(flood.data() + at, std::min<size_t>(100, flood.size() - at));
    const double cost = CpuSeconds() - start;
    std::printf("flood of 4096 bytes: %zu pages in %.2f s CPU, %zu page files left\n", pages.Pages().size(), cost,
                FilesIn(root / "flood"));
  }
  if (argc <= 1) std::filesystem::remove_all(root);
  return 0;
}
