// The service record a visit on the virtual printer leaves, read back as a technician and a script
// would: every event with the values the EEPROM image holds, the job sheet as HTML and PDF, the
// history, the deletion after a question, and a program killed in the middle of a write.
#include "tests/cli/CapturedRun.h"
#include "tests/cli/ChildProcess.h"

#include "eeprom/EepromMap.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

namespace fs = std::filesystem;

namespace {

using namespace std::chrono_literals;
using Json = nlohmann::json;

constexpr const char* NewHeadId = "AZAAAAAAAAAAC";
constexpr const char* Serial = "TZ3K048271";  // the virtual printer's first USB ID

class ServiceRecordTest : public SimulatorCommandTest {
protected:
  fs::path Records() const { return Dir.Path / "data/arvana-adjust/records"; }
  fs::path RecordFile() const { return Records() / (std::string("usb-") + Serial + ".jsonl"); }

  // The record's visits, each its lines parsed; every line must be a whole JSON object.
  std::vector<std::vector<Json>> Visits() {
    std::vector<std::vector<Json>> visits;
    std::istringstream lines(ReadFile(RecordFile()));
    std::string line;
    while (std::getline(lines, line)) {
      const Json event = Json::parse(line);
      if (event["event"] == "visit") visits.emplace_back();
      EXPECT_FALSE(visits.empty()) << "an event before the first visit: " << line;
      if (!visits.empty()) visits.back().push_back(event);
    }
    return visits;
  }
  // The kinds of a visit's events after its header, reads left out.
  static std::vector<std::string> Kinds(const std::vector<Json>& visit) {
    std::vector<std::string> kinds;
    for (size_t i = 1; i < visit.size(); ++i)
      if (visit[i]["event"] != "read") kinds.push_back(visit[i]["event"]);
    return kinds;
  }
  std::string Image() { return ReadFile(Dir.Path / "vp/eeprom.bin"); }
  static int Counter(const std::string& image) {
    return static_cast<uint8_t>(image.at(ProtectionCounterHigh)) * 256 + static_cast<uint8_t>(image.at(ProtectionCounterLow));
  }
  // The head's true MS Black offset, from the virtual printer's mechanics.
  int TrueMsBlack() {
    std::istringstream mechanics(ReadFile(Dir.Path / "vp/mechanics.txt"));
    std::string line;
    while (std::getline(mechanics, line) && line.rfind('#', 0) == 0) {
    }
    return std::stoi(line);
  }
  // A head without clogs, so that the pages read the same every run.
  void HealthyHead() {
    fs::create_directories(Dir.Path / "vp");
    const std::string healthy(48, '.');
    std::ofstream(Dir.Path / "vp/head.txt") << "seed = 1\nlast-used = " << Clock.CalendarSeconds() << "\nblack = " << healthy
                                            << "\nmagenta = " << healthy << "\ncyan = " << healthy << "\nyellow = " << healthy
                                            << "\nlight-magenta = " << healthy << "\nlight-cyan = " << healthy
                                            << "\nink = 72.000 65.000 80.000 58.000 91.000 77.000\n";
  }
  static bool Installed(const char* program) {
    return std::system(("command -v " + std::string(program) + " > /dev/null 2>&1").c_str()) == 0;
  }
};

// Each cell of a write: what it held before and holds after, as the images say, and read back as written.
void ExpectCellsMatch(const Json& write, const std::string& before, const std::string& after) {
  ASSERT_FALSE(write["cells"].empty()) << write.dump();
  for (const Json& cell : write["cells"]) {
    const size_t address = cell["cell"];
    EXPECT_EQ(cell["before"], static_cast<uint8_t>(before.at(address))) << cell.dump();
    EXPECT_EQ(cell["written"], static_cast<uint8_t>(after.at(address))) << cell.dump();
    EXPECT_EQ(cell["read"], cell["written"]) << cell.dump();
  }
}

TEST_F(ServiceRecordTest, AVisitLeavesExactlyItsEventsWithTheValuesThePrinterHolds) {
  HealthyHead();
  ASSERT_EQ(Run({"status"}), 0);  // reads nothing an item keeps: no visit is recorded for it
  EXPECT_FALSE(fs::exists(RecordFile()));
  const std::string first = Image();

  ASSERT_EQ(Run({"head-id", "--write", NewHeadId}), 0) << Err;
  const std::string second = Image();
  // The stored MS Black one off the head's true value, so that the scan of the page corrects it.
  const int truth = TrueMsBlack();
  ASSERT_EQ(Run({"bid", "--write", "ms-black=" + std::to_string(truth + 1)}), 0) << Err;
  const std::string third = Image();
  ASSERT_EQ(Run({"--yes", "print", "bid"}), 0) << Err;
  ASSERT_EQ(Run({"--yes", "bid", "--from-scan", (Dir.Path / "vp/pages/0001.png").string()}), 0) << Err;
  const std::string fourth = Image();
  ASSERT_EQ(Run({"clean"}), 0) << Err;
  const std::string fifth = Image();
  ASSERT_EQ(Run({"--yes", "counter", "--clear"}), 0) << Err;
  EXPECT_EQ(Counter(Image()), 0);
  std::ofstream(Dir.Path / "vp/faults.conf") << "busy-ack = on\n";
  EXPECT_EQ(Run({"--yes", "counter", "--clear"}), 3) << Err;
  fs::remove(Dir.Path / "vp/faults.conf");

  const std::vector<std::vector<Json>> visits = Visits();
  ASSERT_EQ(visits.size(), 7u);
  for (const std::vector<Json>& visit : visits) {
    EXPECT_EQ(visit[0]["program"], "arvana-adjust 1.0");
    EXPECT_EQ(visit[0]["front-end"], "command line");
    EXPECT_EQ(visit[0]["port"], "LPT1");
    EXPECT_EQ(visit[0]["usb-id"], Serial);
  }
  // The head ID: the header names the printer as it came, the write each cell as it went.
  EXPECT_EQ(Kinds(visits[0]), (std::vector<std::string>{"write"}));
  EXPECT_NE(visits[0][0]["head-id"], NewHeadId);
  EXPECT_EQ(visits[0][1]["item"], "head ID");
  EXPECT_EQ(visits[0][1]["value"], NewHeadId);
  EXPECT_EQ(visits[0][1]["result"], "done");
  ExpectCellsMatch(visits[0][1], first, second);
  EXPECT_EQ(visits[1][0]["head-id"], NewHeadId);
  // A Bi-D value typed, the page printed, the value the scan suggests written.
  EXPECT_EQ(Kinds(visits[1]), (std::vector<std::string>{"write"}));
  EXPECT_EQ(visits[1][1]["item"], "Bi-D MS Black");
  ExpectCellsMatch(visits[1][1], second, third);
  EXPECT_EQ(Kinds(visits[2]), (std::vector<std::string>{"printed"}));
  EXPECT_EQ(visits[2][1]["pages"], Json::array({"pages/0001.png"}));
  const std::vector<std::string> scanKinds = Kinds(visits[3]);
  ASSERT_GE(scanKinds.size(), 2u);
  EXPECT_EQ(scanKinds[0], "scan");
  const Json& scan = visits[3][std::find_if(visits[3].begin(), visits[3].end(),
                                            [](const Json& event) { return event["event"] == "scan"; }) -
                               visits[3].begin()];
  ASSERT_EQ(scan["sections"].size(), 6u);
  EXPECT_EQ(scan["sections"][0]["name"], "MS Black");
  EXPECT_EQ(scan["sections"][0]["stored"], truth + 1);
  EXPECT_EQ(scan["sections"][0]["suggestion"], truth);
  size_t writes = 0;
  for (const Json& event : visits[3]) {
    if (event["event"] != "write") continue;
    ++writes;
    ExpectCellsMatch(event, third, fourth);
    const Json& section = *std::find_if(scan["sections"].begin(), scan["sections"].end(), [&](const Json& s) {
      return "Bi-D " + s["name"].get<std::string>() == event["item"].get<std::string>();
    });
    EXPECT_EQ(event["value"], std::to_string(section["suggestion"].get<int>()));
  }
  EXPECT_EQ(writes + 1, scanKinds.size());
  // The cleaning with the counter before and after; the clear; the clear a busy printer refused.
  EXPECT_EQ(Kinds(visits[4]), (std::vector<std::string>{"maintenance"}));
  EXPECT_EQ(visits[4][1]["item"], "head cleaning");
  EXPECT_EQ(visits[4][1]["result"], "done");
  EXPECT_EQ(visits[4][1]["counter-before"], Counter(fourth));
  EXPECT_EQ(visits[4][1]["counter-after"], Counter(fifth));
  EXPECT_GT(Counter(fifth), Counter(fourth));
  EXPECT_EQ(Kinds(visits[5]), (std::vector<std::string>{"counter-cleared"}));
  EXPECT_EQ(visits[5][1]["counter-before"], Counter(fifth));
  EXPECT_EQ(visits[5][1]["counter-after"], 0);
  EXPECT_EQ(Kinds(visits[6]), (std::vector<std::string>{"counter-cleared"}));
  EXPECT_EQ(visits[6][1]["result"], "failed");
  EXPECT_EQ(visits[6][1]["message"], "The printer is busy: the protection counter was not cleared.");
  EXPECT_EQ(visits[6][1]["counter-after"], 0);
}

TEST_F(ServiceRecordTest, TheReportShowsTheVisitsAsHistoryJsonHtmlAndPdfAndDeletesAfterTheQuestion) {
  HealthyHead();
  ASSERT_EQ(Run({"head-id", "--write", NewHeadId}), 0) << Err;
  ASSERT_EQ(Run({"--yes", "print", "bid"}), 0) << Err;
  ASSERT_EQ(Run({"bid"}), 0) << Err;

  ASSERT_EQ(Run({"report"}), 0) << Err;
  EXPECT_EQ(Out.rfind(std::string(Serial) + "  3 visits, the last ", 0), 0u) << Out;
  ASSERT_EQ(Run({"report", "--printer", Serial}), 0) << Err;
  EXPECT_NE(Out.find("Visit 1  "), std::string::npos) << Out;
  EXPECT_NE(Out.find("head ID "), std::string::npos) << Out;
  EXPECT_NE(Out.find(std::string("-> ") + NewHeadId), std::string::npos) << Out;
  EXPECT_NE(Out.find("Visit 3  "), std::string::npos) << Out;
  ASSERT_EQ(Run({"report", "--printer", Serial, "--visit", "2", "--json"}), 0) << Err;
  const Json chosen = Json::parse(Out);
  ASSERT_EQ(chosen.size(), 1u);
  EXPECT_EQ(chosen[0]["events"][0]["event"], "printed");
  ASSERT_EQ(Run({"report", "--printer", Serial, "--since", "2999-01-01", "--json"}), 0) << Err;
  EXPECT_EQ(Json::parse(Out), Json::array());
  // Refused: a visit not recorded, a date that is none, a printer without a record, a sheet without a printer.
  EXPECT_EQ(Run({"report", "--printer", Serial, "--visit", "4"}), 2);
  EXPECT_EQ(Run({"report", "--printer", Serial, "--since", "10.12.2026"}), 2);
  EXPECT_EQ(Run({"report", "--printer", "NONE000000"}), 2);
  EXPECT_EQ(Run({"report", "--pdf", (Dir.Path / "x.pdf").string()}), 2);
  EXPECT_FALSE(fs::exists(Dir.Path / "x.pdf"));

  const fs::path html = Dir.Path / "sheet.html";
  ASSERT_EQ(Run({"report", "--printer", Serial, "--html", html.string()}), 0) << Err;
  if (Installed("xmllint")) {
    EXPECT_EQ(std::system(("xmllint --noout '" + html.string() + "'").c_str()), 0);
  } else {
    ADD_FAILURE() << "xmllint (libxml2-utils) is missing: scripts/install-deps.sh installs it";
  }
  EXPECT_NE(ReadFile(html).find(NewHeadId), std::string::npos);
  // The sheet is never written over.
  EXPECT_EQ(Run({"report", "--printer", Serial, "--html", html.string()}), 1);

  const fs::path pdf = Dir.Path / "sheet.pdf";
  ASSERT_EQ(Run({"report", "--printer", Serial, "--pdf", pdf.string()}), 0) << Err;
  EXPECT_EQ(Err.find("QStandardPaths"), std::string::npos) << "Qt's own notes on standard error: " << Err;
  if (Installed("pdftotext")) {
    const fs::path text = Dir.Path / "sheet.txt";
    ASSERT_EQ(std::system(("pdftotext -layout '" + pdf.string() + "' '" + text.string() + "'").c_str()), 0);
    const std::string sheet = ReadFile(text);
    EXPECT_NE(sheet.find(NewHeadId), std::string::npos) << sheet;
    EXPECT_NE(sheet.find(Serial), std::string::npos) << sheet;
    EXPECT_NE(sheet.find("Bi-D MS Black"), std::string::npos) << sheet;
    EXPECT_NE(sheet.find("Visit 3 of this printer"), std::string::npos) << sheet;
    // One A4 page a visit.
    size_t pages = 0;
    for (const char c : sheet) pages += c == '\f';
    EXPECT_EQ(pages, 3u);
  } else {
    ADD_FAILURE() << "pdftotext (poppler-utils) is missing: scripts/install-deps.sh installs it";
  }

  // Without a terminal nobody answers the question: the record stays. --yes answers it.
  EXPECT_EQ(Run({"report", "--printer", Serial, "--delete"}), 2);
  EXPECT_TRUE(fs::exists(RecordFile()));
  ASSERT_EQ(Run({"--yes", "report", "--printer", Serial, "--delete"}), 0) << Err;
  EXPECT_FALSE(fs::exists(RecordFile()));
}

// A printer whose read-back answers are cut short may hold the write: nobody says it does not.
TEST_F(ServiceRecordTest, AWriteThatCannotBeReadBackIsNotConfirmedRatherThanNotWritten) {
  HealthyHead();
  std::ofstream(Dir.Path / "vp/faults.conf") << "short-eeprom-reply = on\n";
  EXPECT_EQ(Run({"head-id", "--write", NewHeadId}), 3);
  EXPECT_NE(Err.find("could not be read back: whether the printer holds them is not known"), std::string::npos) << Err;
  EXPECT_EQ(Err.find("does not hold what was written"), std::string::npos) << Err;
  fs::remove(Dir.Path / "vp/faults.conf");
  // Neither the USB ID nor the head ID could be read: the record goes under "unknown".
  ASSERT_EQ(Run({"report", "--printer", "unknown"}), 0) << Err;
  EXPECT_NE(Out.find("-> not confirmed"), std::string::npos) << Out;
  EXPECT_EQ(Out.find("not written"), std::string::npos) << Out;
}

TEST_F(ServiceRecordTest, ARecordThatCannotBeWrittenIsAnErrorLineAndWhatThePrinterDidStands) {
  ASSERT_EQ(Run({"status"}), 0);
  fs::create_directories(RecordFile());  // a folder where the file belongs: nothing can be added to it
  EXPECT_EQ(Run({"head-id", "--write", NewHeadId}), 1);
  EXPECT_NE(Err.find("\" has been written in EEPROM."), std::string::npos) << Err;
  EXPECT_NE(Err.find("arvana-service: error: The service record could not be written (" + RecordFile().string() +
                     ": a folder, not a regular file): the printer has been changed all the same.\n"),
            std::string::npos)
      << Err;
  EXPECT_EQ(Run({"head-id"}), 1);
  EXPECT_EQ(Out, std::string(NewHeadId) + "\n");
  EXPECT_NE(Err.find("could not be written (" + RecordFile().string() + ": a folder, not a regular file).\n"),
            std::string::npos)
      << Err;
}

// The real program killed while it writes: the record holds every event up to the kill, each a whole line.
TEST(ServiceRecordKilled, AKilledProgramLeavesEveryEventUpToTheKillInAReadableFile) {
  char pattern[] = "/tmp/arvana-record-XXXXXX";
  const fs::path home = mkdtemp(pattern);
  std::vector<std::string> environment;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text = *entry;
    if (text.rfind("XDG_STATE_HOME=", 0) != 0 && text.rfind("XDG_DATA_HOME=", 0) != 0) environment.push_back(text);
  }
  environment.push_back("XDG_STATE_HOME=" + (home / "state").string());
  environment.push_back("XDG_DATA_HOME=" + (home / "data").string());
  const std::string printer = "--simulator=" + (home / "vp").string();
  {
    Child reading(ARVANA_SERVICE_PATH, {printer, "counter"}, environment, home / "counter.out");
    ASSERT_EQ(reading.WaitForExit(std::chrono::steady_clock::now() + 60s), 0) << reading.Errors;
  }
  std::ofstream(home / "vp/faults.conf") << "hold-after-writes = 5\n";
  {
    Child writer(ARVANA_SERVICE_PATH, {printer, "--yes", "head-id", "--write", NewHeadId}, environment, "/dev/null");
    ASSERT_TRUE(writer.WaitForText("holding after 5 EEPROM writes", std::chrono::steady_clock::now() + 60s))
        << writer.Errors;
    writer.Signal(SIGKILL);
    EXPECT_EQ(writer.WaitForExit(std::chrono::steady_clock::now() + 30s), 128 + SIGKILL);
  }
  std::ifstream file(home / "data/arvana-adjust/records" / (std::string("usb-") + Serial + ".jsonl"), std::ios::binary);
  const std::string contents{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  ASSERT_FALSE(contents.empty());
  EXPECT_EQ(contents.back(), '\n');
  std::vector<Json> events;
  std::istringstream lines(contents);
  std::string line;
  while (std::getline(lines, line)) events.push_back(Json::parse(line));
  ASSERT_EQ(events.size(), 3u) << contents;
  EXPECT_EQ(events[0]["event"], "visit");
  EXPECT_EQ(events[1]["event"], "read");
  EXPECT_EQ(events[1]["item"], "protection counter");
  // The header of the cut-off visit went to the disk before its first cell.
  EXPECT_EQ(events[2]["event"], "visit");
  EXPECT_NE(events[2]["head-id"], NewHeadId);
  fs::remove_all(home);
}

}  // namespace
