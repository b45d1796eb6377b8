// The continue window shown after each visit of the adjustment window.
#pragma once

#include <QDialog>

#include <functional>

class TFormBoot;
namespace Ui {
class TFormQuit;
}

class TFormQuit : public QDialog {
  Q_OBJECT

public:
  TFormQuit();
  ~TFormQuit() override;

  // Asks "Do you continue?": Next shows the start window again, Quit closes it and so ends the program.
  void Ask(TFormBoot& boot);
  // What "Service report…" does: shows the record of the visit just ended; the question stays.
  void SetReportAction(std::function<void()> action) { ReportAction = std::move(action); }

private:
  Ui::TFormQuit* Form;
  std::function<void()> ReportAction;
};
