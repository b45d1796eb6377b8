// What "USB ID" does: show the stored ID, check and write a typed serial, for any front-end.
#pragma once

#include "service/WriteGuard.h"

#include "service/ConfirmedWrites.h"
#include "service/ItemView.h"
#include "service/TPDalUsbId.h"

#include <string>

class UsbIdLogic {
public:
  UsbIdLogic(ItemView& view, TPDalUsbId& usbId, ConfirmedWrites& confirm, WriteGuard& guard)
      : View(view), UsbId(usbId), Confirm(confirm), Guard(guard) {}

  // "USB ID = ...", or a red line for an invalid or unreadable ID.
  void ShowUsbId();
  // Checks the typed serial (one byte per character), writes it with the
  // date characters and reads it back. False, with the check's message and nothing sent, when it fails its check.
  bool WriteUsbId(const std::string& serial);

private:
  ItemView& View;
  TPDalUsbId& UsbId;
  ConfirmedWrites& Confirm;
  WriteGuard& Guard;
};
