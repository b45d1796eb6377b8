// The printer's data channel: service commands, remote mode and the print stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "sim/engine/JobRecorder.h"
#include "sim/engine/PrintInterpreter.h"
#include "sim/PrinterCore.h"

class DataChannel {
public:
  // How long the mechanism works on each kind of job.
  static constexpr int64_t HeadCleaningMs = 30000;
  static constexpr int64_t InkChargeMs = 60000;
  static constexpr int64_t Sequence81Ms = 5000;
  static constexpr int64_t RasterBlockMs = 150;
  static constexpr int64_t PageEjectMs = 2500;
  // Points a cleaning adds to the protection (waste ink) counter.
  static constexpr unsigned HeadCleaningPoints = 240;
  static constexpr unsigned InkChargePoints = 1200;
  // How much of a ReadEeprom answer a short-reply fault lets through: not up to the value.
  static constexpr size_t ShortEepromAnswerLength = 12;

  // Print data goes to `jobs` (as received) and to `printing` (onto paper).
  DataChannel(PrinterCore& core, JobRecorder& jobs, PrintInterpreter& printing)
      : Core(core), Jobs(jobs), Printing(printing) {}

  // Handles the payload of one data-channel packet: exactly one service
  // command, one remote-mode step, or print data. Returns the answer payload
  // of a ReadEeprom. Malformed or unknown commands are violations and change
  // nothing.
  std::optional<std::vector<uint8_t>> Handle(const std::vector<uint8_t>& payload);

  // The channel closed: the print job ends (a sheet in the printer comes out) and remote mode is left.
  void Close();

  bool InRemoteMode() const { return RemoteMode; }

  // Mechanism time of the carriage and pump commands, from their parameters
  // (p3 and p4 form a little-endian count); 0 for other commands.
  static int64_t MechanismMs(uint8_t code, const uint8_t* parameters, size_t parameterCount);

private:
  std::optional<std::vector<uint8_t>> HandleService(const std::vector<uint8_t>& payload);
  void HandleRemote(const std::vector<uint8_t>& payload);
  void RunCleaning(uint8_t sequence);

  PrinterCore& Core;
  JobRecorder& Jobs;
  PrintInterpreter& Printing;
  bool RemoteMode = false;
};
