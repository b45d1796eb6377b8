// The virtual printer prints its data channel: pages, job errors, the head's true Bi-D offsets, saved jobs rendered.
#include <gtest/gtest.h>

#include <QImage>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "sim/engine/JobFileRenderer.h"
#include "sim/files/PagePng.h"
#include "sim/engine/PageRenderer.h"
#include "tests/sim/PrintTestSupport.h"
#include "tests/sim/SimTestSupport.h"

namespace {

namespace fs = std::filesystem;
using namespace PageGeometry;


// Print data in packets of 100 bytes, as the host sends it.
void SendPrintData(SimHost& host, const Stream& stream) {
  const Bytes& data = stream.Data;
  for (size_t at = 0; at < data.size(); at += 100) {
    Bytes packet;
    for (size_t i = at; i < data.size() && i < at + 100; ++i) packet.push_back(data[i]);
    host.Data(packet);
  }
}


std::string ReadText(const fs::path& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

void WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << text;
}

TEST(PrintedPages, PrintDataOnTheDataChannelBecomesPages) {
  SimHost host;
  host.StartLink();
  SendPrintData(host, Stream().Reset().Text("Top").CrLf().Dot().FormFeed().Text("B"));
  ASSERT_EQ(host.Printer.Pages().size(), 1u);
  EXPECT_EQ(SpotsOf(host.Printer.Pages()[0], FullIndex(Ink::Cyan)), (std::vector<Spot>{{0, Top + LineHeight}}));
  host.Ask(CloseBlock(0x40));
  ASSERT_EQ(host.Printer.Pages().size(), 2u) << "the unfinished page comes out when the channel closes";
  EXPECT_FALSE(Marks(host.Printer.Pages()[1]).empty());
  EXPECT_TRUE(host.Printer.PageFiles().empty()) << "nothing on disk without a directory";
  EXPECT_EQ(host.Printer.Jobs().size(), 2u);
  EXPECT_TRUE(host.Printer.JobErrors().empty());
  EXPECT_TRUE(host.Printer.ProtocolViolations().empty());

  // Remote-mode steps and service commands in between print nothing.
  host.StartLink();
  host.Data({0x1B, '(', 'R', 0x08, 0x00, 0x00, 'R', 'E', 'M', 'O', 'T', 'E', '1'});
  host.Data({'S', 'N', 0x03, 0x00, 0x00, 0x00, 0x03});
  host.Data({0x1B, 0x00, 0x00, 0x00});
  host.Service(0x41, {0x2E});
  host.Ask(CloseBlock(0x40));
  EXPECT_EQ(host.Printer.Pages().size(), 2u);
  EXPECT_TRUE(host.Printer.JobErrors().empty());
}

TEST(PrintedPages, JobErrorsAreNotProtocolViolations) {
  SimHost host;
  host.StartLink();
  SendPrintData(host, Stream().Text("A").Raw({0x1B, 'Z'}).FormFeed());
  ASSERT_EQ(host.Printer.JobErrors().size(), 1u);
  EXPECT_EQ(host.Printer.JobErrors()[0], "page 1, byte 2 of the job: unknown command ESC Z: skipped");
  EXPECT_TRUE(host.Printer.ProtocolViolations().empty());
  EXPECT_EQ(host.Printer.Pages().size(), 1u);
  host.Printer.ClearJobErrors();
  EXPECT_TRUE(host.Printer.JobErrors().empty());
}

TEST(PrintedPages, StoredTopMarginActsAfterTheNotification) {
  SimHost host;
  host.StartLink();
  host.Service(0x42, {0x2E, 0x28});  // "+", not yet in use
  SendPrintData(host, Stream().Dot().FormFeed());
  host.Service(0x50, {});  // now in use
  SendPrintData(host, Stream().Dot().FormFeed());
  ASSERT_EQ(host.Printer.Pages().size(), 2u);
  EXPECT_EQ(SpotsOf(host.Printer.Pages()[0], FullIndex(Ink::Cyan)), (std::vector<Spot>{{0, Top}}));
  EXPECT_EQ(SpotsOf(host.Printer.Pages()[1], FullIndex(Ink::Cyan)), (std::vector<Spot>{{0, Top + 40}}));
}

// The Bi-D value the host sets live takes effect on the very next block.
TEST(PrintedPages, LiveBidValueMovesTheRightToLeftBlocks) {
  SimHost host;
  ASSERT_TRUE(host.Printer.SetTrueBidOffsets({4, 0, 0, 0, 0, 0}));
  host.StartLink();
  const struct {
    uint8_t Value;
    int Displacement;
  } cases[] = {{0x04, 0}, {0x01, 9}, {0xFE, 18}, {0x06, -6}};
  for (const auto& c : cases) {
    host.Service(0x00, {1, 1, c.Value, static_cast<uint8_t>((c.Value & 0x80) != 0 ? 0xFF : 0x00)});  // MS Black
    SendPrintData(host, BidBlocks(0, 0x12, 0x00).FormFeed());
    const std::vector<Spot> expected = {
        {100, Top}, {100 + c.Displacement, Top + 3}, {100, Top + 6}, {100 + c.Displacement, Top + 9}};
    EXPECT_EQ(SpotsOf(host.Printer.Pages().back(), FullIndex(Ink::Black)), expected) << int(c.Value);
  }
  EXPECT_TRUE(host.Printer.JobErrors().empty());
  EXPECT_TRUE(host.Printer.ProtocolViolations().empty());
}

TEST(PrintedPages, TrueOffsetsOutsideTheRangeChangeNothing) {
  SimHost host;
  EXPECT_EQ(host.Printer.TrueBidOffsets(), BidMechanics::MemoryOffsets);
  const struct {
    BidMechanics::Offsets Offsets;
    std::string Reason;
  } cases[] = {
      {{37, 0, 0, 0, 0, 0}, "the MS Black offset 37 lies outside -36..36"},
      {{0, 0, 0, 0, 0, -37}, "the 4pl Color offset -37 lies outside -36..36"},
      {{0, 0, 0, 1000, 0, 0}, "the 6pl Color offset 1000"},
  };
  for (const auto& c : cases) {
    std::string reason;
    EXPECT_FALSE(host.Printer.SetTrueBidOffsets(c.Offsets, &reason));
    EXPECT_NE(reason.find(c.Reason), std::string::npos) << reason;
    EXPECT_EQ(host.Printer.TrueBidOffsets(), BidMechanics::MemoryOffsets);
  }
  EXPECT_TRUE(host.Printer.SetTrueBidOffsets({36, -36, 0, 0, 0, 0}));
  EXPECT_EQ(host.Printer.TrueBidOffsets(), (BidMechanics::Offsets{36, -36, 0, 0, 0, 0}));
}

TEST(PrintedPages, PageFilesAreNumberedOnFromWhatIsThere) {
  ScratchDirectory dir;
  fs::create_directories(dir.Path / "pages");
  WriteFile(dir.Path / "pages" / "0005.png", "old");
  WriteFile(dir.Path / "pages" / "notes.png", "not a page");
  VirtualClock clock;
  VirtualPrinter printer(clock, dir.Path.string());
  EXPECT_TRUE(printer.Messages().empty());
  Stream job = Stream().Text("A").Dot().FormFeed().Text("B");
  for (const Bytes& block :
       {ModeSwitchBlock(), OpenBlock(0x40), CreditRequestBlock(0x40, 200), Packet(0x40, job.Data), CloseBlock(0x40)})
    Send(printer, block);
  ASSERT_EQ(printer.PageFiles().size(), 2u);
  EXPECT_EQ(fs::path(printer.PageFiles()[0]).filename(), "0006.png");
  EXPECT_EQ(fs::path(printer.PageFiles()[1]).filename(), "0007.png");
  const QImage file(QString::fromStdString(printer.PageFiles()[0]));
  ASSERT_FALSE(file.isNull());
  EXPECT_EQ(file.size(), QSize(ImageWidth, ImageHeight));
  EXPECT_EQ(file.convertToFormat(QImage::Format_RGB32), printer.Pages()[0].convertToFormat(QImage::Format_RGB32));
  EXPECT_EQ(ReadText(dir.Path / "pages" / "0005.png"), "old");
  EXPECT_LT(fs::file_size(printer.PageFiles()[0]), 200000u) << "a page of a few marks compresses well";
}

TEST(PrintedPages, TrueOffsetsAreMadeOnceAndKept) {
  ScratchDirectory dir;
  VirtualClock clock;
  BidMechanics::Offsets first{};
  {
    VirtualPrinter printer(clock, dir.Path.string());
    EXPECT_TRUE(printer.Messages().empty());
    first = printer.TrueBidOffsets();
    for (int offset : first) {
      EXPECT_EQ(offset % 2, 0) << offset;
      EXPECT_LE(std::abs(offset), BidMechanics::NewLimit) << offset;
    }
    BidMechanics::Offsets read{};
    std::string reason;
    ASSERT_TRUE(BidMechanics::Parse(ReadText(dir.Path / "mechanics.txt"), read, reason)) << reason;
    EXPECT_EQ(read, first);
  }
  {
    VirtualPrinter again(clock, dir.Path.string());
    EXPECT_EQ(again.TrueBidOffsets(), first) << "a printer keeps its head";
    again.ReplaceMainBoard();
    EXPECT_EQ(again.TrueBidOffsets(), first) << "a new main board does not change the head";
    ASSERT_TRUE(again.SetTrueBidOffsets({1, -2, 3, -4, 5, -6}));
  }
  VirtualPrinter third(clock, dir.Path.string());
  EXPECT_EQ(third.TrueBidOffsets(), (BidMechanics::Offsets{1, -2, 3, -4, 5, -6}));
}

TEST(PrintedPages, ABadMechanicsFileIsReportedAndLeftAlone) {
  const struct {
    std::string Text;
    std::string Reason;
  } cases[] = {
      {"1 2 3\n", "3 offsets instead of six"},
      {"1 2 3 4 5 6 7\n", "more than six offsets"},
      {"1 2 3\n4 five 6\n", "line 2: \"five\" is not a whole number"},
      {"0 0 0 0 0 40\n", "line 1: the 4pl Color offset 40 lies outside -36..36"},
      {"1 2 3 4 5 6.5\n", "\"6.5\" is not a whole number"},
      {"", "0 offsets instead of six"},
  };
  for (const auto& c : cases) {
    ScratchDirectory dir;
    WriteFile(dir.Path / "mechanics.txt", c.Text);
    VirtualClock clock;
    VirtualPrinter printer(clock, dir.Path.string());
    ASSERT_EQ(printer.Messages().size(), 1u) << c.Text;
    EXPECT_NE(printer.Messages()[0].find(c.Reason), std::string::npos) << printer.Messages()[0];
    EXPECT_EQ(printer.TrueBidOffsets(), BidMechanics::MemoryOffsets) << c.Text;
    EXPECT_EQ(ReadText(dir.Path / "mechanics.txt"), c.Text);
  }

  BidMechanics::Offsets read{};
  std::string reason;
  EXPECT_TRUE(BidMechanics::Parse("# comment\n  # indented comment\n+1 -2\n\n3 4 5\t-6\r\n", read, reason)) << reason;
  EXPECT_EQ(read, (BidMechanics::Offsets{1, -2, 3, 4, 5, -6}));
}

TEST(PrintedPages, SavedJobsRenderToPngPages) {
  ScratchDirectory dir;
  fs::create_directories(dir.Path / "jobs");
  const fs::path job = dir.Path / "jobs" / "0003.prn";
  const Stream stream = Stream().Text("A").FormFeed().Then(BidBlocks(0, 0x12, 0x00)).FormFeed();
  WriteFile(job, std::string(stream.Data.begin(), stream.Data.end()));

  for (int round = 0; round < 2; ++round) {  // a second rendering replaces the first
    std::ostringstream out;
    std::ostringstream errors;
    EXPECT_EQ(RenderJobFile(job.string(), "", out, errors), 0) << errors.str();
    EXPECT_EQ(out.str(), (dir.Path / "jobs" / "0003-0001.png").string() + "\n" +
                             (dir.Path / "jobs" / "0003-0002.png").string() + "\n");
    EXPECT_EQ(errors.str(), "");
  }
  EXPECT_FALSE(fs::exists(dir.Path / "jobs" / "0003-0003.png"));
  // The factory-fresh head needs exactly the Bi-D values it holds: both directions line up.
  const QImage page(QString::fromStdString((dir.Path / "jobs" / "0003-0002.png").string()));
  ASSERT_EQ(page.size(), QSize(ImageWidth, ImageHeight));
  std::vector<Spot> black;
  for (int y = Top; y < Top + 12; ++y)
    for (int x = 0; x < 200; ++x)
      if (page.pixel(PaperMargin + x, PaperMargin + y) == 0xFF000000u) black.push_back({x, y});
  EXPECT_EQ(black, (std::vector<Spot>{{100, Top}, {100, Top + 3}, {100, Top + 6}, {100, Top + 9}}));

  std::ostringstream out;
  std::ostringstream errors;
  EXPECT_EQ(RenderJobFile(job.string(), (dir.Path / "elsewhere").string(), out, errors), 0);
  EXPECT_TRUE(fs::exists(dir.Path / "elsewhere" / "0003-0002.png"));
}

TEST(PrintedPages, RenderingReportsBadJobs) {
  ScratchDirectory dir;
  WriteFile(dir.Path / "broken.prn", std::string("A\x1BZ", 3));
  WriteFile(dir.Path / "empty.prn", "");
  const struct {
    std::string Job;
    int Status;
    std::string Error;
  } cases[] = {
      {"broken.prn", 1, "broken.prn: page 1, byte 1 of the job: unknown command ESC Z: skipped\n"},
      {"empty.prn", 0, "empty.prn prints nothing\n"},
      {"missing.prn", 1, "cannot read "},
      {"", 1, "cannot read "},  // the directory itself
  };
  for (const auto& c : cases) {
    std::ostringstream out;
    std::ostringstream errors;
    EXPECT_EQ(RenderJobFile((dir.Path / c.Job).string(), "", out, errors), c.Status) << c.Job;
    EXPECT_NE(errors.str().find(c.Error), std::string::npos) << errors.str();
  }
}

}  // namespace

