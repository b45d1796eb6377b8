#include "service/ManualSections.h"

#include "service/BackupFile.h"
#include "service/ServiceRecord.h"
#include "service/UnfinishedWrite.h"

#include <string>

namespace {

// "$XDG_DATA_HOME/arvana-adjust/backups/ (by default ~/.local/share/arvana-adjust/backups/)".
std::string PlaceText(const UserFolderPlace& place) {
  return std::string("$") + place.Variable + "/" + place.Name + "/ (by default ~/" + place.Fallback + "/" +
         place.Name + "/)";
}

void WriteVariable(ManualPage& page, const UserFolderPlace& place, const std::string& what) {
  page.Entry(ManualWords().Bold(place.Variable),
             "Where " + what + " lie (an absolute path; else ~/" + place.Fallback + ").");
}

}  // namespace

void WriteEnvironmentSection(ManualPage& page) {
  page.Section("Environment");
  WriteVariable(page, BackupPlace, "the backup files");
  WriteVariable(page, UnfinishedPlace, "the notes of unfinished writes");
  page.Entry(ManualWords().Bold("ARVANA_DEVICE_LPT1").Roman("..3, ").Bold("ARVANA_DEVICE_VLUSB1").Roman("..3"),
             "Another device node for that port, for example the pseudo-terminal of arvana-printer-sim serve.");
}

void WriteFilesSection(ManualPage& page, const char* simulatorOption) {
  page.Section("Files");
  page.Entry(ManualWords().Italic(PlaceText(BackupPlace)),
             "Backup files of the board's values: written by a backup, read by a restore and a comparison; a "
             "backup file is never written over.");
  page.Entry(ManualWords().Italic(PlaceText(UnfinishedPlace)),
             "Notes of writes that did not finish, one per port, each naming the cells with their old and "
             "intended values.");
  page.Entry(ManualWords().Italic(PlaceText(RecordPlace)),
             "Service records, one JSON Lines file per printer (named by its USB ID, else its head ID): every visit "
             "and what it read, wrote and printed, appended and never rewritten; shown by arvana-service report.");
  page.Paragraph(ManualWords().Roman("With ").Bold(simulatorOption).Roman(", the virtual printer's folder ").Italic("DIR").Roman(" keeps:"));
}
