#include "service/TransportLiquidLogic.h"

#include "service/RecordKeeping.h"

#include "eeprom/EepromMap.h"

#include <utility>

namespace {

constexpr const char* ExchangeTwoName = "transport liquid exchange 2";

// An exchange as the service record keeps it: done, or the red message shown.
void RecordExchange(ItemView& view, const char* item, const std::string& problem) {
  RecordEvent event(RecordMaintenanceKind, true);
  event.Values().Text("item", item).Text("result", problem.empty() ? RecordDone : RecordFailed);
  if (!problem.empty()) event.Values().Text("message", problem);
  KeepEvent(view, event);
}

using Step = MechanismStep;

// Counts are 16-bit little-endian in the last two parameters: F4 01 = 500, 30 75 = 30000 ...
constexpr std::array<Step, 5> ReplacementPositionSteps{{
    {Step::C4, {0x06, 0x00, 0x02, 0x00}},
    {Step::C4, {0x06, 0x01, 0x07, 0x00}},
    {Step::C5, {0x03, 0x01, 0xF4, 0x01}},
    {Step::C4, {0x06, 0x00, 0x05, 0x00}},
    {Step::C4, {0x05, 0x00, 0x05, 0x02}},
}};

constexpr std::array<Step, 4> HomePositionSteps{{
    {Step::C4, {0x05, 0x01, 0x05, 0x02}},
    {Step::C4, {0x06, 0x01, 0x05, 0x00}},
    {Step::C5, {0x03, 0x00, 0x19, 0x00}},
    {Step::C4, {0x06, 0x00, 0x05, 0x00}},
}};

// Exchange 1: the first four moves to the replacement position, then the discharge with transport liquid.
constexpr std::array<Step, 35> ExchangeOneSteps{{
    {Step::C4, {0x06, 0x00, 0x02, 0x00}},  {Step::C4, {0x06, 0x01, 0x07, 0x00}},
    {Step::C5, {0x03, 0x01, 0xF4, 0x01}},  {Step::C4, {0x06, 0x00, 0x05, 0x00}},
    {Step::C4, {0x05, 0x00, 0x22, 0x00}},  {Step::C5, {0x22, 0x00, 0x1A, 0x09}},
    {Step::C5, {0x03, 0x01, 0x1E, 0x00}},  {Step::C4, {0x05, 0x01, 0x34, 0x00}},
    {Step::C5, {0x21, 0x00, 0x30, 0x75}},  {Step::C5, {0x21, 0x00, 0x30, 0x75}},
    {Step::C5, {0x21, 0x00, 0x30, 0x75}},  {Step::C5, {0x21, 0x00, 0x30, 0x75}},
    {Step::C5, {0x21, 0x00, 0x30, 0x75}},  {Step::C5, {0x21, 0x00, 0x30, 0x75}},
    {Step::C5, {0x21, 0x00, 0x30, 0x75}},  {Step::C5, {0x21, 0x00, 0x80, 0x3E}},
    {Step::C5, {0x03, 0x01, 0x1E, 0x00}},  {Step::CA, {0x96, 0, 0, 0}},
    {Step::C9, {0x00, 0x00, 0xB8, 0x0B}},  {Step::C5, {0x03, 0x01, 0x1E, 0x00}},
    {Step::C4, {0x05, 0x00, 0x4F, 0x00}},  {Step::C5, {0x20, 0x00, 0x10, 0x0E}},
    {Step::CA, {0x01, 0, 0, 0}},           {Step::C5, {0x03, 0x01, 0x1E, 0x00}},
    {Step::C4, {0x03, 0x00, 0x9F, 0x00}},  {Step::CA, {0x05, 0, 0, 0}},
    {Step::C4, {0x05, 0x00, 0x5F, 0x00}},  {Step::C5, {0x21, 0x00, 0x38, 0x18}},
    {Step::C5, {0x03, 0x01, 0x1E, 0x00}},  {Step::C4, {0x03, 0x01, 0x5F, 0x00}},
    {Step::C4, {0x03, 0x00, 0x5F, 0x00}},  {Step::Seq81, {}},
    {Step::C4, {0x06, 0x01, 0x05, 0x00}},  {Step::C5, {0x03, 0x00, 0x19, 0x00}},
    {Step::C4, {0x06, 0x00, 0x05, 0x00}},
}};

// Exchange 2: the discharge of the transport liquid; the EEPROM cells follow.
constexpr std::array<Step, 15> ExchangeTwoSteps{{
    {Step::Seq81, {}},                     {Step::C4, {0x05, 0x01, 0x12, 0x00}},
    {Step::C4, {0x05, 0x00, 0x4F, 0x00}},  {Step::C5, {0x20, 0x00, 0xD6, 0x06}},
    {Step::CA, {0x01, 0, 0, 0}},           {Step::C5, {0x03, 0x01, 0x1E, 0x00}},
    {Step::C4, {0x03, 0x00, 0x9F, 0x00}},  {Step::CA, {0x05, 0, 0, 0}},
    {Step::C4, {0x05, 0x00, 0x5F, 0x00}},  {Step::C5, {0x21, 0x00, 0x00, 0x00}},
    {Step::C5, {0x03, 0x01, 0x1E, 0x00}},  {Step::Seq81, {}},
    {Step::C4, {0x06, 0x01, 0x05, 0x00}},  {Step::C5, {0x03, 0x00, 0x19, 0x00}},
    {Step::C4, {0x06, 0x00, 0x05, 0x00}},
}};

constexpr uint32_t SettleBeforeNotifyMs = 100;

}  // namespace