namespace {

// A character and a form feed, over and over: every two bytes a page, enough pages to pass the
// limit of files by two hundred.
TEST(PrintedPages, AFloodOfFormFeedsKeepsAtMost500PageFilesAndSaysSo) {
  constexpr int FloodPages = 700;
  static_assert(FloodPages >= PageStore::MaxPageFiles + 200 && FloodPages >= JobRecorder::MaxJobFiles + 200);
  ScratchDirectory dir;
  VirtualClock clock;
  VirtualPrinter printer(clock, dir.Path.string());
  std::ostringstream report;
  printer.SetFaultReport(report);
  for (const Bytes& block : {ModeSwitchBlock(), OpenBlock(0x40), CreditRequestBlock(0x40, 200)}) Send(printer, block);
  Bytes flood;
  for (int i = 0; i < FloodPages; ++i) flood.insert(flood.end(), {'a', 0x0C});
  for (size_t at = 0; at < flood.size(); at += 100)
    Send(printer, Packet(0x40, Bytes(flood.begin() + static_cast<long>(at),
                                     flood.begin() + static_cast<long>(std::min(flood.size(), at + 100)))));
  EXPECT_EQ(printer.Pages().size(), size_t{FloodPages});
  EXPECT_EQ(printer.Jobs().size(), size_t{FloodPages}) << "each form feed ends a job";
  const auto filesIn = [](const fs::path& folder) {
    size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) files += entry.is_regular_file() ? 1 : 0;
    return files;
  };
  EXPECT_EQ(filesIn(dir.Path / "pages"), PageStore::MaxPageFiles);
  EXPECT_EQ(filesIn(dir.Path / "jobs"), JobRecorder::MaxJobFiles);
  EXPECT_FALSE(fs::exists(printer.PageFiles().front())) << "the oldest went first";
  EXPECT_TRUE(fs::exists(printer.PageFiles().back()));
  const std::string said = report.str();
  EXPECT_NE(said.find("at most 500 pages"), std::string::npos) << said;
  EXPECT_NE(said.find("at most 500 jobs"), std::string::npos) << said;
  EXPECT_LT(std::count(said.begin(), said.end(), '\n'), 40) << "a line for every hundred files, not one a file";

