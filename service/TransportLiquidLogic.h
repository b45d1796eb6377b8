// What "Refurbishment for DOA" does: the transport liquid exchange that prepares a printer for
// return, step by step, for any front-end.
#pragma once

#include "service/WriteGuard.h"

#include <memory>

#include "link/TPFactory.h"
#include "platform/Clock.h"
#include "service/ConfirmedWrites.h"
#include "service/ItemView.h"

#include <array>
#include <span>
#include <vector>

// One mechanism command of the exchange lists, with its parameter bytes.
struct MechanismStep {
  enum Kind : uint8_t { C4, C5, C9, CA, Seq81 };
  Kind Command;
  std::array<uint8_t, 4> Parameters;  // CA uses the first; Sequence81 none
};

class TransportLiquidLogic {
public:
  TransportLiquidLogic(ItemView& view, TPFactory& factory, ConfirmedWrites& confirm, Clock& clock, WriteGuard& guard)
      : View(view), Factory(factory), Confirm(confirm), Time(clock), Guard(guard) {}

  // The fixed command lists, for the record and for tests.
  static std::span<const MechanismStep> ToReplacementPosition();
  static std::span<const MechanismStep> ToHomePosition();
  static std::span<const MechanismStep> ExchangeOne();
  static std::span<const MechanismStep> ExchangeTwo();

  // The steps in their order. Each waits until the printer is ready and says
  // so; false after "Printer is error.".
  bool MoveCarriageToReplacement();  // marks the exchange as begun
  bool ReturnCarriageHome();
  bool RunExchangeOne();
  bool MoveCarriageToReplacementAgain();
  // Exchange 2 in two halves, so that a window can change its panels between
  // them: the commands and the cells that mark the exchange as done, then the
  // wait, the read-back of those cells and the message. The cells are written
  // under a note, saved before the first command; when it cannot be saved
  // nothing is sent and the start says so (and returns no cells).
  std::vector<EepromCell> StartExchangeTwo();
  bool FinishExchangeTwo(const std::vector<EepromCell>& cleared);

private:
  void Send(std::span<const MechanismStep> steps);
  bool FinishStep(const char* doneText);
  // The cells that mark the exchange as done, in the order they are written.
  static std::vector<EepromCell> ExchangeDoneCells();
  // Writes them under the note; the cells sent (fewer when a stop was asked).
  std::vector<EepromCell> ClearExchangeCells();

  ItemView& View;
  TPFactory& Factory;
  ConfirmedWrites& Confirm;
  Clock& Time;
  WriteGuard& Guard;
  // The note of exchange 2, from before its first command until its cells are read back.
  std::unique_ptr<GuardedWrite> ExchangeWrite;
  bool ExchangeSent = false;  // its commands went out: the liquid is out
};
