// No file can hang the virtual printer, and what it holds is bounded by what the host reads:
// each of its files refused at once when it is a FIFO, a device, a folder or too large, and a
// host that floods it with requests and never reads leaves its queues, its capture in memory
// and capture.log within their limits.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

#include "sim/mechanism/BidMechanics.h"
#include "sim/wire/CaptureLog.h"
#include "sim/files/EepromImage.h"
#include "sim/files/FaultFile.h"
#include "sim/wire/HostBlockSplitter.h"
#include "sim/engine/JobFileRenderer.h"
#include "sim/engine/JobRecorder.h"
#include "sim/mechanism/PrintHead.h"
#include "sim/wire/PrinterWire.h"
#include "sim/ports/PtyServer.h"
#include "tests/sim/SimTestSupport.h"

namespace {

namespace fs = std::filesystem;

// What a file that hangs a reader would make of the test: a watchdog instead of a hang. The work
// runs on a thread of its own, which is left behind, blocked, when it does not finish in time;
// the test then fails and goes on. The work gets copies of all it needs, nothing of the test's.
constexpr auto Watchdog = std::chrono::seconds(20);

std::optional<std::string> Watched(std::function<std::string()> work) {
  auto promise = std::make_shared<std::promise<std::string>>();
  std::future<std::string> result = promise->get_future();
  std::thread([promise, work] { promise->set_value(work()); }).detach();
  if (result.wait_for(Watchdog) != std::future_status::ready) return std::nullopt;
  return result.get();
}

std::string JoinedLines(const std::vector<std::string>& lines) {
  std::string all;
  for (const std::string& line : lines) all += line + "\n";
  return all;
}

// The ways a file can be no file a reader may read whole.
enum class Bad { Fifo, LinkToDevZero, Folder, Oversized };

// Puts the bad kind of file at `path`; `limit` is the size its reader refuses beyond.
void MakeBad(const fs::path& path, Bad kind, size_t limit) {
  fs::create_directories(path.parent_path());
  switch (kind) {
    case Bad::Fifo:
      ASSERT_EQ(mkfifo(path.c_str(), 0644), 0) << path << ": " << std::strerror(errno);
      break;
    case Bad::LinkToDevZero:
      fs::create_symlink("/dev/zero", path);
      break;
    case Bad::Folder:
      fs::create_directories(path / "inside");
      break;
    case Bad::Oversized: {
      std::ofstream file(path, std::ios::binary);
      file << std::string(limit + 1, '#');
      break;
    }
  }
}

// The reason platform/RegularFile gives for each kind.
std::string ReasonFor(Bad kind, size_t limit) {
  switch (kind) {
    case Bad::Fifo:
      return "a FIFO, not a regular file";
    case Bad::LinkToDevZero:
      return "a character device, not a regular file";
    case Bad::Folder:
      return "a folder, not a regular file";
    case Bad::Oversized:
      return "larger than " + std::to_string(limit) + " bytes";
  }
  return {};
}

constexpr Bad AllBad[] = {Bad::Fifo, Bad::LinkToDevZero, Bad::Folder, Bad::Oversized};

const char* NameOf(Bad kind) {
  switch (kind) {
    case Bad::Fifo:
      return "FIFO";
    case Bad::LinkToDevZero:
      return "link to /dev/zero";
    case Bad::Folder:
      return "folder";
    case Bad::Oversized:
      return "oversized file";
  }
  return "";
}

// A fresh printer folder for each case.
fs::path CaseFolder(const TempDirectory& dir, const std::string& file, Bad kind) {
  return dir.Path / (file + "-" + std::to_string(static_cast<int>(kind)));
}

// Each of the printer's own files, read when the printer starts: refused at once, the reason in
// Messages() beside the path, the printer working from its defaults.
TEST(BoundedFiles, FilesReadAtStartAreRefusedAtOnce) {
  TempDirectory dir;
  const struct {
    const char* File;
    size_t Limit;
  } files[] = {
      {"eeprom.bin", EepromImage::FileLimit},
      {"head.txt", PrintHead::FileLimit},
      {"mechanics.txt", BidMechanics::FileLimit},
  };
  for (const auto& file : files) {
    for (Bad kind : AllBad) {
      const fs::path folder = CaseFolder(dir, file.File, kind);
      MakeBad(folder / file.File, kind, file.Limit);
      const std::string path = (folder / file.File).string();
      const std::optional<std::string> messages = Watched([folder] {
        VirtualClock clock;
        VirtualPrinter printer(clock, folder.string());
        return JoinedLines(printer.Messages());
      });
      ASSERT_TRUE(messages) << file.File << " as a " << NameOf(kind) << " hung the printer";
      EXPECT_NE(messages->find(path + ": " + ReasonFor(kind, file.Limit)), std::string::npos)
          << file.File << " as a " << NameOf(kind) << ":\n"
          << *messages;
    }
  }
}

// faults.conf is read whenever it changes: refused at once, reported on the report stream the
// way its other news is, and the switches stay as they were.
TEST(BoundedFiles, FaultFileIsRefusedAtOnce) {
  TempDirectory dir;
  for (Bad kind : AllBad) {
    const fs::path folder = CaseFolder(dir, "faults.conf", kind);
    MakeBad(folder / "faults.conf", kind, FaultFileLimit);
    const std::optional<std::string> report = Watched([folder] {
      VirtualClock clock;
      VirtualPrinter printer(clock, folder.string());
      std::ostringstream out;
      printer.SetFaultReport(out);
      printer.CheckTrainerFiles();
      if (!printer.PoweredOn() || printer.Faults().BusyAck) out << "(switches changed)";
      return out.str();
    });
    ASSERT_TRUE(report) << "faults.conf as a " << NameOf(kind) << " hung the printer";
    EXPECT_EQ(*report, "virtual printer: " + (folder / "faults.conf").string() + ": " +
                           ReasonFor(kind, FaultFileLimit) + ": not read, the switches stay as they are\n")
        << NameOf(kind);
  }
}

// A link to a regular file is a regular file.
TEST(BoundedFiles, ALinkToARegularFileIsRead) {
  TempDirectory dir;
  fs::create_directories(dir.Path / "printer");
  std::ofstream(dir.Path / "elsewhere.conf") << "busy-ack = on\n";
  fs::create_symlink(dir.Path / "elsewhere.conf", dir.Path / "printer" / "faults.conf");
  VirtualClock clock;
  VirtualPrinter printer(clock, (dir.Path / "printer").string());
  std::ostringstream report;
  printer.SetFaultReport(report);
  printer.CheckTrainerFiles();
  EXPECT_TRUE(printer.Faults().BusyAck);
  EXPECT_EQ(report.str(), "virtual printer: busy-ack = on\n");
}

// What is read through a link is written back through it: the link stays, its file changes.
TEST(BoundedFiles, ALinkedImageIsWrittenToItsFile) {
  TempDirectory dir;
  fs::create_directories(dir.Path / "printer");
  fs::create_directories(dir.Path / "kept");
  {
    VirtualClock clock;
    VirtualPrinter first(clock, (dir.Path / "kept").string());
  }
  fs::create_symlink("../kept/eeprom.bin", dir.Path / "printer" / "eeprom.bin");
  {
    VirtualClock clock;
    VirtualPrinter printer(clock, (dir.Path / "printer").string());
    printer.SetEepromCell(0x39, 0x08);
  }
  EXPECT_TRUE(fs::is_symlink(dir.Path / "printer" / "eeprom.bin"));
  std::ifstream kept(dir.Path / "kept" / "eeprom.bin", std::ios::binary);
  const std::string image{std::istreambuf_iterator<char>(kept), std::istreambuf_iterator<char>()};
  ASSERT_EQ(image.size(), EepromImage::Size);
  EXPECT_EQ(image[0x39], 0x08);

  // A link to a device is never followed for writing: the link itself gives way, the device stays.
  fs::remove(dir.Path / "printer" / "eeprom.bin");
  fs::create_symlink("/dev/zero", dir.Path / "printer" / "eeprom.bin");
  {
    VirtualClock clock;
    VirtualPrinter printer(clock, (dir.Path / "printer").string());
    printer.SetEepromCell(0x39, 0x09);
  }
  EXPECT_TRUE(fs::is_character_file("/dev/zero"));
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(dir.Path / "printer" / "eeprom.bin")));
}

