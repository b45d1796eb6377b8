// Keeps every print job as received, in memory and as jobs/NNNN.prn.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "sim/files/FileCap.h"
#include "sim/engine/PrintTokenizer.h"

class JobRecorder {
public:
  // A folder keeps at most this many job files; the oldest go first.
  static constexpr size_t MaxJobFiles = 500;
  // A job ends at a form feed, so it is one page: an A4 sheet in all six inks at two bits a dot
  // is 20 MB of raster uncompressed. 64 MiB leaves room for passes over the same lines and the
  // commands around them; what a job holds beyond it is not kept, and a longer job file is not read.
  static constexpr size_t MaxJobBytes = 64 * 1024 * 1024;
  // What of the job being received is held in memory; beyond it the job goes on to its file as it
  // arrives, and its entry in Jobs() stays empty.
  static constexpr size_t JobMemoryBytes = 1024 * 1024;
  // Finished jobs whose bytes stay in Jobs(); older entries give their memory back (become empty).
  static constexpr size_t JobsKeptInMemory = 8;

  // What a piece of the stream set the mechanism to do.
  struct Progress {
    int RasterBlocks = 0;
    int PageEnds = 0;
  };

  // `directory` empty keeps jobs in memory only. Otherwise it is created when
  // missing and numbering goes on after the highest NNNN.prn already there.
  explicit JobRecorder(std::string directory);
  ~JobRecorder();
  JobRecorder(const JobRecorder&) = delete;
  JobRecorder& operator=(const JobRecorder&) = delete;

  // Adds print-stream bytes. A job ends after a form feed; what follows it
  // begins the next job.
  Progress Add(const uint8_t* data, size_t length);
  // The data channel closed: the job so far ends.
  void EndJob();

  // Finished jobs, oldest first. A job of nothing but printer resets (the host
  // sends one before each status poll) is not kept. Only the latest
  // JobsKeptInMemory hold their bytes, and only when they are no longer than
  // JobMemoryBytes; the others are empty (their files hold them).
  const std::vector<std::vector<uint8_t>>& Jobs() const { return Finished; }
  // Paths of the files written, in the order of Jobs() (empty without a
  // directory); the oldest may have been removed since (see MaxJobFiles).
  const std::vector<std::string>& Files() const { return FileList; }
  const std::vector<std::string>& Messages() const { return MessageList; }
  // Where the removal of old job files is reported (standard error unless set).
  void SetReport(std::ostream& report) {
    Report = &report;
    JobFiles.SetReport(report);
  }

private:
  void Finish();
  // Moves what is held of the current job to its file (opened on the first move).
  void Spill();
  std::string NextPath();

  std::ostream* Report = nullptr;
  size_t CurrentLength = 0;    // bytes of the current job kept (memory and file), at most MaxJobBytes
  bool CurrentSpilled = false;  // part of the current job has left memory
  bool CurrentCut = false;      // the current job passed MaxJobBytes
  int CurrentFile = -1;
  std::string CurrentPath;

  std::string Directory;
  int NextNumber = 1;
  std::vector<uint8_t> Current;
  PrintTokenizer Tokens;  // tells a form feed apart from the same byte in parameters and raster data
  std::vector<std::vector<uint8_t>> Finished;
  std::vector<std::string> FileList;
  std::vector<std::string> MessageList;
  FileCap JobFiles{MaxJobFiles, "jobs"};
};
