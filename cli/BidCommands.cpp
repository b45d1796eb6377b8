// The Bi-D commands: the values shown and written by name or from a scan of their page, and
// the reading of scanned pages (the Bi-D page and the nozzle check).
#include "cli/Commands.h"

#include "cli/CommandSupport.h"
#include "cli/StandardError.h"
#include "cli/JsonWriter.h"
#include "service/ScanLogic.h"

#include <cmath>
#include <iostream>

namespace {

// Offsets to a hundredth of a dot, estimates to a tenth: the reader is no finer.
constexpr double OffsetStep = 0.01;
constexpr double EstimateStep = 0.1;
constexpr double ConfidenceSteps = 100;  // hundredths

JsonValue RoundedOrNull(const std::optional<double>& value, double step) {
  if (!value) return JsonValue::Null();
  return JsonValue::Real(std::round(*value / step) * step);
}

JsonValue IntegerOrNull(const std::optional<int>& value) {
  return value ? JsonValue::Integer(*value) : JsonValue::Null();
}

JsonValue BidSectionJson(size_t index, const BidSectionReading& section) {
  JsonValue offsets = JsonValue::Array();
  for (const auto& offset : section.OffsetDots) offsets.Append(RoundedOrNull(offset, OffsetStep));
  JsonValue entry = JsonValue::Object();
  entry.Set("name", JsonValue::Text(BidSectionNames[index]));
  entry.Set("candidates", JsonValue::Integers(section.Candidates));
  entry.Set("offsets", std::move(offsets));
  entry.Set("best", IntegerOrNull(section.Best));
  entry.Set("estimate", section.Read() ? RoundedOrNull(section.Estimate, EstimateStep) : JsonValue::Null());
  entry.Set("confidence", JsonValue::Real(std::round(section.Confidence * ConfidenceSteps) / ConfidenceSteps));
  entry.Set("outside", JsonValue::Bool(section.Outside));
  entry.Set("suggestion", IntegerOrNull(section.Suggestion()));
  if (!section.Problem.empty()) entry.Set("problem", JsonValue::Text(section.Problem));
  return entry;
}

void PrintBidJson(const BidPageReading& page) {
  JsonValue sections = JsonValue::Array();
  for (size_t i = 0; i < page.Sections.size(); ++i) sections.Append(BidSectionJson(i, page.Sections[i]));
  JsonValue out = JsonValue::Object();
  out.Set("sections", std::move(sections));
  std::cout << out.Layout() << std::endl;
}

void PrintNozzleJson(const NozzleCheckReading& reading) {
  JsonValue colours = JsonValue::Array();
  for (size_t i = 0; i < reading.Colours.size(); ++i) {
    // A colour that could not be read has no list: null, never an empty one that reads as "none missing".
    const bool read = reading.Colours[i].Problem.empty();
    JsonValue entry = JsonValue::Object();
    entry.Set("name", JsonValue::Text(NozzleColourNames[i]));
    entry.Set("missing", read ? JsonValue::Integers(reading.Colours[i].Missing) : JsonValue::Null());
    if (!read) entry.Set("problem", JsonValue::Text(reading.Colours[i].Problem));
    colours.Append(std::move(entry));
  }
  JsonValue out = JsonValue::Object();
  out.Set("colours", std::move(colours));
  std::cout << out.Layout() << std::endl;
}

// The scan's verdict as an exit status: every section read, some not, or no page at all.
int ScanOutcome(bool allRead) { return allRead ? ExitDone : ExitPrinterFailure; }

// A page read around the stored values needs them from the printer.
int StoredValuesUnknown(const BidScan& scan) {
  SayError(scan.Problem);
  return ExitPrinterFailure;
}

int AnalyseBid(CommandContext& context) {
  const CommandOptions& options = context.Options;
  BidScan scan;
  if (!options.Values.empty()) {
    const auto stored = ParseSixValues(options.Values);
    if (!stored)
      return Refuse("--values takes six whole numbers within " + std::to_string(BidLowest) + ".." +
                    std::to_string(BidHighest) + ", " + BidValuesOrderText() + ".");
    scan = ScanLogic::ReadBidScan(options.File, *stored);
  } else {
    scan = ScanLogic(context.Session.View, context.Session.Bid).ReadBidScan(options.File);
    if (scan.Problem == UnknownCandidatesText) return StoredValuesUnknown(scan);
  }
  if (!scan.Problem.empty()) return Refuse(scan.Problem);
  if (options.Json) {
    PrintBidJson(scan.Page);
  } else {
    for (size_t i = 0; i < scan.Page.Sections.size(); ++i)
      std::cout << ScanLogic::DescribeSection(i, scan.Page.Sections[i], scan.Stored[i]) << '\n';
    std::cout << std::flush;
  }
  return ScanOutcome(scan.AllRead());
}

int AnalyseNozzles(CommandContext& context) {
  const NozzleCheckReading reading = ScanLogic::ReadNozzleScan(context.Options.File);
  if (!reading.Problem.empty()) return Refuse(reading.Problem);
  bool allRead = true;
  for (const NozzleColourReading& colour : reading.Colours) allRead = allRead && colour.Problem.empty();
  if (context.Options.Json) {
    PrintNozzleJson(reading);
  } else {
    for (size_t i = 0; i < reading.Colours.size(); ++i) std::cout << ScanLogic::DescribeColour(i, reading.Colours[i]) << '\n';
    if (reading.AnyMissing()) std::cout << CleaningAdviceForTerminal << '\n';
    std::cout << std::flush;
  }
  return ScanOutcome(allRead);
}

// Writes what a scan of the Bi-D page suggests, once the technician agrees.
int WriteFromScan(CommandContext& context, BidLogic& logic, const std::string& image) {
  ServiceSession& session = context.Session;
  ScanLogic scans(session.View, session.Bid);
  const BidScan scan = scans.ReadBidScan(image);
  scans.RecordBidScan(scan);
  if (scan.Problem == UnknownCandidatesText) return StoredValuesUnknown(scan);
  if (!scan.Problem.empty()) return Refuse(scan.Problem + " Nothing was written to the printer.");
  std::vector<BidEntry> entries;
  std::string list;
  for (size_t i = 0; i < BidValues.size(); ++i) {
    std::cout << ScanLogic::DescribeSection(i, scan.Page.Sections[i], scan.Stored[i]) << '\n';
    if (!scan.Suggested[i] || *scan.Suggested[i] == scan.Stored[i]) continue;
    entries.push_back({i, std::to_string(*scan.Suggested[i])});
    list += (list.empty() ? "" : ", ") + std::string(BidValues[i].Name) + " = " + entries.back().Text;
  }
  std::cout << std::flush;
  if (entries.empty()) {
    SayNotice("Nothing to write: the stored values already line up.");
    return ScanOutcome(scan.AllRead());
  }
  const DialogAnswer answer =
      context.Questions.ShowMessage(DialogKind::Confirmation, "Write " + list + " into the printer?", DialogButtons::OkCancel);
  if (context.Questions.Refused()) return ExitUsage;
  if (answer != DialogAnswer::Ok) {
    SayNotice("Nothing was written to the printer.");
    return ExitDone;
  }
  logic.WriteValues(entries);
  session.View.Flush();
  const int outcome = WriteOutcome(session.View);
  return outcome == ExitDone ? ScanOutcome(scan.AllRead()) : outcome;
}

int ShowBidValues(ServiceSession& session, BidLogic& logic) {
  const auto stored = logic.StoredValues();
  bool allRead = true;
  for (size_t i = 0; i < BidValues.size(); ++i) {
    allRead = allRead && stored[i].has_value();
    std::cout << BidValues[i].ArgumentName << " = " << BidLogic::ValueText(stored[i]) << '\n';
  }
  std::cout << std::flush;
  const bool outOfRange = logic.ReportOutOfRange(stored);
  session.View.Flush();
  return allRead && !outOfRange ? ExitDone : ExitPrinterFailure;
}

}  // namespace

int RunAnalyse(CommandContext& context) {
  return context.Options.What == "bid" ? AnalyseBid(context) : AnalyseNozzles(context);
}

int RunBid(CommandContext& context) {
  ServiceSession& session = context.Session;
  const CommandOptions& options = context.Options;
  BidLogic logic(session.View, session.Bid, session.Raster, session.Confirm, session.Guard);
  if (!options.FromScan.empty()) {
    if (!options.Writes.empty()) return Refuse("--from-scan and --write cannot be given together.");
    return WriteFromScan(context, logic, options.FromScan);
  }
  if (options.Writes.empty()) return ShowBidValues(session, logic);
  std::string problem;
  const std::optional<std::vector<BidEntry>> entries = ParseBidWrites(options.Writes, problem);
  if (!entries) return Refuse(problem);
  logic.WriteValues(*entries);
  session.View.Flush();
  return WriteOutcome(session.View);
}
