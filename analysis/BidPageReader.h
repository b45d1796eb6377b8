// Reading a scanned Bi-D pattern page: which candidate of each section lines up, and where the true value lies.
#pragma once

#include "analysis/InkImage.h"
#include "analysis/ScanFrame.h"
#include "eeprom/BidValues.h"

#include <array>
#include <optional>
#include <string>

// The page's sections, top to bottom, as their titles name them: the Bi-D values in their order.
constexpr std::array<const char*, BidValues.size()> BidSectionNames = [] {
  std::array<const char*, BidValues.size()> names{};
  for (size_t i = 0; i < BidValues.size(); ++i) names[i] = BidValues[i].Name;
  return names;
}();
// A right-to-left mark stands this many dots (1/360 inch) to the right of the
// ruler for each step its candidate lies below the head's true value.
constexpr double BidDotsPerStep = 3;
// Below this confidence a section counts as not read.
constexpr double BidLeastConfidence = 0.5;

struct BidSectionReading {
  std::array<int, BidCandidateCount> Candidates{};
  // How far each candidate's right-to-left marks stand right of the ruler, in
  // dots; empty where the slot could not be measured.
  std::array<std::optional<double>, BidCandidateCount> OffsetDots{};
  // Where each slot lies in the scan, to mark it.
  std::array<ScanBox, BidCandidateCount> Slots{};
  // The candidate that lines up best; empty when the section cannot be read or
  // the true value lies outside the candidates.
  std::optional<int> Best;
  // The true value the marks point at, between candidates too.
  std::optional<double> Estimate;
  double Confidence = 0;
  // The true value lies beyond the first or last candidate: the page must be
  // printed again around it.
  bool Outside = false;
  // Why the section cannot be read; empty when it was read.
  std::string Problem;

  bool Read() const { return Problem.empty() && Estimate.has_value(); }
  // The value to write: the estimate, whole, within BidLowest..BidHighest.
  std::optional<int> Suggestion() const;
};

struct BidPageReading {
  // Why nothing could be read from the page; empty when the sections were found.
  std::string Problem;
  std::array<BidSectionReading, BidSectionNames.size()> Sections{};
  double SkewDegrees = 0;
  // Quarter turns clockwise that stood the page upright (after the skew).
  int QuarterTurns = 0;
  // Scan pixels per inch found from the marks.
  double PixelsPerInch = 0;
};

// Said of a page whose orientation cannot be told: it is never read as upright.
constexpr const char* PageOrientationUnknownText = "The page's orientation cannot be told: scan it upright.";

// Reads the page; `middles` are the middle candidates the sections were
// printed around, in page order.
BidPageReading ReadBidPage(const InkImage& scan, const std::array<int, BidSectionNames.size()>& middles);
