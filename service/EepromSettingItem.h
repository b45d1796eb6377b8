// The items "EEPROM initial setting" and "EEPROM backup data": values for a new main board.
#pragma once

#include "link/ModelChoice.h"
#include "link/PortChoice.h"
#include "link/TPDalD4Comm.h"
#include "platform/Dialogs.h"
#include "status/AdjustFrame.h"

#include <QObject>

#include <array>
#include <optional>
#include <string>

// The cells carried from an old main board to a new one, in the order they are read and written.
constexpr std::array<uint8_t, 69> BackupSet = [] {
  std::array<uint8_t, 69> cells{};
  size_t at = 0;
  const auto add = [&](uint8_t first, uint8_t last) {
    for (int cell = first; cell <= last; ++cell) cells[at++] = static_cast<uint8_t>(cell);
  };
  add(0x0A, 0x0B);  // protection counter
  add(0x10, 0x27);  // ink counters
  add(0x2A, 0x2B);  // Bi-D marker bytes
  add(0x2E, 0x2E);  // top margin
  add(0x33, 0x39);  // six Bi-D values, first dot position
  add(0x3F, 0x4C);  // head ID
  add(0x4D, 0x5E);  // USB ID
  add(0x5F, 0x5F);  // market ID
  return cells;
}();

class EepromSettingItem : public QObject {
  Q_OBJECT

public:
  EepromSettingItem(AdjustFrame& frame, TPDalD4Comm& comm, const PortChoice& port, const ModelChoice& model,
                    Dialogs& dialogs);

public slots:
  void DefaultSetBtnClick();
  void BackupOKBtnClick();

private:
  using SavedValues = std::array<uint8_t, BackupSet.size()>;
  bool ReadBackup(SavedValues& saved);
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
};
