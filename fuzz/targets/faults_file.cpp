// The virtual printer's faults.conf as a trainer edits it: what it switches survives being written back.
#include "fuzz/FuzzSupport.h"
#include "sim/files/FaultFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const FaultFileContents contents = ParseFaultFile(text);
  const FaultFileContents again = ParseFaultFile(FormatFaultFile(contents.Switches));
  FUZZ_CHECK(again.NotUnderstood.empty());
  FUZZ_CHECK(ChangedSwitches(contents.Switches, again.Switches).empty());
  return 0;
}
