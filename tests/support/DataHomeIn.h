// The user's data folder, where backups are saved, moved to a folder of the test's own while the
// object lives, so that no test reads or removes the backups of the machine's user.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

class DataHomeIn {
public:
  explicit DataHomeIn(const std::filesystem::path& folder) {
    if (const char* before = std::getenv(Variable)) Before = before;
    setenv(Variable, folder.c_str(), 1);
  }
  ~DataHomeIn() {
    if (Before) {
      setenv(Variable, Before->c_str(), 1);
    } else {
      unsetenv(Variable);
    }
  }
  DataHomeIn(const DataHomeIn&) = delete;
  DataHomeIn& operator=(const DataHomeIn&) = delete;

private:
  static constexpr const char* Variable = "XDG_DATA_HOME";
  std::optional<std::string> Before;
};

