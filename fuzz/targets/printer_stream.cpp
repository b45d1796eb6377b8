// Host bytes into the virtual printer as a pseudo-terminal delivers them: a byte stream that
// the printer cuts back into blocks by their headers, then the printer itself.
#include "fuzz/FuzzSupport.h"
#include "platform/VirtualClock.h"
#include "sim/wire/HostBlockSplitter.h"
#include "sim/VirtualPrinter.h"

#include <sstream>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzReader input(data, size);
  VirtualClock clock;
  VirtualPrinter printer(clock, "");
  std::ostringstream report;
  printer.SetFaultReport(report);
  HostBlockSplitter splitter;
  std::vector<uint8_t> block;
  uint8_t answers[512];
  while (!input.Empty()) {
    // The stream arrives in pieces of the sizes the fuzzer chooses, some after a pause.
    const uint8_t piece = input.Byte();
    const std::vector<uint8_t> bytes = input.Bytes(1 + piece % 64 * 16);
    if ((piece & 0x80) != 0) clock.Advance(HostBlockSplitter::StaleMs + 1);
    splitter.Add(bytes.data(), bytes.size(), clock.SteadyMilliseconds());
    while (splitter.Next(block) || splitter.TakeStale(clock.SteadyMilliseconds(), block)) {
      printer.ReceiveFromHost(block.data(), block.size());
    }
    while (printer.TakeReplyBlock(answers, sizeof answers) > 0) {
    }
  }
  clock.Advance(HostBlockSplitter::StaleMs + 1);
  while (splitter.TakeStale(clock.SteadyMilliseconds(), block)) printer.ReceiveFromHost(block.data(), block.size());
  FUZZ_CHECK(splitter.Buffered() == 0);
  return 0;
}