std::span<const MechanismStep> TransportLiquidLogic::ToReplacementPosition() { return ReplacementPositionSteps; }
std::span<const MechanismStep> TransportLiquidLogic::ToHomePosition() { return HomePositionSteps; }
std::span<const MechanismStep> TransportLiquidLogic::ExchangeOne() { return ExchangeOneSteps; }
std::span<const MechanismStep> TransportLiquidLogic::ExchangeTwo() { return ExchangeTwoSteps; }

void TransportLiquidLogic::Send(std::span<const MechanismStep> steps) {
  // Back to back, without status checks: the printer works through them while the wait polls it.
  for (const MechanismStep& step : steps) {
    const auto& p = step.Parameters;
    switch (step.Command) {
      case MechanismStep::C4:
        Factory.MechanismC4(p[0], p[1], p[2], p[3]);
        break;
      case MechanismStep::C5:
        Factory.MechanismC5(p[0], p[1], p[2], p[3]);
        break;
      case MechanismStep::C9:
        Factory.MechanismC9(p[0], p[1], p[2], p[3]);
        break;
      case MechanismStep::CA:
        Factory.MechanismCA(p[0]);
        break;
      case MechanismStep::Seq81:
        Factory.Sequence81();
        break;
    }
  }
}

std::vector<EepromCell> TransportLiquidLogic::ExchangeDoneCells() {
  // The state cell tells the printer the exchange is done; the protection counter is among the cleared cells.
  std::vector<EepromCell> cells{{ExchangeStateCell, ExchangeStateComplete}};
  for (uint8_t cell : ExchangeClearedCells) cells.push_back({cell, 0});
  return cells;
}

std::vector<EepromCell> TransportLiquidLogic::ClearExchangeCells() {
  std::vector<EepromCell> cells = ExchangeDoneCells();
  const size_t sent = ExchangeWrite->Send([this](const NoteCell& cell) {
    Factory.WriteEeprom(cell.Address, cell.Value);
    return true;
  });
  cells.resize(sent);
  if (ExchangeWrite->Stopped()) return cells;  // stopped: not even the notification goes out
  Time.Pause(SettleBeforeNotifyMs);
  Factory.NotifyEepromChanged();
  return cells;
}