  // The newest page, read from its file, is the page in memory: a letter at the top left.
  const QImage file(QString::fromStdString(printer.PageFiles().back()));
  ASSERT_FALSE(file.isNull());
  EXPECT_EQ(file.convertToFormat(QImage::Format_RGB32), printer.Pages().back().convertToFormat(QImage::Format_RGB32));
  EXPECT_FALSE(Marks(printer.Pages().back()).empty());
}

// A sheet's memory serves again once its page has left memory: blank again, and never while someone holds the page.
TEST(PrintedPages, ReusedSheetsComeBackBlankAndHeldPagesStayAsPrinted) {
  PrintBench bench;
  Stream low;
  for (int line = 0; line < 60; ++line) low.CrLf();
  const QImage first = bench.Print(low.Text("LOW").FormFeed());
  const QImage held = first.copy();
  const QImage shared = first;  // a plain copy: shares the page's memory
  ASSERT_FALSE(Marks(held).empty());
  for (size_t page = 0; page < PageStore::PagesKeptInMemory + 2; ++page) bench.Print(Stream().Text("a").FormFeed());
  EXPECT_EQ(shared, held) << "a page someone holds is never drawn on again";
  const QImage last = bench.Store.Pages().back();
  const std::vector<Spot> marks = Marks(last);
  ASSERT_FALSE(marks.empty());
  for (const Spot& spot : marks) ASSERT_LT(spot.Y, PageGeometry::DefaultPageTop + PageGeometry::LineHeight) << spot;
}

