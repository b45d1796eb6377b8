// The service record from the window: the same visit leaves the same events as on the command
// line, and "Service report…" in the adjustment window and in the continue window shows the
// printer's visits and saves the chosen one as a one-page PDF.
#include "cli/CommandLine.h"
#include "tests/app/ProgramFixture.h"
#include "tests/sim/SimTestSupport.h"
#include "tests/support/DataHomeIn.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

using Json = nlohmann::json;

// The events of every record file in `folder` without their times, the visits' headers left out:
// what was done, whichever front-end did it.
std::vector<Json> EventsIn(const fs::path& folder) {
  std::vector<Json> events;
  for (const fs::path& file : fs::directory_iterator(folder)) {
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
      Json event = Json::parse(line);
      if (event["event"] == "visit") continue;
      event.erase("time");
      events.push_back(event);
    }
  }
  return events;
}

std::vector<Json> Without(std::vector<Json> events, const char* kind) {
  std::erase_if(events, [kind](const Json& event) { return event["event"] == kind; });
  return events;
}

class ServiceReportTest : public ProgramTest {
protected:
  // Head ID, a refused head ID, a Bi-D value, the counter cleared and a head cleaning, in the window.
  void WindowVisit(TestDialogs& boxes) {
    Adjust(1);
    Row("HdVolRdoBtn", 1);
    Click("HdVolOKBtn");
    AdjustChild<QLineEdit>("HdVolWrtEdit")->setText("AZAAAAAAAAAAC");
    Click("HdVolWrtOKBtn");
    Adjust(1);
    Row("HdVolRdoBtn", 1);
    Click("HdVolOKBtn");
    AdjustChild<QLineEdit>("HdVolWrtEdit")->setText("AZAAAAAAAAAAD");
    Click("HdVolWrtOKBtn");
    Adjust(2);
    Row("BidRdoBtn", 1);
    Click("BidOKBtn");
    AdjustChild<QLineEdit>("MsBkBidWrtEdit")->setText("7");
    AdjustChild<QCheckBox>("BidMsBkCheckBox")->setChecked(true);
    Click("BidWrtOKBtn");
    Maintenance(3);
    Row("CounterRdoBtn", 1);
    Click("ProCounterOKBtn");
    boxes.Answer(DialogAnswer::Yes);  // the waste ink pad was replaced
    Click("CounterClearOKBtn");
    Maintenance(0);
    Click("CleaningOKBtn");
  }
};

TEST_F(ServiceReportTest, TheSameVisitInTheWindowAndOnTheCommandLineLeavesTheSameEvents) {
  TempDirectory dir;  // one per test: the command line and the window each in a folder of it
  const fs::path cliDir = dir.Path / "cli";
  const fs::path windowDir = dir.Path / "window";
  {
    const DataHomeIn dataHome(cliDir / "data");
    for (const std::vector<std::string>& command : std::vector<std::vector<std::string>>{
             {"head-id", "--write", "AZAAAAAAAAAAC"},
             {"head-id", "--write", "AZAAAAAAAAAAD"},
             {"bid", "--write", "ms-black=7"},
             {"--yes", "counter", "--clear"},
             {"clean"}}) {
      std::vector<std::string> arguments{"--simulator=" + (cliDir / "vp").string()};
      arguments.insert(arguments.end(), command.begin(), command.end());
      VirtualClock clock;
      TestProgramEnd end;
      std::ostringstream ignored;
      std::streambuf* saved = std::cout.rdbuf(ignored.rdbuf());
      const int status = RunCommandLine(arguments, clock, end);
      std::cout.rdbuf(saved);
      ASSERT_EQ(status, command.back() == "AZAAAAAAAAAAD" ? 2 : 0) << command.back();
    }
  }
  {
    WatchedClock clock;
    TestDialogs boxes;
    TestProgramEnd end;
    auto printer = std::make_unique<VirtualPrinter>(clock, (windowDir / "vp").string());
    SimPortSystem ports(*printer, clock);
    auto saved = std::move(Program);
    Program = std::make_unique<ArvanaProgram>(ProgramServices{clock, boxes, end, ports});
    Program->Record.SetFolder((windowDir / "records").string());
    Program->Start();
    Connect("Arvana Print 360", "LPT1");
    WindowVisit(boxes);
    Program = std::move(saved);
  }
  const std::vector<Json> cli = EventsIn(cliDir / "data/arvana-adjust/records");
  const std::vector<Json> window = EventsIn(windowDir / "records");
  // The window shows the stored values on its panels as it opens them: those reads are its own.
  EXPECT_EQ(Without(window, "read"), Without(cli, "read"));
  std::vector<std::string> kinds;
  for (const Json& event : Without(window, "read")) kinds.push_back(event["event"]);
  EXPECT_EQ(kinds, (std::vector<std::string>{"write", "refused", "write", "counter-cleared", "maintenance"}));
}

