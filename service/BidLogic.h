// What "Bi-D" does: print the pattern page, show and write the six values, for any front-end.
#pragma once

#include "pattern/TPRaster.h"
#include "service/ItemView.h"
#include "service/TPBid.h"
#include "service/WriteGuard.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A value to be written: its index in BidValues and the typed text.
struct BidEntry {
  size_t Index;
  std::string Text;
};

class BidLogic {
public:
  BidLogic(ItemView& view, TPBid& bid, TPRaster& raster, ConfirmedWrites& confirm, WriteGuard& guard)
      : View(view), Bid(bid), Raster(raster), Confirm(confirm), Guard(guard) {}

  // The six stored values, MS Black first; nothing for one that cannot be read.
  std::array<std::optional<int>, BidValues.size()> StoredValues();
  // A stored value as the window shows it ("??" when it could not be read).
  static std::string ValueText(const std::optional<int>& value);
  // A red line for each stored value outside -36..36; true when there was one.
  bool ReportOutOfRange(const std::array<std::optional<int>, BidValues.size()>& values);
  // The three lines of "Check present adjustment data.".
  void ShowPresentData();
  // Prints the page as print `count` (1 or 2) of a sheet and returns the count of the next print.
  int32_t PrintPage(int32_t count);
  // Writes the values in table order, each with its message; a text that is
  // no value within -36..36 gets "Digit is wrong." and nothing is sent for it.
  void WriteValues(const std::vector<BidEntry>& entries);
  // The value a typed text stands for, within -36..36; nothing for any other text (WrongDigitText).
  // The one check of both front-ends.
  static std::optional<int> CheckValue(const std::string& text);
  static constexpr const char* WrongDigitText = "Digit is wrong.";

private:
  // One value and its markers under a note; nothing when a stop ended it (and said so).
  // `cells` and `end` tell the record how it went.
  std::optional<BidWrite> WriteValue(const BidValue& value, int number, const std::string& text, std::string& problem,
                                     size_t& written, size_t total, bool firstMessage, std::vector<NoteCell>& cells,
                                     WriteEnd& end);

  ItemView& View;
  TPBid& Bid;
  TPRaster& Raster;
  ConfirmedWrites& Confirm;
  WriteGuard& Guard;
};
