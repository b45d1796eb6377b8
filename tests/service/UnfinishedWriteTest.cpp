// Notes of unfinished writes: their file format, where they are kept, and writes that stop between
// two cells and leave their note until a read-back confirms them.
#include "pattern/TPRaster.h"
#include "service/EepromSettingLogic.h"
#include "service/HeadIdLogic.h"
#include "service/TPBid.h"
#include "service/UnfinishedLogic.h"
#include "service/UnfinishedWrite.h"
#include "service/WriteGuard.h"
#include "platform/NewFile.h"

#include "tests/support/RecordingView.h"
#include "tests/support/SimLinkTest.h"
#include "tests/support/StopAfterWrites.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class Model360 : public ModelChoice {
public:
  uint16_t SelectedModelCode() const override { return ModelCode360; }
};

class TempFolder {
public:
  TempFolder() {
    char pattern[] = "/tmp/arvana-notes-XXXXXX";
    Path = mkdtemp(pattern);
  }
  ~TempFolder() { fs::remove_all(Path); }
  fs::path Path;
};

UnfinishedNote SampleNote() {
  UnfinishedNote note;
  note.Item = "restore";
  note.Port = "VLUSB1";
  note.Printer = "/srv/virtual printer";
  note.Model = "Arvana Print 360";
  note.Date = "2026-12-09 11:30:05";
  note.HeadId = "M3EURJOOTG4KK";
  note.UsbId = "TZ3K048271Q3E9C520";
  note.Cells = {{0x0A, 0x57, 0x12}, {0x0B, 0x08, std::nullopt}, {0x10, 0x00, 0xFF}, {0x5F, 0x10, 0x00}};
  return note;
}

TEST(UnfinishedNote, ComesBackAsWrittenAndRefusesWhatIsNoNote) {
  const UnfinishedNote note = SampleNote();
  std::string problem;
  EXPECT_EQ(ParseNote(FormatNote(note), problem), note) << problem;
  EXPECT_NE(FormatNote(note).find("cell 0A = 57 was 12\n"), std::string::npos);
  EXPECT_NE(FormatNote(note).find("cell 0B = 08\n"), std::string::npos);

  // Typed text cannot break a line of the format.
  UnfinishedNote typed = note;
  typed.Item = "head ID A\ncell 00 = 00\x1b[2J";
  const std::optional<UnfinishedNote> back = ParseNote(FormatNote(typed), problem);
  ASSERT_TRUE(back) << problem;
  EXPECT_EQ(back->Cells, note.Cells);
  EXPECT_EQ(back->Item, "head ID A?cell 00 = 00?[2J");

  // Changed by hand or cut short: the checksum gives it away.
  std::string edited = FormatNote(note);
  edited.replace(edited.find("cell 0A = 57"), 12, "cell 0A = 58");
  EXPECT_FALSE(ParseNote(edited, problem));
  EXPECT_EQ(problem, "its checksum does not match: it was changed or cut short");
  const std::string full = FormatNote(note);
  EXPECT_FALSE(ParseNote(full.substr(0, full.size() - 3), problem));

  const std::string good = FormatNote(note);
  for (const std::string& bad : {std::string(), std::string("hello\n"), good.substr(good.find('\n') + 1),
                                 good + "cell 5 = 10\n", good + "cell 50 = 1G\n", good + "cell 50 = 10 was\n",
                                 good + "colour = red\n", std::string(good).replace(good.find("item = restore"), 14, "item =")})
    EXPECT_FALSE(ParseNote(bad, problem)) << bad;
}

TEST(UnfinishedNote, DescriptionNamesItemDateAndRunsOfCells) {
  EXPECT_EQ(DescribeNote(SampleNote()),
            "A write did not finish: restore on VLUSB1, started 2026-12-09 11:30:05. Cells 0A-0B 10 5F may hold a "
            "mix of old and new values.");
  EXPECT_EQ(StoppedText(40, 69), "Stopped: 40 of 69 cells written; the printer holds a mix of old and new values. "
                                 "Run the same command again to finish it.");
}

