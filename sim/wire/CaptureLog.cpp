// Writing and reading the lines of capture.log.
#include "sim/wire/CaptureLog.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/RegularFile.h"
#include "sim/wire/PrinterWire.h"
#include "sim/files/SimFile.h"

namespace {

constexpr const char* HostToPrinter = "H>P";
constexpr const char* PrinterToHost = "P>H";

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

CaptureLog::CaptureLog(const std::string& filePath, size_t fileLimit) : Path(filePath), Limit(fileLimit) {
  if (Path.empty()) return;
  std::error_code ignored;
  std::filesystem::remove(Path + ".1", ignored);  // the older half of an earlier run
  const Outcome<int> opened = OpenRegularFileForWriting(Path, WriteStart::Afresh);
  File = opened ? *opened : -1;
  if (!opened) MessageList.push_back("cannot write " + opened.Fault().Message + ": traffic is kept in memory only.");
}

CaptureLog::~CaptureLog() {
  if (File >= 0) ::close(File);
}

void CaptureLog::Add(int64_t elapsedMs, bool fromHost, const uint8_t* data, size_t length) {
  if (data == nullptr) length = 0;
  RecordList.push_back({static_cast<double>(elapsedMs) / 1000.0, fromHost, std::vector<uint8_t>(data, data + length)});
  MemoryUsed += RecordCost + length;
  if (MemoryUsed > MemoryCap) {
    // The older records go until half the limit is left: amortised, a record is moved about once.
    size_t count = 0;
    while (count + 1 < RecordList.size() && MemoryUsed > MemoryCap / 2) {
      MemoryUsed -= RecordCost + RecordList[count].Bytes.size();
      ++count;
    }
    RecordList.erase(RecordList.begin(), RecordList.begin() + static_cast<long>(count));
    Dropped += count;
  }
  if (File >= 0) Write(FormatLine(elapsedMs, fromHost, data, length) + "\n");
}

void CaptureLog::Write(const std::string& line) {
  if (Written > 0 && Written + line.size() > Limit) Rotate();
  if (File < 0) return;
  if (!WriteAll(File, line.data(), line.size())) {
    MessageList.push_back("cannot write " + Path + " (" + std::strerror(errno) + "): traffic is kept in memory only.");
    ::close(File);
    File = -1;
    return;
  }
  Written += line.size();
}

void CaptureLog::Rotate() {
  ::close(File);
  File = -1;
  Written = 0;
  std::error_code error;
  std::filesystem::rename(Path, Path + ".1", error);
  if (error) {
    // The file starts afresh all the same: the limit holds, the older half is lost.
    const std::string message =
        "cannot move " + Path + " to " + Path + ".1 (" + error.message() + "): the older traffic is dropped.";
    if (MessageList.empty() || MessageList.back() != message) MessageList.push_back(message);
  }
  const Outcome<int> opened = OpenRegularFileForWriting(Path, WriteStart::Afresh);
  File = opened ? *opened : -1;
  if (!opened) MessageList.push_back("cannot write " + opened.Fault().Message + ": traffic is kept in memory only.");
}

std::string CaptureLog::FormatLine(int64_t elapsedMs, bool fromHost, const uint8_t* data, size_t length) {
  if (elapsedMs < 0) elapsedMs = 0;
  char stamp[40];
  std::snprintf(stamp, sizeof stamp, "%lld.%03lld %s", static_cast<long long>(elapsedMs / 1000),
                static_cast<long long>(elapsedMs % 1000), fromHost ? HostToPrinter : PrinterToHost);
  std::string line = stamp;
  if (length > 0) line += " " + PrinterWire::HexBytes(data, length);
  return line;
}

bool CaptureLog::ParseLine(const std::string& line, CaptureRecord& record, std::string& reason) {
  size_t position = 0;
  long long whole = 0;
  size_t digits = 0;
  while (position < line.size() && line[position] >= '0' && line[position] <= '9' && digits < 15) {
    whole = whole * 10 + (line[position] - '0');
    ++position;
    ++digits;
  }
  if (digits == 0 || position + 4 > line.size() || line[position] != '.') {
    reason = "no time stamp at the start of the line";
    return false;
  }
  int fraction = 0;
  for (size_t i = 1; i <= 3; ++i) {
    const char c = line[position + i];
    if (c < '0' || c > '9') {
      reason = "the time stamp needs three decimals";
      return false;
    }
    fraction = fraction * 10 + (c - '0');
  }
  position += 4;
  if (line.compare(position, 4, std::string(" ") + HostToPrinter) == 0) {
    record.FromHost = true;
  } else if (line.compare(position, 4, std::string(" ") + PrinterToHost) == 0) {
    record.FromHost = false;
  } else {
    reason = "no direction H>P or P>H behind the time stamp";
    return false;
  }
  position += 4;
  record.Seconds = static_cast<double>(whole) + fraction / 1000.0;
  record.Bytes.clear();
  while (position < line.size()) {
    if (line.size() - position < 3 || line[position] != ' ') {
      reason = "bytes must be pairs of capital hexadecimal digits after single spaces (column " +
               std::to_string(position + 1) + ")";
      return false;
    }
    const int high = HexValue(line[position + 1]);
    const int low = HexValue(line[position + 2]);
    if (high < 0 || low < 0) {
      reason = "not a capital hexadecimal byte at column " + std::to_string(position + 2);
      return false;
    }
    record.Bytes.push_back(static_cast<uint8_t>(high * 16 + low));
    position += 3;
  }
  return true;
}
