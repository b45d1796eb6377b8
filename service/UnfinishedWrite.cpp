#include "service/UnfinishedWrite.h"

#include "platform/Crc32.h"
#include "platform/NewFile.h"
#include "platform/RegularFile.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <sstream>
#include <system_error>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

constexpr std::string_view FormatLine = "arvana-adjust unfinished write 1";
constexpr const char* ChecksumKey = "checksum = ";
constexpr const char* NoteExtension = ".note";
// A note names at most every cell of the EEPROM; anything longer is no note of ours.
constexpr size_t NoteLimit = 16 * 1024;

std::string Hex(unsigned value) {
  char text[3];
  std::snprintf(text, sizeof text, "%02X", value & 0xFFu);
  return text;
}

std::optional<uint8_t> ParseHex(std::string_view text) {
  if (text.size() != 2) return std::nullopt;
  unsigned value = 0;
  for (char c : text) {
    const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    if (digit < 0) return std::nullopt;
    value = value * 16 + static_cast<unsigned>(digit);
  }
  return static_cast<uint8_t>(value);
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\r')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

// Field values stay on one line of printable text: nothing typed or read can break the format.
std::string OneLine(const std::string& text) {
  std::string line;
  for (char c : text) line.push_back(static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c);
  return line;
}

// A file name of the port and printer: the same port of two virtual printers keeps separate notes.
std::string NamePrefix(const std::string& port, const std::string& printer) {
  if (printer.empty()) return port + "-";
  // FNV-1a: the same folder gives the same name in every build of the program.
  uint32_t hash = 2166136261u;
  for (unsigned char c : printer) hash = (hash ^ c) * 16777619u;
  char text[9];
  std::snprintf(text, sizeof text, "%08x", hash);
  return port + "-virtual-" + text + "-";
}

}  // namespace

std::string FormatNote(const UnfinishedNote& note) {
  std::string text = std::string(FormatLine) + "\n";
  text += "item = " + OneLine(note.Item) + "\n";
  text += "port = " + OneLine(note.Port) + "\n";
  text += "printer = " + OneLine(note.Printer) + "\n";
  text += "model = " + OneLine(note.Model) + "\n";
  text += "date = " + OneLine(note.Date) + "\n";
  text += "head-id = " + OneLine(note.HeadId) + "\n";
  text += "usb-id = " + OneLine(note.UsbId) + "\n";
  for (const NoteCell& cell : note.Cells) {
    text += "cell " + Hex(cell.Address) + " = " + Hex(cell.Value);
    if (cell.Old) text += " was " + Hex(*cell.Old);
    text += "\n";
  }
  char checksum[9];
  std::snprintf(checksum, sizeof checksum, "%08X", Crc32(text));
  return text + ChecksumKey + checksum + "\n";
}

