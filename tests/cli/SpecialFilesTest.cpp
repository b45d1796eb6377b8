// Files a careless or hostile hand gives the program: a FIFO (which would block a reader until a
// writer comes), a device that never ends, a folder, a file far too large. Each is refused at
// once, by name, and nothing reaches the printer. Real processes, each waited for with a bound:
// a reader that blocks fails the test instead of hanging it.
#include "tests/cli/ChildProcess.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

extern char** environ;

namespace fs = std::filesystem;

namespace {

using namespace std::chrono_literals;

constexpr auto Bound = 30s;  // far beyond what a refusal takes; only a hang reaches it

class SpecialFilesTest : public testing::Test {
protected:
  void SetUp() override {
    char pattern[] = "/tmp/arvana-special-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    Home = pattern;
    for (char** entry = environ; *entry != nullptr; ++entry) {
      const std::string text = *entry;
      if (text.rfind("XDG_STATE_HOME=", 0) != 0 && text.rfind("XDG_DATA_HOME=", 0) != 0) Environment.push_back(text);
    }
    Environment.push_back("XDG_STATE_HOME=" + (Home / "state").string());
    Environment.push_back("XDG_DATA_HOME=" + (Home / "data").string());
    ASSERT_EQ(mkfifo((Home / "fifo").c_str(), 0644), 0);
    fs::create_directories(Home / "folder");
    fs::create_symlink("/dev/zero", Home / "zero");
    std::ofstream(Home / "huge") << std::string(4 * 1024 * 1024, 'A');
  }
  void TearDown() override { fs::remove_all(Home); }

  // Runs arvana-service on the virtual printer of this test; the exit status, or nothing when it hung.
  std::optional<int> Run(std::vector<std::string> arguments, const fs::path& output = {}) {
    arguments.insert(arguments.begin(), "--simulator=" + (Home / "vp").string());
    Child child(ARVANA_SERVICE_PATH, arguments, Environment, output.empty() ? Home / "out" : output);
    Errors.clear();
    const std::optional<int> status = child.WaitForExit(std::chrono::steady_clock::now() + Bound);
    Errors = child.Errors;
    return status;
  }
  bool PrinterWasWritten() {
    std::ifstream capture(Home / "vp/capture.log");
    for (std::string line; std::getline(capture, line);)
      if (line.find("H>P") != std::string::npos && line.find("42 BD 21") != std::string::npos) return true;
    return false;
  }

  fs::path Home;
  std::vector<std::string> Environment;
  std::string Errors;
};

TEST_F(SpecialFilesTest, BackupFilesThatAreNoFilesAreRefusedAtOnce) {
  ASSERT_EQ(Run({"status"}), 0) << Errors;
  const struct {
    const char* Name;
    const char* Reason;
  } kinds[] = {{"fifo", "a FIFO, not a regular file"},
               {"zero", "a character device, not a regular file"},
               {"folder", "a folder, not a regular file"},
               {"huge", "larger than 65536 bytes"}};
  for (const auto& kind : kinds) {
    SCOPED_TRACE(kind.Name);
    const std::string path = (Home / kind.Name).string();
    EXPECT_EQ(Run({"--model", "360", "--yes", "restore", path}), 2);
    EXPECT_NE(Errors.find(path + ": " + kind.Reason), std::string::npos) << Errors;
    EXPECT_NE(Errors.find("Nothing was written to the printer."), std::string::npos) << Errors;
    EXPECT_EQ(Run({"diff", path, "--printer"}), 2);
    EXPECT_NE(Errors.find(path + ": " + kind.Reason), std::string::npos) << Errors;
    EXPECT_EQ(Run({"analyse", "nozzles", path}), 2);
    if (std::string(kind.Name) != "huge") {
      EXPECT_NE(Errors.find(path + ": " + kind.Reason), std::string::npos) << Errors;
    }
  }
  EXPECT_FALSE(PrinterWasWritten());
}

// Results that did not reach their file are no success.
TEST_F(SpecialFilesTest, ResultsThatCannotBeWrittenFailTheCommand) {
  ASSERT_EQ(Run({"status"}), 0) << Errors;
  for (const std::vector<std::string>& command : {std::vector<std::string>{"dump", "--range", "00-0F"}, {"status", "--json"}}) {
    EXPECT_EQ(Run(command, "/dev/full"), 1);
    EXPECT_NE(Errors.find("The results could not all be written to standard output"), std::string::npos) << Errors;
  }
}

TEST_F(SpecialFilesTest, TheVirtualPrintersOwnFilesCannotHangTheProgram) {
  ASSERT_EQ(Run({"status"}), 0) << Errors;
  for (const char* name : {"faults.conf", "head.txt", "mechanics.txt"}) {
    SCOPED_TRACE(name);
    const fs::path file = Home / "vp" / name;
    fs::remove(file);
    fs::create_symlink("/dev/zero", file);
    const std::optional<int> status = Run({"status"});
    EXPECT_TRUE(status.has_value()) << "hung on " << file;
    EXPECT_NE(Errors.find(file.string()), std::string::npos) << Errors;
    fs::remove(file);
    ASSERT_EQ(mkfifo(file.c_str(), 0644), 0);
    EXPECT_TRUE(Run({"status"}).has_value()) << "hung on " << file;
    fs::remove(file);
  }
}

}  // namespace
