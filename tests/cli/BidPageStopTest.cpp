// The Bi-D page puts five candidates of each value into the printer before it gives the stored one
// back: the real program, stopped by a real signal while a candidate is in the printer, gives it
// back before it ends; killed, it leaves a note that the next run writes back. The printer holds
// after its first stored candidate, so that the signal meets the page at a known point.
#include "tests/cli/ChildProcess.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace bid_page_stop {
namespace {

constexpr const char* ServicePath = ARVANA_SERVICE_PATH;
constexpr uint8_t FirstBidCell = 0x33;
constexpr size_t BidCellCount = 6;  // 33..38

SteadyTime In(std::chrono::seconds span) { return std::chrono::steady_clock::now() + span; }

std::string FileText(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The faults file put in place whole: the printer must never read it half written.
void SetFaults(const fs::path& printer, const std::string& text) {
  const fs::path temporary = printer / "faults.conf.new";
  std::ofstream(temporary, std::ios::trunc) << text;
  fs::rename(temporary, printer / "faults.conf");
}

// One printer folder and notes folder, and the program run on them.
class Place {
public:
  explicit Place(const std::string& name) : Folder(fs::temp_directory_path() / ("arvana-bid-stop-" + name + "-" +
                                                                                 std::to_string(::getpid()))) {
    fs::remove_all(Folder);
    fs::create_directories(Folder / "vp");
    for (char** entry = environ; *entry != nullptr; ++entry) {
      const std::string text = *entry;
      if (!text.starts_with("XDG_STATE_HOME=") && !text.starts_with("XDG_DATA_HOME=")) Environment.push_back(text);
    }
    Environment.push_back("XDG_STATE_HOME=" + (Folder / "state").string());
    Environment.push_back("XDG_DATA_HOME=" + (Folder / "data").string());
  }
  ~Place() { fs::remove_all(Folder); }

  std::unique_ptr<Child> Start(const std::vector<std::string>& command) {
    std::vector<std::string> arguments{"--simulator=" + Printer().string()};
    arguments.insert(arguments.end(), command.begin(), command.end());
    return std::make_unique<Child>(ServicePath, arguments, Environment, Folder / "out.txt");
  }
  // A whole run; its standard error.
  std::string Run(const std::vector<std::string>& command, std::optional<int>& status) {
    const std::unique_ptr<Child> child = Start(command);
    status = child->WaitForExit(In(60s));
    return child->Errors;
  }

  fs::path Printer() const { return Folder / "vp"; }
  std::string Output() const { return FileText(Folder / "out.txt"); }
  std::string BidCells() const { return FileText(Printer() / "eeprom.bin").substr(FirstBidCell, BidCellCount); }
  size_t Notes() const {
    std::error_code error;
    size_t count = 0;
    for (const auto& entry : fs::directory_iterator(Folder / "state/arvana-adjust/unfinished", error)) {
      (void)entry;
      ++count;
    }
    return count;
  }

private:
  fs::path Folder;
  std::vector<std::string> Environment;
};

constexpr const char* Holding = "holding after 1 EEPROM writes";

}  // namespace

TEST(BidPageStop, ASignalPutsTheStoredValueBackAndAKillLeavesItToBeWrittenAgain) {
  // Three printers side by side: Ctrl-C, kill, kill -9. Each gets its EEPROM from a first run.
  Place interrupted("int"), terminated("term"), killed("kill");
  std::vector<Place*> places{&interrupted, &terminated, &killed};
  std::vector<std::string> stored;
  for (Place* place : places) {
    std::optional<int> status;
    place->Run({"status"}, status);
    ASSERT_EQ(status, 0);
    stored.push_back(place->BidCells());
    ASSERT_EQ(stored.back().size(), BidCellCount);
    SetFaults(place->Printer(), "hold-after-writes = 1\n");
  }
  std::vector<std::unique_ptr<Child>> pages;
  for (Place* place : places) pages.push_back(place->Start({"print", "bid"}));
  for (size_t i = 0; i < pages.size(); ++i) {
    ASSERT_TRUE(pages[i]->Started()) << pages[i]->Problem;
    ASSERT_TRUE(pages[i]->WaitForText(Holding, In(30s))) << pages[i]->Errors;
    // The first candidate of MS Black is in the printer now, in place of the stored value.
    EXPECT_NE(places[i]->BidCells()[0], stored[i][0]);
  }
  pages[0]->Signal(SIGINT);
  pages[1]->Signal(SIGTERM);
  pages[2]->Signal(SIGKILL);
  for (Place* place : places) SetFaults(place->Printer(), "\n");

  const std::vector<int> statuses{128 + SIGINT, 128 + SIGTERM, 128 + SIGKILL};
  for (size_t i = 0; i < pages.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(pages[i]->WaitForExit(In(60s)), statuses[i]) << pages[i]->Errors;
    EXPECT_EQ(pages[i]->Errors.find("nothing was being written"), std::string::npos) << pages[i]->Errors;
  }
  for (size_t i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    EXPECT_NE(pages[i]->Errors.find("MS Black) was stopped while it tried other values: the printer holds its stored "
                                    "value again"),
              std::string::npos)
        << pages[i]->Errors;
    EXPECT_EQ(places[i]->BidCells(), stored[i]);
    EXPECT_EQ(places[i]->Notes(), 0u);
  }

  // Killed, the program put nothing back: the note of the stored value is found and written.
  EXPECT_NE(killed.BidCells(), stored[2]);
  ASSERT_EQ(killed.Notes(), 1u);
  std::optional<int> status;
  killed.Run({"unfinished"}, status);
  EXPECT_EQ(status, 0);
  const std::string listed = killed.Output();
  EXPECT_NE(listed.find("A write did not finish: Bi-D page (MS Black)"), std::string::npos) << listed;
  const std::string finished = killed.Run({"unfinished", "--finish"}, status);
  EXPECT_EQ(status, 0) << finished;
  EXPECT_EQ(killed.BidCells(), stored[2]);
  EXPECT_EQ(killed.Notes(), 0u);
}

}  // namespace bid_page_stop
