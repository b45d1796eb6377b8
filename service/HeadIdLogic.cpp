#include "service/HeadIdLogic.h"

void HeadIdLogic::ShowHeadId() {
  View.SetBusyCursor(true);
  const std::optional<StoredHeadId> stored = HeadId.ReadHeadId();
  if (stored) {
    View.WriteText(wsPlain, "Head voltage ID = ");
    View.WriteText(wsAppend, stored->Text);
    if (stored->Damaged) View.AddErrorText(DamagedHeadIdText);
  } else {
    View.WriteText(wsError, "The head ID could not be read.");
  }
  View.SetBusyCursor(false);
}

bool HeadIdLogic::WriteHeadId(const std::string& typed) {
  std::vector<EepromCell> written;
  const uint16_t code = HeadId.WriteHeadId(typed, &written);
  if (code != HeadIdAccepted) {
    View.WriteText(wsError, TPHeadID::Message(code));
    return false;
  }
  if (const std::optional<std::string> problem = Confirm.Confirm(written)) {
    View.WriteText(wsError, *problem);
    return true;
  }
  View.WriteText(wsPlain, "As head actuator voltage, ");
  View.WriteText(wsNewLine, "\"");
  View.WriteText(wsAppend, typed);
  View.WriteText(wsAppend, "\"");
  View.WriteText(wsAppend, " has been written in EEPROM.");
  View.SetSummary(SummaryField::HeadId, typed);
  return true;
}