// replace-main-board is a sign, never read: only a regular file swaps the board.
TEST(BoundedFiles, OnlyARegularFileReplacesTheBoard) {
  TempDirectory dir;
  for (Bad kind : {Bad::Fifo, Bad::LinkToDevZero, Bad::Folder}) {
    const fs::path folder = CaseFolder(dir, "replace-main-board", kind);
    MakeBad(folder / "replace-main-board", kind, 0);
    const std::optional<std::string> report = Watched([folder] {
      VirtualClock clock;
      VirtualPrinter printer(clock, folder.string());
      std::ostringstream out;
      printer.SetFaultReport(out);
      printer.CheckTrainerFiles();
      if (printer.Eeprom() == EepromImage::NewBoardImage()) out << "(board replaced)";
      return out.str();
    });
    ASSERT_TRUE(report) << "replace-main-board as a " << NameOf(kind) << " hung the printer";
    EXPECT_EQ(*report, "virtual printer: " + (folder / "replace-main-board").string() + ": " + ReasonFor(kind, 0) +
                           ": the board is not replaced\n");
  }
}

// capture.log is written, never read: what is not a regular file is not written through (a FIFO
// without a reader would block the writer), and the traffic is kept in memory.
TEST(BoundedFiles, CaptureLogIsOnlyWrittenToARegularFile) {
  TempDirectory dir;
  for (Bad kind : {Bad::Fifo, Bad::LinkToDevZero, Bad::Folder}) {
    const fs::path folder = CaseFolder(dir, "capture.log", kind);
    MakeBad(folder / "capture.log", kind, 0);
    const std::optional<std::string> messages = Watched([folder] {
      VirtualClock clock;
      VirtualPrinter printer(clock, folder.string());
      const Bytes block = ModeSwitchBlock();
      printer.ReceiveFromHost(block.data(), block.size());
      return JoinedLines(printer.Messages()) + (printer.Capture().size() == 2 ? "" : "(traffic not kept)");
    });
    ASSERT_TRUE(messages) << "capture.log as a " << NameOf(kind) << " hung the printer";
    EXPECT_EQ(*messages, "cannot write " + (folder / "capture.log").string() + ": " + ReasonFor(kind, 0) +
                             ": traffic is kept in memory only.\n");
  }
}

