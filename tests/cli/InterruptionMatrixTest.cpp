// Every multi-cell write of arvana-service cut off at every point it can be cut off: the virtual
// printer holds after a known count of cells, and then the program gets SIGINT or SIGTERM, is
// killed and started again, meets a second program on the same printer, or the printer is switched
// off. Each run is the real program in a child process. A run that changed the printer ends with a
// ten-second reset, so the scenarios run side by side, each in its own folders.
#include "tests/cli/ChildProcess.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr const char* ServicePath = ARVANA_SERVICE_PATH;
constexpr auto HoldDeadline = 30s;
constexpr auto ExitDeadline = 60s;
// The children mostly wait (for replies, for the reset); two cores carry this many at once.
constexpr size_t ScenariosAtOnce = 24;
constexpr uint8_t Scramble = 0x5A;

SteadyTime In(std::chrono::seconds span) { return std::chrono::steady_clock::now() + span; }

std::string Hex(unsigned value) {
  char text[3];
  std::snprintf(text, sizeof text, "%02X", value & 0xFFu);
  return text;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// A new file put in place whole: the virtual printer reads faults.conf whenever it looks changed,
// and must never see it half written.
bool ReplaceFile(const fs::path& path, const std::string& text) {
  const fs::path temporary = path.string() + ".test-new";
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    file << text;
    if (!file.flush()) return false;
  }
  std::error_code error;
  fs::rename(temporary, path, error);
  return !error;
}

struct RunResult {
  std::optional<int> Status;
  std::string Out;
  std::string Err;
};

bool ClaimsSuccess(const RunResult& run) {
  for (const char* claim : {"has been written", "succeeded", "is finished"})
    if (run.Out.find(claim) != std::string::npos || run.Err.find(claim) != std::string::npos) return true;
  return false;
}

std::string StatusText(const std::optional<int>& status) { return status ? std::to_string(*status) : "none (still running)"; }

// A write's note as it lies on disk: the item and every cell with the value meant for it.
struct Note {
  std::string Text;
  std::string Item;
  std::vector<std::pair<uint8_t, uint8_t>> Cells;
};

std::optional<Note> ParseNote(const std::string& text) {
  Note note;
  note.Text = text;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    unsigned address = 0;
    unsigned value = 0;
    if (line.rfind("item = ", 0) == 0) note.Item = line.substr(7);
    if (std::sscanf(line.c_str(), "cell %2x = %2x", &address, &value) == 2)
      note.Cells.emplace_back(static_cast<uint8_t>(address), static_cast<uint8_t>(value));
  }
  if (note.Item.empty() || note.Cells.empty()) return std::nullopt;
  return note;
}

// How many cells of the write, from the first in its order, the image holds with their new value,
// provided every later one still holds its old value; nothing when no such cut explains the image.
std::optional<size_t> WrittenPrefix(const std::string& image, const std::string& before, const Note& note) {
  if (image.size() != 256 || before.size() != 256) return std::nullopt;
  size_t written = 0;
  while (written < note.Cells.size() &&
         static_cast<uint8_t>(image[note.Cells[written].first]) == note.Cells[written].second)
    ++written;
  for (size_t i = written; i < note.Cells.size(); ++i)
    if (image[note.Cells[i].first] != before[note.Cells[i].first]) return std::nullopt;
  return written;
}

// The host blocks of capture.log, in order.
std::vector<std::vector<uint8_t>> HostBlocks(const std::string& capture) {
  std::vector<std::vector<uint8_t>> blocks;
  std::istringstream lines(capture);
  for (std::string line; std::getline(lines, line);) {
    const size_t marker = line.find(" H>P");
    if (marker == std::string::npos) continue;
    std::istringstream bytes(line.substr(marker + 4));
    std::vector<uint8_t> block;
    for (unsigned value = 0; bytes >> std::hex >> value;) block.push_back(static_cast<uint8_t>(value));
    blocks.push_back(std::move(block));
  }
  return blocks;
}

// A block for the link itself (socket 0): its command byte.
std::optional<uint8_t> LinkCommand(const std::vector<uint8_t>& block) {
  if (block.size() < 7 || block[0] != 0 || block[1] != 0) return std::nullopt;
  return block[6];
}

