// The virtual printer's own files that a trainer may edit: head.txt and mechanics.txt. A text
// that is accepted is written back the same, and a refused one changes nothing; what the printer
// writes itself always fits the size its reader takes (PrintHead::FileLimit, BidMechanics::FileLimit),
// so the limit never refuses a file the printer made.
#include "fuzz/FuzzSupport.h"
#include "sim/mechanism/BidMechanics.h"
#include "sim/mechanism/PrintHead.h"

namespace {

void CheckHeadFile(const std::string& text) {
  PrintHead head("", 0);
  const std::string before = head.Format();
  std::string reason;
  if (!head.Parse(text, reason)) {
    FUZZ_CHECK(!reason.empty());
    FUZZ_CHECK(head.Format() == before);
    return;
  }
  const std::string written = head.Format();
  FUZZ_CHECK(written.size() <= PrintHead::FileLimit);
  PrintHead again("", 0);
  FUZZ_CHECK(again.Parse(written, reason));
  FUZZ_CHECK(again.Format() == written);
}

void CheckMechanicsFile(const std::string& text) {
  BidMechanics::Offsets offsets{};
  std::string reason;
  if (!BidMechanics::Parse(text, offsets, reason)) {
    FUZZ_CHECK(!reason.empty());
    return;
  }
  for (int offset : offsets) FUZZ_CHECK(offset >= -BidMechanics::Limit && offset <= BidMechanics::Limit);
  BidMechanics::Offsets again{};
  // The file Save writes: its comments and the offsets.
  FUZZ_CHECK(BidMechanics::Format(offsets).size() + 256 <= BidMechanics::FileLimit);
  FUZZ_CHECK(BidMechanics::Parse(BidMechanics::Format(offsets), again, reason));
  FUZZ_CHECK(again == offsets);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzReader input(data, size);
  const uint8_t which = input.Byte();
  const std::string text = input.RestAsText();
  if ((which & 1) == 0) {
    CheckHeadFile(text);
  } else {
    CheckMechanicsFile(text);
  }
  return 0;
}
