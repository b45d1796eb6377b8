// The commands over the board's values kept on this computer: backups, their restore and
// comparison, and the notes of writes that did not finish.
#include "cli/Commands.h"

#include "cli/CommandSupport.h"
#include "cli/ModelNotes.h"
#include "cli/StandardError.h"
#include "eeprom/EepromMap.h"
#include "platform/NewFile.h"
#include "platform/ShownText.h"
#include "service/BackupFile.h"
#include "service/EepromSettingLogic.h"
#include "service/RecordKeeping.h"
#include "service/TPDalEeprom.h"
#include "service/UnfinishedLogic.h"

#include <filesystem>
#include <iostream>
#include <optional>

namespace {

// Reads the backup cells, all or none: a file or a comparison is never made from part of them.
// Says why when a cell could not be read.
std::optional<BackupValues> ReadPrinterValues(ServiceSession& session) {
  BackupValues values{};
  switch (TPDalEeprom::ReadCells(session.Comm, BackupSet, values)) {
    case EepromReadOutcome::Answered:
      return values;
    case EepromReadOutcome::Silent:
      SayError(PrinterSilentText);
      return std::nullopt;
    case EepromReadOutcome::Refused:
      break;
  }
  SayError("Reading EEPROM data failed.");
  return std::nullopt;
}

void ListNotes(const std::vector<FoundNote>& notes) {
  for (const FoundNote& found : notes) {
    std::cout << DescribeNote(found.Note) << '\n';
    for (const NoteCell& cell : found.Note.Cells)
      std::cout << "  " << Hex(cell.Address) << " = " << Hex(cell.Value) << (cell.Old ? " was " + Hex(*cell.Old) : "")
                << '\n';
  }
  std::cout << std::flush;
}

int DiscardNotes(CommandContext& context, const std::vector<FoundNote>& notes) {
  const DialogAnswer answer = context.Questions.ShowMessage(
      DialogKind::Confirmation,
      UnfinishedLogic::Summary(notes) + "\nForget these notes? The printer keeps the values it holds now.",
      DialogButtons::YesNoDefaultNo);
  if (context.Questions.Refused()) return ExitUsage;
  if (answer != DialogAnswer::Yes) {
    SayNotice("Nothing was forgotten.");
    return ExitDone;
  }
  for (const FoundNote& found : notes) {
    // Held while it goes: a program finishing it right now keeps it.
    const HeldNote held = NoteStore::Take(found.Path);
    if (!held.Held()) {
      SayNotice("Kept: the " + found.Note.Item + " of " + found.Note.Date + " is being written now.");
      continue;
    }
    std::string error;
    if (!NoteStore::Remove(found.Path, error)) {
      SayError("The note cannot be removed (" + error + ").");
      return ExitPrinterFailure;
    }
    SayNotice("Forgotten: the " + found.Note.Item + " of " + found.Note.Date + ".");
  }
  return ExitDone;
}

int FinishNotes(ServiceSession& session, const std::vector<FoundNote>& notes) {
  UnfinishedLogic logic(session.View, session.Comm, session.Guard);
  for (const FoundNote& found : notes) {
    // A note removed meanwhile (forgotten by another program) is passed over.
    if (!std::filesystem::exists(found.Path)) continue;
    const bool finished = logic.Finish(found);
    session.View.Flush();
    if (!finished) return WriteOutcome(session.View);
  }
  return ExitDone;
}

}  // namespace

int RunBackup(CommandContext& context) {
  ServiceSession& session = context.Session;
  const std::string& output = context.Options.Output;
  EepromSettingLogic logic(session.View, session.Comm, session, session, session.Boxes, session.Time, session.Guard);
  const std::optional<BackupValues> read = ReadPrinterValues(session);
  if (!read) return ExitPrinterFailure;
  const BackupValues& values = *read;
  if (session.SelectedModelCode() == 0) {
    const std::optional<uint16_t> model = ModelOfBoard(BackupValueOf(values, MarketIdCell).value_or(0xFF));
    if (!model) return ExitUsage;
    session.SetModelCode(*model);
  }
  std::string error;
  std::optional<std::string> path;
  if (output.empty()) {
    path = logic.SaveBoard(values, BackupFolder(), error);
  } else {
    const BackupContents contents = DescribeBackup(values, session.SelectedModelCode(),
                                                   session.Driver.ChosenPortName(), session.Time.LocalNow());
    std::error_code ignored;
    if (std::filesystem::exists(output, ignored)) return Refuse(ShownText(output) + " exists already: a backup is never written over.");
    if (const Outcome<void> written = WriteNewFile(output, FormatBackup(contents)); written) {
      path = output;
    } else {
      error = written.Fault().Message;
    }
    RecordBackup(session.View, "saved", output, path ? "" : error);
  }
  if (!path) {
    SayError("The backup could not be saved (" + error + ").");
    return ExitPrinterFailure;
  }
  SayNotice("Saved to " + ShownText(*path) + ".");
  std::cout << *path << std::endl;
  return ExitDone;
}

