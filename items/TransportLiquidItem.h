// The item "Refurbishment for DOA": the transport liquid exchange that prepares a printer for return.
#pragma once

#include "link/TPFactory.h"
#include "platform/Clock.h"
#include "service/ConfirmedWrites.h"
#include "items/AdjustFrame.h"

#include <QObject>

#include <array>
#include <span>
#include <vector>

// One mechanism command of the exchange lists, with its parameter bytes.
struct MechanismStep {
  enum Kind : uint8_t { C4, C5, C9, CA, Seq81 };
  Kind Command;
  std::array<uint8_t, 4> Parameters;  // CA uses the first; Sequence81 none
};

class TransportLiquidItem : public QObject {
  Q_OBJECT

public:
  TransportLiquidItem(AdjustFrame& frame, TPFactory& factory, ConfirmedWrites& confirm, Clock& clock);

  // The fixed command lists, for the record and for tests.
  static std::span<const MechanismStep> ToReplacementPosition();
  static std::span<const MechanismStep> ToHomePosition();
  static std::span<const MechanismStep> ExchangeOne();
  static std::span<const MechanismStep> ExchangeTwo();

public slots:
  void CRmoveBtnClick();
  void CRreturnBtnClick();
  void TransOKBtnClick();
  void TransCompleteBtnClick();
  void CRreturn2BtnClick();

private:
  void Send(std::span<const MechanismStep> steps);
  // The wait of a step and its text; after "Printer is error." the close box and "Quit" work again.
  void FinishStep(const QString& doneText);
  // Writes the cells that mark the exchange as done; returns them for the read-back.
  std::vector<EepromCell> ClearExchangeCells();
  // Keeps the technician in the chain: no other item, no quitting, no status window.
  void LockOtherControls(bool locked);

  AdjustFrame& Frame;
  TPFactory& Factory;
  ConfirmedWrites& Confirm;
  Clock& Time;
};
