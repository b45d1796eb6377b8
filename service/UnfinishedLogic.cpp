#include "service/UnfinishedLogic.h"

#include "service/ConfirmedWrites.h"

bool UnfinishedLogic::Finish(const FoundNote& left) {
  if (const std::optional<std::string> other = Guard.OtherPrinter(left.Note)) {
    View.WriteText(wsError, *other);
    return false;
  }
  GuardedWrite write(Guard, left);
  ConfirmedWrites writes(Comm);
  if (!write.WriteAndConfirm(View, writes, ControlChannelSender(writes),
                             "the cells of the unfinished " + left.Note.Item + " were not written"))
    return false;
  View.WriteText(wsPlain, "The unfinished " + left.Note.Item + " of " + left.Note.Date + " is finished: " +
                              std::to_string(left.Note.Cells.size()) + " cells written and read back.");
  if (!write.NoteProblem().empty()) View.AddErrorText(write.NoteProblem());
  return true;
}

std::string UnfinishedLogic::Summary(const std::vector<FoundNote>& notes) {
  std::string text;
  for (const FoundNote& found : notes) text += (text.empty() ? "" : "\n") + DescribeNote(found.Note);
  return text;
}