// The job renderer reads a job file no larger than a job can be.
TEST(BoundedFiles, JobFilesAreRefusedAtOnce) {
  TempDirectory dir;
  for (Bad kind : AllBad) {
    const fs::path job = CaseFolder(dir, "job", kind) / "0001.prn";
    // An oversized job is a sparse file: its size is what counts, not its bytes.
    if (kind == Bad::Oversized) {
      fs::create_directories(job.parent_path());
      std::ofstream(job, std::ios::binary).put('A');
      fs::resize_file(job, JobRecorder::MaxJobBytes + 1);
    } else {
      MakeBad(job, kind, JobRecorder::MaxJobBytes);
    }
    const std::optional<std::string> errors = Watched([job] {
      std::ostringstream out;
      std::ostringstream errors;
      const int status = RenderJobFile(job.string(), "", out, errors);
      return errors.str() + (status == 1 ? "" : "(status not 1)") + out.str();
    });
    ASSERT_TRUE(errors) << "a job file as a " << NameOf(kind) << " hung the renderer";
    EXPECT_EQ(*errors, "cannot read " + job.string() + ": " + ReasonFor(kind, JobRecorder::MaxJobBytes) + "\n");
  }
}

// A job longer than the printer holds in memory goes to its file whole as it arrives.
TEST(BoundedFiles, ALongJobGoesToItsFileNotToMemory) {
  TempDirectory dir;
  JobRecorder jobs((dir.Path / "jobs").string());
  const std::vector<uint8_t> returns(JobRecorder::JobMemoryBytes / 4, '\r');
  for (int i = 0; i < 10; ++i) jobs.Add(returns.data(), returns.size());
  const uint8_t end[] = {'A', 0x0C, 'B', 0x0C};
  jobs.Add(end, sizeof end);
  ASSERT_EQ(jobs.Files().size(), 2u);
  EXPECT_EQ(fs::file_size(jobs.Files()[0]), 10 * returns.size() + 2);
  EXPECT_TRUE(jobs.Jobs()[0].empty()) << "in its file only";
  EXPECT_EQ(jobs.Jobs()[1], (std::vector<uint8_t>{'B', 0x0C}));
  EXPECT_TRUE(jobs.Messages().empty());
}

