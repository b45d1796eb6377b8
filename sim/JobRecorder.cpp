// Print jobs of the virtual printer: cut at form feeds and channel closes, written one file each.
#include "sim/JobRecorder.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>
#include <utility>

namespace {

// A job that holds nothing but ESC @ resets prints nothing.
bool OnlyResets(const std::vector<uint8_t>& bytes) {
  if (bytes.size() % 2 != 0) return false;
  for (size_t i = 0; i < bytes.size(); i += 2)
    if (bytes[i] != 0x1B || bytes[i + 1] != 0x40) return false;
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
    MessageList.push_back("cannot create " + Directory + " (" + error.message() + "): jobs are kept in memory only.");
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

JobRecorder::Progress JobRecorder::Add(const uint8_t* data, size_t length) {
  Progress progress;
  for (size_t i = 0; i < length; ++i) {
    Current.push_back(data[i]);
    switch (Scanner.Step(data[i])) {
      case PrintStreamScanner::Event::None:
        break;
      case PrintStreamScanner::Event::RasterBlock:
        ++progress.RasterBlocks;
        break;
      case PrintStreamScanner::Event::FormFeed:
        ++progress.PageEnds;
        Finish();
        break;
    }
  }
  return progress;
}

void JobRecorder::EndJob() { Finish(); }

void JobRecorder::Finish() {
  Scanner.Reset();
  if (Current.empty() || OnlyResets(Current)) {
    Current.clear();
    return;
  }
  if (!Directory.empty()) {
    char name[32];
    std::snprintf(name, sizeof name, "%04d.prn", NextNumber++);
    const std::string path = (std::filesystem::path(Directory) / name).string();
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(Current.data()), static_cast<std::streamsize>(Current.size()));
    file.flush();
    if (file.good()) {
      FileList.push_back(path);
      JobFiles.Written(path);
    } else {
      MessageList.push_back("cannot write " + path + ".");
      FileList.emplace_back();
    }
  }
  Finished.push_back(std::move(Current));
  Current.clear();
}
