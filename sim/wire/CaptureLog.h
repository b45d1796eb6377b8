// The traffic record: every block in either direction, in memory and as capture.log.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct CaptureRecord {
  double Seconds = 0;  // since the printer was created
  bool FromHost = false;
  std::vector<uint8_t> Bytes;
};

// capture.log has one line per block:
//   <seconds with 3 decimals> H>P <bytes>   what the host wrote
//   <seconds with 3 decimals> P>H <bytes>   what the printer answered
// bytes as capital hexadecimal pairs separated by single spaces.
//
// Both are bounded, whatever the host sends:
// - capture.log: a line that would take the file past FileLimit first moves
//   it to capture.log.1 (replacing the one there) and starts a fresh
//   capture.log. The traffic on disk is so at most twice FileLimit, one old
//   generation kept: the older half in capture.log.1, the newer in
//   capture.log. (Moving the whole file at FileLimit is the older half of a
//   budget of 2 x FileLimit, without copying a byte.)
// - the records in memory: past their limit (MemoryLimit unless set; their bytes and the cost of
//   each record) the older records are dropped until half of it is left;
//   DroppedRecords() counts them, so RecordCount() goes on counting all.
class CaptureLog {
public:
  // 16 MiB of lines is some 100,000 blocks, hours of a service session; with capture.log.1, at most 32 MiB on disk.
  static constexpr size_t FileLimit = 16 * 1024 * 1024;
  // The records kept in memory. The program's own simulator and the tests look back over whole
  // sessions (printing both check pages is some 700 KB of records): 32 MiB. The standalone
  // printer (arvana-printer-sim serve) keeps StandaloneMemoryLimit: its front panel shows only
  // the latest traffic, and capture.log has it all.
  static constexpr size_t MemoryLimit = 32 * 1024 * 1024;
  static constexpr size_t StandaloneMemoryLimit = 2 * 1024 * 1024;
  // What a record costs beside its bytes: the record itself and the allocation of its bytes.
  static constexpr size_t RecordCost = sizeof(CaptureRecord) + 16;

  // `filePath` empty keeps the records in memory only; otherwise the file is
  // started afresh (a capture.log.1 of an earlier run is removed) and every
  // line is written as it comes. Only a regular file is written: a FIFO,
  // device or folder there is reported in Messages() and the traffic is kept
  // in memory only.
  explicit CaptureLog(const std::string& filePath, size_t fileLimit = FileLimit);
  ~CaptureLog();
  CaptureLog(const CaptureLog&) = delete;
  CaptureLog& operator=(const CaptureLog&) = delete;

  void Add(int64_t elapsedMs, bool fromHost, const uint8_t* data, size_t length);
  // The latest records, oldest first (see MemoryLimit).
  const std::vector<CaptureRecord>& Records() const { return RecordList; }
  // Records dropped from the front of Records() so far: record i of Records() is the (DroppedRecords() + i)-th of all.
  size_t DroppedRecords() const { return Dropped; }
  size_t RecordCount() const { return Dropped + RecordList.size(); }
  // What the records in Records() cost, counted as MemoryLimit counts.
  size_t RecordBytes() const { return MemoryUsed; }
  // Bytes in the current capture.log (0 without a file).
  size_t FileBytes() const { return Written; }
  // A smaller file limit than FileLimit (tests).
  void SetFileLimit(size_t bytes) { Limit = bytes; }
  // Another limit for the records in memory than MemoryLimit (see StandaloneMemoryLimit).
  void SetMemoryLimit(size_t bytes) { MemoryCap = bytes; }
  const std::vector<std::string>& Messages() const { return MessageList; }

  static std::string FormatLine(int64_t elapsedMs, bool fromHost, const uint8_t* data, size_t length);
  // Reads one line back. False with a reason for anything that is not such a line.
  static bool ParseLine(const std::string& line, CaptureRecord& record, std::string& reason);

private:
  void Write(const std::string& line);
  // capture.log -> capture.log.1, and a fresh capture.log.
  void Rotate();

  std::string Path;
  int File = -1;
  size_t Limit;
  size_t Written = 0;
  std::vector<CaptureRecord> RecordList;
  size_t Dropped = 0;
  size_t MemoryUsed = 0;
  size_t MemoryCap = MemoryLimit;
  std::vector<std::string> MessageList;
};
