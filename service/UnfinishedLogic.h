// What is done with a write that did not finish: its note shown, its cells written again and read
// back, or the note given up; for any front-end.
#pragma once

#include "link/TPDalD4Comm.h"
#include "platform/Dialogs.h"
#include "service/ItemView.h"
#include "service/WriteGuard.h"

#include <string>
#include <vector>

class UnfinishedLogic {
public:
  UnfinishedLogic(ItemView& view, TPDalD4Comm& comm, WriteGuard& guard) : View(view), Comm(comm), Guard(guard) {}

  // Writes the note's cells on the control channel, each with its intended value, and reads them
  // back; the note goes when the printer holds them all. A stop asked in between is met after the
  // cell in flight. True when the printer holds every cell; the message says what happened either way.
  bool Finish(const FoundNote& note);

  // The line that offers to finish or give up the notes, for each front-end its own words.
  static std::string Summary(const std::vector<FoundNote>& notes);

private:
  ItemView& View;
  TPDalD4Comm& Comm;
  WriteGuard& Guard;
};
