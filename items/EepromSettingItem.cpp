#include "items/EepromSettingItem.h"

#include "ui_DalAdjust.h"

EepromSettingItem::EepromSettingItem(AdjustFrame& frame, TPDalD4Comm& comm, const PortChoice& port,
                                     const ModelChoice& model, Dialogs& dialogs, Clock& clock, WriteGuard& guard)
    : Logic(frame, comm, port, model, dialogs, clock, guard) {
  Ui::TFormAdjust& ui = frame.Controls();
  connect(ui.DefaultSetBtn, &QPushButton::clicked, this, &EepromSettingItem::DefaultSetBtnClick);
  connect(ui.BackupOKBtn, &QPushButton::clicked, this, &EepromSettingItem::BackupOKBtnClick);
  connect(ui.BackupFileBtn, &QPushButton::clicked, this, &EepromSettingItem::BackupFileBtnClick);
}