TEST(UnfinishedNote, EachPortAndPrinterFindsItsOwnNotesOldestFirst) {
  TempFolder folder;
  NoteStore store(folder.Path.string());
  UnfinishedNote later = SampleNote();
  later.Date = "2026-12-09 12:00:00";
  UnfinishedNote earlier = SampleNote();
  earlier.Date = "2026-12-08 09:00:00";
  UnfinishedNote otherPort = SampleNote();
  otherPort.Port = "LPT1";
  UnfinishedNote realPrinter = SampleNote();
  realPrinter.Printer.clear();
  std::string error;
  for (const UnfinishedNote& note : {later, earlier, otherPort, realPrinter})
    ASSERT_TRUE(store.Save(note, error).Held()) << error;
  // The note of a write still under way is held: it is not taken for an unfinished one.
  UnfinishedNote running = SampleNote();
  running.Date = "2026-12-09 13:00:00";
  HeldNote held = store.Save(running, error);
  ASSERT_TRUE(held.Held()) << error;
  EXPECT_FALSE(NoteStore::Take(held.Path).Held());
  // Beside them, a file that is no note and a FIFO under a note's name: named, never waited on.
  const std::string name = fs::path(held.Path).filename().string();
  const std::string prefix = name.substr(0, name.find("2026"));
  std::ofstream(folder.Path / (prefix + "broken.note")) << "garbage";
  ASSERT_EQ(mkfifo((folder.Path / (prefix + "pipe.note")).c_str(), 0600), 0);

  std::vector<std::string> problems;
  const std::vector<FoundNote> found = store.NotesFor("VLUSB1", "/srv/virtual printer", &problems);
  EXPECT_EQ(problems.size(), 2u) << testing::PrintToString(problems);
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].Note, earlier);
  EXPECT_EQ(found[1].Note, later);
  held = HeldNote();  // its program ended without finishing: now it is an unfinished write
  EXPECT_EQ(store.NotesFor("VLUSB1", "/srv/virtual printer").size(), 3u);
  ASSERT_TRUE(NoteStore::Remove(store.NotesFor("VLUSB1", "/srv/virtual printer")[2].Path, error));
  EXPECT_EQ(store.NotesFor("VLUSB1", "").size(), 1u);
  EXPECT_EQ(store.NotesFor("LPT1", "/srv/virtual printer").size(), 1u);
  EXPECT_TRUE(store.NotesFor("LPT2", "").empty());

  ASSERT_TRUE(NoteStore::Remove(found[0].Path, error)) << error;
  EXPECT_EQ(store.NotesFor("VLUSB1", "/srv/virtual printer").size(), 1u);
  EXPECT_FALSE(NoteStore::Remove(found[0].Path, error));

  // A folder that cannot hold files: nothing saved, and the reason.
  std::ofstream(folder.Path / "file") << "x";
  NoteStore blocked((folder.Path / "file" / "notes").string());
  EXPECT_FALSE(blocked.Save(later, error).Held());
  EXPECT_FALSE(error.empty());
}

// Temporary files of a backup whose program was killed go; those of a running program stay.
TEST(UnfinishedNote, LeftOverTemporaryFilesOfDeadProgramsAreRemoved) {
  TempFolder folder;
  const fs::path dead = folder.Path / "a.eeprom.tmp-999999999-1";
  const fs::path running = folder.Path / ("b.eeprom.tmp-" + std::to_string(getpid()) + "-1");
  const fs::path other = folder.Path / "c.eeprom";
  for (const fs::path& path : {dead, running, other}) std::ofstream(path) << "x";
  EXPECT_EQ(RemoveLeftOverTemporaries(folder.Path.string()), std::vector<std::string>{dead.string()});
  EXPECT_FALSE(fs::exists(dead));
  EXPECT_TRUE(fs::exists(running));
  EXPECT_TRUE(fs::exists(other));
}

class GuardedHeadIdWrite : public SimLinkTest<> {
protected:
  TempFolder Folder;
  Model360 Model;
  WriteGuard Guard{Clock, Choice, Model};
  RecordingView View{Comm};
  ConfirmedWrites Confirm{Comm};
  TPHeadID HeadId{Factory};
  HeadIdLogic Logic{View, HeadId, Confirm, Guard};

  void SetUp() override {
    SimLinkTest::SetUp();
    Guard.SetFolder(Folder.Path.string());
  }
};

