#include "service/UnfinishedLogic.h"

#include "service/ConfirmedWrites.h"

bool UnfinishedLogic::Finish(const FoundNote& left) {
  GuardedWrite write(Guard, left);
  const std::vector<EepromCell> cells = EepromCells(left.Note.Cells);
  ConfirmedWrites writes(Comm);
  const size_t sent = write.Send([&writes](const NoteCell& cell) {
    const std::array<EepromCell, 1> one{{{cell.Address, cell.Value}}};
    return writes.WriteCells(one);
  });
  if (write.Stopped()) {
    ReportStoppedWrite(View, writes, std::span(cells).first(sent), sent, cells.size());
    return false;
  }
  const std::optional<std::string> problem =
      sent < cells.size() ? ConfirmedWrites::BusyText("the cells of the unfinished " + left.Note.Item + " were not written")
                          : writes.Confirm(cells);
  if (problem) {
    View.WriteText(wsError, *problem);
    return false;
  }
  std::string error;
  write.Confirmed(&error);
  View.WriteText(wsPlain, "The unfinished " + left.Note.Item + " of " + left.Note.Date + " is finished: " +
                              std::to_string(cells.size()) + " cells written and read back.");
  if (!error.empty()) View.AddErrorText("Its note could not be removed (" + error + ").");
  return true;
}

std::string UnfinishedLogic::Summary(const std::vector<FoundNote>& notes) {
  std::string text;
  for (const FoundNote& found : notes) text += (text.empty() ? "" : "\n") + DescribeNote(found.Note);
  return text;
}
