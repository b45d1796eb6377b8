// The panels of "EEPROM initial setting" and "EEPROM backup data".
#pragma once

#include "items/AdjustFrame.h"
#include "service/EepromSettingLogic.h"

#include <QObject>

class EepromSettingItem : public QObject {
  Q_OBJECT

public:
  EepromSettingItem(AdjustFrame& frame, TPDalD4Comm& comm, const PortChoice& port, const ModelChoice& model,
                    Dialogs& dialogs, Clock& clock, WriteGuard& guard);

public slots:
  void DefaultSetBtnClick() { Logic.WriteInitialSetting(); }
  void BackupOKBtnClick() { Logic.RunBackup(); }
  // "Restore from file…": writes the values of a saved backup file into this printer.
  void BackupFileBtnClick() { Logic.RestoreFromFile(); }

private:
  EepromSettingLogic Logic;
};
