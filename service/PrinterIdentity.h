// Who the printer on the chosen port is, for its service record: the serial its USB device gives
// (nothing sent to it), else the USB ID in its EEPROM; and the head ID in its EEPROM.
#pragma once

#include "platform/PortDevice.h"
#include "service/ServiceRecord.h"
#include "service/TPDalUsbId.h"
#include "service/TPHeadID.h"

#include <cstdint>

RecordedPrinter ReadPrinterIdentity(PortSystem& ports, int16_t portIndex, TPDalUsbId& usbId, TPHeadID& headId);