bool IsEepromWrite(const std::vector<uint8_t>& block) {
  static const std::vector<uint8_t> WriteCode{0x42, 0xBD, 0x21};
  return std::search(block.begin(), block.end(), WriteCode.begin(), WriteCode.end()) != block.end();
}

// Whether the host shut the link down after its last EEPROM write: every channel it opened closed
// again afterwards, and the exit from the link its last block. Empty when it did, else what is missing.
std::string LinkShutDownProblem(const std::string& capture) {
  constexpr uint8_t Open = 0x01, Close = 0x02, Exit = 0x08;
  const std::vector<std::vector<uint8_t>> blocks = HostBlocks(capture);
  if (blocks.empty()) return "capture.log holds no host block";
  size_t lastWrite = 0;
  std::set<uint8_t> opened;
  for (size_t i = 0; i < blocks.size(); ++i) {
    if (IsEepromWrite(blocks[i])) lastWrite = i;
    if (LinkCommand(blocks[i]) == Open && blocks[i].size() > 7) opened.insert(blocks[i][7]);
  }
  std::set<uint8_t> closed;
  for (size_t i = lastWrite; i < blocks.size(); ++i)
    if (LinkCommand(blocks[i]) == Close && blocks[i].size() > 7) closed.insert(blocks[i][7]);
  for (uint8_t channel : opened)
    if (closed.count(channel) == 0) return "channel " + Hex(channel) + " was not closed after the last write";
  if (LinkCommand(blocks.back()) != Exit) return "the last host block is no exit from the link";
  return {};
}

struct Writer {
  const char* Name;
  std::vector<std::string> Command;  // the backup file is added for the restore
  std::vector<uint8_t> Cells;        // in the order written
  std::map<uint8_t, uint8_t> Known;  // intended values known beforehand; the rest only the note tells
  bool FromBackup = false;           // intended values: those of a backup made first
};

std::vector<uint8_t> CellRange(std::vector<uint8_t> cells, unsigned first, unsigned last) {
  for (unsigned cell = first; cell <= last; ++cell) cells.push_back(static_cast<uint8_t>(cell));
  return cells;
}

std::vector<Writer> Writers() {
  std::vector<uint8_t> restore{0x0A, 0x0B};
  restore = CellRange(restore, 0x10, 0x27);
  restore.insert(restore.end(), {0x2A, 0x2B, 0x2E});
  restore = CellRange(restore, 0x33, 0x39);
  restore = CellRange(restore, 0x3F, 0x5F);
  std::map<uint8_t, uint8_t> serial;
  const std::string typed = "ABC1234567";
  for (size_t i = 0; i < typed.size(); ++i) serial[static_cast<uint8_t>(0x4D + i)] = static_cast<uint8_t>(typed[i]);
  return {
      {"restore", {"--model", "360", "--yes", "restore"}, restore, {}, true},
      {"init", {"--model", "360", "--yes", "init"}, {0x3A, 0x3C, 0x5F}, {{0x3A, 0x03}, {0x3C, 0x99}, {0x5F, 0x10}}},
      {"head-id", {"--yes", "head-id", "--write", "B1BCDEFABCABY"},
       {0x47, 0x3F, 0x46, 0x40, 0x41, 0x43, 0x44, 0x45, 0x48, 0x4B, 0x49, 0x4C, 0x4A}, {}},
      {"usb-id", {"--yes", "usb-id", "--write", typed}, CellRange({}, 0x4D, 0x5E), serial},
      {"bid", {"--yes", "bid", "--write", "ms-color=7"}, {0x36, 0x2A, 0x2B}, {{0x36, 0x07}, {0x2A, 0xF9}, {0x2B, 0xF9}}},
  };
}

enum class Event { Interrupt, Terminate, Kill, SecondProgram, PowerOff };
constexpr Event Events[] = {Event::Interrupt, Event::Terminate, Event::Kill, Event::SecondProgram, Event::PowerOff};

const char* EventName(Event event) {
  switch (event) {
    case Event::Interrupt: return "SIGINT";
    case Event::Terminate: return "SIGTERM";
    case Event::Kill: return "SIGKILL+start";
    case Event::SecondProgram: return "second program";
    case Event::PowerOff: return "power off";
  }
  return "?";
}

