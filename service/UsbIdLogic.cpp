#include "service/UsbIdLogic.h"

#include "service/RecordKeeping.h"


void UsbIdLogic::ShowUsbId() {
  View.SetBusyCursor(true);
  std::string stored;
  const TPDalUsbId::ReadResult result = UsbId.ReadUsbId(stored);
  switch (result) {
    case TPDalUsbId::ReadResult::Valid:
    case TPDalUsbId::ReadResult::Damaged:
      View.WriteText(wsPlain, "USB ID = ");
      View.WriteText(wsAppend, stored);
      if (result == TPDalUsbId::ReadResult::Damaged) View.AddErrorText(DamagedUsbIdText);
      RecordRead(View, RecordedUsbId, stored, result == TPDalUsbId::ReadResult::Damaged ? DamagedUsbIdText : "");
      break;
    case TPDalUsbId::ReadResult::Invalid:
      View.WriteText(wsError, "Invalid USB ID");
      RecordRead(View, RecordedUsbId, std::nullopt, "Invalid USB ID");
      break;
    case TPDalUsbId::ReadResult::Unreadable:
      View.WriteText(wsError, "The USB ID could not be read.");
      RecordRead(View, RecordedUsbId, std::nullopt, "The USB ID could not be read.");
      break;
  }
  View.SetBusyCursor(false);
}

bool UsbIdLogic::WriteUsbId(const std::string& serial) {
  if (const char* problem = TPDalUsbId::CheckSerial(serial)) {
    View.WriteText(wsError, problem);
    RecordRefused(View, RecordedUsbId, serial, problem);
    return false;
  }
  std::vector<EepromCell> cells;
  const std::string shown = UsbId.PlanUsbId(serial, cells);
  GuardedWrite write(Guard, Guard.NewNote("USB ID " + serial, NoteCells(cells)));
  write.SetRecordName(RecordedUsbId, serial);
  const auto send = [this](const NoteCell& cell) {
    UsbId.SendCell({cell.Address, cell.Value});
    return true;
  };
  if (!write.WriteAndConfirm(View, Confirm, send, "the USB ID was not written")) return true;
  View.SetSummary(SummaryField::UsbId, shown);
  View.WriteText(wsPlain, "USB ID");
  View.WriteText(wsNewLine, "\"");
  View.WriteText(wsAppend, shown);
  View.WriteText(wsAppend, "\"");
  View.WriteText(wsNewLine, " has been written in EEPROM.");
  if (!write.NoteProblem().empty()) View.AddErrorText(write.NoteProblem());
  return true;
}
