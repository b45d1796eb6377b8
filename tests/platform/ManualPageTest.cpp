// The roff writer of the manual pages: text comes out as written, whatever roff would take it for.
#include "platform/ManualPage.h"
#include "tests/cli/ChildProcess.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

TEST(ManualPage, UsageLinesSetNamesBoldAndPlaceholdersInItalics) {
  const struct {
    const char* Line;
    const char* Roff;
  } cases[] = {
      {"serve [--dir DIR] [--panel]", "\\fBserve\\fR [\\fB\\-\\-dir\\fR \\fIDIR\\fR] [\\fB\\-\\-panel\\fR]"},
      {"decode CAPTURE.log", "\\fBdecode\\fR \\fICAPTURE.log\\fR"},
      {"--simulator[=DIR]", "\\fB\\-\\-simulator\\fR[=\\fIDIR\\fR]"},
      {"x [[--a]]", "\\fBx\\fR [[\\fB\\-\\-a\\fR]]"},
  };
  for (const auto& usage : cases) {
    ManualPage page("tool", "a tool");
    page.Paragraph(ManualWords::Usage(usage.Line));
    EXPECT_NE(page.Text().find(".PP\n" + std::string(usage.Roff) + "\n"), std::string::npos)
        << usage.Line << "\n" << page.Text();
  }
}

TEST(ManualPage, TextThatLooksLikeRequestsOrEscapesIsPrintedAsWritten) {
  ManualPage page("tool", "a tool");
  page.Paragraph(".SH FAKE\n'br\nback\\slash and --option");
  page.Entry(ManualWords().Bold(".TP"), ".B not bold");
  page.Example("tool --x 'a b'", "'quoted:");
  // No line of the source starts a request the writer did not mean.
  std::istringstream lines(page.Text());
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || (line[0] != '.' && line[0] != '\'')) continue;
    const std::string request = line.substr(0, line.find(' '));
    EXPECT_TRUE(request == ".TH" || request == ".SH" || request == ".PP" || request == ".TP" || request == ".IP" ||
                request == ".nf" || request == ".fi")
        << line;
    EXPECT_EQ(line.find("FAKE"), std::string::npos) << line;
  }

  constexpr const char* Groff = "/usr/bin/groff";
  if (!fs::exists(Groff)) GTEST_SKIP() << "groff is not installed";
  const fs::path folder = fs::temp_directory_path() / ("arvana-roff-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  std::ofstream(folder / "tool.1") << page.Text();
  Child groff(Groff, {"-man", "-Tutf8", "-ww", "-rLL=200n", "-rHY=0", "-P-cbou", (folder / "tool.1").string()},
              {"LC_ALL=C.UTF-8"}, folder / "shown");
  ASSERT_TRUE(groff.Started()) << groff.Problem;
  EXPECT_EQ(groff.WaitForExit(std::chrono::steady_clock::now() + std::chrono::seconds(30)), 0);
  EXPECT_EQ(groff.Errors, "");
  std::stringstream shown;
  shown << std::ifstream(folder / "shown").rdbuf();
  fs::remove_all(folder);
  for (const char* text : {".SH FAKE 'br back\\slash and --option", ".TP", ".B not bold", "'quoted:", "tool --x 'a b'"})
    EXPECT_NE(shown.str().find(text), std::string::npos) << text << "\n" << shown.str();
}

}  // namespace