TEST_F(GuardedHeadIdWrite, AStopBetweenTwoCellsLeavesTheNoteAndFinishingCompletesIt) {
  const std::string oldId = HeadId.ReadHeadId()->Text;
  StopAfterWrites stop(Printer, 5);
  Guard.SetStopSignals(stop);
  EXPECT_TRUE(Logic.WriteHeadId("B1BCDEFABCABY"));
  ASSERT_EQ(View.RedTexts().size(), 1u);
  EXPECT_EQ(View.RedTexts()[0], StoppedText(5, 13));
  EXPECT_TRUE(Guard.StopMet());
  EXPECT_FALSE(Guard.Writing());
  EXPECT_TRUE(HeadId.ReadHeadId()->Damaged);

  // The note names every cell the write meant to write, in order.
  const std::vector<FoundNote> notes = Guard.Unfinished();
  ASSERT_EQ(notes.size(), 1u);
  std::vector<EepromCell> planned;
  ASSERT_EQ(TPHeadID::PlanHeadId("B1BCDEFABCABY", planned), HeadIdAccepted);
  EXPECT_EQ(notes[0].Note.Cells, NoteCells(planned));
  EXPECT_EQ(notes[0].Note.Item, "head ID B1BCDEFABCABY");
  EXPECT_EQ(notes[0].Note.Port, "LPT1");

  NoStopSignals none;
  Guard.SetStopSignals(none);
  UnfinishedLogic finishing(View, Comm, Guard);
  EXPECT_TRUE(finishing.Finish(notes[0]));
  EXPECT_EQ(HeadId.ReadHeadId()->Text, "B1BCDEFABCABY");
  EXPECT_FALSE(HeadId.ReadHeadId()->Damaged);
  EXPECT_TRUE(Guard.Unfinished().empty());
  EXPECT_NE(oldId, "B1BCDEFABCABY");
}

// A note is finished only on the printer it was made on: another printer on the port holds values
// that are neither the old ones nor the new ones, and nothing is written to it.
TEST_F(GuardedHeadIdWrite, ANoteIsNotFinishedOnAnotherPrinter) {
  Guard.SetCellReader([this](uint8_t address, uint8_t& value) {
      const std::optional<uint8_t> read = Comm.ControlReadEeprom(address).Answer();
      if (read) value = *read;
      return read.has_value();
    });
  StopAfterWrites stop(Printer, 4);
  Guard.SetStopSignals(stop);
  EXPECT_TRUE(Logic.WriteHeadId("B1BCDEFABCABY"));
  const std::vector<FoundNote> notes = Guard.Unfinished();
  ASSERT_EQ(notes.size(), 1u);
  for (const NoteCell& cell : notes[0].Note.Cells) EXPECT_TRUE(cell.Old.has_value()) << +cell.Address;

  NoStopSignals none;
  Guard.SetStopSignals(none);
  Printer.SetEepromCell(0x4A, static_cast<uint8_t>(notes[0].Note.Cells.back().Value + 1));  // another head
  const EepromImage::Cells other = Printer.Eeprom();
  UnfinishedLogic finishing(View, Comm, Guard);
  EXPECT_FALSE(finishing.Finish(notes[0]));
  ASSERT_FALSE(View.RedTexts().empty());
  EXPECT_EQ(View.RedTexts().back().rfind("The printer on LPT1 is not the one this write was made on: cell 4A holds", 0), 0u)
      << View.RedTexts().back();
  EXPECT_EQ(Printer.Eeprom(), other);
  EXPECT_EQ(Guard.Unfinished().size(), 1u);
}

TEST_F(GuardedHeadIdWrite, ACompleteWriteLeavesNoNoteAndClearsTheNotesItCovers) {
  NoStopSignals none;
  Guard.SetStopSignals(none);
  // An older, cut-off write of the same cells, and one of other cells.
  std::string error;
  NoteStore store(Folder.Path.string());
  UnfinishedNote older = Guard.NewNote("head ID AZAAAAAAAAAAC", {{0x47, 0x8C, std::nullopt}, {0x3F, 1, std::nullopt}});
  UnfinishedNote other = Guard.NewNote("USB ID", {{0x4D, 'A', std::nullopt}});
  // A later write of the same cells means values meant later: it stays to be finished.
  UnfinishedNote newer = Guard.NewNote("head ID G25A$18J1%BTG", {{0x47, 54, std::nullopt}});
  newer.Date = "2999-01-01 00:00:00";
  ASSERT_TRUE(store.Save(older, error).Held());
  ASSERT_TRUE(store.Save(other, error).Held());
  ASSERT_TRUE(store.Save(newer, error).Held());
  EXPECT_TRUE(Logic.WriteHeadId("B1BCDEFABCABY"));
  EXPECT_TRUE(View.RedTexts().empty()) << testing::PrintToString(View.RedTexts());
  const std::vector<FoundNote> left = Guard.Unfinished();
  ASSERT_EQ(left.size(), 2u);
  EXPECT_EQ(left[0].Note.Item, "USB ID");
  EXPECT_EQ(left[1].Note.Item, "head ID G25A$18J1%BTG");
}

