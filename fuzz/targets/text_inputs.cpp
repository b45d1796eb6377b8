// What the technician types: hexadecimal cells, the head ID, the USB ID, Bi-D values and the first
// dot position. Each is also held to its own rule: an ID that is accepted reads back as typed, a
// number that is accepted is a plain number; and the command line takes exactly what the window's
// check takes.
#include "cli/Commands.h"
#include "fuzz/FuzzSupport.h"
#include "link/PortChoice.h"
#include "link/PrinterStatus.h"
#include "link/TPDalD4Comm.h"
#include "link/TPFactory.h"
#include "link/TPPrinterDriver.h"
#include "platform/VirtualClock.h"
#include "service/BidLogic.h"
#include "service/FirstDotLogic.h"
#include "service/TPBid.h"
#include "service/TPDalEeprom.h"
#include "service/TPDalUsbId.h"
#include "service/TPHeadID.h"
#include "sim/ports/SimPortSystem.h"
#include "sim/VirtualPrinter.h"

#include <cctype>
#include <cstdio>
#include <optional>
#include <sstream>

namespace {

class Lpt1 : public PortChoice {
public:
  int16_t GetPortIndex() const override { return FirstParallelPortIndex; }
};

// A printer and the link to it: the IDs are written to it and read back.
struct Bench {
  VirtualClock Clock;
  VirtualPrinter Printer{Clock, ""};
  SimPortSystem Ports{Printer, Clock};
  Lpt1 Choice;
  QuietDialogs Dialogs;
  UnwindingEnd End;
  UnwindingFatalExit Fatal{End};
  PrinterStatus Status;
  TPPrinterDriver Driver{Ports, Choice, Clock, Dialogs, Fatal};
  TPDalD4Comm Comm{Driver, Clock, Dialogs, Fatal, Status};
  TPFactory Factory{Comm, Dialogs};
  TPHeadID HeadId{Factory};
  TPDalUsbId UsbId{Factory, Clock};

  Bench() {
    FUZZ_CHECK(Comm.StartLinkToControlChannel(FirstParallelPortIndex));
    FUZZ_CHECK(Comm.OpenChannel(DataSocket));
  }
};


bool PlainNumber(const std::string& text) {
  size_t first = (!text.empty() && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
  if (first == text.size()) return false;
  for (size_t i = first; i < text.size(); ++i)
    if (text[i] < '0' || text[i] > '9') return false;
  return true;
}

void CheckHexCell(const std::string& text) {
  const int value = TPDalEeprom::HexToByte(text);
  if (value == InvalidHexByte) return;
  FUZZ_CHECK(value >= 0 && value <= 255 && text.size() >= 2);
  char digits[3];
  std::snprintf(digits, sizeof digits, "%02X", value);
  FUZZ_CHECK(std::toupper(static_cast<unsigned char>(text[0])) == digits[0]);
  FUZZ_CHECK(std::toupper(static_cast<unsigned char>(text[1])) == digits[1]);
}

// Each input gets a printer of its own: nothing one input leaves behind changes the next.
void CheckHeadId(const std::string& text) {
  Bench bench;
  if (bench.HeadId.WriteHeadId(text) != 0) return;
  const std::optional<StoredHeadId> stored = bench.HeadId.ReadHeadId();
  FUZZ_CHECK(stored.has_value() && stored->Text == text && !stored->Damaged);
}

void CheckUsbId(const std::string& text) {
  Bench bench;
  if (TPDalUsbId::CheckSerial(text) != nullptr) return;
  bench.UsbId.WriteUsbId(text);
  std::string stored;
  FUZZ_CHECK(bench.UsbId.ReadUsbId(stored) == TPDalUsbId::ReadResult::Valid);
  FUZZ_CHECK(stored.substr(0, text.size()) == text);
}

void CheckBidValue(const std::string& text) {
  const int value = TPBid::ParseBidValue(text);
  if (value == BidNotANumber) return;
  FUZZ_CHECK(PlainNumber(text));
  FUZZ_CHECK(TPBid::ParseBidValue(std::to_string(value)) == value);
}

void CheckFirstDot(const std::string& text) {
  std::string problem;
  const std::optional<int> checked = FirstDotLogic::CheckValue(text, problem);
  FUZZ_CHECK(checked.has_value() == problem.empty());
  FUZZ_CHECK(!checked || (*checked >= -FirstDotLimit && *checked <= FirstDotLimit));
  const std::optional<int> value = FirstDotLogic::ParseValue(text);
  if (!value) return;
  FUZZ_CHECK(PlainNumber(text));
  FUZZ_CHECK(FirstDotLogic::ParseValue(std::to_string(*value)) == value);
}

// `bid --write NAME=VALUE` and `--values A,B,...` accept a value exactly when the window's check does.
void CheckBidArguments(const std::string& text) {
  const std::optional<int> checked = BidLogic::CheckValue(text);
  std::string problem;
  const std::optional<std::vector<BidEntry>> entries = ParseBidWrites({"4pl-color=" + text}, problem);
  FUZZ_CHECK(entries.has_value() == checked.has_value());
  FUZZ_CHECK(!entries || (entries->size() == 1 && entries->front().Index == 5 && entries->front().Text == text));
  FUZZ_CHECK(entries || problem == BidLogic::WrongDigitText);
  const std::optional<std::array<int, 6>> six = ParseSixValues("0,0,0,0,0," + text);
  FUZZ_CHECK(six.has_value() == checked.has_value());
  FUZZ_CHECK(!six || (*six)[5] == *checked);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzReader input(data, size);
  const uint8_t kind = input.Byte();
  std::string text = input.RestAsText();
  if (text.size() > 64) text.resize(64);  // more than any edit takes
  try {
    switch (kind % 6) {
      case 0:
        CheckHexCell(text);
        break;
      case 1:
        CheckHeadId(text);
        break;
      case 2:
        CheckUsbId(text);
        break;
      case 3:
        CheckBidValue(text);
        break;
      case 4:
        CheckFirstDot(text);
        break;
      case 5:
        CheckBidArguments(text);
        break;
    }
  } catch (const ProgramEndedInFuzz&) {
    FUZZ_CHECK(!"a healthy virtual printer never ends the program");
  }
  return 0;
}
