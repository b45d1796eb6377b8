// Print jobs of the virtual printer: cut at form feeds and channel closes, written one file each.
#include "sim/engine/JobRecorder.h"
#include "platform/ShownText.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string_view>
#include <system_error>
#include <utility>

#include "platform/RegularFile.h"
#include "sim/files/SimFile.h"

namespace {

// A job that holds nothing but ESC @ resets prints nothing.
bool OnlyResets(const std::vector<uint8_t>& bytes) {
  if (bytes.size() % 2 != 0) return false;
  for (size_t i = 0; i < bytes.size(); i += 2)
    if (bytes[i] != PrintLanguage::Esc || bytes[i + 1] != PrintLanguage::ResetLetter) return false;
  return true;
}

// The number of a file named NNNN.prn (four digits or more), 0 for other names.
int JobNumber(const std::string& name) {
  constexpr std::string_view Suffix = ".prn";
  if (name.size() < 4 + Suffix.size() || name.compare(name.size() - Suffix.size(), Suffix.size(), Suffix) != 0)
    return 0;
  int number = 0;
  for (size_t i = 0; i + Suffix.size() < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9' || number > 9999999) return 0;
    number = number * 10 + (name[i] - '0');
  }
  return number;
}

}  // namespace

JobRecorder::JobRecorder(std::string directory) : Directory(std::move(directory)) {
  if (Directory.empty()) return;
  std::error_code error;
  std::filesystem::create_directories(Directory, error);
  if (error) {
    MessageList.push_back("cannot create " + ShownText(Directory) + " (" + error.message() + "): jobs are kept in memory only.");
    Directory.clear();
    return;
  }
  std::vector<std::pair<int, std::string>> existing;
  for (const auto& entry : std::filesystem::directory_iterator(Directory, error)) {
    const int number = JobNumber(entry.path().filename().string());
    if (number > 0) existing.emplace_back(number, entry.path().string());
  }
  std::sort(existing.begin(), existing.end());
  if (!existing.empty()) NextNumber = existing.back().first + 1;
  std::vector<std::string> paths;
  for (const auto& entry : existing) paths.push_back(entry.second);
  JobFiles.Existing(std::move(paths));
}

JobRecorder::~JobRecorder() {
  if (CurrentFile >= 0) ::close(CurrentFile);
}

JobRecorder::Progress JobRecorder::Add(const uint8_t* data, size_t length) {
  Progress progress;
  for (size_t i = 0; i < length; ++i) {
    if (CurrentLength < MaxJobBytes) {
      Current.push_back(data[i]);
      ++CurrentLength;
      if (Current.size() >= JobMemoryBytes) Spill();
    } else if (!CurrentCut) {
      CurrentCut = true;
      std::ostream& report = Report != nullptr ? *Report : std::cerr;
      report << "virtual printer: a job longer than " << MaxJobBytes
             << " bytes (one page can hold no more): the rest of it is not kept" << std::endl;
    }
    const PrintTokenizer::Token token = Tokens.Step(data[i]);
    if (token.What == PrintTokenizer::Kind::RasterHeader) ++progress.RasterBlocks;
    if (token.What == PrintTokenizer::Kind::Text && token.Byte == PrintLanguage::FormFeed) {
      ++progress.PageEnds;
      Finish();
    }
  }
  return progress;
}

void JobRecorder::EndJob() { Finish(); }

std::string JobRecorder::NextPath() {
  char name[32];
  std::snprintf(name, sizeof name, "%04d.prn", NextNumber++);
  return (std::filesystem::path(Directory) / name).string();
}

void JobRecorder::Spill() {
  CurrentSpilled = true;
  if (!Directory.empty() && CurrentFile < 0 && CurrentPath.empty()) {
    CurrentPath = NextPath();
    const Outcome<int> opened = OpenRegularFileForWriting(CurrentPath, WriteStart::Afresh);
    CurrentFile = opened ? *opened : -1;
    if (CurrentFile < 0) MessageList.push_back("cannot write " + CurrentPath + ".");
  }
  if (CurrentFile >= 0 && !WriteAll(CurrentFile, Current.data(), Current.size())) {
    MessageList.push_back("cannot write " + CurrentPath + ".");
    ::close(CurrentFile);
    CurrentFile = -1;
  }
  Current.clear();
}

void JobRecorder::Finish() {
  Tokens.Reset();
  const bool spilled = CurrentSpilled;
  if (spilled) Spill();
  CurrentLength = 0;
  CurrentSpilled = false;
  CurrentCut = false;
  if (!spilled && (Current.empty() || OnlyResets(Current))) {
    Current.clear();
    return;
  }
  if (!Directory.empty()) {
    bool written = false;
    if (spilled) {
      written = CurrentFile >= 0 && ::close(CurrentFile) == 0;
      CurrentFile = -1;
    } else {
      CurrentPath = NextPath();
      std::string refusal;
      written = WriteRegularFile(CurrentPath, std::string(Current.begin(), Current.end()), refusal);
    }
    if (written) {
      FileList.push_back(CurrentPath);
      JobFiles.Written(CurrentPath);
    } else {
      if (MessageList.empty() || MessageList.back() != "cannot write " + CurrentPath + ".")
        MessageList.push_back("cannot write " + CurrentPath + ".");
      FileList.emplace_back();
    }
    CurrentPath.clear();
  }
  // A job that left memory is in its file only.
  Finished.push_back(spilled ? std::vector<uint8_t>() : std::move(Current));
  Current = {};
  if (Finished.size() > JobsKeptInMemory) std::vector<uint8_t>().swap(Finished[Finished.size() - 1 - JobsKeptInMemory]);
}
