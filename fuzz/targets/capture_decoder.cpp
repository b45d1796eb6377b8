// Lines of a capture log into the reader and the decoder of arvana-printer-sim decode.
#include "fuzz/FuzzSupport.h"
#include "sim/wire/CaptureDecoder.h"
#include "sim/wire/CaptureLog.h"

#include <sstream>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::istringstream lines(std::string(reinterpret_cast<const char*>(data), size));
  CaptureDecoder decoder;
  for (std::string line; std::getline(lines, line);) {
    CaptureRecord record;
    std::string reason;
    if (!CaptureLog::ParseLine(line, record, reason)) {
      FUZZ_CHECK(!reason.empty());
      continue;
    }
    const std::string described = decoder.DescribeLine(record);
    FUZZ_CHECK(!described.empty());
    // A record read back is written the way it was read.
    CaptureRecord again;
    const std::string written = CaptureLog::FormatLine(static_cast<int64_t>(record.Seconds * 1000 + 0.5),
                                                       record.FromHost, record.Bytes.data(), record.Bytes.size());
    FUZZ_CHECK(CaptureLog::ParseLine(written, again, reason));
    FUZZ_CHECK(again.Bytes == record.Bytes && again.FromHost == record.FromHost);
  }
  return 0;
}