std::optional<UnfinishedNote> ParseNote(std::string_view text, std::string& problem) {
  // The last line checks every byte before it: a note edited by hand, or cut short, is not written from.
  const size_t checksumLine = text.rfind(ChecksumKey);
  std::string_view stated = checksumLine == std::string_view::npos ? std::string_view()
                                                                    : text.substr(checksumLine + std::strlen(ChecksumKey));
  while (!stated.empty() && (stated.back() == '\n' || stated.back() == '\r')) stated.remove_suffix(1);
  char expected[9];
  std::snprintf(expected, sizeof expected, "%08X", Crc32(text.substr(0, checksumLine)));
  if (checksumLine == std::string_view::npos || (checksumLine > 0 && text[checksumLine - 1] != '\n') ||
      stated != std::string_view(expected)) {
    problem = "its checksum does not match: it was changed or cut short";
    return std::nullopt;
  }
  text = text.substr(0, checksumLine);
  std::istringstream lines{std::string(text)};
  std::string line;
  if (!std::getline(lines, line) || Trimmed(line) != FormatLine) {
    problem = "not a note of an unfinished write";
    return std::nullopt;
  }
  UnfinishedNote note;
  const std::vector<std::pair<std::string_view, std::string*>> fields{
      {"item", &note.Item},  {"port", &note.Port},       {"printer", &note.Printer}, {"model", &note.Model},
      {"date", &note.Date},  {"head-id", &note.HeadId},  {"usb-id", &note.UsbId}};
  while (std::getline(lines, line)) {
    const std::string_view content = Trimmed(line);
    if (content.empty()) continue;
    const size_t equals = content.find('=');
    if (equals == std::string_view::npos) {
      problem = "a line is not understood: " + std::string(content);
      return std::nullopt;
    }
    const std::string_view name = Trimmed(content.substr(0, equals));
    const std::string_view value = Trimmed(content.substr(equals + 1));
    if (name.starts_with("cell ")) {
      const std::optional<uint8_t> address = ParseHex(name.substr(5));
      const std::optional<uint8_t> wanted = ParseHex(value.substr(0, 2));
      const std::optional<uint8_t> old = value.size() == 9 && value.substr(2, 5) == " was " ? ParseHex(value.substr(7))
                                                                                          : std::nullopt;
      if (!address || !wanted || (value.size() != 2 && !old)) {
        problem = "a cell line is not understood: " + std::string(content);
        return std::nullopt;
      }
      note.Cells.push_back({*address, *wanted, old});
      continue;
    }
    const auto field = std::find_if(fields.begin(), fields.end(), [&](const auto& f) { return f.first == name; });
    if (field == fields.end()) {
      problem = "a line is not understood: " + std::string(content);
      return std::nullopt;
    }
    *field->second = std::string(value);
  }
  if (note.Item.empty() || note.Port.empty() || note.Cells.empty()) {
    problem = "the note names no item, port or cell";
    return std::nullopt;
  }
  return note;
}

std::string UnfinishedFolder() { return UserFolder(UnfinishedPlace); }

HeldNote::HeldNote(HeldNote&& other) noexcept : Path(std::move(other.Path)), Descriptor(other.Descriptor) {
  other.Descriptor = -1;
}

HeldNote& HeldNote::operator=(HeldNote&& other) noexcept {
  if (this != &other) {
    if (Descriptor >= 0) ::close(Descriptor);
    Path = std::move(other.Path);
    Descriptor = other.Descriptor;
    other.Descriptor = -1;
  }
  return *this;
}

HeldNote::~HeldNote() {
  if (Descriptor >= 0) ::close(Descriptor);  // the lock goes with the descriptor
}

HeldNote NoteStore::Save(const UnfinishedNote& note, std::string& error) {
  // The date, then the moment to the nanosecond, then the process and a counter: names sort in
  // the order the writes began, which is the order their notes are finished in.
  static unsigned sequence = 0;
  std::string stamp = note.Date;
  std::replace(stamp.begin(), stamp.end(), ' ', 'T');
  std::replace(stamp.begin(), stamp.end(), ':', '-');
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  char moment[64];
  std::snprintf(moment, sizeof moment, "-%010lld%09ld-%d-%06u", static_cast<long long>(now.tv_sec), now.tv_nsec,
                static_cast<int>(::getpid()), ++sequence);
  const std::string name = NamePrefix(note.Port, note.Printer) + stamp + moment;
  const std::filesystem::path folder(Folder);
  const std::string path = (folder / (name + NoteExtension)).string();
  const std::string temporary = (folder / (name + ".tmp")).string();
  std::error_code made;
  std::filesystem::create_directories(folder, made);
  const auto fail = [&error](const std::string& what) {
    error = what + ": " + std::error_code(errno, std::generic_category()).message();
    return HeldNote();
  };
  if (made) {
    error = Folder + ": " + made.message();
    return {};
  }
  const int descriptor = ::open(temporary.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (descriptor < 0) return fail(temporary);
  HeldNote held(path, descriptor);
  // Locked before the name appears: no other program ever sees it free while this write runs.
  const std::string text = FormatNote(note);
  bool written = ::flock(descriptor, LOCK_EX) == 0;
  for (size_t done = 0; written && done < text.size();) {
    const ssize_t count = ::write(descriptor, text.data() + done, text.size() - done);
    if (count < 0 && errno == EINTR) continue;
    written = count > 0;
    if (written) done += static_cast<size_t>(count);
  }
  written = written && ::fsync(descriptor) == 0 && ::link(temporary.c_str(), path.c_str()) == 0;
  const int cause = errno;
  ::unlink(temporary.c_str());
  if (!written) {
    errno = cause;
    return fail(path);
  }
  if (const int directory = ::open(Folder.c_str(), O_RDONLY | O_CLOEXEC); directory >= 0) {
    ::fsync(directory);  // the name reaches the disk before the first cell goes out
    ::close(directory);
  }
  return held;
}

HeldNote NoteStore::Take(const std::string& path) {
  const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
  if (descriptor < 0) return {};
  if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
    ::close(descriptor);
    return {};
  }
  return HeldNote(path, descriptor);
}