bool TransportLiquidLogic::FinishStep(const char* doneText) {
  if (!View.FinishBusy()) return false;
  View.WriteText(wsPlain, doneText);
  return true;
}

bool TransportLiquidLogic::MoveCarriageToReplacement() {
  Factory.WriteEeprom(ExchangeStateCell, ExchangeStateAtReplacement);
  Factory.NotifyEepromChanged();
  Send(ToReplacementPosition());
  return FinishStep("Move the carriage to the replacement position.");
}

bool TransportLiquidLogic::ReturnCarriageHome() {
  Send(ToHomePosition());
  return FinishStep("Return the carriage to the home position.");
}

bool TransportLiquidLogic::RunExchangeOne() {
  OpenRecordVisit(View);
  View.WriteText(wsBusy, "Performing Transportion Liquid Exchange 1 now.");
  Send(ExchangeOne());
  const bool done = FinishStep("Transportion Liquid Exchange 1 is completed.");
  RecordExchange(View, "transport liquid exchange 1", done ? "" : "Printer is error.");
  return done;
}

bool TransportLiquidLogic::MoveCarriageToReplacementAgain() {
  Send(ToReplacementPosition());
  return FinishStep("Move the carriage to the replacement position.");
}

std::vector<EepromCell> TransportLiquidLogic::StartExchangeTwo() {
  ExchangeWrite = std::make_unique<GuardedWrite>(Guard, Guard.NewNote("transport liquid exchange 2",
                                                                      NoteCells(ExchangeDoneCells())));
  if (!ExchangeWrite->Started()) return {};
  if (Guard.StopSignal() != 0) {
    // Asked to stop while the note was made: the liquid stays where it is, and nothing is sent.
    ExchangeWrite->Send([](const NoteCell&) { return true; });
    return {};
  }
  View.WriteText(wsBusy, "Performing Transportion Liquid Exchange 2 now.");
  Send(ExchangeTwo());
  ExchangeSent = true;
  return ClearExchangeCells();
}

bool TransportLiquidLogic::FinishExchangeTwo(const std::vector<EepromCell>& cleared) {
  const std::unique_ptr<GuardedWrite> write = std::move(ExchangeWrite);
  if (write == nullptr || !write->Started()) {
    const std::string problem = write != nullptr ? write->Problem() : "Transportion Liquid Exchange 2 was not started.";
    View.WriteText(wsError, problem);
    RecordExchange(View, ExchangeTwoName, problem);
    return false;
  }
  // The liquid is out whatever the cells say: ending the session must not reset the printer from here on.
  if (std::exchange(ExchangeSent, false)) View.SetSkipResetOnClose();
  if (write->Stopped() && cleared.empty()) {
    ReportStoppedWrite(View, Confirm, cleared, 0, write->Total());
    RecordExchange(View, ExchangeTwoName, StoppedText(0, write->Total()));
    return true;
  }
  // The cells travel behind the mechanism commands, so they are read back once the printer is ready.
  if (!View.FinishBusy()) {
    RecordExchange(View, ExchangeTwoName, "Printer is error.");
    return false;
  }
  if (write->Stopped()) {
    ReportStoppedWrite(View, Confirm, cleared, cleared.size(), write->Total());
    RecordExchange(View, ExchangeTwoName, StoppedText(cleared.size(), write->Total()));
    return true;
  }
  if (const std::optional<std::string> problem = Confirm.Confirm(cleared)) {
    View.WriteText(wsError, "Transportion Liquid Exchange 2 is not confirmed. " + *problem);
    RecordExchange(View, ExchangeTwoName, "Transportion Liquid Exchange 2 is not confirmed. " + *problem);
    return true;
  }
  write->Confirmed();
  View.WriteText(wsPlain, "Transportion Liquid Exchange 2 is completed.");
  if (!write->NoteProblem().empty()) View.AddErrorText(write->NoteProblem());
  RecordExchange(View, ExchangeTwoName, "");
  return true;
}
