#include "sim/files/FileCap.h"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <system_error>

void FileCap::Existing(std::vector<std::string> paths) {
  for (std::string& path : paths) Files.push_back(std::move(path));
}

void FileCap::Written(const std::string& path, std::string (*companion)(const std::string&)) {
  if (std::find(Files.begin(), Files.end(), path) == Files.end()) Files.push_back(path);
  std::ostream& report = Report != nullptr ? *Report : std::cerr;
  while (Files.size() > Limit) {
    const std::string oldest = Files.front();
    Files.pop_front();
    std::error_code error;
    std::filesystem::remove(oldest, error);
    if (companion != nullptr) std::filesystem::remove(companion(oldest), error);
    if (Removed++ % ReportEvery == 0) {
      report << "virtual printer: removed " << oldest << ": a folder keeps at most " << Limit << " " << What
             << ", the oldest go first (" << Removed << " removed so far)" << std::endl;
    }
  }
}
