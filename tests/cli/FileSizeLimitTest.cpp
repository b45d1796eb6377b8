// A backup under a file size limit of zero (a full quota): the program says it could not be saved
// and why, ends by itself, and leaves no file behind. A temporary file a killed program left is
// reported and removed at the next start.
#include "tests/cli/ChildProcess.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

extern char** environ;

namespace fs = std::filesystem;

namespace {

using namespace std::chrono_literals;

std::vector<std::string> EnvironmentWith(const fs::path& home) {
  std::vector<std::string> environment;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text = *entry;
    if (text.rfind("XDG_STATE_HOME=", 0) != 0 && text.rfind("XDG_DATA_HOME=", 0) != 0) environment.push_back(text);
  }
  environment.push_back("XDG_STATE_HOME=" + (home / "state").string());
  environment.push_back("XDG_DATA_HOME=" + (home / "data").string());
  return environment;
}

TEST(FileSizeLimit, ABackupThatCannotBeSavedSaysSoAndLeavesNothing) {
  char pattern[] = "/tmp/arvana-fsize-XXXXXX";
  const fs::path home = mkdtemp(pattern);
  const std::vector<std::string> environment = EnvironmentWith(home);
  const std::string printer = "--simulator=" + (home / "vp").string();
  const fs::path backups = home / "data/arvana-adjust/backups";
  {
    Child first(ARVANA_SERVICE_PATH, {printer, "status"}, environment, home / "status.out");
    ASSERT_EQ(first.WaitForExit(std::chrono::steady_clock::now() + 60s), 0) << first.Errors;
  }
  {
    // The shell sets the limit and becomes the program.
    Child limited("/bin/sh", {"-c", "ulimit -f 0; exec \"$0\" \"$@\"", ARVANA_SERVICE_PATH, printer, "--model", "360", "backup"},
                  environment, "/dev/null");
    const std::optional<int> status = limited.WaitForExit(std::chrono::steady_clock::now() + 60s);
    EXPECT_EQ(status, 1) << limited.Errors;
    EXPECT_NE(limited.Errors.find("error: The backup could not be saved ("), std::string::npos) << limited.Errors;
    EXPECT_NE(limited.Errors.find("File too large)."), std::string::npos) << limited.Errors;
    std::error_code error;
    EXPECT_TRUE(fs::is_empty(backups, error) || !fs::exists(backups)) << "a file was left in " << backups;
  }
  {
    // A temporary file of a program that no longer runs: named once, then gone.
    fs::create_directories(backups);
    const fs::path left = backups / "2026-12-09T1100-360-X.eeprom.tmp-999999999-1";
    std::ofstream(left) << "half";
    Child next(ARVANA_SERVICE_PATH, {printer, "status"}, environment, home / "status.out");
    EXPECT_EQ(next.WaitForExit(std::chrono::steady_clock::now() + 60s), 0) << next.Errors;
    EXPECT_NE(next.Errors.find("A backup an interrupted program did not finish was removed: " + left.string()),
              std::string::npos)
        << next.Errors;
    EXPECT_FALSE(fs::exists(left));
  }
  fs::remove_all(home);
}

}  // namespace