// The requests of the flood: control-channel EEPROM reads the way the host makes them, each
// request answered: credit for the answer, credit for the request, the request.
Bytes FloodRequest(size_t index) {
  switch (index % 3) {
    case 0:
      return CreditBlock(0x02, 1);
    case 1:
      return CreditRequestBlock(0x02, 1);
    default:
      return Packet(0x02, ControlReadRequest(static_cast<uint8_t>(index / 3)));
  }
}

// A host that writes 20,000 requests over the pseudo-terminal and never reads an answer. The
// printer stops taking requests while its unread answers are at the limit; after
// PtyServer::HostGoneMs without a byte read it takes the host as gone, drops them and goes on.
// Throughout, what it holds stays within its limits, and capture.log (with a small limit here)
// has moved to capture.log.1.
TEST(BoundedFiles, AHostThatNeverReadsFillsNothingBeyondTheLimits) {
  constexpr size_t Requests = 20000;
  constexpr size_t FileLimit = 64 * 1024;
  TempDirectory dir;
  VirtualClock clock;
  VirtualPrinter printer(clock, dir.Path.string());
  printer.LimitCaptureFile(FileLimit);
  printer.LimitCaptureMemory(CaptureLog::StandaloneMemoryLimit);  // as arvana-printer-sim serve does
  PtyServer server(printer, clock);
  std::string reason;
  if (!server.Open(reason)) GTEST_SKIP() << "no pseudo-terminal here: " << reason;
  const int host = open(server.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(host, 0);

  std::vector<Bytes> start = {ModeSwitchBlock(), InitBlock(), OpenBlock(0x02)};
  size_t written = 0;  // requests written whole, the link's start included
  Bytes block;
  size_t blockOffset = 0;
  size_t stalls = 0;
  size_t mostQueued = 0;
  size_t mostBuffered = 0;
  size_t mostCapture = 0;
  size_t largestLog = 0;
  for (size_t round = 0; written < start.size() + Requests; ++round) {
    ASSERT_LT(round, 200000u) << "the flood did not get through";
    bool hostWrote = false;
    while (written < start.size() + Requests) {
      if (block.empty()) {
        block = written < start.size() ? start[written] : FloodRequest(written - start.size());
        blockOffset = 0;
      }
      const ssize_t count = write(host, block.data() + blockOffset, block.size() - blockOffset);
      if (count <= 0) {
        ASSERT_TRUE(count < 0 && errno == EAGAIN) << std::strerror(errno);
        break;  // the terminal takes no more
      }
      hostWrote = true;
      blockOffset += static_cast<size_t>(count);
      if (blockOffset == block.size()) {
        block.clear();
        ++written;
      }
    }
    const size_t recordsBefore = printer.CaptureDropped() + printer.Capture().size();
    const size_t bufferedBefore = server.BufferedRequestBytes();
    ASSERT_TRUE(server.ServeOnce(0, reason)) << reason;
    mostQueued = std::max(mostQueued, server.QueuedAnswerBytes());
    mostBuffered = std::max(mostBuffered, server.BufferedRequestBytes());
    mostCapture = std::max(mostCapture, printer.CaptureBytes());
    std::error_code error;
    largestLog = std::max<size_t>(largestLog, fs::file_size(dir.Path / "capture.log", error));
    const bool served = printer.CaptureDropped() + printer.Capture().size() != recordsBefore ||
                        server.BufferedRequestBytes() != bufferedBefore;
    if (!hostWrote && !served) {
      // Neither side moves: the printer has stopped taking requests, its answers unread.
      ASSERT_FALSE(server.Reading()) << "stalled with " << server.QueuedAnswerBytes() << " bytes of answers queued";
      ++stalls;
      clock.Advance(PtyServer::HostGoneMs);
    }
  }
  close(host);

  // Answers to one block beyond the limit at most: a link reply and a channel answer.
  EXPECT_LE(mostQueued, VirtualPrinter::UnreadAnswerLimit + 2 * PrinterWire::MaxPacketSize);
  EXPECT_LE(mostBuffered, HostBlockSplitter::MaxBlock + PtyServer::ReadSize);
  EXPECT_LE(mostCapture, CaptureLog::StandaloneMemoryLimit);
  EXPECT_LE(largestLog, FileLimit);
  EXPECT_GT(stalls, 0u) << "the printer never stopped taking requests";
  EXPECT_GT(printer.CaptureDropped(), 0u) << "the flood did not reach the capture's limit";
  EXPECT_LE(printer.ProtocolViolations().size(), PrinterCore::MaxViolations);
  ASSERT_TRUE(fs::exists(dir.Path / "capture.log.1"));
  EXPECT_LE(fs::file_size(dir.Path / "capture.log.1"), FileLimit);
  EXPECT_GT(fs::file_size(dir.Path / "capture.log.1"), FileLimit / 2);
  EXPECT_LE(fs::file_size(dir.Path / "capture.log"), FileLimit);
  // The older half holds whole lines that read back.
  std::ifstream older(dir.Path / "capture.log.1");
  std::string line;
  ASSERT_TRUE(std::getline(older, line));
  CaptureRecord record;
  EXPECT_TRUE(CaptureLog::ParseLine(line, record, reason)) << line << ": " << reason;
}

// The same flood handed to the printer directly, as the in-process port does: blocks written
// while the unread answers are at the limit are not taken in, and the host hears of it.
TEST(BoundedFiles, APrinterWhoseAnswersWaitUnreadTakesNoMoreBlocks) {
  VirtualClock clock;
  VirtualPrinter printer(clock, "");
  printer.LimitCaptureMemory(CaptureLog::StandaloneMemoryLimit);
  for (const Bytes& block : {ModeSwitchBlock(), InitBlock(), OpenBlock(0x02)})
    printer.ReceiveFromHost(block.data(), block.size());
  size_t most = 0;
  for (size_t i = 0; i < 20000; ++i) {
    const Bytes block = FloodRequest(i);
    printer.ReceiveFromHost(block.data(), block.size());
    most = std::max(most, printer.PendingReplyBytes());
  }
  EXPECT_FALSE(printer.TakesRequests());
  EXPECT_LE(most, VirtualPrinter::UnreadAnswerLimit + 2 * PrinterWire::MaxPacketSize);
  EXPECT_LE(printer.CaptureBytes(), CaptureLog::StandaloneMemoryLimit);
  ASSERT_FALSE(printer.ProtocolViolations().empty());
  EXPECT_LE(printer.ProtocolViolations().size(), PrinterCore::MaxViolations);
  EXPECT_NE(printer.ProtocolViolations().back().find("bytes of answers wait unread: not taken in"), std::string::npos)
      << printer.ProtocolViolations().back();
  // Read, and it takes requests again.
  uint8_t buffer[4096];
  while (printer.ReadReplyBytes(buffer, sizeof buffer) > 0) {
  }
  EXPECT_TRUE(printer.TakesRequests());
}

}  // namespace
