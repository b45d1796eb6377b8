#include "app/TFormReport.h"

#include "sheet/JobSheet.h"
#include "ui_DalReport.h"

#include <QDir>

#include <filesystem>

TFormReport::TFormReport(Dialogs& dialogs) : Form(new Ui::TFormReport), Boxes(dialogs) {
  Form->setupUi(this);
  connect(Form->SaveReportBtn, &QPushButton::clicked, this, &TFormReport::SaveReportBtnClick);
  connect(Form->ReportCloseBtn, &QPushButton::clicked, this, &QDialog::accept);
}

TFormReport::~TFormReport() { delete Form; }

void TFormReport::ShowRecord(const std::string& recordPath, const std::string& pagesFolder) {
  if (recordPath.empty()) {
    Boxes.ShowMessage(DialogKind::Information, "Nothing was recorded in this visit.", DialogButtons::Ok);
    return;
  }
  std::error_code error;
  if (!std::filesystem::exists(recordPath, error)) {
    Boxes.ShowMessage(DialogKind::Information, "Nothing has been recorded for this printer yet.", DialogButtons::Ok);
    return;
  }
  Outcome<PrinterHistory> read = ReadHistory(recordPath);
  if (!read) {
    Boxes.ShowMessage(DialogKind::Error, "The service record cannot be read: " + read.Fault().Message + ".",
                      DialogButtons::Ok);
    return;
  }
  History = std::move(*read);
  PagesFolder = pagesFolder;
  const HistoryVisit* last = History->Visits.empty() ? nullptr : &History->Visits.back();
  Form->ReportPrinterLbl->setText(QString::fromStdString(
      "Printer " + (last && !last->UsbId.empty() ? last->UsbId : History->Name) + ": " +
      std::to_string(History->Visits.size()) + (History->Visits.size() == 1 ? " visit" : " visits")));
  Form->VisitList->clear();
  for (const std::string& line : HistoryLines(*History, ChosenVisits(*History, {})))
    Form->VisitList->addItem(QString::fromStdString(line));
  Form->VisitList->setCurrentRow(Form->VisitList->count() - 1);
  exec();
}

void TFormReport::SaveReportBtnClick() {
  const int row = Form->VisitList->currentRow();
  if (!History || row < 0 || row >= static_cast<int>(History->Visits.size())) return;
  const HistoryVisit& visit = History->Visits[static_cast<size_t>(row)];
  const std::string suggested = (std::filesystem::path(QDir::homePath().toStdString()) /
                                 ("service-" + History->Name + "-visit-" + std::to_string(visit.Number) + ".pdf"))
                                    .string();
  const std::string path = Boxes.ChooseFileToSave("Save the job sheet", suggested, "PDF files (*.pdf)");
  if (path.empty()) return;
  // The save dialog has asked before an existing file is replaced.
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
  const Outcome<void> written = WriteJobSheetPdf(*History, {&visit}, PagesFolder, path);
  if (!written) {
    Boxes.ShowMessage(DialogKind::Error, "The job sheet could not be saved (" + written.Fault().Message + ").",
                      DialogButtons::Ok);
    return;
  }
  Boxes.ShowMessage(DialogKind::Information, "The job sheet was saved to " + path + ".", DialogButtons::Ok);
}
