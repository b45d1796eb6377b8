// Composes the check pages section by section from the raster patterns and the values stored in the printer.
#include "service/TPA4check.h"

#include "service/TPDalEeprom.h"
#include "service/TPMaintenance.h"

#include <charconv>
#include <string>

namespace {

constexpr const char* Header350 = "******************** Arvana Print 350 ";
constexpr const char* Header360 = "******************** Arvana Print 360 ";
constexpr const char* FirstPageText = "CHECK PATTERN PRINT 1/2 ******************";
constexpr const char* SecondPageText = "CHECK PATTERN PRINT 2/2 ******************";
constexpr std::array<char, 4> FirstItemNumber{'1', '.', ' ', '\0'};
constexpr const char* BidItemNumber = "10. ";

// The pattern sections of page 1, each after its line feeds and item number.
struct PatternSection {
  int LinesBefore;
  void (TPRaster::*Print)();
};
constexpr std::array<PatternSection, 5> PatternSections{{
    {2, &TPRaster::PrintBetaPattern},
    {1, &TPRaster::PrintNozzleCheckPattern},
    {1, &TPRaster::PrintAlignmentPattern},
    {1, &TPRaster::PrintNozzleColumnShift},
    {4, &TPRaster::PrintVariableDotPattern},
}};

// A printer that sent nothing back for a value gets nothing more: the rest of the page would only wait out retries.
CheckPagesOutcome StoppedSilent(CheckPagesOutcome& result) {
  result.PrinterSilent = true;
  return result;
}

}  // namespace

size_t TPA4check::PatternsOnPages() { return 1 + PatternSections.size() + TPBid::PatternsOnPage; }

TPA4check::TPA4check(TPDalD4Comm& comm, TPFactory& factory, TPRaster& raster, TPBid& bid, TPHeadID& headId,
                     const ModelChoice& models)
    : Comm(comm), Factory(factory), Raster(raster), Bid(bid), HeadId(headId), Models(models) {}

std::array<uint8_t, CounterFieldWidth> TPA4check::CounterField(uint16_t counter) {
  std::array<char, CounterFieldWidth> digits{};
  const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), counter).ptr;
  const size_t count = static_cast<size_t>(end - digits.data());
  std::array<uint8_t, CounterFieldWidth> field;
  field.fill(' ');
  for (size_t i = 0; i < count; ++i) field[i] = static_cast<uint8_t>(digits[i]);
  if (count < field.size()) field[count] = 0x00;
  return field;
}

const char* TPA4check::HeaderText(uint16_t modelCode) {
  if (modelCode == ModelCode350) return Header350;
  if (modelCode == ModelCode360) return Header360;
  return nullptr;
}

void TPA4check::SendHeader(const char* pageText) {
  // The model part and the page part print as one line.
  if (const char* model = HeaderText(Models.SelectedModelCode())) Raster.SendText(model);
  Raster.SendText(pageText);
}

std::array<uint8_t, CounterFieldWidth> TPA4check::UnreadCounterField() {
  return {'?', '?', 0x00, ' ', ' '};
}

EepromReadOutcome TPA4check::ReadUsbIdForPage(std::array<uint8_t, UsbIdLength>& usbId) {
  usbId.fill('?');
  EepromReadOutcome outcome = EepromReadOutcome::Answered;
  for (size_t i = 0; i < usbId.size(); ++i) {
    const EepromRead cell = Factory.ReadEepromCell(static_cast<uint8_t>(UsbIdSerialCell + i));
    if (cell.Outcome == EepromReadOutcome::Silent) return cell.Outcome;
    if (cell.Outcome == EepromReadOutcome::Answered) {
      usbId[i] = cell.Value;
    } else {
      outcome = cell.Outcome;
    }
  }
  return outcome;
}

EepromReadOutcome TPA4check::ReadCounterField(std::array<uint8_t, CounterFieldWidth>& field) {
  static constexpr std::array<uint8_t, 2> Cells{ProtectionCounterLow, ProtectionCounterHigh};
  std::array<uint8_t, 2> lowHigh{};
  const EepromReadOutcome outcome = TPDalEeprom::ReadCells(Comm, Cells, lowHigh);
  const bool read = outcome == EepromReadOutcome::Answered;
  field = read ? CounterField(static_cast<uint16_t>(lowHigh[1] * 256 + lowHigh[0])) : UnreadCounterField();
  return outcome;
}

CheckPagesOutcome TPA4check::PrintPages() {
  CheckPagesOutcome result;
  std::vector<std::string>& unread = result.Unread;
  const auto printedAsUnknown = [&](const char* what) {
    unread.push_back(std::string("The ") + what + " could not be read: the page shows question marks instead.");
  };
  // "1. " counted up before each numbered section of page 1; item 1 is part of the top-margin section.
  std::array<char, 4> itemNumber = FirstItemNumber;
  const auto sendItemNumber = [&] {
    ++itemNumber[0];
    Raster.SendText(itemNumber.data());
  };
  Raster.ResetPrinter();
  Comm.WaitReady();
  if (!Raster.PrintTopMarginPattern(TopMarginCheckPage)) printedAsUnknown("top margin");
  Raster.NewLines(1);
  Comm.WaitReady();
  SendHeader(FirstPageText);

  for (const PatternSection& section : PatternSections) {
    Raster.NewLines(section.LinesBefore);
    Comm.WaitReady();
    sendItemNumber();
    (Raster.*section.Print)();
  }

  Raster.NewLines(4);
  Comm.WaitReady();
  sendItemNumber();
  Raster.SendText("Head ID = ");
  const std::optional<StoredHeadId> storedHeadId = HeadId.ReadHeadId(TPHeadID::Check::Skipped);  // the page shows the text as stored
  if (!storedHeadId) printedAsUnknown("head ID");
  const std::string headId = storedHeadId ? storedHeadId->Text : std::string(HeadIdLength, '?');
  Comm.SendData(reinterpret_cast<const uint8_t*>(headId.data()), headId.size());

  Raster.NewLines(3);
  Comm.WaitReady();
  sendItemNumber();
  Raster.SendText("USB ID = ");
  // Printed as stored, whatever the bytes are: the page shows what the printer holds.
  std::array<uint8_t, UsbIdLength> usbId{};
  const EepromReadOutcome usbIdRead = ReadUsbIdForPage(usbId);
  if (usbIdRead == EepromReadOutcome::Silent) return StoppedSilent(result);
  if (usbIdRead != EepromReadOutcome::Answered) printedAsUnknown("USB ID");
  Comm.SendData(usbId.data(), usbId.size());

  Raster.NewLines(3);
  Comm.WaitReady();
  sendItemNumber();
  Raster.SendText("Protection Counter = ");
  std::array<uint8_t, CounterFieldWidth> counter{};
  const EepromReadOutcome counterRead = ReadCounterField(counter);
  if (counterRead == EepromReadOutcome::Silent) return StoppedSilent(result);
  if (counterRead != EepromReadOutcome::Answered) printedAsUnknown("protection counter");
  Comm.SendData(counter.data(), counter.size());
  Raster.NewLines(1);
  Raster.FormFeed();
  Comm.FlushData();
  Comm.WaitReady();

  SendHeader(SecondPageText);
  Raster.NewLines(2);
  Comm.WaitReady();
  Raster.SendText(BidItemNumber);
  for (std::string& line : Bid.PrintBidPage(true)) unread.push_back(std::move(line));
  Raster.FormFeed();
  Comm.FlushData();
  Raster.ResetPrinter();
  return result;
}
