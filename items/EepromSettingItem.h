// The items "EEPROM initial setting" and "EEPROM backup data": values for a new main board.
#pragma once

#include "link/ModelChoice.h"
#include "link/PortChoice.h"
#include "link/TPDalD4Comm.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "service/BackupFile.h"
#include "items/AdjustFrame.h"

#include <QObject>

#include <array>
#include <optional>
#include <string>

class EepromSettingItem : public QObject {
  Q_OBJECT

public:
  EepromSettingItem(AdjustFrame& frame, TPDalD4Comm& comm, const PortChoice& port, const ModelChoice& model,
                    Dialogs& dialogs, Clock& clock);

public slots:
  void DefaultSetBtnClick();
  void BackupOKBtnClick();
  // "Restore from file…": writes the values of a saved backup file into this printer.
  void BackupFileBtnClick();

private:
  using SavedValues = BackupValues;
  bool ReadBackup(SavedValues& saved);
  // Asks whether to write the file's values, showing its header and the cells that would change.
  bool TechnicianConfirmsRestore(const BackupContents& contents);
  // Writes the saved values and reads them back. Nothing when the board holds
  // them all; otherwise the text for the message area (empty when a write got no answer).
  std::optional<std::string> WriteBackup(const SavedValues& saved);
  // Opens the port and the link again after the board change; false when the printer does not answer.
  bool StartLinkAgain();
  bool TechnicianGivesUpValues();
  void EndItem();

  AdjustFrame& Frame;
  TPDalD4Comm& Comm;
  const PortChoice& Port;
  const ModelChoice& Model;
  Dialogs& Boxes;
  Clock& Time;
};