// A stop asked before the first cell: nothing written, nothing noted; but a note taken up from an
// earlier run stays, since its cells still hold a mix.
TEST_F(GuardedHeadIdWrite, AStopBeforeTheFirstCellWritesNothing) {
  const EepromImage::Cells before = Printer.Eeprom();
  StopAfterWrites now(Printer, 0);
  Guard.SetStopSignals(now);
  EXPECT_TRUE(Logic.WriteHeadId("B1BCDEFABCABY"));
  ASSERT_EQ(View.RedTexts().size(), 1u);
  EXPECT_EQ(View.RedTexts()[0], "Stopped before the first cell: nothing was written to the printer.");
  EXPECT_EQ(Printer.Eeprom(), before);
  EXPECT_TRUE(Guard.Unfinished().empty());

  std::string error;
  ASSERT_TRUE(NoteStore(Folder.Path.string()).Save(Guard.NewNote("restore", {{0x33, 0x05, 0x01}}), error).Held());
  const std::vector<FoundNote> left = Guard.Unfinished();
  ASSERT_EQ(left.size(), 1u);
  UnfinishedLogic finishing(View, Comm, Guard);
  EXPECT_FALSE(finishing.Finish(left[0]));
  EXPECT_EQ(Guard.Unfinished().size(), 1u);
  EXPECT_EQ(Printer.Eeprom(), before);
}

TEST_F(GuardedHeadIdWrite, NoNoteNoWrite) {
  std::ofstream(Folder.Path / "file") << "x";
  Guard.SetFolder((Folder.Path / "file" / "notes").string());
  const EepromImage::Cells before = Printer.Eeprom();
  EXPECT_TRUE(Logic.WriteHeadId("B1BCDEFABCABY"));
  ASSERT_EQ(View.RedTexts().size(), 1u);
  EXPECT_NE(View.RedTexts()[0].find("Nothing was written to the printer."), std::string::npos);
  EXPECT_EQ(Printer.Eeprom(), before);
}

// A restore stopped part-way: its note keeps what the question read, old values and identity with them.
TEST_F(GuardedHeadIdWrite, AStoppedRestoreNotesTheOldValuesAndThePrintersIdentity) {
  EepromSettingLogic restore(View, Comm, Choice, Model, Boxes, Clock, Guard);
  BackupValues wanted{};
  for (size_t i = 0; i < BackupSet.size(); ++i) wanted[i] = static_cast<uint8_t>(Printer.Eeprom()[BackupSet[i]] ^ 0x5A);
  const EepromImage::Cells before = Printer.Eeprom();
  EXPECT_EQ(restore.ChangesOnPrinter(wanted).size(), BackupSet.size());
  StopAfterWrites stop(Printer, 3);
  Guard.SetStopSignals(stop);
  EXPECT_FALSE(restore.RestoreValues(wanted));
  ASSERT_EQ(View.RedTexts().size(), 1u);
  EXPECT_EQ(View.RedTexts()[0], StoppedText(3, 69));
  const std::vector<FoundNote> notes = Guard.Unfinished();
  ASSERT_EQ(notes.size(), 1u);
  const UnfinishedNote& note = notes[0].Note;
  EXPECT_EQ(note.Item, "restore");
  EXPECT_EQ(note.HeadId, "M3EURJOOTG4KK");
  EXPECT_EQ(note.UsbId, "TZ3K048271Q3E9C520");
  ASSERT_EQ(note.Cells.size(), BackupSet.size());
  for (size_t i = 0; i < BackupSet.size(); ++i) {
    EXPECT_EQ(note.Cells[i], (NoteCell{BackupSet[i], wanted[i], before[BackupSet[i]]})) << i;
    EXPECT_EQ(Printer.Eeprom()[BackupSet[i]], i < 3 ? wanted[i] : before[BackupSet[i]]) << i;
  }
}

}  // namespace

// The Bi-D page's candidates under a note of the stored value: put back after a stop where the
// printer answers, left noted where it does not, and never tried without a note.
class GuardedBidPage : public GuardedHeadIdWrite {
protected:
  TPRaster Raster{Comm, Factory, Boxes, Fatal};
  TPBid Bid{Comm, Factory, Raster};

  void SetUp() override {
    GuardedHeadIdWrite::SetUp();
    Bid.GuardTrials(Guard);
  }
};

