#include "sheet/JobSheet.h"

#include "platform/ShownText.h"

#include <QBuffer>
#include <QByteArray>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextDocument>

#include <filesystem>
#include <memory>

namespace {

// The width a page thumbnail is drawn at on the sheet, in pixels of the sheet's layout.
constexpr int ThumbnailWidth = 150;
// The A4 sheet's layout width in CSS pixels, the PDF's page drawn at its resolution.
constexpr double SheetLayoutWidth = 700;
constexpr int PdfResolution = 300;
constexpr int PageMarginMm = 15;

std::string Escaped(const std::string& text) {
  std::string escaped;
  for (const char c : text) {
    switch (c) {
      case '&': escaped += "&amp;"; break;
      case '<': escaped += "&lt;"; break;
      case '>': escaped += "&gt;"; break;
      case '"': escaped += "&quot;"; break;
      case '\n': escaped += "<br/>"; break;
      default: escaped += c;
    }
  }
  return escaped;
}

std::string Cell(const std::string& text, const char* tag = "td") {
  return std::string("<") + tag + ">" + Escaped(text) + "</" + tag + ">";
}

std::string Table(const char* title, const std::vector<SheetRow>& rows, bool beforeAfter) {
  if (rows.empty()) return {};
  std::string html = std::string("<h3>") + title + "</h3>\n<table class=\"rows\" width=\"100%\">\n<tr>" + Cell("Item", "th");
  html += beforeAfter ? Cell("Before", "th") + Cell("After", "th") : Cell("Result", "th");
  html += Cell("Note", "th") + "</tr>\n";
  for (const SheetRow& row : rows) {
    html += row.Failed ? "<tr class=\"failed\">" : "<tr>";
    html += Cell(row.Item);
    html += beforeAfter ? Cell(row.Before.empty() ? "" : row.Before) + Cell(row.After) : Cell(row.After);
    html += Cell(row.Note) + "</tr>\n";
  }
  return html + "</table>\n";
}

// A small PNG of a page the virtual printer printed, as a data URL; empty when it cannot be read.
std::string Thumbnail(const std::string& pagesFolder, const std::string& page) {
  if (pagesFolder.empty()) return {};
  const std::filesystem::path file = std::filesystem::path(pagesFolder) / page;
  // Only the record's own names ("pages/NNNN.png") lead to a file: nothing outside the folder.
  if (page.find("..") != std::string::npos || page.empty() || page.front() == '/') return {};
  QImage image(QString::fromStdString(file.string()));
  if (image.isNull()) return {};
  const QImage small = image.scaledToWidth(ThumbnailWidth, Qt::SmoothTransformation);
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  small.save(&buffer, "PNG");
  return "data:image/png;base64," + png.toBase64().toStdString();
}

std::string VisitPage(const PrinterHistory& history, const HistoryVisit& visit, const std::string& pagesFolder) {
  std::string when = visit.Time.substr(0, 16);
  if (when.size() > 10) when[10] = ' ';
  std::string html = "<div class=\"visit\">\n<h2>Service job sheet</h2>\n<p>Visit " + std::to_string(visit.Number) +
                     " of this printer, " + Escaped(when) + "</p>\n<table class=\"identity\">\n";
  const auto line = [&html](const char* name, const std::string& value) {
    html += "<tr>" + Cell(name, "th") + Cell(value.empty() ? "not known" : value) + "</tr>\n";
  };
  line("Printer", visit.Model);
  line("USB ID (serial)", visit.UsbId);
  line("Head ID", visit.HeadId);
  line("Port", visit.Port);
  line("Done with", visit.Program + ", " + visit.FrontEnd);
  line("Record", history.Name);
  html += "</table>\n";
  html += Table("Adjustments", visit.Adjustments, true);
  html += Table("Maintenance and protection counter", visit.Maintenance, true);
  html += Table("Checks, pages and readings", visit.Checks, false);
  html += Table("Refused input and failed writes", visit.Refused, false);
  if (visit.Adjustments.empty() && visit.Maintenance.empty() && visit.Checks.empty() && visit.Refused.empty())
    html += "<p>Nothing was done to the printer in this visit.</p>\n";
  std::string thumbnails;
  for (const std::string& page : visit.Pages) {
    const std::string data = Thumbnail(pagesFolder, page);
    if (!data.empty())
      thumbnails += "<img src=\"" + data + "\" width=\"" + std::to_string(ThumbnailWidth) + "\" alt=\"" + Escaped(page) + "\"/> ";
  }
  if (!thumbnails.empty()) html += "<h3>Pages printed</h3>\n<p>" + thumbnails + "</p>\n";
  html += "<p class=\"sign\">Technician: ____________________ &#160;&#160; Date: ____________</p>\n</div>\n";
  return html;
}

const char* const SheetStyle =
    "body { font-family: 'DejaVu Sans', sans-serif; font-size: 10pt; }\n"
    "h2 { font-size: 15pt; margin-bottom: 4px; }\n"
    "h3 { font-size: 11pt; margin-top: 10px; margin-bottom: 3px; }\n"
    "table { border-collapse: collapse; }\n"
    "table.rows { width: 100%; }\n"
    "table.rows th, table.rows td { border: 1px solid #888888; padding: 2px 5px; }\n"
    "table.identity th { text-align: left; padding-right: 12px; }\n"
    "tr.failed td { color: #b00000; }\n"
    "p.sign { margin-top: 24px; }\n"
    "div.visit { page-break-after: always; }\n";

std::string Document(const std::string& title, const std::string& body) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\">\n"
         "<head>\n<meta charset=\"UTF-8\"/>\n<title>" + Escaped(title) + "</title>\n<style>\n" + SheetStyle +
         "</style>\n</head>\n<body>\n" + body + "</body>\n</html>\n";
}

