// The virtual printer: the far end of the link, from the mode switch to the mechanism.
#pragma once

#include <QImage>
#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <iosfwd>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/Clock.h"
#include "sim/mechanism/BidMechanics.h"
#include "sim/wire/CaptureLog.h"
#include "sim/wire/ControlChannel.h"
#include "sim/wire/DataChannel.h"
#include "sim/wire/DeviceLink.h"
#include "sim/files/DirectoryLock.h"
#include "sim/files/EepromImage.h"
#include "sim/files/FaultFile.h"
#include "sim/files/PrinterConfig.h"
#include "sim/engine/JobRecorder.h"
#include "sim/files/PageStore.h"
#include "sim/engine/PrintInterpreter.h"
#include "sim/PrinterCore.h"
#include "sim/mechanism/PrinterFaults.h"

// The host hands over each block it writes with ReceiveFromHost; the printer
// answers at once, and its answers wait in a queue of blocks (one answer, one
// block) until the port device takes them, as a byte stream or block by block.
// Time is the clock's: whatever the mechanism does is worked out from it when
// someone asks, so tests on a virtual clock never wait.
class VirtualPrinter {
public:
  // Answers the host has not read yet are kept to this: a printer whose answers wait unread takes
  // no more requests (a real one stops taking them when it cannot send). 64 KiB is a thousand
  // answers, far more than a host that reads its answers ever leaves waiting. The pseudo-terminal
  // server keeps its own queue to the same limit.
  static constexpr size_t UnreadAnswerLimit = 64 * 1024;
  // What a held printer keeps of the blocks that wait for the hold to end; more are lost, as on a
  // printer whose buffer is full.
  static constexpr size_t HeldBytesLimit = 64 * 1024;

  // How long the firmware is busy after an "rs" reset and after switching on.
  static constexpr int64_t ResetBusyMs = 4000;
  static constexpr int64_t PowerOnBusyMs = 5000;

  // `directory` empty keeps nothing on disk. Otherwise it is created when
  // missing and holds eeprom.bin, capture.log (started afresh), jobs/,
  // pages/, mechanics.txt (the head's true Bi-D offsets) and, when the
  // trainer writes one, faults.conf.
  // Trouble with it is reported in Messages(); the printer then keeps that
  // part in memory. A folder whose printer another process runs is not
  // touched: DirectoryInUse is thrown, naming that process.
  VirtualPrinter(Clock& clock, std::string directory);

  // One block as the host wrote it (one write call). While UnreadAnswerLimit
  // bytes of answers wait unread, the block is not taken in (a violation).
  void ReceiveFromHost(const uint8_t* data, size_t length);
  // False while the answers waiting unread are at UnreadAnswerLimit.
  bool TakesRequests() const { return ReplyBytes < UnreadAnswerLimit; }
  // The host read none of `dropped` bytes of answers for so long that it is
  // taken as gone (the pseudo-terminal server dropped them): a violation.
  void HostStoppedReading(size_t dropped, int64_t waitedMs);

  // Answers waiting for the host.
  size_t PendingReplyBytes() const { return ReplyBytes - FrontOffset; }
  // Takes up to `length` bytes of the waiting answers as one byte stream
  // (a parallel port). Returns the count taken, 0 when nothing waits.
  size_t ReadReplyBytes(uint8_t* buffer, size_t length);
  // Takes up to `length` bytes of the first waiting answer only (a USB
  // printer returns one answer per read); the rest of a longer answer stays.
  size_t TakeReplyBlock(uint8_t* buffer, size_t length);

