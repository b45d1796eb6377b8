// The job sheet of a printer's visits: one A4 page per visit, with the printer's identity, each
// adjustment as before -> after, the counter, the maintenance, the nozzle check and the Bi-D
// readings, and a thumbnail of each page the virtual printer printed. No Qt in this header.
#pragma once

#include "platform/Outcome.h"
#include "sheet/ServiceHistory.h"

#include <string>
#include <vector>

// The sheet as an XHTML document (well-formed XML), one page a visit. `pagesFolder` is the virtual
// printer's folder the record's page files are found in; empty leaves out the thumbnails.
std::string JobSheetHtml(const PrinterHistory& history, const std::vector<const HistoryVisit*>& visits,
                         const std::string& pagesFolder);
// The sheet as a PDF of one A4 page a visit, written to `path` (never over an existing file).
// Fails with the path and reason.
Outcome<void> WriteJobSheetPdf(const PrinterHistory& history, const std::vector<const HistoryVisit*>& visits,
                               const std::string& pagesFolder, const std::string& path);
