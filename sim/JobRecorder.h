// Keeps every print job as received, in memory and as jobs/NNNN.prn.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "sim/FileCap.h"
#include "sim/PrintStreamScanner.h"

class JobRecorder {
public:
  // A folder keeps at most this many job files; the oldest go first.
  static constexpr size_t MaxJobFiles = 500;

  // What a piece of the stream set the mechanism to do.
  struct Progress {
    int RasterBlocks = 0;
    int PageEnds = 0;
  };

  // `directory` empty keeps jobs in memory only. Otherwise it is created when
  // missing and numbering goes on after the highest NNNN.prn already there.
  explicit JobRecorder(std::string directory);

  // Adds print-stream bytes. A job ends after a form feed; what follows it
  // begins the next job.
  Progress Add(const uint8_t* data, size_t length);
  // The data channel closed: the job so far ends.
  void EndJob();

  // Finished jobs, oldest first. A job of nothing but printer resets (the host
  // sends one before each status poll) is not kept.
  const std::vector<std::vector<uint8_t>>& Jobs() const { return Finished; }
  // Paths of the files written, in the order of Jobs() (empty without a
  // directory); the oldest may have been removed since (see MaxJobFiles).
  const std::vector<std::string>& Files() const { return FileList; }
  const std::vector<std::string>& Messages() const { return MessageList; }
  // Where the removal of old job files is reported (standard error unless set).
  void SetReport(std::ostream& report) { JobFiles.SetReport(report); }

private:
  void Finish();

  std::string Directory;
  int NextNumber = 1;
  std::vector<uint8_t> Current;
  PrintStreamScanner Scanner;
  std::vector<std::vector<uint8_t>> Finished;
  std::vector<std::string> FileList;
  std::vector<std::string> MessageList;
  FileCap JobFiles{MaxJobFiles, "jobs"};
};
