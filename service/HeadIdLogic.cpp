#include "service/HeadIdLogic.h"

#include "service/RecordKeeping.h"


void HeadIdLogic::ShowHeadId() {
  View.SetBusyCursor(true);
  const std::optional<StoredHeadId> stored = HeadId.ReadHeadId();
  if (stored) {
    View.WriteText(wsPlain, "Head voltage ID = ");
    View.WriteText(wsAppend, stored->Text);
    if (stored->Damaged) View.AddErrorText(DamagedHeadIdText);
    RecordRead(View, RecordedHeadId, stored->Text, stored->Damaged ? DamagedHeadIdText : "");
  } else {
    View.WriteText(wsError, "The head ID could not be read.");
    RecordRead(View, RecordedHeadId, std::nullopt, "The head ID could not be read.");
  }
  View.SetBusyCursor(false);
}

bool HeadIdLogic::WriteHeadId(const std::string& typed) {
  std::vector<EepromCell> cells;
  const uint16_t code = TPHeadID::PlanHeadId(typed, cells);
  if (code != HeadIdAccepted) {
    View.WriteText(wsError, TPHeadID::Message(code));
    RecordRefused(View, RecordedHeadId, typed, TPHeadID::Message(code));
    return false;
  }
  GuardedWrite write(Guard, Guard.NewNote("head ID " + typed, NoteCells(cells)));
  write.SetRecordName(RecordedHeadId, typed);
  const auto send = [this](const NoteCell& cell) {
    HeadId.SendCell({cell.Address, cell.Value});
    return true;
  };
  if (!write.WriteAndConfirm(View, Confirm, send, "the head ID was not written")) return true;
  View.WriteText(wsPlain, "As head actuator voltage, ");
  View.WriteText(wsNewLine, "\"");
  View.WriteText(wsAppend, typed);
  View.WriteText(wsAppend, "\"");
  View.WriteText(wsAppend, " has been written in EEPROM.");
  View.SetSummary(SummaryField::HeadId, typed);
  if (!write.NoteProblem().empty()) View.AddErrorText(write.NoteProblem());
  return true;
}
