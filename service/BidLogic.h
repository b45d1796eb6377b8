// What "Bi-D" does: print the pattern page, show and write the six values, for any front-end.
#pragma once

#include "pattern/TPRaster.h"
#include "service/ItemView.h"
#include "service/TPBid.h"

#include <cstdint>
#include <string>
#include <vector>

// A value to be written: its index in BidValues and the typed text.
struct BidEntry {
  size_t Index;
  std::string Text;
};

class BidLogic {
public:
  BidLogic(ItemView& view, TPBid& bid, TPRaster& raster) : View(view), Bid(bid), Raster(raster) {}

  // The stored value of BidValues[index] as text ("??" when it cannot be read).
  std::string StoredText(size_t index) { return Bid.ReadBidValueText(BidValues[index].DotMode, BidValues[index].InkGroup); }
  // The three lines of "Check present adjustment data.".
  void ShowPresentData();
  // Prints the page as print `count` (1 or 2) of a sheet and returns the count of the next print.
  int32_t PrintPage(int32_t count);
  // Writes the values in table order, each with its message; a text that is
  // no value within -36..36 gets "Digit is wrong." and nothing is sent for it.
  void WriteValues(const std::vector<BidEntry>& entries);

private:
  ItemView& View;
  TPBid& Bid;
  TPRaster& Raster;
};
