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
  // The technician chose an interface: the model of the printer found on it is preselected.
  void UsePortComboActivated(int row);
  void VersionClick();

protected:
  void showEvent(QShowEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  // Escape is Quit.
  void reject() override;

private:
  // Notes beside each interface row, and under the list for the chosen one, what is on it.
  void ShowWhatIsOnThePorts();
  // True when the chosen model agrees with what the printer on the chosen port says it is, or the
  // technician confirmed the choice after the warning.
  bool ModelChoiceConfirmed();

  ArvanaProgram& Program;
  Ui::TFormBoot* Form;
  QMenu* PopupMenu;
};