// The PNG writer against the page itself: drawn runs at the paper's first and last rows, blank lines
// that mark nothing, and the writer that takes every row.
TEST(PrintedPages, PngFilesHoldThePageWhateverRowsWereDrawnOn) {
  PageRenderer renderer;
  renderer.LoadSheet();
  const uint8_t blank[4] = {0, 0, 0, 0};
  renderer.DrawRasterLine(0, 200, blank, sizeof blank, 2, 1, Ink::Cyan);
  const std::vector<uint8_t> none = renderer.TakeDrawnRows();
  EXPECT_EQ(std::count(none.begin(), none.end(), 1), 0) << "a line of blank bytes draws on nothing";
  renderer.TakeSheet();

  renderer.LoadSheet();
  const uint8_t dots[2] = {0xFF, 0xC3};
  for (int y : {0, 1, 2, 700, PaperHeight - 3, PaperHeight - 1})
    renderer.DrawRasterLine(y % 97, y, dots, sizeof dots, 2, 1, Ink::Magenta);
  renderer.DrawCharacter(PaperWidth - 20, PaperHeight - 10, 'W');
  const std::vector<uint8_t> drawn = renderer.TakeDrawnRows();
  const QImage page = renderer.TakeSheet();
  EXPECT_EQ(drawn[PaperMargin], 1);
  EXPECT_EQ(drawn[PaperMargin + PaperHeight - 1], 1);
  EXPECT_EQ(drawn[PaperMargin + 300], 0);
  const QImage expected = page.convertToFormat(QImage::Format_RGB32);
  for (const std::vector<uint8_t>* rows : {&drawn, static_cast<const std::vector<uint8_t>*>(nullptr)}) {
    std::vector<uint8_t> file;
    std::string reason;
    ASSERT_TRUE(PagePng::Encode(page, rows, file, reason)) << reason;
    QImage decoded;
    ASSERT_TRUE(decoded.loadFromData(file.data(), static_cast<int>(file.size()), "PNG"));
    EXPECT_EQ(decoded.convertToFormat(QImage::Format_RGB32), expected) << (rows ? "drawn rows" : "every row");
    EXPECT_EQ(decoded.dotsPerMeterX(), page.dotsPerMeterX());
  }
}

TEST(PrintedPages, MechanicsFileTakesOnlyPlainIntegers) {
  BidMechanics::Offsets offsets{};
  std::string reason;
  EXPECT_TRUE(BidMechanics::Parse("2 -4 0 +4 -2 6\n", offsets, reason)) << reason;
  EXPECT_EQ(offsets, (BidMechanics::Offsets{2, -4, 0, 4, -2, 6}));
  for (const char* text : {"+-5 0 0 0 0 0", "5e1 0 0 0 0 0", "0x5 0 0 0 0 0", "- 0 0 0 0 0", "1.5 0 0 0 0 0"}) {
    EXPECT_FALSE(BidMechanics::Parse(text, offsets, reason)) << text;
    EXPECT_EQ(offsets, (BidMechanics::Offsets{2, -4, 0, 4, -2, 6})) << "a refused file changes nothing";
  }
}

}  // namespace
