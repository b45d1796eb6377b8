// The version window, called up from the start window's pop-up menu.
#pragma once

#include <QDialog>

namespace Ui {
class TAboutBox;
}

class TAboutBox : public QDialog {
  Q_OBJECT

public:
  TAboutBox();
  ~TAboutBox() override;

private:
  Ui::TAboutBox* Form;
};
