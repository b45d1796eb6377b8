// Service record files as a disk may hold them (cut short, edited by hand): every line is an event
// of a visit or counted as unreadable, and the job sheet made of them stays well-formed.
#include "fuzz/FuzzSupport.h"
#include "sheet/JobSheet.h"
#include "sheet/ServiceHistory.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const PrinterHistory history = ParseHistory(text, "usb-FUZZ");
  for (size_t i = 0; i < history.Visits.size(); ++i) {
    FUZZ_CHECK(history.Visits[i].Number == static_cast<int>(i) + 1);
    FUZZ_CHECK(!history.Visits[i].EventLines.empty());
  }
  const std::vector<const HistoryVisit*> visits = ChosenVisits(history, {});
  FUZZ_CHECK(visits.size() == history.Visits.size());
  const std::string html = JobSheetHtml(history, visits, "");
  // Whatever the record says stays text: one visit's page per visit, no element of the record's making.
  size_t pages = 0;
  for (size_t at = html.find("<div class=\"visit\">"); at != std::string::npos; at = html.find("<div class=\"visit\">", at + 1))
    ++pages;
  FUZZ_CHECK(pages == visits.size());
  FUZZ_CHECK(html.find("<script") == std::string::npos);
  FUZZ_CHECK(HistoryLines(history, visits).size() == visits.size());
  return 0;
}