  // Faults and conditions; see PrinterFaults.
  PrinterFaults& Faults() { return Core.Faults(); }
  // The trainer's files, looked at before every block from the host and
  // whenever the host opens a port. DIR/faults.conf, when it changed,
  // replaces the switches (see ParseFaultFile); each switch that changes, and
  // each line not understood (once), is reported on `report`. DIR/replace-main-board,
  // when it exists, makes the printer take a new board and is deleted.
  void CheckTrainerFiles();
  // Where changes of the switches, and the removal of old page and job files, are reported.
  void SetFaultReport(std::ostream& report) {
    FaultReport = &report;
    PageOutput.SetReport(report);
    JobStore.SetReport(report);
  }
  // The switches of DIR/faults.conf as they stand, and a change of them from
  // elsewhere (the front panel): it acts at once, is reported like a change
  // of the file, and is written to the file (a file that cannot be written is
  // reported; the switches act all the same).
  FaultSwitches Switches() const { return {Core.Faults(), Powered}; }
  void SetSwitches(const FaultSwitches& switches);
  // Warnings are worked out from the ink levels; set here they are reported
  // as given until FollowInkWarnings.
  void SetWarnings(std::vector<int> codes) { Core.SetWarnings(std::move(codes)); }
  void FollowInkWarnings() { Core.SetWarnings(std::nullopt); }
  std::array<uint8_t, 6> InkQuantities() const { return Core.Head().Quantities(); }
  void SetInkQuantities(const std::array<uint8_t, 6>& quantities) { Core.SetInkQuantities(quantities); }
  // Switched off the printer answers nothing and forgets its link; a job in
  // progress is kept as it stands. Switching on restarts the firmware.
  void PowerOff();
  void PowerOn();
  bool PoweredOn() const { return Powered; }
  // Stopped by hold-after-writes: blocks from the host wait, unanswered, until the switch is cleared.
  bool Holding() const { return Held; }
  // A new main board: every EEPROM cell 0xFF, the printer switched off and
  // on again (a printer that was off stays off).
  void ReplaceMainBoard();

  // The head: nozzles, their wear and cleaning, the ink (see PrintHead).
  PrintHead& Head() { return Core.Head(); }

  // Which printer it is: DIR/printer.conf at the start, or the front panel's choice since.
  SimModel Model() const { return ModelIs; }
  void SetModel(SimModel model) { ModelIs = model; }
  // The IEEE 1284 device ID its USB interface gives, naming the model:
  // "MFG:VELOR;CMD:1284.4,REMOTE;MDL:Print 360;CLS:PRINTER;DES:Arvana Print 360;".
  std::string DeviceId() const;
  // The serial number its USB device gives: the stored USB ID, when all its characters are
  // printable; empty otherwise (a new main board).
  std::string UsbSerial() const;

