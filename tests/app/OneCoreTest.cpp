// The window and arvana-service run the same core: an action sends the same bytes, in the same order.
#include "cli/CommandLine.h"
#include "tests/app/ProgramFixture.h"
#include "tests/sim/SimTestSupport.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTabWidget>

#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>

namespace {

// The blocks the host wrote, as the capture log has them, from the data channel's opening at
// connection up to the data channel's closing at the end (or the end of the log).
std::vector<std::string> ActionBlocks(const std::filesystem::path& log) {
  std::ifstream file(log);
  std::vector<std::string> blocks;
  bool started = false;
  const std::string openData = "00 00 00 11 01 00 01 40 40";
  const std::string closeData = "00 00 00 0A 01 00 02 40 40";
  for (std::string line; std::getline(file, line);) {
    const size_t at = line.find(" H>P ");
    if (at == std::string::npos) continue;
    const std::string bytes = line.substr(at + 5);
    if (!started) {
      started = bytes.rfind(openData, 0) == 0;
      continue;
    }
    if (bytes.rfind(closeData, 0) == 0) break;
    blocks.push_back(bytes);
  }
  return blocks;
}

struct Action {
  const char* Name;
  std::vector<std::string> Command;
  std::function<void(ProgramTest&)> InWindow;
};

class OneCoreTest : public ProgramTest {};

TEST_F(OneCoreTest, EveryCommandSendsWhatItsItemSends) {
  const std::vector<Action> actions = {
      {"head ID", {"head-id", "--write", "AZAAAAAAAAAAC"},
       [](ProgramTest& t) {
         t.Adjust(1);
         t.Row("HdVolRdoBtn", 1);
         t.Click("HdVolOKBtn");
         t.AdjustChild<QLineEdit>("HdVolWrtEdit")->setText("AZAAAAAAAAAAC");
         t.Click("HdVolWrtOKBtn");
       }},
      {"Bi-D", {"bid", "--write", "ms-black=7"},
       [](ProgramTest& t) {
         t.Adjust(2);
         t.Row("BidRdoBtn", 1);
         t.Click("BidOKBtn");
         t.AdjustChild<QLineEdit>("MsBkBidWrtEdit")->setText("7");
         t.AdjustChild<QCheckBox>("BidMsBkCheckBox")->setChecked(true);
         t.Click("BidWrtOKBtn");
       }},
      {"top margin", {"top-margin", "--write", "-"},
       [](ProgramTest& t) {
         t.Adjust(4);
         t.Row("TopMarginRdoGrp", 1);
         t.Click("TopMarginMainBtn");
         t.Row("TopMarginInputRdoGrp", 0);
         t.Click("TopMarginWriteOKBtn");
       }},
      {"counter clear", {"--yes", "counter", "--clear"},
       [](ProgramTest& t) {
         t.Maintenance(3);
         t.Row("CounterRdoBtn", 1);
         t.Click("ProCounterOKBtn");
         t.Click("CounterClearOKBtn");
       }},
      {"initial setting", {"--model", "360", "init"}, [](ProgramTest& t) {
         t.Adjust(0);
         t.Click("DefaultSetBtn");
       }},
      {"head cleaning", {"clean"}, [](ProgramTest& t) {
         t.Maintenance(0);
         t.Click("CleaningOKBtn");
       }},
  };
  for (const Action& action : actions) {
    SCOPED_TRACE(action.Name);
    TempDirectory cliDir;
    std::vector<std::string> arguments{"--simulator=" + (cliDir.Path / "vp").string()};
    arguments.insert(arguments.end(), action.Command.begin(), action.Command.end());
    {
      VirtualClock clock;
      TestProgramEnd end;
      std::ostringstream ignored;
      std::streambuf* saved = std::cout.rdbuf(ignored.rdbuf());
      const int status = RunCommandLine(arguments, clock, end);
      std::cout.rdbuf(saved);
      ASSERT_EQ(status, 0);
    }

    TempDirectory windowDir;
    {
      WatchedClock clock;
      TestDialogs boxes;
      TestProgramEnd end;
      auto printer = std::make_unique<VirtualPrinter>(clock, (windowDir.Path / "vp").string());
      SimPortSystem ports(*printer, clock);
      auto saved = std::move(Program);
      Program = std::make_unique<ArvanaProgram>(ProgramServices{clock, boxes, end, ports});
      Program->Start();
      Connect("Arvana Print 360", "LPT1");
      action.InWindow(*this);
      Program = std::move(saved);
    }
    const std::vector<std::string> cli = ActionBlocks(cliDir.Path / "vp/capture.log");
    const std::vector<std::string> window = ActionBlocks(windowDir.Path / "vp/capture.log");
    EXPECT_FALSE(window.empty());
    EXPECT_EQ(cli, window);
  }
}

}  // namespace
