// Host blocks into the virtual printer, one block per write: the device side of the mode
// switch and the 1284.4 link, the control and data channels, the print stream behind them.
#include "fuzz/FuzzSupport.h"
#include "platform/VirtualClock.h"
#include "sim/VirtualPrinter.h"

#include <sstream>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzReader input(data, size);
  VirtualClock clock;
  VirtualPrinter printer(clock, "");
  std::ostringstream report;
  printer.SetFaultReport(report);
  uint8_t answers[512];
  while (!input.Empty()) {
    // A flag byte: time passes, answers are taken; then the block, its length first.
    const uint8_t flags = input.Byte();
    if ((flags & 1) != 0) clock.Advance(1000 * (flags >> 4));
    const std::vector<uint8_t> block = input.Bytes(input.Word() % 4200);
    printer.ReceiveFromHost(block.data(), block.size());
    if ((flags & 2) != 0) {
      while (printer.TakeReplyBlock(answers, sizeof answers) > 0) {
      }
    }
  }
  FUZZ_CHECK(printer.ReadReplyBytes(answers, sizeof answers) <= sizeof answers);
  return 0;
}
