// What "EEPROM initial setting" and "EEPROM backup data" do: values for a new main board, the
// backup of an old board into its file and back, for any front-end.
#pragma once

#include "link/ModelChoice.h"
#include "link/PortChoice.h"
#include "link/TPDalD4Comm.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "service/BackupFile.h"
#include "service/ItemView.h"
#include "service/WriteGuard.h"

#include <optional>
#include <string>
#include <vector>

// A cell a backup would change: its value now (none when unreadable) and the one from the backup.
struct CellChange {
  uint8_t Address;
  std::optional<uint8_t> Now;
  uint8_t FromFile;
};

class EepromSettingLogic {
public:
  EepromSettingLogic(ItemView& view, TPDalD4Comm& comm, const PortChoice& port, const ModelChoice& model,
                     Dialogs& dialogs, Clock& clock, WriteGuard& guard)
      : View(view), Comm(comm), Port(port), Model(model), Boxes(dialogs), Time(clock), Guard(guard) {}

  // The three initial values of a new board for the chosen model, read back before it says so.
  void WriteInitialSetting();
  // The whole board change: read, save the file, shut the link down, ask, write and read back.
  void RunBackup();
  // "Restore from file…": a file chosen in the backups folder, checked, confirmed, written.
  void RestoreFromFile();
  // The same for a file already named.
  void RestoreFile(const std::string& path);

  // The pieces, for a front-end that runs them one by one.
  // Reads the backup cells; stops at the first that cannot be read and says why (not Answered).
  EepromReadOutcome ReadBoard(BackupValues& values);
  // Saves values just read as a new backup file in `folder`; its path, or nothing and why.
  std::optional<std::string> SaveBoard(const BackupValues& values, const std::string& folder, std::string& error);
  // The cells whose value on the printer differs from `values` (or cannot be read).
  std::vector<CellChange> ChangesOnPrinter(const BackupValues& values);
  // Nothing when the last ChangesOnPrinter read every cell; otherwise why a restore writes nothing:
  // it would replace values nobody knows.
  std::optional<std::string> UnreadCellsProblem() const;
  // "Address AA: now VV, from file WW".
  static std::string ChangeText(const CellChange& change);
  // Writes the values and reads them back; "Writing backup data succeeded." and true when the printer holds them all.
  // Nothing is written when a cell on the printer cannot be read first (UnreadCellsProblem).
  // `file`: the backup the values come from, for the service record (none for a board change).
  bool RestoreValues(const BackupValues& values, const std::string& file = {});

private:
  // Asks whether to write the file's values, showing its header and the cells that would change.
  bool TechnicianConfirmsRestore(const BackupContents& contents, const std::vector<CellChange>& changes);
  // True when the file is of the chosen model, or the technician says to use it all the same;
  // the reason is written `belowWarning` a line already shown, or alone.
  bool TechnicianTakesOtherModel(const BackupHeader& header, bool belowWarning);
  enum class WriteResult : uint8_t { Held, Stopped, NotHeld };
  // Writes the values under a note naming `item` and reads them back. Held when the board holds
  // them all; Stopped when a signal stopped it between two cells (and that was said); NotHeld
  // with the text for the message area in `problem` (empty when a write got no answer); Held with
  // `problem` the line for below the success message when the note could not be removed.
  WriteResult WriteValues(const BackupValues& values, const std::string& item, std::string& problem);
  // Opens the port and the link again after the board change; false when the printer does not answer.
  bool StartLinkAgain();
  bool TechnicianGivesUpValues();
  // The note of a write of the backup cells, with what ChangesOnPrinter read where it was asked last.
  UnfinishedNote NoteOfWrite(const std::string& item, std::span<const EepromCell> cells) const;
  void EndItem();

  ItemView& View;
  TPDalD4Comm& Comm;
  const PortChoice& Port;
  const ModelChoice& Model;
  Dialogs& Boxes;
  Clock& Time;
  WriteGuard& Guard;
  // The printer's backup cells as the last look at the changes read them (nothing: unreadable).
  std::vector<std::optional<uint8_t>> ReadBefore;
};
