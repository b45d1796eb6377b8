// The service report of the printer of the visit: its history of visits, and the job sheet of the
// chosen visit saved as a one-page PDF the desktop can print.
#pragma once

#include "platform/Dialogs.h"
#include "sheet/ServiceHistory.h"

#include <QDialog>

#include <optional>
#include <string>

namespace Ui {
class TFormReport;
}

class TFormReport : public QDialog {
  Q_OBJECT

public:
  explicit TFormReport(Dialogs& dialogs);
  ~TFormReport() override;

  // Shows the visits kept in the record file `recordPath` (the newest chosen), with thumbnails of
  // the pages found in `pagesFolder`; a box says so when nothing is recorded there yet (or, with no
  // file named, in the visit).
  void ShowRecord(const std::string& recordPath, const std::string& pagesFolder);

private:
  void SaveReportBtnClick();

  Ui::TFormReport* Form;
  Dialogs& Boxes;
  std::optional<PrinterHistory> History;
  std::string PagesFolder;
};