  // Inspection for tests and tools.
  PrinterCondition Condition() { return Core.Condition(); }
  PrinterState State() { return Core.Condition().State; }
  const EepromImage::Cells& Eeprom() const { return Core.Eeprom().Stored(); }
  // The values the firmware works with (taken from the EEPROM at the last
  // restart, reset or change notification; Bi-D values set live).
  const EepromImage::Cells& EepromInUse() const { return Core.Eeprom().InUse(); }
  void SetEepromCell(uint8_t address, uint8_t value) { Core.Eeprom().Set(address, value); }
  const std::array<uint32_t, EepromImage::Size>& EepromWriteCounts() const { return Core.Eeprom().WriteCounts(); }
  // The cells the host has had stored since the printer started, all cells together.
  uint32_t HostEepromWrites() const { return Core.Eeprom().HostWrites(); }
  // What the host did wrong, each with the time it happened; empty for a
  // host that keeps to the protocol.
  // The latest PrinterCore::MaxViolations at most.
  const std::vector<std::string>& ProtocolViolations() const { return Core.Violations(); }
  // Violations dropped from the front of ProtocolViolations() so far (cleared ones included).
  size_t ProtocolViolationsDropped() const { return Core.ViolationsDropped(); }
  void ClearProtocolViolations() { Core.ClearViolations(); }
  // The latest blocks in either direction, in order: the older ones are
  // dropped past CaptureLog::MemoryLimit, or the limit set with
  // LimitCaptureMemory (capture.log keeps them; see CaptureLog).
  const std::vector<CaptureRecord>& Capture() const { return Traffic.Records(); }
  // Blocks dropped from the front of Capture() so far; Capture()[i] is block CaptureDropped() + i of all.
  size_t CaptureDropped() const { return Traffic.DroppedRecords(); }
  // What Capture() costs, counted as CaptureLog::MemoryLimit counts.
  size_t CaptureBytes() const { return Traffic.RecordBytes(); }
  // A smaller limit for capture.log than CaptureLog::FileLimit (tests).
  void LimitCaptureFile(size_t bytes) { Traffic.SetFileLimit(bytes); }
  // Another limit for Capture() than CaptureLog::MemoryLimit (the standalone printer's, see CaptureLog).
  void LimitCaptureMemory(size_t bytes) { Traffic.SetMemoryLimit(bytes); }
  // Finished print jobs as received, and the files they went to.
  const std::vector<std::vector<uint8_t>>& Jobs() const { return JobStore.Jobs(); }
  const std::vector<std::string>& JobFiles() const { return JobStore.Files(); }
  // Printed pages (see PageStore: the latest in memory) and their files
  // pages/NNNN.png, numbered on from what the directory holds.
  const std::vector<QImage>& Pages() const { return PageOutput.Pages(); }
  const std::vector<std::string>& PageFiles() const { return PageOutput.Files(); }
  // Each page file also gets a reduced copy in pages/reduced/ (see PageStore).
  void SetReducedPageScale(double scale) { PageOutput.SetReducedCopies(scale); }
  // What was wrong with the print streams received, readable; empty for a
  // host that keeps to the print language.
  const std::vector<std::string>& JobErrors() const { return Printing.Errors(); }
  void ClearJobErrors() { Printing.ClearErrors(); }
  // The head's true Bi-D offsets, in the order MS Black, MS Color, 6pl Black,
  // 6pl Color, 4pl Black, 4pl Color. Setting them saves mechanics.txt; values
  // outside -36..36 change nothing and give false (and the reason).
  const BidMechanics::Offsets& TrueBidOffsets() const { return Mechanics.Get(); }
  bool SetTrueBidOffsets(const BidMechanics::Offsets& offsets, std::string* reason = nullptr) {
    return Mechanics.Set(offsets, reason);
  }
  bool InPacketMode() const { return Link.InPacketMode(); }
  bool ChannelOpen(uint8_t socket) const;
  bool InRemoteMode() const { return Data.InRemoteMode(); }
  // Problems with the directory, readable.
  std::vector<std::string> Messages() const;

private:
  void Send(const std::vector<uint8_t>& packet);
  // Works through one block the host wrote.
  void Carry(const uint8_t* data, size_t length);
  void CarryBlock(const uint8_t* data, size_t length);
  // Starts the hold once the switch's count of writes is reached.
  void UpdateHold();
  // Ends the hold: the answers kept back leave, then the blocks that waited are worked through.
  void ReleaseHold();
  void CheckBoardReplacement();
  void ApplySwitches(const FaultSwitches& switches);

  std::vector<std::string> DirectoryMessages;  // filled before the members below are built
  std::string Directory;
  DirectoryLock Lock;  // taken before anything in the folder is read
  PrinterConfig Config;
  SimModel ModelIs;
  PrinterCore Core;
  CaptureLog Traffic;
  JobRecorder JobStore;
  BidMechanics Mechanics;
  PageStore PageOutput;
  PrintInterpreter Printing;
  DeviceLink Link;
  ControlChannel Control;
  DataChannel Data;
  bool Powered = true;
  bool Held = false;
  uint32_t HoldBase = 0;  // the EEPROM writes counted when the switch was set or the power came on
  std::deque<std::vector<uint8_t>> HeldBlocks;
  size_t HeldBytes = 0;  // in HeldBlocks
  std::deque<std::vector<uint8_t>> HeldReplies;
  FaultFile FaultsFile;
  std::string ReplaceBoardPath;
  bool BoardFileReported = false;
  std::ostream* FaultReport;
  std::set<std::string> ReportedLines;
  std::deque<std::vector<uint8_t>> Replies;
  size_t ReplyBytes = 0;   // in Replies, those taken from the front included
  size_t FrontOffset = 0;  // bytes of Replies.front() already taken
};
