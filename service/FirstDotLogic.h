// What "First dot position" does: read the stored value, write a new one and restart the printer
// so that it takes it, for any front-end.
#pragma once

#include "eeprom/EepromMap.h"
#include "link/PortChoice.h"
#include "link/TPDalD4Comm.h"
#include "link/TPFactory.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "service/ItemView.h"
#include "service/StatusDisplay.h"

#include <optional>
#include <string>

// The item offers -72..72 of what FirstDotCell can hold.
constexpr int FirstDotLimit = 72;
// The item's note on its range, and the refusal of a value outside it.
constexpr const char* AdjustmentAreaText = "The adjustment area is between -72 and 72.";
// What the item's field shows for a value that could not be read.
constexpr const char* UnreadFirstDotText = "??";

class FirstDotLogic {
public:
  FirstDotLogic(ItemView& view, TPDalD4Comm& comm, TPFactory& factory, StatusDisplay& display,
                const PortChoice& port, Dialogs& dialogs, Clock& clock)
      : View(view), Comm(comm), Factory(factory), Display(display), Port(port), Boxes(dialogs), Time(clock) {}

  // The stored value as the item reads it (above 128 negative); nothing when it cannot be read.
  std::optional<int> StoredValue();
  void ReportUnreadValue() { View.WriteText(wsError, "The first dot position could not be read."); }
  // A red line when a stored value lies outside -72..72; true then.
  bool ReportOutOfRange(int stored);
  // Writes the value the text stands for, restarts the printer and reads the
  // value back. A text CheckValue refuses gets its red message and nothing is sent: false then.
  bool Write(const std::string& text);

  // The integer a text stands for: an optional '+' or '-' and decimal digits; nothing else.
  static std::optional<int> ParseValue(const std::string& text);
  // The value to write for a typed or shown text, within -72..72; nothing, with the reason, for
  // any other text. The one check of both front-ends.
  static std::optional<int> CheckValue(const std::string& text, std::string& problem);
  // A stored byte as the item reads it: above 128 negative, 0..128 as they are.
  static int StoredToValue(uint8_t stored) { return stored > 128 ? stored - 256 : stored; }

private:
  // False when the printer does not come back ready; `refused` when it answered the reset with busy.
  bool RestartPrinter(bool& refused);

  ItemView& View;
  TPDalD4Comm& Comm;
  TPFactory& Factory;
  StatusDisplay& Display;
  const PortChoice& Port;
  Dialogs& Boxes;
  Clock& Time;
};