TEST_F(ServiceReportTest, ServiceReportListsTheVisitsAndSavesTheChosenOneAsAOnePagePdf) {
  TempDirectory dir;
  Program->Record.SetFolder((dir.Path / "records").string());
  // Nothing recorded yet: the report says so.
  Connect("Arvana Print 360", "LPT1");
  Click("ServiceReportBtn");
  EXPECT_EQ(Boxes.Texts().back(), "Nothing has been recorded for this printer yet.");

  Adjust(1);
  Row("HdVolRdoBtn", 1);
  Click("HdVolOKBtn");
  AdjustChild<QLineEdit>("HdVolWrtEdit")->setText("AZAAAAAAAAAAC");
  Click("HdVolWrtOKBtn");
  fs::create_directories(dir.Path);
  Boxes.FileToSave = (dir.Path / "sheet.pdf").string();
  int rows = -1;
  QTimer::singleShot(0, [&rows] {
    QWidget* report = QApplication::activeModalWidget();
    ASSERT_NE(report, nullptr);
    rows = report->findChild<QListWidget*>("VisitList")->count();
    report->findChild<QAbstractButton*>("SaveReportBtn")->click();
    report->findChild<QAbstractButton*>("ReportCloseBtn")->click();
  });
  Click("ServiceReportBtn");
  EXPECT_EQ(rows, 1);
  ASSERT_FALSE(Boxes.SaveProposals.empty());
  EXPECT_TRUE(Boxes.SaveProposals.back().ends_with("service-usb-TZ3K048271-visit-1.pdf")) << Boxes.SaveProposals.back();
  EXPECT_EQ(Boxes.Texts().back(), "The job sheet was saved to " + Boxes.FileToSave + ".");
  if (std::system("command -v pdftotext > /dev/null 2>&1") == 0) {
    const fs::path text = dir.Path / "sheet.txt";
    ASSERT_EQ(std::system(("pdftotext '" + Boxes.FileToSave + "' '" + text.string() + "'").c_str()), 0);
    std::ifstream in(text);
    const std::string sheet{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_NE(sheet.find("AZAAAAAAAAAAC"), std::string::npos) << sheet;
    EXPECT_EQ(std::count(sheet.begin(), sheet.end(), '\f'), 1) << "one page for the visit";
  } else {
    ADD_FAILURE() << "pdftotext (poppler-utils) is missing: scripts/install-deps.sh installs it";
  }

  // The continue window offers the same report once the visit has ended; its question stays.
  rows = -1;
  QTimer::singleShot(0, [&rows] {
    QWidget* quit = QApplication::activeModalWidget();
    ASSERT_NE(quit, nullptr);
    QTimer::singleShot(0, [&rows] {
      QWidget* report = QApplication::activeModalWidget();
      ASSERT_NE(report, nullptr);
      rows = report->findChild<QListWidget*>("VisitList")->count();
      QTimer::singleShot(0, [] { QApplication::activeModalWidget()->findChild<QAbstractButton*>("NextBtn")->click(); });
      report->findChild<QAbstractButton*>("ReportCloseBtn")->click();
    });
    quit->findChild<QAbstractButton*>("ReportBtn")->click();
  });
  Click("AdjustRtnBtn");
  EXPECT_EQ(rows, 1);
  EXPECT_TRUE(Program->Boot().isVisible());

  // The printer comes back: its history is there before anything is done, and grows with the visit.
  Connect("Arvana Print 360", "LPT1");
  const auto visitsShown = [this] {
    int shown = -1;
    QTimer::singleShot(0, [&shown] {
      QWidget* report = QApplication::activeModalWidget();
      ASSERT_NE(report, nullptr);
      shown = report->findChild<QListWidget*>("VisitList")->count();
      report->findChild<QAbstractButton*>("ReportCloseBtn")->click();
    });
    Click("ServiceReportBtn");
    return shown;
  };
  EXPECT_EQ(visitsShown(), 1);
  Maintenance(3);
  Click("ProCounterOKBtn");
  Click("CounterCheckOKBtn");
  EXPECT_EQ(visitsShown(), 2);
}

}  // namespace