// Qt's own notes (a runtime folder it did not find) are not the command line's to print: its
// standard error has only lines of its own.
void QuietQt(QtMsgType, const QMessageLogContext&, const QString&) {}

// The sheet's PDF needs fonts, which Qt has only with a GUI application: the command line makes
// one for the while, without a display, and keeps Qt's notes of it to itself.
class GuiForFonts {
public:
  GuiForFonts() {
    if (QGuiApplication::instance() != nullptr) return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    Previous = qInstallMessageHandler(QuietQt);
    static int argc = 1;
    static char name[] = "arvana-service";
    static char* argv[] = {name, nullptr};
    App = std::make_unique<QGuiApplication>(argc, argv);
  }
  ~GuiForFonts() {
    if (!App) return;
    App.reset();
    qInstallMessageHandler(Previous);
  }
  GuiForFonts(const GuiForFonts&) = delete;
  GuiForFonts& operator=(const GuiForFonts&) = delete;

private:
  std::unique_ptr<QGuiApplication> App;
  QtMessageHandler Previous = nullptr;
};

}  // namespace

std::string JobSheetHtml(const PrinterHistory& history, const std::vector<const HistoryVisit*>& visits,
                         const std::string& pagesFolder) {
  std::string body;
  for (const HistoryVisit* visit : visits) body += VisitPage(history, *visit, pagesFolder);
  if (visits.empty()) body = "<p>No visit recorded.</p>\n";
  return Document("Service record " + history.Name, body);
}

Outcome<void> WriteJobSheetPdf(const PrinterHistory& history, const std::vector<const HistoryVisit*>& visits,
                               const std::string& pagesFolder, const std::string& path) {
  std::error_code error;
  if (std::filesystem::symlink_status(path, error).type() != std::filesystem::file_type::not_found)
    return Failure{FailureKind::Unsuitable, ShownText(path) + ": exists already"};
  const GuiForFonts gui;
  QPdfWriter writer(QString::fromStdString(path));
  writer.setPageSize(QPageSize(QPageSize::A4));
  writer.setPageMargins(QMarginsF(PageMarginMm, PageMarginMm, PageMarginMm, PageMarginMm), QPageLayout::Millimeter);
  writer.setResolution(PdfResolution);
  writer.setTitle(QString::fromStdString("Service record " + history.Name));
  writer.setCreator("arvana-adjust");
  QPainter painter;
  if (!painter.begin(&writer)) return Failure{FailureKind::Failed, ShownText(path) + ": cannot be written"};
  const QRect area = writer.pageLayout().paintRectPixels(writer.resolution());
  const double scale = area.width() / SheetLayoutWidth;
  for (size_t i = 0; i < visits.size(); ++i) {
    if (i > 0) writer.newPage();
    QTextDocument page;
    page.setDefaultStyleSheet(SheetStyle);
    page.setHtml(QString::fromStdString(VisitPage(history, *visits[i], pagesFolder)));
    page.setTextWidth(SheetLayoutWidth);
    painter.save();
    // One visit, one page: a long visit is drawn smaller rather than cut.
    const double fit = std::min(scale, area.height() / page.size().height());
    painter.scale(fit, fit);
    page.drawContents(&painter);
    painter.restore();
  }
  if (visits.empty()) painter.drawText(area, Qt::AlignTop | Qt::AlignLeft, "No visit recorded.");
  if (!painter.end()) return Failure{FailureKind::Failed, ShownText(path) + ": cannot be written"};
  if (!std::filesystem::exists(path, error) || std::filesystem::file_size(path, error) == 0)
    return Failure{FailureKind::Failed, ShownText(path) + ": cannot be written"};
  return {};
}
