// The traffic record: every block in either direction, in memory and as capture.log.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
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
class CaptureLog {
public:
  // `filePath` empty keeps the records in memory only; otherwise the file is
  // started afresh and every line is flushed as it is written.
  explicit CaptureLog(const std::string& filePath);
  ~CaptureLog();
  CaptureLog(const CaptureLog&) = delete;
  CaptureLog& operator=(const CaptureLog&) = delete;

  void Add(int64_t elapsedMs, bool fromHost, const uint8_t* data, size_t length);
  const std::vector<CaptureRecord>& Records() const { return RecordList; }
  const std::vector<std::string>& Messages() const { return MessageList; }

  static std::string FormatLine(int64_t elapsedMs, bool fromHost, const uint8_t* data, size_t length);
  // Reads one line back. False with a reason for anything that is not such a line.
  static bool ParseLine(const std::string& line, CaptureRecord& record, std::string& reason);

private:
  std::FILE* File = nullptr;
  std::vector<CaptureRecord> RecordList;
  std::vector<std::string> MessageList;
};
