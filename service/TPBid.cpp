// Reading, writing and printing the Bi-D values.
#include "service/TPBid.h"

#include "service/PlainInteger.h"

int TPBid::ParseBidValue(std::string_view text) { return ParsePlainInteger(text).value_or(BidNotANumber); }

std::string TPBid::ReadBidValueText(int dotMode, int inkGroup) {
  if (FindBidValue(dotMode, inkGroup) == nullptr) return {};
  const std::optional<int> stored = ReadBidValue(dotMode, inkGroup);
  return stored ? std::to_string(*stored) : UnreadBidValueText;
}

std::optional<int> TPBid::ReadBidValue(int dotMode, int inkGroup) {
  const BidValue* value = FindBidValue(dotMode, inkGroup);
  if (value == nullptr) return std::nullopt;
  const std::optional<uint8_t> stored = Comm.ControlReadEeprom(value->Address).Answer();
  if (!stored) return std::nullopt;
  return static_cast<int8_t>(*stored);
}

std::array<EepromCell, 3> TPBid::BidCells(const BidValue& value, int number) {
  return {{{value.Address, static_cast<uint8_t>(number & 0xFF)},
           {BidMarkerCellFirst, BidMarkerValue},
           {BidMarkerCellSecond, BidMarkerValue}}};
}

void TPBid::SendBidCell(const BidValue& value, const EepromCell& cell) {
  if (cell.Address == value.Address) {
    Factory.SetBidValue(value.DotMode, value.InkGroup, static_cast<int8_t>(cell.Value));
  } else {
    Factory.WriteEeprom(cell.Address, cell.Value);
  }
}

BidWrite TPBid::WriteBidValue(int dotMode, int inkGroup, std::string_view text, std::string* problem) {
  const BidValue* value = FindBidValue(dotMode, inkGroup);
  const int number = ParseBidValue(text);
  if (value == nullptr || number < BidLowest || number > BidHighest) return BidWrite::WrongDigit;
  const std::array<EepromCell, 3> written = BidCells(*value, number);
  for (const EepromCell& cell : written) SendBidCell(*value, cell);
  std::optional<std::string> difference = ConfirmedWrites(Comm).Confirm(written);
  if (!difference) return BidWrite::Written;
  if (problem != nullptr) *problem = std::move(*difference);
  return BidWrite::NotHeld;
}

TPBid::~TPBid() {
  if (Guard != nullptr) Raster.SetBidTrialWatch(nullptr);
}

void TPBid::GuardTrials(WriteGuard& guard) {
  Guard = &guard;
  Raster.SetBidTrialWatch(this);
}

bool TPBid::BeforeTrials(const BidValue& value, uint8_t stored) {
  return Guard->BeginTrial("Bi-D page (" + std::string(value.Name) + ")", {{value.Address, stored, std::nullopt}},
                           TrialProblem);
}

void TPBid::AfterTrials(const BidValue&) { Guard->EndTrial(); }

std::vector<std::string> TPBid::PrintBidPage(bool indent) {
  std::vector<std::string> untried;
  Raster.ResetPrinter();
  Comm.WaitReady();
  Raster.SendText(indent ? "   Bi-D check pattern" : "Bi-D check pattern");
  Raster.NewLines(1);
  for (const BidValue& value : BidValues) {
    TrialProblem.clear();
    if (!Raster.PrintBidPattern(value.DotMode, value.InkGroup))
      untried.push_back(TrialProblem.empty() ? UnreadSectionText(value.Name)
                                             : "The " + std::string(value.Name) + " value was not tried: " + TrialProblem +
                                                   "; its section has no candidates and the value was left as stored.");
    Comm.WaitReady();
  }
  Raster.FormFeed();
  Comm.FlushData();
  Raster.ResetPrinter();
  return untried;
}

std::string TPBid::UnreadSectionText(const std::string& name) {
  return "The " + name + " value could not be read: its section has no candidates and the value was left as stored.";
}