// Holds after the first cell, in the middle and before the last; once each where a short write makes them meet.
std::vector<size_t> HoldCounts(size_t total) {
  std::vector<size_t> counts;
  for (size_t count : {size_t{1}, total / 2, total - 1})
    if (count >= 1 && count < total && std::find(counts.begin(), counts.end(), count) == counts.end())
      counts.push_back(count);
  return counts;
}

struct Scenario {
  const Writer* Write = nullptr;
  size_t Hold = 0;
  Event What = Event::Interrupt;
  std::vector<std::string> Failures;
  std::string Remark;  // how a passing scenario went, where it differs from the others of its column
  std::string Log;
};

// One scenario in its own folders: the virtual printer's, and the state and data homes of its runs.
class ScenarioRun {
public:
  ScenarioRun(Scenario& scenario, const fs::path& folder, const std::vector<std::string>& environment)
      : S(scenario), Folder(folder), Printer(folder / "vp"), NoteFolder(folder / "state/arvana-adjust/unfinished"),
        Environment(environment) {
    fs::create_directories(Printer);
    fs::create_directories(folder / "state");
    fs::create_directories(folder / "data");
    Environment.push_back("XDG_STATE_HOME=" + (folder / "state").string());
    Environment.push_back("XDG_DATA_HOME=" + (folder / "data").string());
  }

  void Go();

private:
  bool Check(bool good, const std::string& failure) {
    if (!good) S.Failures.push_back(failure);
    return good;
  }

  std::vector<std::string> Arguments(const std::vector<std::string>& command) const {
    std::vector<std::string> arguments{"--simulator=" + Printer.string(), "--port", "VLUSB1"};
    arguments.insert(arguments.end(), command.begin(), command.end());
    return arguments;
  }

  std::unique_ptr<Child> Start(const std::vector<std::string>& command, const std::string& label) {
    S.Log += "$ arvana-service";
    for (const std::string& argument : Arguments(command)) S.Log += " " + argument;
    S.Log += "   [" + label + "]\n";
    auto child = std::make_unique<Child>(ServicePath, Arguments(command), Environment, Folder / (label + ".out"));
    Check(child->Started(), label + ": not started (" + child->Problem + ")");
    return child;
  }

  RunResult Finish(Child& child, const std::string& label) {
    RunResult result;
    result.Status = child.WaitForExit(In(ExitDeadline));
    result.Err = child.Errors;
    result.Out = ReadFile(Folder / (label + ".out"));
    S.Log += "  [" + label + "] exit " + StatusText(result.Status) + "\n  stdout: " + result.Out + "\n  stderr: " +
             result.Err + "\n";
    Check(result.Status.has_value(), label + " did not end within " + std::to_string(ExitDeadline.count()) + " s");
    return result;
  }

  RunResult Run(const std::vector<std::string>& command, const std::string& label) {
    std::unique_ptr<Child> child = Start(command, label);
    return Finish(*child, label);
  }

  std::string Image() const { return ReadFile(Printer / "eeprom.bin"); }
  void SetFaults(const std::string& text) { Check(ReplaceFile(Printer / "faults.conf", text), "faults.conf not written"); }

  std::vector<fs::path> NoteFiles() const {
    std::vector<fs::path> files;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(NoteFolder, error)) files.push_back(entry.path());
    return files;
  }

  bool HoldsEveryIntendedValue(const std::string& image) const {
    if (image.size() != 256) return false;
    for (const auto& [address, value] : Intended.Cells)
      if (static_cast<uint8_t>(image[address]) != value) return false;
    return true;
  }

  // A success claim is only true when the printer holds the whole write.
  void CheckClaim(const RunResult& run, const std::string& label) {
    if (ClaimsSuccess(run)) Check(HoldsEveryIntendedValue(Image()), label + " claims success, but the printer lacks values");
  }

  void CheckOtherCellsKept(const std::string& image) {
    std::string expected = Before;
    for (const auto& [address, value] : Intended.Cells) expected[address] = image.size() == 256 ? image[address] : 0;
    Check(image == expected, "cells outside the write changed");
  }

  void CheckNoteKept() {
    Check(ReadFile(NotePath) == Intended.Text, "the note is gone or changed");
  }

  // The printer holds a prefix of the write, cut where the hold stopped it; the count, or nothing.
  std::optional<size_t> CheckCutAtHold(const std::string& image) {
    const std::optional<size_t> written = WrittenPrefix(image, Before, Intended);
    if (!Check(written.has_value(), "eeprom.bin holds no prefix of the write")) return std::nullopt;
    Check(*written >= S.Hold && *written <= S.Hold + 1,
          "eeprom.bin holds " + std::to_string(*written) + " cells, the hold was after " + std::to_string(S.Hold));
    return written;
  }

  bool Prepare(std::vector<std::string>& command);
  bool ReadNote();
  void Stopped(int signal, Child& writer);
  void KilledThenStarted(Child& writer);
  void SecondProgram(Child& writer, const std::vector<std::string>& command);
  void PowerCut(Child& writer);
  void NextStartFinishes();

  Scenario& S;
  fs::path Folder;
  fs::path Printer;
  fs::path NoteFolder;
  std::vector<std::string> Environment;
  std::string Before;  // eeprom.bin before the write
  std::map<uint8_t, uint8_t> Known;
  fs::path NotePath;
  Note Intended;
};

