// Notes of writes to the printer in progress: each multi-cell write leaves one on disk before its
// first cell and removes it when the read-back confirms every cell, so that a write cut off by a
// kill, a power cut or a pulled cable is found, and can be finished, the next time.
#pragma once

#include "platform/NewFile.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One cell to be written: the value meant for it, and its value before where the item had read it.
struct NoteCell {
  uint8_t Address = 0;
  uint8_t Value = 0;
  std::optional<uint8_t> Old;

  bool operator==(const NoteCell&) const = default;
};

struct UnfinishedNote {
  std::string Item;     // "restore", "head ID" ...: what was being written
  std::string Port;     // "VLUSB1", "LPT1" ...
  std::string Printer;  // the virtual printer's folder; empty for the printer on the port
  std::string Model;    // "Arvana Print 360"
  std::string Date;     // local time of the start, "2026-12-09 11:30:05"
  std::string HeadId;   // the printer's identity as read before the write; empty when not read
  std::string UsbId;
  std::vector<NoteCell> Cells;

  bool operator==(const UnfinishedNote&) const = default;
};

// A note as it stands on disk: format line, "name = value" fields, one "cell AA = VV" line per
// cell (" was WW" after it where the old value is known).
std::string FormatNote(const UnfinishedNote& note);
// The note a text holds; nothing, with the reason, for a text that is none.
std::optional<UnfinishedNote> ParseNote(std::string_view text, std::string& problem);

// $XDG_STATE_HOME/arvana-adjust/unfinished (by default ~/.local/state/arvana-adjust/unfinished).
constexpr UserFolderPlace UnfinishedPlace{"XDG_STATE_HOME", ".local/state", "arvana-adjust/unfinished"};
std::string UnfinishedFolder();

// A note found on disk, with the file it lives in.
struct FoundNote {
  std::string Path;
  UnfinishedNote Note;
};

// A note file held by the write it belongs to (an exclusive lock on it, for as long as this lives):
// while it is held the write is under way, and nobody else takes the note for an unfinished one.
class HeldNote {
public:
  HeldNote() = default;
  HeldNote(std::string path, int descriptor) : Path(std::move(path)), Descriptor(descriptor) {}
  HeldNote(HeldNote&& other) noexcept;
  HeldNote& operator=(HeldNote&& other) noexcept;
  ~HeldNote();
  HeldNote(const HeldNote&) = delete;
  HeldNote& operator=(const HeldNote&) = delete;

  bool Held() const { return Descriptor >= 0; }
  std::string Path;

private:
  int Descriptor = -1;
};

// The notes in one folder, on disk.
class NoteStore {
public:
  explicit NoteStore(std::string folder) : Folder(std::move(folder)) {}

  // Writes the note as a new file, synced, whole or not at all, and holds it from before its name
  // appears; nothing held, and why, when it cannot.
  HeldNote Save(const UnfinishedNote& note, std::string& error);
  // Holds a note found on disk; nothing held when another program holds it (its write is under way).
  static HeldNote Take(const std::string& path);
  // The notes of one port and printer that no running write holds, oldest first. A file that
  // cannot be read or is no note is listed in `problems` and left where it is.
  std::vector<FoundNote> NotesFor(const std::string& port, const std::string& printer,
                                  std::vector<std::string>* problems = nullptr) const;
  // Removes a note's file; false, with the reason, when it stays.
  static bool Remove(const std::string& path, std::string& error);


private:
  std::string Folder;
};

// What the technician is told of a note: the item, the date and the cells that may hold a mix.
std::string DescribeNote(const UnfinishedNote& note);

// "Stopped: 40 of 69 cells written; the printer holds a mix of old and new values. Run the same
// command again to finish it.", or that nothing was written when no cell was.
std::string StoppedText(size_t written, size_t total);
