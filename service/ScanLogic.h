// Reading scanned pattern pages for the technician: which Bi-D values to write, which nozzles to clean, for any front-end.
#pragma once

#include "analysis/BidPageReader.h"
#include "analysis/NozzleCheckReader.h"
#include "service/ItemView.h"
#include "service/TPBid.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

// What a scan of the Bi-D page gave.
struct BidScan {
  // Why nothing was read (the file, the page, or the stored values); empty when the page was read.
  std::string Problem;
  BidPageReading Page;
  // The stored values the page is taken to be printed around, in table order.
  std::array<int, BidValues.size()> Stored{};
  // The value to write for each section that was read.
  std::array<std::optional<int>, BidValues.size()> Suggested{};
  bool AllRead() const;
};

class ScanLogic {
public:
  ScanLogic(ItemView& view, TPBid& bid) : View(view), Bid(bid) {}

  // The stored values as whole numbers; empty when one cannot be read.
  std::optional<std::array<int, BidValues.size()>> StoredValues();
  // Reads the scan of a Bi-D page printed around `stored`; no message yet.
  static BidScan ReadBidScan(const std::string& path, const std::array<int, BidValues.size()>& stored);
  // The same, around the values the printer holds now.
  BidScan ReadBidScan(const std::string& path);
  // Says, section by section, what the marks show and what to write.
  void ShowBidScan(const BidScan& scan);
  // Keeps in the service record what the scan showed and suggested (ShowBidScan does so itself).
  void RecordBidScan(const BidScan& scan);

  // Reads the scan of the check page's nozzle check; no message yet.
  static NozzleCheckReading ReadNozzleScan(const std::string& path);
  // Lists the missing nozzles per colour, with a head cleaning to run when any are missing.
  static void ShowNozzleScan(ItemView& view, const NozzleCheckReading& reading);

  // One line per section and per colour, as both front-ends show them.
  static std::string DescribeSection(size_t index, const BidSectionReading& section, int stored);
  static std::string DescribeColour(size_t index, const NozzleColourReading& colour);

private:
  ItemView& View;
  TPBid& Bid;
};

// The message when the stored values cannot be read.
constexpr const char* UnknownCandidatesText =
    "The stored Bi-D values cannot be read, so the candidates on the page are not known.";
constexpr const char* CleaningAdvice = "Run a head cleaning (Maintenance, Head cleaning), then print the check pattern again.";
constexpr const char* CleaningAdviceForTerminal = "Run a head cleaning (arvana-service clean), then print the check pattern again.";