// A printer whose every cell of the write differs from what the write means to put there, so that
// each cell shows whether it was written.
bool ScenarioRun::Prepare(std::vector<std::string>& command) {
  Known = S.Write->Known;
  if (S.Write->FromBackup) {
    const std::string backup = (Folder / "before.eeprom").string();
    const RunResult made = Run({"--model", "360", "backup", "-o", backup}, "backup");
    if (!Check(made.Status == 0, "the backup failed")) return false;
    command.push_back(backup);
  } else if (!Check(Run({"status"}, "first status").Status == 0, "status before the write failed")) {
    return false;
  }
  std::string image = Image();
  if (!Check(image.size() == 256, "eeprom.bin holds " + std::to_string(image.size()) + " bytes")) return false;
  for (uint8_t cell : S.Write->Cells) {
    if (S.Write->FromBackup) Known[cell] = static_cast<uint8_t>(image[cell]);
    image[cell] = static_cast<char>(image[cell] ^ Scramble);
  }
  Before = image;
  return Check(ReplaceFile(Printer / "eeprom.bin", image), "eeprom.bin not written");
}

// The note the held write left before its first cell: the writer's cells in its order, with values.
bool ScenarioRun::ReadNote() {
  const std::vector<fs::path> notes = NoteFiles();
  if (!Check(notes.size() == 1, std::to_string(notes.size()) + " notes while the write was held")) return false;
  NotePath = notes.front();
  const std::optional<Note> note = ParseNote(ReadFile(NotePath));
  if (!Check(note.has_value(), "the note cannot be read")) return false;
  Intended = *note;
  std::vector<uint8_t> addresses;
  for (const auto& [address, value] : Intended.Cells) {
    addresses.push_back(address);
    const auto known = Known.find(address);
    if (known != Known.end())
      Check(known->second == value, "the note means " + Hex(value) + " for cell " + Hex(address) + ", not " +
                                        Hex(known->second));
    Check(static_cast<uint8_t>(Before[address]) != value, "set-up: cell " + Hex(address) + " holds its new value");
  }
  return Check(addresses == S.Write->Cells, "the note's cells are not the writer's cells in order");
}

void ScenarioRun::Stopped(int signal, Child& writer) {
  writer.Signal(signal);
  SetFaults("hold-after-writes = off\n");
  const RunResult run = Finish(writer, "writer");
  Check(run.Status == 128 + signal, "exit " + StatusText(run.Status) + ", not " + std::to_string(128 + signal));
  CheckClaim(run, "the stopped writer");
  const std::string image = Image();
  const size_t total = S.Write->Cells.size();
  std::smatch stop;
  if (std::regex_search(run.Err, stop, std::regex(R"(Stopped: (\d+) of (\d+) cells written)"))) {
    const size_t said = std::stoul(stop[1]);
    Check(std::stoul(stop[2]) == total, "Stopped names " + stop[2].str() + " cells, not " + std::to_string(total));
    Check(said < total, "Stopped after every cell");
    const std::optional<size_t> written = CheckCutAtHold(image);
    if (written) Check(*written == said, "Stopped says " + std::to_string(said) + ", eeprom.bin holds " +
                                             std::to_string(*written));
    CheckNoteKept();
  } else {
    // The stop came while the last cell was in flight: the write went through and was read back.
    Check(S.Hold + 1 >= total, "no Stopped line before the last cell");
    Check(HoldsEveryIntendedValue(image), "no Stopped line, and the write is not whole");
    Check(ClaimsSuccess(run), "no Stopped line, and no success line");
    Check(NoteFiles().empty(), "the note of a whole write stays");
    S.Remark = "whole";
  }
  CheckOtherCellsKept(image);
  const std::string link = LinkShutDownProblem(ReadFile(Printer / "capture.log"));
  Check(link.empty(), "link not shut down: " + link);
}

