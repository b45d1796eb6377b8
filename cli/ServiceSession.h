// One run of arvana-service: the program's core objects on one port, without windows.
#pragma once

#include "cli/TerminalForcedEnd.h"
#include "cli/TerminalView.h"
#include "link/ModelChoice.h"
#include "link/PortChoice.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/PortDevice.h"
#include "platform/ProgramEnd.h"
#include "service/PrinterSession.h"
#include "service/ServiceCore.h"
#include "service/StatusDisplay.h"

#include <cstdint>
#include <optional>
#include <string>

// The choices and the forced end come first among the bases: the core keeps references to them.
class ServiceSession : public PortChoice, public ModelChoice, public TerminalForcedEnd, public ServiceCore {
public:
  ServiceSession(Clock& clock, PortSystem& ports, Dialogs& dialogs, ProgramEnd& end, int16_t portIndex,
                 uint16_t modelCode);

  int16_t GetPortIndex() const override { return PortIndex; }
  uint16_t SelectedModelCode() const override { return ModelCodeChosen; }

  // Opens the port and the link as the start window does; false, with a
  // message, when the printer does not answer. A port that cannot be opened ends the program.
  bool Connect();
  // Whether the items that use the data channel can run: false, with the
  // status display's texts, while the printer is in error (the window offers
  // only its recovery items then); a printer not ready yet is waited for.
  bool ReadyForDataChannel();
  // Shuts the link down; with `reset` the printer is reset and waited for, as closing the window does.
  void Close(bool reset);
  // Once Close has asked for the reset: the milliseconds since (a progress line follows the wait).
  std::optional<int64_t> ResettingSinceMs() const;

  // Values under trial (the Bi-D page's candidates) put back after a stop; the line that says
  // whether they are, with how to write them later when they are not.
  std::string PutBackTrial();
  // A fault ends the program: values under trial are put back first where the link allows.
  [[noreturn]] void ForceExit() override;
  [[noreturn]] void EndAfterFault() override;
  // How the notes of unfinished writes are written from this front-end.
  static constexpr const char* FinishHint = " Write it again with: arvana-service unfinished --finish.";

  // What the notice of a reset says it takes.
  static constexpr int ResetSeconds = 15;

  // The model a run found out after its start (a backup's, from the board).
  void SetModelCode(uint16_t modelCode) { ModelCodeChosen = modelCode; }

  Clock& Time;
  Dialogs& Boxes;
  PortSystem& Ports;
  PrinterSession Printer;  // before View, which waits through it
  TerminalView View;
  StatusDisplay Display;

private:
  int16_t PortIndex;
  uint16_t ModelCodeChosen;
  std::optional<int64_t> ResetStartMs;
};