int RunRestore(CommandContext& context) {
  ServiceSession& session = context.Session;
  const CommandOptions& options = context.Options;
  const BackupFileCheck check = ReadBackupFile(options.File);
  if (!check.Contents) return Refuse(check.Problem + " Nothing was written to the printer.");
  if (!check.HeaderProtected) SayWarning(std::string(UnprotectedHeaderText));
  const std::string otherModel = OtherModelProblem(check.Contents->Header, session.SelectedModelCode());
  if (!otherModel.empty() && !options.Force)
    return Refuse(otherModel + " Nothing was written to the printer; give --force to restore it all the same.");
  EepromSettingLogic logic(session.View, session.Comm, session, session, session.Boxes, session.Time, session.Guard);
  const std::vector<CellChange> changes = logic.ChangesOnPrinter(check.Contents->Values);
  if (const std::optional<std::string> unread = logic.UnreadCellsProblem()) {
    SayError(*unread);
    return ExitPrinterFailure;
  }
  for (const CellChange& change : changes) std::cout << EepromSettingLogic::ChangeText(change) << '\n';
  std::cout << std::flush;
  if (options.DryRun) return ExitDone;
  const BackupHeader& header = check.Contents->Header;
  const DialogAnswer answer = context.Questions.ShowMessage(
      DialogKind::Confirmation,
      "Write the values of this backup (" + header.Model + ", " + header.Date + ", head ID " + header.HeadId +
          ") into the printer? " + std::to_string(changes.size()) + " cells change.",
      DialogButtons::OkCancel);
  if (context.Questions.Refused()) return ExitUsage;
  if (answer != DialogAnswer::Ok) {
    SayNotice("Nothing was written to the printer.");
    return ExitDone;
  }
  return logic.RestoreValues(check.Contents->Values, options.File) ? ExitDone : WriteOutcome(session.View);
}

// A refused file of two: its name is said once, where the reason does not say it already.
std::string NamedProblem(const std::string& path, const BackupFileCheck& check) {
  return check.Unreadable ? check.Problem : ShownText(path) + ": " + check.Problem;
}

int RunDiff(CommandContext& context) {
  const std::string& first = context.Options.File;
  const std::string& second = context.Options.Second;
  const BackupFileCheck left = ReadBackupFile(first);
  if (!left.Contents) return Refuse(NamedProblem(first, left));
  BackupValues right{};
  std::string rightName = "printer";
  if (context.Options.Printer) {
    const std::optional<BackupValues> read = ReadPrinterValues(context.Session);
    if (!read) return ExitPrinterFailure;
    right = *read;
  } else {
    const BackupFileCheck other = ReadBackupFile(second);
    if (!other.Contents) return Refuse(NamedProblem(second, other));
    right = other.Contents->Values;
    rightName = second;
  }
  const bool all = context.Options.All;
  std::cout << "cell  " << first << "  " << rightName << "  what\n";
  for (size_t i = 0; i < BackupSet.size(); ++i) {
    const bool differs = left.Contents->Values[i] != right[i];
    if (!differs && !all) continue;
    std::cout << Hex(BackupSet[i]) << "    " << Hex(left.Contents->Values[i]) << "  " << Hex(right[i]) << "  "
              << CellName(BackupSet[i]) << (differs && all ? "  *" : "") << '\n';
  }
  std::cout << std::flush;
  return ExitDone;
}

int RunUnfinished(CommandContext& context) {
  ServiceSession& session = context.Session;
  std::vector<std::string> problems;
  const std::vector<FoundNote> notes = session.Guard.Unfinished(&problems);
  for (const std::string& problem : problems) SayWarning("a note cannot be read: " + problem);
  if (notes.empty()) {
    SayNotice(std::string("No write was left unfinished on ") + PortNameOf(session.GetPortIndex()) + ".");
    return ExitDone;
  }
  if (context.Options.Discard) return DiscardNotes(context, notes);
  if (context.Options.Finish) return FinishNotes(session, notes);
  ListNotes(notes);
  return ExitDone;
}