std::vector<FoundNote> NoteStore::NotesFor(const std::string& port, const std::string& printer,
                                          std::vector<std::string>* problems) const {
  std::vector<FoundNote> notes;
  std::error_code error;
  const std::string prefix = NamePrefix(port, printer);
  for (const auto& entry : std::filesystem::directory_iterator(Folder, error)) {
    const std::string name = entry.path().filename().string();
    if (!name.starts_with(prefix) || !name.ends_with(NoteExtension)) continue;
    if (!entry.is_regular_file(error)) {
      // Only a file is read: a FIFO or a device must not keep the program waiting.
      if (problems != nullptr) problems->push_back(entry.path().string() + ": not a regular file");
      continue;
    }
    // A note a running write holds is no unfinished one: that write is still under way.
    if (!Take(entry.path().string()).Held()) continue;
    const Outcome<std::string> text = ReadWholeFile(entry.path().string(), NoteLimit);
    std::string problem = text ? std::string() : text.Fault().Message;
    std::optional<UnfinishedNote> note;
    if (text) note = ParseNote(*text, problem);
    if (note && (note->Port != port || note->Printer != printer)) continue;  // another printer's name by chance
    if (!note) {
      if (problems != nullptr) problems->push_back(entry.path().string() + ": " + problem);
      continue;
    }
    notes.push_back({entry.path().string(), std::move(*note)});
  }
  std::sort(notes.begin(), notes.end(), [](const FoundNote& a, const FoundNote& b) {
    return a.Note.Date != b.Note.Date ? a.Note.Date < b.Note.Date : a.Path < b.Path;
  });
  return notes;
}

bool NoteStore::Remove(const std::string& path, std::string& error) {
  if (::unlink(path.c_str()) != 0) {
    error = path + ": " + std::error_code(errno, std::generic_category()).message();
    return false;
  }
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  if (const int descriptor = ::open(folder.c_str(), O_RDONLY | O_CLOEXEC); descriptor >= 0) {
    ::fsync(descriptor);  // the removal reaches the disk before anybody is told the write is done
    ::close(descriptor);
  }
  return true;
}

std::string DescribeNote(const UnfinishedNote& note) {
  // Runs of neighbouring cells as "10-27": a restore names 69 cells.
  std::string cells;
  for (size_t i = 0; i < note.Cells.size();) {
    size_t last = i;
    while (last + 1 < note.Cells.size() && note.Cells[last + 1].Address == note.Cells[last].Address + 1) ++last;
    cells += (cells.empty() ? "" : " ") + Hex(note.Cells[i].Address);
    if (last > i) cells += "-" + Hex(note.Cells[last].Address);
    i = last + 1;
  }
  // Whatever a note says reaches a terminal as plain text only.
  return "A write did not finish: " + OneLine(note.Item) + " on " + OneLine(note.Port) + ", started " +
         OneLine(note.Date) + ". Cells " + cells +
         " may hold a mix of old and new values.";
}

std::string StoppedText(size_t written, size_t total) {
  if (written == 0) return "Stopped before the first cell: nothing was written to the printer.";
  return "Stopped: " + std::to_string(written) + " of " + std::to_string(total) +
         " cells written; the printer holds a mix of old and new values. Run the same command again to finish it.";
}
