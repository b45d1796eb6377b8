// The six bi-directional alignment values: reading and writing them, and printing the page they are judged on.
#pragma once

#include "eeprom/BidValues.h"
#include "eeprom/EepromMap.h"
#include "link/TPDalD4Comm.h"
#include "link/TPFactory.h"
#include "pattern/TPRaster.h"
#include "service/ConfirmedWrites.h"
#include "service/WriteGuard.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What a text that is no decimal integer counts as: outside BidLowest..BidHighest.
constexpr int BidNotANumber = 70;
static_assert(BidNotANumber > BidHighest);

// What became of one value to be written.
enum class BidWrite : uint8_t {
  Written,     // sent and read back as sent
  WrongDigit,  // not a value within -36..36: nothing sent
  NotHeld,     // sent, but the printer does not hold it
};

// Shown for a stored value that could not be read.
constexpr const char* UnreadBidValueText = "??";

class TPBid : private BidTrialWatch {
public:
  TPBid(TPDalD4Comm& comm, TPFactory& factory, TPRaster& raster) : Comm(comm), Factory(factory), Raster(raster) {}
  ~TPBid() override;
  TPBid(const TPBid&) = delete;
  TPBid& operator=(const TPBid&) = delete;

  // From now on the page notes each value under `guard` before it tries the first candidate, so
  // that a stop puts the stored value back, and a killed program leaves it to be written again.
  void GuardTrials(WriteGuard& guard);

  // The stored value as signed decimal text; empty for a pair that names no
  // value, UnreadBidValueText when the cell could not be read.
  std::string ReadBidValueText(int dotMode, int inkGroup);
  // The stored value as a number; empty when the cell cannot be read or the pair names no value.
  std::optional<int> ReadBidValue(int dotMode, int inkGroup);
  // WrongDigit, with nothing sent, when the text is no value within BidLowest..BidHighest
  // or the pair names no value. After sending, the value and the two marker
  // cells are read back; NotHeld (and the differences in `problem`) when the printer does not hold them.
  BidWrite WriteBidValue(int dotMode, int inkGroup, std::string_view text, std::string* problem = nullptr);
  // The cells a write of `number` stores, in the order they are sent: the value's own, then the two markers.
  static std::array<EepromCell, 3> BidCells(const BidValue& value, int number);
  // Sends one of them: the value's own cell as the printer's Bi-D setting, a marker as an EEPROM write.
  void SendBidCell(const BidValue& value, const EepromCell& cell);
  // The pattern page of all six values; `indent` for the check page's
  // section. A line for each value whose section carries no candidates (it could not be read, or
  // its note could not be saved; the printer keeps it untouched); empty when all were tried.
  std::vector<std::string> PrintBidPage(bool indent);
  // The patterns of that page: a section for each Bi-D value.
  static constexpr size_t PatternsOnPage = BidValues.size();
  // What the technician is told of a section whose value could not be read.
  static std::string UnreadSectionText(const std::string& name);

  // The integer a typed text stands for: an optional sign and decimal digits, else BidNotANumber.
  static int ParseBidValue(std::string_view text);

private:
  bool BeforeTrials(const BidValue& value, uint8_t stored) override;
  void AfterTrials(const BidValue& value) override;

  TPDalD4Comm& Comm;
  TPFactory& Factory;
  TPRaster& Raster;
  WriteGuard* Guard = nullptr;
  std::string TrialProblem;  // why the section under way was not tried; empty when it was
};