// The next start names the unfinished write, and finishing it puts every intended value in place.
void ScenarioRun::NextStartFinishes() {
  const RunResult status = Run({"status"}, "status after");
  Check(status.Status == 0, "status after: exit " + StatusText(status.Status));
  Check(status.Err.find("A write did not finish: " + Intended.Item + " on VLUSB1") != std::string::npos,
        "the next start does not name the unfinished " + Intended.Item);
  CheckNoteKept();
  const RunResult finish = Run({"unfinished", "--finish"}, "finish");
  Check(finish.Status == 0, "unfinished --finish: exit " + StatusText(finish.Status));
  CheckClaim(finish, "unfinished --finish");
  Check(finish.Err.find("is finished") != std::string::npos || finish.Out.find("is finished") != std::string::npos,
        "unfinished --finish does not say it is finished");
  const std::string image = Image();
  Check(HoldsEveryIntendedValue(image), "after unfinished --finish the printer lacks values");
  CheckOtherCellsKept(image);
  Check(NoteFiles().empty(), "a note stays after unfinished --finish");
}

void ScenarioRun::KilledThenStarted(Child& writer) {
  writer.Signal(SIGKILL);
  const RunResult run = Finish(writer, "writer");
  Check(run.Status == 128 + SIGKILL, "exit " + StatusText(run.Status) + " after SIGKILL");
  CheckClaim(run, "the killed writer");
  CheckNoteKept();
  CheckCutAtHold(Image());
  SetFaults("hold-after-writes = off\n");
  NextStartFinishes();
}

void ScenarioRun::PowerCut(Child& writer) {
  SetFaults("power = off\n");
  const RunResult run = Finish(writer, "writer");
  // The link failed (1), or a write went out and could not be read back (3): never success.
  Check(run.Status == 1 || run.Status == 3, "exit " + StatusText(run.Status) + " after the power went off");
  Check(!ClaimsSuccess(run), "success claimed with the power off");
  CheckNoteKept();
  CheckCutAtHold(Image());
  SetFaults("power = on\n");
  NextStartFinishes();
}

void ScenarioRun::SecondProgram(Child& writer, const std::vector<std::string>& command) {
  const std::string held = Image();
  const RunResult second = Run(command, "second");
  Check(second.Status == 1, "the second program: exit " + StatusText(second.Status));
  Check(second.Err.find("The virtual printer in " + Printer.string() + " is in use by process " +
                        std::to_string(writer.Id()) + ":") != std::string::npos,
        "the second program does not name the first");
  Check(!ClaimsSuccess(second), "the second program claims success");
  Check(Image() == held, "the second program changed eeprom.bin");
  Check(NoteFiles().size() == 1, "the second program left a note");
  SetFaults("hold-after-writes = off\n");
  const RunResult run = Finish(writer, "writer");
  Check(run.Status == 0, "the released writer: exit " + StatusText(run.Status));
  Check(ClaimsSuccess(run), "the released writer claims no success");
  const std::string image = Image();
  Check(HoldsEveryIntendedValue(image), "the released writer left values missing");
  CheckOtherCellsKept(image);
  Check(NoteFiles().empty(), "the released writer's note stays");
}

