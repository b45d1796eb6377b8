// report: the printers' service records, as a history, a job sheet (HTML or PDF) or JSON; and
// one printer's record deleted after a question. The printer is not opened.
#include "cli/CommandSupport.h"
#include "cli/Commands.h"
#include "cli/StandardError.h"
#include "platform/NewFile.h"
#include "platform/ShownText.h"
#include "service/ServiceRecord.h"
#include "sheet/JobSheet.h"
#include "sheet/ServiceHistory.h"

#include <filesystem>
#include <iostream>

namespace {

// "2026-12-10": the dates the record's times begin with.
bool IsDate(const std::string& text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
  for (size_t i : {0U, 1U, 2U, 3U, 5U, 6U, 8U, 9U})
    if (text[i] < '0' || text[i] > '9') return false;
  return true;
}

// Each printer with a record: its name, how many visits, the last one's time.
int ListPrinters(const std::string& folder, bool json) {
  const std::vector<std::string> files = HistoryFiles(folder);
  std::string out = json ? "[" : "";
  for (size_t i = 0; i < files.size(); ++i) {
    const Outcome<PrinterHistory> history = ReadHistory(files[i]);
    if (!history) {
      SayError("A service record cannot be read: " + history.Fault().Message);
      continue;
    }
    const std::string last = history->Visits.empty() ? "" : history->Visits.back().Time;
    const std::string serial = history->Name.substr(history->Name.find('-') + 1);
    if (json) {
      out += std::string(i == 0 ? "\n  " : ",\n  ") + "{\"printer\": " + JsonString(serial) + ", \"record\": " +
             JsonString(history->Name) + ", \"visits\": " + std::to_string(history->Visits.size()) +
             ", \"last\": " + (last.empty() ? "null" : JsonString(last)) + "}";
    } else {
      out += serial + "  " + std::to_string(history->Visits.size()) + " visit" +
             (history->Visits.size() == 1 ? "" : "s") + (last.empty() ? "" : ", the last " + last) + "\n";
    }
  }
  if (json) out += files.empty() ? "]\n" : "\n]\n";
  if (!json && files.empty()) SayNotice("No service record in " + ShownText(folder) + ".");
  std::cout << out << std::flush;
  return ExitDone;
}

int DeleteRecord(CommandContext& context, const PrinterHistory& history) {
  const std::string question = "Delete the service record of printer " + context.Options.RecordPrinter + " (" +
                               std::to_string(history.Visits.size()) + " visits, " + history.Path +
                               ")? It cannot be brought back.";
  const DialogAnswer answer = context.Questions.ShowMessage(DialogKind::Confirmation, question, DialogButtons::YesNo);
  if (context.Questions.Refused()) return ExitUsage;
  if (answer != DialogAnswer::Yes) {
    SayNotice("The service record was kept.");
    return ExitDone;
  }
  std::error_code error;
  if (!std::filesystem::remove(history.Path, error) || error) {
    SayError("The service record could not be deleted: " + ShownText(history.Path) + ": " + error.message() + ".");
    return ExitPrinterFailure;
  }
  SayNotice("Deleted " + ShownText(history.Path) + ".");
  return ExitDone;
}

int WriteSheet(const CommandOptions& options, const PrinterHistory& history,
               const std::vector<const HistoryVisit*>& visits) {
  const std::string pagesFolder =
      options.Simulator.empty() ? "" : std::filesystem::absolute(options.Simulator).lexically_normal().string();
  if (!options.Html.empty()) {
    const Outcome<void> written = WriteNewFile(options.Html, JobSheetHtml(history, visits, pagesFolder));
    if (!written) {
      SayError("The job sheet could not be written (" + written.Fault().Message + ").");
      return ExitPrinterFailure;
    }
    SayNotice("Saved to " + ShownText(options.Html));
  }
  if (!options.Pdf.empty()) {
    const Outcome<void> written = WriteJobSheetPdf(history, visits, pagesFolder, options.Pdf);
    if (!written) {
      SayError("The job sheet could not be written (" + written.Fault().Message + ").");
      return ExitPrinterFailure;
    }
    SayNotice("Saved to " + ShownText(options.Pdf));
  }
  return ExitDone;
}

}  // namespace

int RunReport(CommandContext& context) {
  const CommandOptions& options = context.Options;
  const std::string folder = UserFolder(RecordPlace);
  if (!options.Since.empty() && !IsDate(options.Since))
    return Refuse("--since: '" + ShownText(options.Since) + "' is not a date YYYY-MM-DD; see 'arvana-service report --help'.");
  if (options.RecordPrinter.empty()) {
    if (options.Delete) return Refuse("--delete needs --printer SERIAL: one printer's record is deleted at a time.");
    if (!options.Html.empty() || !options.Pdf.empty() || options.VisitNumber != 0)
      return Refuse("--html, --pdf and --visit need --printer SERIAL; 'arvana-service report' lists the printers.");
    return ListPrinters(folder, options.Json);
  }
  const std::string path = HistoryFileFor(folder, options.RecordPrinter);
  if (path.empty())
    return Refuse("No service record of printer '" + ShownText(options.RecordPrinter) + "' in " + ShownText(folder) +
                  "; 'arvana-service report' lists the printers.");
  const Outcome<PrinterHistory> history = ReadHistory(path);
  if (!history) {
    SayError("The service record cannot be read: " + history.Fault().Message + ".");
    return ExitPrinterFailure;
  }
  if (history->UnreadableLines > 0)
    SayWarning(std::to_string(history->UnreadableLines) + " line(s) of " + ShownText(path) +
               " are no event (cut short when the disk was full?) and are left out.");
  if (options.Delete) return DeleteRecord(context, *history);
  const std::vector<const HistoryVisit*> visits = ChosenVisits(*history, {options.Since, options.VisitNumber});
  if (options.VisitNumber != 0 && visits.empty())
    return Refuse("--visit: printer " + ShownText(options.RecordPrinter) + " has " +
                  std::to_string(history->Visits.size()) + " visit(s) recorded" +
                  (options.Since.empty() ? "" : " (and --since leaves out some)") + ".");
  if (!options.Html.empty() || !options.Pdf.empty()) return WriteSheet(options, *history, visits);
  if (options.Json) {
    std::cout << HistoryJson(visits) << std::flush;
    return ExitDone;
  }
  for (const std::string& line : HistoryLines(*history, visits)) std::cout << ShownText(line) << '\n';
  std::cout << std::flush;
  return ExitDone;
}
