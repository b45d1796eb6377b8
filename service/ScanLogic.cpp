#include "service/ScanLogic.h"

#include "service/RecordKeeping.h"

#include "analysis/InkImage.h"
#include "pattern/TPRaster.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <variant>

namespace {

std::string OneDecimal(double value) {
  // Nothing between -0.05 and 0 is shown as "-0.0".
  if (std::abs(value) < 0.05) value = 0;
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

// The image of a file, or the message why there is none.
std::variant<InkImage, std::string> ImageOf(const std::string& path) {
  ScanRead read = ReadScanFile(path);
  if (auto* problem = std::get_if<std::string>(&read)) return *problem;
  return std::move(std::get<InkImage>(read));
}

}  // namespace

bool BidScan::AllRead() const {
  if (!Problem.empty()) return false;
  for (const auto& suggestion : Suggested)
    if (!suggestion) return false;
  return true;
}

std::optional<std::array<int, BidValues.size()>> ScanLogic::StoredValues() {
  std::array<int, BidValues.size()> stored{};
  for (size_t i = 0; i < BidValues.size(); ++i) {
    const std::optional<int> value = Bid.ReadBidValue(BidValues[i].DotMode, BidValues[i].InkGroup);
    if (!value) return std::nullopt;
    stored[i] = *value;
  }
  return stored;
}

BidScan ScanLogic::ReadBidScan(const std::string& path) {
  const auto stored = StoredValues();
  if (!stored) {
    BidScan scan;
    scan.Problem = UnknownCandidatesText;
    return scan;
  }
  return ReadBidScan(path, *stored);
}

BidScan ScanLogic::ReadBidScan(const std::string& path, const std::array<int, BidValues.size()>& stored) {
  BidScan scan;
  scan.Stored = stored;
  const auto image = ImageOf(path);
  if (const auto* problem = std::get_if<std::string>(&image)) {
    scan.Problem = *problem;
    return scan;
  }
  // The page prints its candidates around the stored value, kept within reach of the limits.
  std::array<int, BidValues.size()> middles{};
  for (size_t i = 0; i < stored.size(); ++i) middles[i] = TPRaster::ClampBidValue(stored[i]);
  scan.Page = ReadBidPage(std::get<InkImage>(image), middles);
  scan.Problem = scan.Page.Problem;
  if (scan.Problem.empty())
    for (size_t i = 0; i < BidValues.size(); ++i) scan.Suggested[i] = scan.Page.Sections[i].Suggestion();
  return scan;
}

void ScanLogic::ShowBidScan(const BidScan& scan) {
  if (!scan.Problem.empty()) {
    View.WriteText(wsError, scan.Problem);
    RecordBidScan(scan);
    return;
  }
  View.WriteText(wsPlain, "Read from the scan:");
  bool anyDifferent = false;
  for (size_t i = 0; i < BidValues.size(); ++i) {
    const BidSectionReading& section = scan.Page.Sections[i];
    const std::string line = DescribeSection(i, section, scan.Stored[i]);
    if (section.Read()) {
      View.WriteText(wsNewLine, line);
    } else {
      View.AddErrorText(line);
    }
    anyDifferent = anyDifferent || (scan.Suggested[i] && *scan.Suggested[i] != scan.Stored[i]);
  }
  View.WriteText(wsNewLine, anyDifferent ? "The values that differ from the stored ones are ticked; OK writes them."
                                         : "The stored values already line up: nothing to write.");
  RecordBidScan(scan);
}

void ScanLogic::RecordBidScan(const BidScan& scan) {
  RecordEvent event(RecordScanKind, false);
  event.Values().Text("item", "Bi-D page");
  if (!scan.Problem.empty()) {
    event.Values().Text("message", scan.Problem);
    KeepEvent(View, event);
    return;
  }
  std::vector<RecordObject> sections;
  for (size_t i = 0; i < BidValues.size(); ++i) {
    const BidSectionReading& section = scan.Page.Sections[i];
    RecordObject object;
    object.Text("name", BidValues[i].Name).Number("stored", scan.Stored[i]);
    object.MaybeNumber("suggestion", scan.Suggested[i] ? std::optional<int64_t>(*scan.Suggested[i]) : std::nullopt);
    if (section.Read()) {
      object.Decimal("confidence", section.Confidence);
    } else {
      object.Text("message", section.Problem);
    }
    sections.push_back(object);
  }
  event.Values().Objects("sections", sections);
  KeepEvent(View, event);
}

NozzleCheckReading ScanLogic::ReadNozzleScan(const std::string& path) {
  const auto image = ImageOf(path);
  if (const auto* problem = std::get_if<std::string>(&image)) {
    NozzleCheckReading reading;
    reading.Problem = *problem;
    return reading;
  }
  return ReadNozzleCheck(std::get<InkImage>(image));
}

void ScanLogic::ShowNozzleScan(ItemView& view, const NozzleCheckReading& reading) {
  RecordEvent event(RecordScanKind, false);
  event.Values().Text("item", "nozzle check");
  if (!reading.Problem.empty()) {
    view.WriteText(wsError, reading.Problem);
    event.Values().Text("message", reading.Problem);
    KeepEvent(view, event);
    return;
  }
  view.WriteText(wsPlain, reading.AnyMissing() ? "Missing nozzles:" : "Every nozzle printed its lines.");
  for (size_t i = 0; i < reading.Colours.size(); ++i) {
    const NozzleColourReading& colour = reading.Colours[i];
    if (!colour.Problem.empty()) {
      view.AddErrorText(DescribeColour(i, colour));
    } else if (!colour.Missing.empty()) {
      view.WriteText(wsNewLine, DescribeColour(i, colour));
    }
  }
  if (reading.AnyMissing()) view.WriteText(wsNewLine, CleaningAdvice);
  std::vector<RecordObject> colours;
  for (size_t i = 0; i < reading.Colours.size(); ++i) {
    RecordObject object;
    object.Text("name", NozzleColourNames[i]);
    if (reading.Colours[i].Problem.empty()) {
      object.Numbers("missing", reading.Colours[i].Missing);
    } else {
      object.Text("message", reading.Colours[i].Problem);
    }
    colours.push_back(object);
  }
  event.Values().Objects("colours", colours);
  KeepEvent(view, event);
}

std::string ScanLogic::DescribeSection(size_t index, const BidSectionReading& section, int stored) {
  const std::string name = BidValues[index].Name;
  if (!section.Read()) return name + ": " + section.Problem + ".";
  const int suggestion = *section.Suggestion();
  const std::string confidence = " (" + std::to_string(static_cast<int>(std::lround(section.Confidence * 100))) + " % sure)";
  if (section.Outside)
    return name + ": the marks line up beyond the printed candidates, near " + OneDecimal(*section.Estimate) +
           confidence + ". Write " + std::to_string(suggestion) + " and print the page again to check it.";
  std::string line = name + ": candidate " + std::to_string(*section.Best) + " lines up best, the marks point at " +
                     OneDecimal(*section.Estimate) + confidence + ".";
  if (suggestion == stored) return line + " Stored " + std::to_string(stored) + " is right.";
  const bool printed = std::find(section.Candidates.begin(), section.Candidates.end(), suggestion) != section.Candidates.end();
  if (printed) return line + " Write " + std::to_string(suggestion) + ".";
  // Between two candidates: nobody saw that value printed yet.
  return line + " Write " + std::to_string(suggestion) + ", between the candidates, and print the page again to check it.";
}

std::string ScanLogic::DescribeColour(size_t index, const NozzleColourReading& colour) {
  const std::string name = NozzleColourNames[index];
  if (!colour.Problem.empty()) return name + ": " + colour.Problem + ".";
  if (colour.Missing.empty()) return name + ": none missing.";
  std::string line = name + ": nozzle" + (colour.Missing.size() > 1 ? "s " : " ");
  for (size_t i = 0; i < colour.Missing.size(); ++i) line += (i > 0 ? ", " : "") + std::to_string(colour.Missing[i]);
  return line + ".";
}
