// What "Top margin" does: print the check line, read and write the setting, for any front-end.
#pragma once

#include "link/TPDalD4Comm.h"
#include "link/TPFactory.h"
#include "pattern/TPRaster.h"
#include "platform/Dialogs.h"
#include "service/ItemView.h"

#include <array>
#include <cstdint>
#include <optional>

struct TopMarginSetting {
  const char* Sign;  // with its double quotes, as printed and shown
  uint8_t Value;
};
// In the order of the choices: "-", "0", "+".
constexpr std::array<TopMarginSetting, 3> TopMarginSettings{{{"\"-\"", 0xD8}, {"\"0\"", 0x00}, {"\"+\"", 0x28}}};

class TopMarginLogic {
public:
  TopMarginLogic(ItemView& view, TPDalD4Comm& comm, TPFactory& factory, TPRaster& raster, Dialogs& dialogs)
      : View(view), Comm(comm), Factory(factory), Raster(raster), Boxes(dialogs) {}

  // The check line on a page of its own.
  void PrintLine();
  // The stored value; nothing when it cannot be read.
  std::optional<int8_t> StoredValue();
  // The choice a stored value stands for: 0 "-", 1 "0", 2 "+".
  static int ChoiceOf(int8_t stored);
  // A red line when the stored value lies outside what the three settings span; true then.
  bool ReportOutOfRange(int8_t stored);
  void ReportUnreadSetting() { View.WriteText(wsError, "The top margin could not be read."); }
  // Writes the setting of `choice` and reads it back; a choice outside 0..2
  // gets "Please select the Adjustment button." and nothing is sent.
  void WriteChoice(int choice);

  // '-', '0' or '+' as a choice; nothing for anything else.
  static std::optional<int> ChoiceOfSign(char sign);

private:
  ItemView& View;
  TPDalD4Comm& Comm;
  TPFactory& Factory;
  TPRaster& Raster;
  Dialogs& Boxes;
};
