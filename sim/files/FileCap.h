// Keeps a folder of numbered files the virtual printer writes (pages, jobs) from growing without end.
#pragma once

#include <cstddef>
#include <deque>
#include <iosfwd>
#include <string>
#include <vector>

// Knows the files in the order they were written (those already there at
// start, oldest number first, come before); when there are more than Limit,
// the oldest are removed and the report says so: the first time with the
// reason, then once for every ReportEvery, not a line a file.
class FileCap {
public:
  static constexpr size_t ReportEvery = 100;

  // `what` names the files in the report ("pages", "jobs").
  FileCap(size_t limit, std::string what) : Limit(limit), What(std::move(what)) {}

  void SetReport(std::ostream& report) { Report = &report; }
  // Files that were there before, oldest first.
  void Existing(std::vector<std::string> paths);
  // A file just written (a file written again under the same name counts once),
  // and the removal of the oldest when there are too many now. `companions`
  // lists, for a removed path, files that go with it (its reduced copy).
  void Written(const std::string& path, std::string (*companion)(const std::string&) = nullptr);

  size_t Count() const { return Files.size(); }

private:
  size_t Limit;
  std::string What;
  std::ostream* Report = nullptr;
  std::deque<std::string> Files;
  size_t Removed = 0;
};