TEST_F(GuardedBidPage, AValueUnderTrialIsPutBackOrLeftNotedForTheNextRun) {
  const uint8_t stored = Printer.Eeprom()[0x36];
  const uint8_t trial = static_cast<uint8_t>(stored - 4);
  std::string problem;
  ASSERT_TRUE(Guard.BeginTrial("Bi-D page (MS Color)", {{0x36, stored, std::nullopt}}, problem)) << problem;
  EXPECT_TRUE(Guard.Unfinished().empty());  // held by the page while it runs
  Printer.SetEepromCell(0x36, trial);
  char expected[160];
  std::snprintf(expected, sizeof expected,
                "The Bi-D page (MS Color) was stopped while it tried other values: the printer holds its stored value "
                "again (cell 36 = %02X, read back).",
                stored);
  EXPECT_EQ(Guard.PutBackTrial(Confirm), expected);
  EXPECT_EQ(Printer.Eeprom()[0x36], stored);
  EXPECT_FALSE(Guard.Trying());

  // A printer that does not answer keeps the value under trial: the note stays, and says so.
  ASSERT_TRUE(Guard.BeginTrial("Bi-D page (MS Color)", {{0x36, stored, std::nullopt}}, problem));
  Printer.SetEepromCell(0x36, trial);
  Printer.Faults().NoAnswer = true;
  EXPECT_NE(Guard.PutBackTrial(Confirm).find("could not be put back: the printer may hold a value under trial"),
            std::string::npos);
  EXPECT_EQ(Printer.Eeprom()[0x36], trial);
  EXPECT_TRUE(Guard.Trying());
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Folder.Path), std::filesystem::directory_iterator()), 1);
  // Once the printer answers again, the next stop puts it back.
  Printer.Faults().NoAnswer = false;
  Comm.RequestStatus();
  EXPECT_EQ(Guard.PutBackTrial(Confirm), expected);
  EXPECT_EQ(Printer.Eeprom()[0x36], stored);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Folder.Path), std::filesystem::directory_iterator()), 0);
}

TEST_F(GuardedBidPage, APageThatCannotNoteItsValuesTriesNoCandidate) {
  std::ofstream(Folder.Path / "file") << "x";
  Guard.SetFolder((Folder.Path / "file" / "notes").string());
  const EepromImage::Cells before = Printer.Eeprom();
  const uint32_t writesBefore = Printer.HostEepromWrites();
  const std::vector<std::string> untried = Bid.PrintBidPage(false);
  ASSERT_EQ(untried.size(), BidValues.size());
  EXPECT_EQ(untried[0].rfind("The MS Black value was not tried: the note of its stored value could not be saved (", 0),
            0u)
      << untried[0];
  EXPECT_EQ(Printer.HostEepromWrites(), writesBefore);
  EXPECT_EQ(Printer.Eeprom(), before);

  // With its notes it tries every candidate and leaves none of them, nor a note, behind.
  Guard.SetFolder(Folder.Path.string());
  EXPECT_TRUE(Bid.PrintBidPage(false).empty());
  // Each section: its candidates in every pass, then the stored value back.
  const uint32_t written = Printer.HostEepromWrites() - writesBefore;
  EXPECT_GE(written, BidValues.size() * (BidCandidateOffsets.size() + 1));
  EXPECT_EQ(written % BidValues.size(), 0u);
  EXPECT_EQ(Printer.Eeprom(), before);
  EXPECT_TRUE(Guard.Unfinished().empty());
  EXPECT_FALSE(Guard.Trying());
}

// "Restore from file…" on a printer whose values cannot be read: refused before the question, nothing written.
TEST_F(GuardedHeadIdWrite, ARestoreOverValuesThatCannotBeReadAsksNothingAndWritesNothing) {
  EepromSettingLogic restore(View, Comm, Choice, Model, Boxes, Clock, Guard);
  BackupValues values{};
  ASSERT_EQ(restore.ReadBoard(values), EepromReadOutcome::Answered);
  values[0] ^= 0x5A;  // one cell the restore would change
  std::string error;
  const std::optional<std::string> path = restore.SaveBoard(values, (Folder.Path / "backups").string(), error);
  ASSERT_TRUE(path) << error;
  const EepromImage::Cells before = Printer.Eeprom();
  Printer.Faults().ShortEepromReply = true;
  Printer.Faults().EepromFaultCell = BackupSet[5];
  restore.RestoreFile(*path);
  ASSERT_EQ(View.RedTexts().size(), 1u);
  EXPECT_EQ(View.RedTexts()[0], "1 of 69 cells could not be read from the printer: a restore writes nothing without "
                                "knowing what it replaces. Nothing was written to the printer.");
  EXPECT_TRUE(Boxes.Shown.empty());  // no question over values nobody knows
  EXPECT_EQ(Printer.Eeprom(), before);
  EXPECT_TRUE(Guard.Unfinished().empty());
  // The same refusal when the values are written without a look at the printer first.
  EXPECT_FALSE(EepromSettingLogic(View, Comm, Choice, Model, Boxes, Clock, Guard).RestoreValues(values));
  EXPECT_EQ(Printer.Eeprom(), before);
}