void ScenarioRun::Go() {
  std::vector<std::string> command = S.Write->Command;
  if (!Prepare(command)) return;
  SetFaults("hold-after-writes = " + std::to_string(S.Hold) + "\n");
  std::unique_ptr<Child> writer = Start(command, "writer");
  if (!writer->Started()) return;
  const std::string holding = "holding after " + std::to_string(S.Hold) + " EEPROM writes";
  if (!Check(writer->WaitForText(holding, In(HoldDeadline)), "no hold after " + std::to_string(S.Hold) + " writes")) {
    S.Log += "  [writer] stderr so far: " + writer->Errors + "\n";
    return;
  }
  if (!ReadNote()) return;
  switch (S.What) {
    case Event::Interrupt: return Stopped(SIGINT, *writer);
    case Event::Terminate: return Stopped(SIGTERM, *writer);
    case Event::Kill: return KilledThenStarted(*writer);
    case Event::SecondProgram: return SecondProgram(*writer, command);
    case Event::PowerOff: return PowerCut(*writer);
  }
}

// The test's environment, read before any thread starts, without the homes each scenario sets.
std::vector<std::string> InheritedEnvironment() {
  std::vector<std::string> environment;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text = *entry;
    if (text.rfind("XDG_STATE_HOME=", 0) == 0 || text.rfind("XDG_DATA_HOME=", 0) == 0) continue;
    environment.push_back(text);
  }
  return environment;
}

std::string Cell(const Scenario& scenario) {
  if (scenario.Failures.empty()) return scenario.Remark.empty() ? "pass" : "pass (" + scenario.Remark + ")";
  std::string text = scenario.Failures.front();
  if (scenario.Failures.size() > 1) text += " (+" + std::to_string(scenario.Failures.size() - 1) + ")";
  return text;
}

std::string Matrix(const std::vector<Scenario>& scenarios) {
  std::vector<std::vector<std::string>> rows{{"writer, hold after"}};
  for (Event event : Events) rows[0].push_back(EventName(event));
  for (const Scenario& scenario : scenarios) {
    const std::string label = std::string(scenario.Write->Name) + ", " + std::to_string(scenario.Hold);
    if (rows.back()[0] != label) rows.push_back({label});
    rows.back().push_back(Cell(scenario));
  }
  std::vector<size_t> widths(rows[0].size(), 0);
  for (const auto& row : rows)
    for (size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], row[i].size());
  std::string text;
  for (const auto& row : rows) {
    for (size_t i = 0; i < row.size(); ++i) text += row[i] + std::string(widths[i] - row[i].size() + 2, ' ');
    text += "\n";
  }
  return text;
}

TEST(InterruptionMatrix, EveryCutOffWriteIsReportedAndFinishedAndNeverClaimedWhole) {
  const std::vector<Writer> writers = Writers();
  std::vector<Scenario> scenarios;
  for (const Writer& writer : writers)
    for (size_t hold : HoldCounts(writer.Cells.size()))
      for (Event event : Events) scenarios.push_back({&writer, hold, event, {}, {}, {}});

  const fs::path base = fs::temp_directory_path() / ("arvana-matrix-" + std::to_string(::getpid()));
  fs::remove_all(base);
  const std::vector<std::string> environment = InheritedEnvironment();
  // The scenarios start in the writers' order: the restore's, the longest, first.
  std::atomic<size_t> next{0};
  std::vector<std::thread> workers;
  for (size_t i = 0; i < std::min(ScenariosAtOnce, scenarios.size()); ++i) {
    workers.emplace_back([&] {
      for (size_t index = next++; index < scenarios.size(); index = next++) {
        Scenario& scenario = scenarios[index];
        const fs::path folder = base / (std::string(scenario.Write->Name) + "-" + std::to_string(scenario.Hold) + "-" +
                                        std::to_string(static_cast<int>(scenario.What)));
        try {
          ScenarioRun(scenario, folder, environment).Go();
        } catch (const std::exception& fault) {
          scenario.Failures.push_back(std::string("test fault: ") + fault.what());
        }
      }
    });
  }
  for (std::thread& worker : workers) worker.join();

  std::string details;
  for (const Scenario& scenario : scenarios) {
    if (scenario.Failures.empty()) continue;
    details += "\n== " + std::string(scenario.Write->Name) + ", hold after " + std::to_string(scenario.Hold) + ", " +
               EventName(scenario.What) + ":\n";
    for (const std::string& failure : scenario.Failures) details += "- " + failure + "\n";
    details += scenario.Log;
  }
  EXPECT_TRUE(details.empty()) << Matrix(scenarios) << details << "\nThe folders stay in " << base.string();
  if (details.empty()) fs::remove_all(base);
}

}  // namespace
