#include "service/PrinterIdentity.h"

#include "link/PortSurvey.h"

namespace {

// The typed serial of a USB ID: its first 10 characters (the date characters follow them).
constexpr size_t SerialLength = 10;

}  // namespace

RecordedPrinter ReadPrinterIdentity(PortSystem& ports, int16_t portIndex, TPDalUsbId& usbId, TPHeadID& headId) {
  RecordedPrinter printer;
  const PortFinding finding = SurveyPort(ports, portIndex);
  if (finding.Serial.size() >= SerialLength) {
    printer.UsbId = finding.Serial.substr(0, SerialLength);
  } else {
    std::string stored;
    const TPDalUsbId::ReadResult result = usbId.ReadUsbId(stored);
    const bool readable = result == TPDalUsbId::ReadResult::Valid || result == TPDalUsbId::ReadResult::Damaged;
    if (readable && stored.size() >= SerialLength) printer.UsbId = stored.substr(0, SerialLength);
  }
  if (const std::optional<StoredHeadId> stored = headId.ReadHeadId()) printer.HeadId = stored->Text;
  return printer;
}
