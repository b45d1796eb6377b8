// What "Head ID" does: show the stored ID, check and write a typed one, for any front-end.
#pragma once

#include "service/WriteGuard.h"

#include "service/ConfirmedWrites.h"
#include "service/ItemView.h"
#include "service/TPHeadID.h"

#include <string>

class HeadIdLogic {
public:
  HeadIdLogic(ItemView& view, TPHeadID& headId, ConfirmedWrites& confirm, WriteGuard& guard)
      : View(view), HeadId(headId), Confirm(confirm), Guard(guard) {}

  // "Head voltage ID = ...", or a red line when it cannot be read.
  void ShowHeadId();
  // Checks the typed ID (one byte per character), writes it and reads it
  // back. False, with the check's message and nothing sent, when it fails its check.
  bool WriteHeadId(const std::string& typed);

private:
  ItemView& View;
  TPHeadID& HeadId;
  ConfirmedWrites& Confirm;
  WriteGuard& Guard;
};
