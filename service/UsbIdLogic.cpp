#include "service/UsbIdLogic.h"

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
      break;
    case TPDalUsbId::ReadResult::Invalid:
      View.WriteText(wsError, "Invalid USB ID");
      break;
    case TPDalUsbId::ReadResult::Unreadable:
      View.WriteText(wsError, "The USB ID could not be read.");
      break;
  }
  View.SetBusyCursor(false);
}

bool UsbIdLogic::WriteUsbId(const std::string& serial) {
  if (const char* problem = TPDalUsbId::CheckSerial(serial)) {
    View.WriteText(wsError, problem);
    return false;
  }
  std::vector<EepromCell> written;
  const std::string shown = UsbId.WriteUsbId(serial, &written);
  if (const std::optional<std::string> problem = Confirm.Confirm(written)) {
    View.WriteText(wsError, *problem);
    return true;
  }
  View.SetSummary(SummaryField::UsbId, shown);
  View.WriteText(wsPlain, "USB ID");
  View.WriteText(wsNewLine, "\"");
  View.WriteText(wsAppend, shown);
  View.WriteText(wsAppend, "\"");
  View.WriteText(wsNewLine, " has been written in EEPROM.");
  return true;
}
