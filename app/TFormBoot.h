// The start window: the choice of model and interface, and the link start-up on OK.
#pragma once

#include "link/ModelChoice.h"

#include <QDialog>

#include <cstdint>

class ArvanaProgram;
class QMenu;
namespace Ui {
class TFormBoot;
}

class TFormBoot : public QDialog {
  Q_OBJECT

public:
  explicit TFormBoot(ArvanaProgram& program);
  ~TFormBoot() override;

  // The PortIndex of the chosen interface row, -1 without a choice.
  int16_t GetPortIndex() const;
  // 0x301 or 0x302 for the chosen model, 0 without a choice.
  uint16_t SelectedModelCode() const;

public slots:
  void PortSelectOKBtnClick();
  void ProEndBtnClick();
  void SetUsePortName();
  void VersionClick();

protected:
  void showEvent(QShowEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  // Escape is Quit.
  void reject() override;

private:
  ArvanaProgram& Program;
  Ui::TFormBoot* Form;
  QMenu* PopupMenu;
};
