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

class OneCoreTest : public ProgramTest {
public:
  void ChooseAdjust(int row) { AdjustChild<RadioGroup>("AdjustRdoGrp")->Button(row)->click(); }
  void ChooseMaintenance(int row) {
    AdjustChild<QTabWidget>("AdjustmentTab")->setCurrentIndex(1);
    AdjustChild<RadioGroup>("MentRdoGrp")->Button(row)->click();
  }
  void Row(const char* list, int row) { AdjustChild<RadioGroup>(list)->Button(row)->click(); }
  using ProgramTest::Click;
  using ProgramTest::AdjustChild;
};

TEST_F(OneCoreTest, EveryCommandSendsWhatItsItemSends) {
  const std::vector<Action> actions = {
      {"head ID", {"head-id", "--write", "AZAAAAAAAAAAC"},
       [](ProgramTest& t) {
         auto& w = static_cast<OneCoreTest&>(t);
         w.ChooseAdjust(1);
         w.Row("HdVolRdoBtn", 1);
         w.Click("HdVolOKBtn");
         w.AdjustChild<QLineEdit>("HdVolWrtEdit")->setText("AZAAAAAAAAAAC");
         w.Click("HdVolWrtOKBtn");
       }},
      {"Bi-D", {"bid", "--write", "ms-black=7"},
       [](ProgramTest& t) {
         auto& w = static_cast<OneCoreTest&>(t);
         w.ChooseAdjust(2);
         w.Row("BidRdoBtn", 1);
         w.Click("BidOKBtn");
         w.AdjustChild<QLineEdit>("MsBkBidWrtEdit")->setText("7");
         w.AdjustChild<QCheckBox>("BidMsBkCheckBox")->setChecked(true);
         w.Click("BidWrtOKBtn");
       }},
      {"top margin", {"top-margin", "--write", "-"},
       [](ProgramTest& t) {
         auto& w = static_cast<OneCoreTest&>(t);
         w.ChooseAdjust(4);
         w.Row("TopMarginRdoGrp", 1);
         w.Click("TopMarginMainBtn");
         w.Row("TopMarginInputRdoGrp", 0);
         w.Click("TopMarginWriteOKBtn");
       }},
      {"counter clear", {"--yes", "counter", "--clear"},
       [](ProgramTest& t) {
         auto& w = static_cast<OneCoreTest&>(t);
         w.ChooseMaintenance(3);
         w.Row("CounterRdoBtn", 1);
         w.Click("ProCounterOKBtn");
         w.Click("CounterClearOKBtn");
       }},
      {"initial setting", {"--model", "360", "init"}, [](ProgramTest& t) {
         auto& w = static_cast<OneCoreTest&>(t);
         w.ChooseAdjust(0);
         w.Click("DefaultSetBtn");
       }},
      {"head cleaning", {"clean"}, [](ProgramTest& t) {
         auto& w = static_cast<OneCoreTest&>(t);
         w.ChooseMaintenance(0);
         w.Click("CleaningOKBtn");
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
