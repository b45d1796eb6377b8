// The continue window shown after each visit of the adjustment window.
#pragma once

#include <QDialog>

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

private:
  Ui::TFormQuit* Form;
};
