// Prints a synthetic two-page job on the virtual printer's print engine and reports the CPU time it takes,
// without and with writing the PNG pages.
//   build/arvana-bench-page-render [DIR]     (DIR for the pages, default a fresh folder under /tmp)
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "sim/mechanism/BidMechanics.h"
#include "sim/files/EepromImage.h"
#include "sim/files/PageStore.h"
#include "sim/engine/PrintInterpreter.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Put(Bytes& out, std::initializer_list<int> bytes) {
  for (int byte : bytes) out.push_back(static_cast<uint8_t>(byte));
}

void Text(Bytes& out, const std::string& text) {
  for (char c : text) out.push_back(static_cast<uint8_t>(c));
  out.push_back(0x00);
  Put(out, {0x0D, 0x0A});
}

// `count` copies of `value` as runs of at most 120, the way the host codes them.
void Runs(Bytes& out, size_t count, uint8_t value) {
  while (count > 0) {
    const size_t run = count < 120 ? count : 120;
    if (run == 1) {
      Put(out, {0x00, value});
    } else {
      Put(out, {static_cast<int>(257 - run), value});
    }
    count -= run;
  }
}

void StartRaster(Bytes& out, int direction, int dotSize) {
  Put(out, {0x1B, 0x40, 0x1B, '(', 'G', 1, 0, 1, 0x1B, '(', 'U', 1, 0, 10, 0x1B, 'U', direction});
  Put(out, {0x1B, '(', 'e', 2, 0, 0, dotSize, 0x1B, '(', 'K', 2, 0, 0, 2});
}

// A block of 48 raster lines of 720 bytes (2880 dots, 2 bits each): dense
// bands of dot values 3, 2 and 1 with a gap that moves with `shift`.
void Block(Bytes& out, int colour, int shift) {
  Put(out, {0x1B, '(', 'D', 4, 0, 0x68, 0x01, 3, 1});
  Put(out, {0x1B, 'i', colour, 1, 2, 0xD0, 0x02, 48, 0});
  for (int line = 0; line < 48; ++line) {
    Runs(out, 240, 0xFF);
    Runs(out, 240, 0xAA);
    Runs(out, static_cast<size_t>(shift), 0x00);
    Runs(out, 240 - static_cast<size_t>(shift), 0x55);
  }
}

Bytes TwoPageJob() {
  const int colours[] = {0x00, 0x02, 0x12, 0x01, 0x11, 0x04};
  Bytes job;
  for (int page = 0; page < 2; ++page) {
    Put(job, {0x1B, 0x40});
    Text(job, "Page render benchmark, page " + std::to_string(page + 1));
    for (int band = 0; band < 20; ++band) {
      Text(job, "Band " + std::to_string(band + 1) + ": variable dot bands in every ink");
      for (int pass = 0; pass < 3; ++pass) {
        StartRaster(job, band % 2, 0x11);
        Block(job, colours[(band + pass) % 6], (band * 7 + pass) % 100);
        Put(job, {0x1B, '(', 'v', 2, 0, pass < 2 ? 1 : 141, 0, 0x0D});
      }
    }
    Put(job, {0x0C});
  }
  return job;
}

double CpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Prints the job once; returns the CPU seconds it took.
double PrintOnce(const Bytes& job, const std::string& directory, size_t& pages) {
  const EepromImage::Cells eeprom = EepromImage::FactoryImage();
  BidMechanics mechanics("");
  PageStore store(directory);
  PrintInterpreter printer(eeprom, mechanics, store);
  const double start = CpuSeconds();
  printer.Add(job.data(), job.size());
  printer.EndJob();
  const double used = CpuSeconds() - start;
  pages = store.Pages().size();
  for (const std::string& message : store.Messages()) std::fprintf(stderr, "%s\n", message.c_str());
  for (const std::string& error : printer.Errors()) std::fprintf(stderr, "job error: %s\n", error.c_str());
  return used;
}

}  // namespace

int main(int argc, char** argv) {
  std::string directory = argc > 1 ? argv[1] : "";
  const bool temporary = directory.empty();
  if (temporary)
    directory = (std::filesystem::temp_directory_path() / ("arvana-bench-pages-" + std::to_string(getpid()))).string();

  const Bytes job = TwoPageJob();
  std::printf("job: %zu bytes, 2 x 60 raster blocks of 48 lines x 720 bytes\n", job.size());
  size_t pages = 0;
  const double inMemory = PrintOnce(job, "", pages);
  std::printf("printed in memory:        %zu pages, %.3f s CPU\n", pages, inMemory);
  const double withFiles = PrintOnce(job, directory, pages);
  std::printf("printed and written as PNG: %zu pages, %.3f s CPU (%s)\n", pages, withFiles, directory.c_str());
  if (temporary) {
    std::error_code error;
    std::filesystem::remove_all(directory, error);
  }
  return pages == 2 ? 0 : 1;
}
