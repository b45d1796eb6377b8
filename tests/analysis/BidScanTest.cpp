// The Bi-D page read from scans of the virtual printer's pages: the candidate nearest the head's true offset, an estimate within one step, and never a wrong answer given with confidence.
#include "analysis/BidPageReader.h"
#include "tests/analysis/ScanBench.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

namespace {

// Stored values the pages are printed around, well inside the clamping of the print.
constexpr SixValues Middles = {0, 3, -6, 10, -13, 21};
// Where a true offset may lie among a section's candidates: -4..+4 steps from the middle.
constexpr int Places = 9;

bool IsNearestCandidate(const BidSectionReading& section, int truth) {
  if (!section.Best) return false;
  int nearest = 100;
  for (int candidate : section.Candidates) nearest = std::min(nearest, std::abs(candidate - truth));
  return std::abs(*section.Best - truth) == nearest;
}

struct Tally {
  int Sections = 0;
  int Nearest = 0;
  int Exact = 0;
  int Unread = 0;
  double WorstEstimate = 0;
};

}  // namespace

TEST_F(ScanBench, EverySectionAndEveryPlaceOfTheTrueOffsetOnEveryScanner) {
  std::map<std::string, Tally> tallies;
  for (int page = 0; page < Places; page += BenchStride()) {
    SixValues stored{}, truth{};
    for (size_t i = 0; i < stored.size(); ++i) {
      stored[i] = Middles[(static_cast<size_t>(page) + i) % Middles.size()];
      truth[i] = stored[i] + static_cast<int>((static_cast<size_t>(page) + i) % Places) - Places / 2;
    }
    const QImage printed = PrintBidPage(stored, truth);
    for (const ScanDegradation& scanner : ScannersUnderTest()) {
      const BidPageReading reading = ReadBidPage(Scanned(printed, scanner), stored);
      ASSERT_TRUE(reading.Problem.empty()) << scanner.Name << ": " << reading.Problem;
      Tally& tally = tallies[scanner.Name];
      for (size_t i = 0; i < reading.Sections.size(); ++i) {
        const BidSectionReading& section = reading.Sections[i];
        const std::string where = scanner.Name + ", page " + std::to_string(page) + ", " + BidSectionNames[i];
        ++tally.Sections;
        if (!section.Read()) {
          ++tally.Unread;
          continue;
        }
        // A section read with confidence is never wrong.
        EXPECT_TRUE(IsNearestCandidate(section, truth[i])) << where << ": best " << section.Best.value_or(99) << ", true " << truth[i];
        EXPECT_FALSE(section.Outside) << where;
        EXPECT_LE(std::abs(*section.Estimate - truth[i]), 1.0) << where;
        tally.Nearest += IsNearestCandidate(section, truth[i]);
        tally.Exact += section.Suggestion() == truth[i];
        tally.WorstEstimate = std::max(tally.WorstEstimate, std::abs(*section.Estimate - truth[i]));
      }
    }
  }
  for (const auto& [name, tally] : tallies) {
    std::printf("%-40s %3d sections: nearest %5.1f %%, suggestion exact %5.1f %%, not read %d, worst estimate %.2f\n",
                name.c_str(), tally.Sections, 100.0 * tally.Nearest / tally.Sections, 100.0 * tally.Exact / tally.Sections,
                tally.Unread, tally.WorstEstimate);
    EXPECT_GE(tally.Nearest, 0.99 * tally.Sections) << name;
  }
}

TEST_F(ScanBench, ATrueOffsetBeyondTheCandidatesIsReportedWithWhereItLies) {
  const SixValues stored = {0, 4, -8, 12, -16, 20};
  const SixValues beyond = {-5, 5, -7, 9, -12, 16};
  SixValues truth{};
  for (size_t i = 0; i < truth.size(); ++i) truth[i] = stored[i] + beyond[i];
  const QImage printed = PrintBidPage(stored, truth);
  for (size_t d : {size_t{0}, size_t{3}, size_t{7}}) {
    const ScanDegradation& scanner = Degradations()[d];
    const BidPageReading reading = ReadBidPage(Scanned(printed, scanner), stored);
    ASSERT_TRUE(reading.Problem.empty()) << reading.Problem;
    for (size_t i = 0; i < reading.Sections.size(); ++i) {
      const BidSectionReading& section = reading.Sections[i];
      ASSERT_TRUE(section.Read()) << scanner.Name << ", " << BidSectionNames[i] << ": " << section.Problem;
      EXPECT_TRUE(section.Outside) << scanner.Name << ", " << BidSectionNames[i];
      EXPECT_FALSE(section.Best.has_value());
      EXPECT_LE(std::abs(*section.Estimate - truth[i]), 1.0) << scanner.Name << ", " << BidSectionNames[i];
      EXPECT_EQ(section.Suggestion(), truth[i]) << scanner.Name << ", " << BidSectionNames[i];
    }
  }
}

TEST_F(ScanBench, ASmudgedSlotOrSectionIsNotReadAsSomethingElse) {
  const SixValues stored = {0, 2, -2, 4, -4, 6};
  const SixValues truth = {2, 0, -2, 5, -8, 6};
  QImage page = PrintBidPage(stored, truth).convertToFormat(QImage::Format_RGB32);
  const BidPageReading clean = ReadBidPage(Scanned(page, Degradations()[0]), stored);
  ASSERT_TRUE(clean.Problem.empty()) << clean.Problem;
  // The boxes are in scan pixels; the clean scan is at 300 dpi with a lid around the sheet.
  const double scale = 360.0 / 300.0;
  const double lid = 0.25 * 300;
  auto onPage = [&](const ScanBox& box) {
    return QRectF((box.X - lid) * scale + 60, (box.Y - lid) * scale + 60, box.Width * scale, box.Height * scale);
  };
  {
    QPainter painter(&page);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(20, 20, 30));
    // A blot over the MS Color's best slot, ink wiped across all of 4pl Black, and
    // 6pl Color under one wide smear, rulers and all.
    painter.drawEllipse(onPage(clean.Sections[1].Slots[2]).adjusted(10, 20, -10, -20));
    const QRectF band = onPage(clean.Sections[4].Slots[0]).united(onPage(clean.Sections[4].Slots[4]));
    for (int stroke = 0; stroke < 40; ++stroke)
      painter.drawRect(QRectF(band.left() + stroke * 61, band.top() + (stroke % 7) * 19, 45, 70));
    painter.drawRect(onPage(clean.Sections[3].Slots[0]).united(onPage(clean.Sections[3].Slots[4])).adjusted(-40, 0, 40, 0));
  }
  for (size_t d : {size_t{0}, size_t{7}}) {
    const BidPageReading reading = ReadBidPage(Scanned(page, Degradations()[d]), stored);
    ASSERT_TRUE(reading.Problem.empty()) << reading.Problem;
    for (size_t i = 0; i < reading.Sections.size(); ++i) {
      const BidSectionReading& section = reading.Sections[i];
      if (i == 3 || i == 4) {
        EXPECT_FALSE(section.Read()) << BidSectionNames[i] << " gave " << section.Best.value_or(99);
        EXPECT_FALSE(section.Problem.empty());
      } else if (section.Read()) {
        EXPECT_TRUE(IsNearestCandidate(section, truth[i])) << BidSectionNames[i];
      } else {
        EXPECT_EQ(i, 1u) << BidSectionNames[i] << ": " << section.Problem;
      }
    }
  }
}
