// The readers on scans made another way: the virtual printer's pages through an independent degrader (Python, Pillow and numpy), with its own resampling, rotation, perspective, lighting and damage.
#include "analysis/BidPageReader.h"
#include "analysis/NozzleCheckReader.h"
#include "tests/analysis/ScanBench.h"
#include "tests/analysis/ScanKinds.h"

#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <set>
#include <variant>

namespace {

using PageGeometry::Ink;
const QString Python = "/usr/bin/python3";
const QString Script = QStringLiteral(ARVANA_SOURCE_DIR) + "/tests/analysis/degrade_scan.py";

struct OtherKind {
  std::string Name;
  QStringList Arguments;  // the degrader's options; the file's extension picks PNG or JPEG
  std::string Extension = "png";
  bool Everyday = false;
  int DamagedSection = -1;
};

QStringList Section(const char* option, double x, int section, double radius = -1) {
  QString value = QString::number(x) + "," + QString::number(BidSectionMiddleInches(section));
  if (radius > 0) value += "," + QString::number(radius);
  return {option, value};
}

std::vector<OtherKind> OtherKinds() {
  const QStringList lid = {"--lid", "0.25", "--noise", "2"};
  return {
      {"clean 300 dpi", lid, "png", true},
      {"upside down", lid + QStringList{"--turn", "180", "--rotate", "1"}},
      {"turned 90 degrees", lid + QStringList{"--turn", "90"}},
      {"turned 270 degrees", lid + QStringList{"--turn", "270", "--rotate", "-0.6"}},
      {"vignette", lid + QStringList{"--vignette", "0.4"}, "png", true},
      {"gradient left to right", lid + QStringList{"--gradient", "0.45"}, "png", true},
      {"lid left open", lid + QStringList{"--lid-open"}, "png", true},
      {"phone photo perspective", {"--perspective", "0.03", "--vignette", "0.25", "--noise", "3"}, "jpg", false},
      {"150 dpi", lid + QStringList{"--dpi", "150", "--rotate", "-1"}, "png", true},
      {"200 dpi", lid + QStringList{"--dpi", "200"}, "png", true},
      {"1200 dpi JPEG", lid + QStringList{"--dpi", "1200", "--rotate", "0.4"}, "jpg", true},
      {"3 degrees, JPEG 30", lid + QStringList{"--rotate", "3", "--jpeg", "30"}, "jpg", true},
      {"stretched 1.5 %", lid + QStringList{"--stretch", "1.5"}, "png", true},
      {"shrunk 1.5 %", lid + QStringList{"--stretch", "-1.5", "--rotate", "0.5"}, "png", true},
      {"grey", lid + QStringList{"--grey", "--blur", "0.6"}, "png", true},
      {"black and white", lid + QStringList{"--bw"}},
      {"stain on 6pl Color", lid + Section("--stain", 3.0, 3, 0.35), "png", false, 3},
      {"crease down the page", lid + QStringList{"--crease", "3.1"}},
      {"cut through 4pl Color", lid + QStringList{"--cut", QString::number(BidSectionMiddleInches(5))}, "png", false, 5},
  };
}

// The sample the test command runs (see WholeBench): the clean scan and the upside-down one, which
// the other degrader makes in about five seconds each; the whole list, some kinds of which take a
// minute and more, with ARVANA_SCAN_BENCH=full.
std::vector<OtherKind> KindsUnderTest(std::vector<OtherKind> kinds) {
  if (WholeBench()) return kinds;
  kinds.resize(std::min<size_t>(kinds.size(), 2));
  return kinds;
}

bool DegraderAvailable() {
  QProcess probe;
  probe.start(Python, {"-c", "import PIL, numpy"});
  return probe.waitForFinished(30'000) && probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0;
}

// The page through the other degrader, read as the program reads a scan file; empty with a failure when it went wrong.
std::optional<InkImage> OtherScan(const QString& page, const QString& folder, const OtherKind& kind) {
  const QString out = folder + "/scan." + QString::fromStdString(kind.Extension);
  QProcess degrader;
  degrader.start(Python, QStringList{Script, page, out} + kind.Arguments);
  if (!degrader.waitForFinished(600'000) || degrader.exitCode() != 0) {
    ADD_FAILURE() << kind.Name << ": " << degrader.readAllStandardError().toStdString();
    return std::nullopt;
  }
  ScanRead read = ReadScanFile(out.toStdString());
  if (const auto* problem = std::get_if<std::string>(&read)) {
    ADD_FAILURE() << kind.Name << ": " << *problem;
    return std::nullopt;
  }
  return std::get<InkImage>(std::move(read));
}

class SecondScanPath : public ScanBench {
protected:
  void SetUp() override {
    ScanBench::SetUp();
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "the second scan path runs in the optimised build only";
#endif
    if (!DegraderAvailable()) GTEST_SKIP() << "needs /usr/bin/python3 with Pillow and numpy, which the README's test command installs";
    ASSERT_TRUE(Folder.isValid());
  }
  QString Saved(const QImage& page) {
    const QString path = Folder.path() + "/page.png";
    EXPECT_TRUE(page.save(path));
    return path;
  }
  QTemporaryDir Folder;
};

}  // namespace

TEST_F(SecondScanPath, BidPagesGiveTheTrueValueOrRefuseNeverAnotherValue) {
  const SixValues stored = {3, -6, 10, -13, 21, 0};
  const SixValues truth = {1, -3, 14, -13, 18, 4};
  const QString page = Saved(PrintBidPage(stored, truth));
  std::vector<OtherKind> kinds = OtherKinds();
  kinds.push_back({"2400 dpi JPEG", {"--dpi", "2400", "--lid", "0.2", "--rotate", "-0.3"}, "jpg", true});
  kinds = KindsUnderTest(std::move(kinds));
  BenchTable table;
  int everydaySections = 0, everydayExact = 0;
  for (const OtherKind& kind : kinds) {
    const std::optional<InkImage> scan = OtherScan(page, Folder.path(), kind);
    if (!scan) continue;
    const BidPageReading reading = ReadBidPage(*scan, stored);
    KindTally& tally = table[kind.Name];
    for (size_t i = 0; i < reading.Sections.size(); ++i) {
      const BidSectionReading& section = reading.Sections[i];
      const bool read = reading.Problem.empty() && section.Read();
      const bool exact = read && section.Suggestion() == truth[i];
      tally.Exact += exact;
      tally.Refused += !read;
      tally.Wrong += read && !exact;
      EXPECT_FALSE(read && !exact) << kind.Name << ", " << BidSectionNames[i] << ": read "
                                   << section.Suggestion().value_or(99) << ", true " << truth[i];
      if (kind.DamagedSection >= 0 && static_cast<int>(i) != kind.DamagedSection) {
        EXPECT_TRUE(exact) << kind.Name << ", " << BidSectionNames[i] << ": " << reading.Problem << section.Problem;
      }
      if (kind.Everyday) {
        ++everydaySections;
        everydayExact += exact;
      }
    }
  }
  PrintBenchTable("Bi-D sections, by kind of scan (the second degrader)", table);
  // The share of everyday scans read is a figure of the whole bench; a sample of two kinds says
  // nothing about it. Never wrong holds in both.
  if (WholeBench()) {
    EXPECT_GE(everydayExact, 0.95 * everydaySections) << everydayExact << " of " << everydaySections;
  }
}

TEST_F(SecondScanPath, NozzleChecksGiveTheTrueListOrRefuseNeverAnotherList) {
  Clogs clogs = {{Ink::Black, 0}, {Ink::Black, 47}, {Ink::LightCyan, 7}, {Ink::Magenta, 40}, {Ink::Yellow, 12}};
  for (size_t nozzle = 30; nozzle < 40; ++nozzle) clogs.emplace_back(Ink::Cyan, nozzle);
  const QString page = Saved(PrintCheckPage(clogs));
  BenchTable table;
  // Clean, grey and office-like scans must find every clog and nothing else.
  const std::set<std::string> mustRead = {"clean 300 dpi", "grey", "vignette", "gradient left to right", "lid left open", "1200 dpi JPEG"};
  for (const OtherKind& kind : KindsUnderTest(OtherKinds())) {
    const std::optional<InkImage> scan = OtherScan(page, Folder.path(), kind);
    if (!scan) continue;
    const NozzleCheckReading reading = ReadNozzleCheck(*scan);
    KindTally& tally = table[kind.Name];
    for (size_t block = 0; block < BlockInks.size(); ++block) {
      const NozzleColourReading& colour = reading.Colours[block];
      const bool read = reading.Problem.empty() && colour.Problem.empty();
      const bool exact = read && colour.Missing == MissingOf(clogs, BlockInks[block]);
      tally.Exact += exact;
      tally.Refused += !read;
      tally.Wrong += read && !exact;
      EXPECT_FALSE(read && !exact) << kind.Name << ", " << NozzleColourNames[block];
      const bool faint = kind.Name == "grey" && BlockInks[block] == Ink::Yellow;
      if (mustRead.count(kind.Name) && !faint) {
        EXPECT_TRUE(exact) << kind.Name << ", " << NozzleColourNames[block] << ": " << reading.Problem << colour.Problem;
      }
    }
  }
  PrintBenchTable("Nozzle check colours, by kind of scan (the second degrader)", table);
}
