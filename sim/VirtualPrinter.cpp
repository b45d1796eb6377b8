// The virtual printer's front: blocks in, answers out, power and the record of the traffic.
#include "sim/VirtualPrinter.h"

#include "sim/files/PrinterFolder.h"

#include "platform/ShownText.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <limits>
#include <system_error>
#include <utility>

#include "platform/RegularFile.h"

namespace {

// The directory as it can be used: created when missing; empty (memory only)
// when that fails.
std::string PrepareDirectory(std::string directory, std::vector<std::string>& messages) {
  if (directory.empty()) return directory;
  std::error_code error;
  std::filesystem::create_directories(directory, error);
  if (error) {
    messages.push_back("cannot create " + ShownText(directory) + " (" + error.message() + "): nothing is kept on disk.");
    return {};
  }
  return directory;
}

std::string PathIn(const std::string& directory, const char* name) {
  if (directory.empty()) return {};
  return (std::filesystem::path(directory) / name).string();
}

// The folder, once its lock is held; nothing of it is read before.
const std::string& Locked(const std::string& directory, const DirectoryLock& lock) {
  if (!lock.Held()) throw DirectoryInUse(lock.Refusal());
  return directory;
}


}  // namespace

VirtualPrinter::VirtualPrinter(Clock& clock, std::string directory)
    : Directory(PrepareDirectory(std::move(directory), DirectoryMessages)),
      Lock(Directory),
      Config(ReadPrinterConfig(PathIn(Locked(Directory, Lock), PrinterFolder::Config))),
      ModelIs(Config.Model),
      // A printer made new is made as the model it is.
      Core(clock, PathIn(Locked(Directory, Lock), PrinterFolder::Eeprom), PathIn(Directory, PrinterFolder::Head),
           ModelIs == SimModel::Print350 ? EepromImage::MarketId350 : EepromImage::MarketId360),
      Traffic(PathIn(Directory, PrinterFolder::Capture)),
      JobStore(PathIn(Directory, PrinterFolder::Jobs)),
      Mechanics(PathIn(Directory, PrinterFolder::Mechanics)),
      PageOutput(PathIn(Directory, PrinterFolder::Pages)),
      Printing(Core.Eeprom().InUse(), Mechanics, PageOutput, &Core.Head()),
      Link(Core),
      Control(Core),
      Data(Core, JobStore, Printing),
      FaultsFile(PathIn(Directory, PrinterFolder::Faults)),
      ReplaceBoardPath(PathIn(Directory, PrinterFolder::ReplaceBoard)),
      FaultReport(&std::cerr) {}

void VirtualPrinter::CheckTrainerFiles() {
  CheckBoardReplacement();
  const std::optional<FaultFileContents> contents = FaultsFile.Poll();
  if (!contents) return;
  if (!contents->Refused.empty()) {
    *FaultReport << "virtual printer: " << contents->Refused << ": not read, the switches stay as they are"
                 << std::endl;
    return;
  }
  for (const std::string& line : contents->NotUnderstood) {
    if (ReportedLines.insert(line).second) *FaultReport << "faults.conf: ignored, not understood: " << ShownText(line) << '\n';
  }
  ApplySwitches(contents->Switches);
}

void VirtualPrinter::SetSwitches(const FaultSwitches& switches) {
  ApplySwitches(switches);
  std::string reason;
  if (!FaultsFile.Write(switches, reason)) *FaultReport << "virtual printer: " << reason << std::endl;
}

void VirtualPrinter::ApplySwitches(const FaultSwitches& switches) {
  for (const std::string& change : ChangedSwitches(Switches(), switches))
    *FaultReport << "virtual printer: " << change << '\n';
  FaultReport->flush();
  const bool holdChanged = Core.Faults().HoldAfterWrites != switches.Faults.HoldAfterWrites;
  Core.Faults() = switches.Faults;
  if (holdChanged) HoldBase = Core.Eeprom().HostWrites();
  if (switches.PowerOn) {
    PowerOn();
  } else {
    PowerOff();
  }
  if (Held && !Core.Faults().HoldAfterWrites) ReleaseHold();
}

void VirtualPrinter::UpdateHold() {
  const std::optional<uint32_t> limit = Core.Faults().HoldAfterWrites;
  if (Held || !limit || Core.Eeprom().HostWrites() - HoldBase < *limit) return;
  Held = true;
  *FaultReport << "virtual printer: holding after " << *limit
               << " EEPROM writes: clear hold-after-writes, or switch the power off and on, to go on" << std::endl;
}

void VirtualPrinter::ReleaseHold() {
  Held = false;
  while (!HeldReplies.empty()) {
    Send(HeldReplies.front());
    HeldReplies.pop_front();
  }
  while (!Held && !HeldBlocks.empty()) {
    const std::vector<uint8_t> block = std::move(HeldBlocks.front());
    HeldBlocks.pop_front();
    HeldBytes -= block.size();
    Carry(block.data(), block.size());
  }
}

void VirtualPrinter::ReceiveFromHost(const uint8_t* data, size_t length) {
  CheckTrainerFiles();
  if (data == nullptr) length = 0;
  Traffic.Add(Core.ElapsedMs(), true, data, length);
  if (!Powered || length == 0) return;
  if (Held) {
    // A stopped printer takes nothing in; a host that goes on writing fills no more than its buffer.
    if (HeldBytes + length <= HeldBytesLimit) {
      HeldBlocks.emplace_back(data, data + length);
      HeldBytes += length;
    }
    return;
  }
  if (!TakesRequests()) {
    Core.Violation("block of " + std::to_string(length) + " bytes written while " + std::to_string(PendingReplyBytes()) +
                   " bytes of answers wait unread: not taken in");
    return;
  }
  Carry(data, length);
}

void VirtualPrinter::Carry(const uint8_t* data, size_t length) {
  CarryBlock(data, length);
  UpdateHold();
}

void VirtualPrinter::CarryBlock(const uint8_t* data, size_t length) {
  Core.Head().Work(Core.NowMs(), Core.CalendarSeconds());

  DeviceLink::Outcome outcome = Link.Receive(data, length);
  if (!outcome.Reply.empty()) Send(outcome.Reply);
  if (outcome.DataChannelClosed) Data.Close();
  if (!outcome.HasPayload) return;

  std::vector<uint8_t> packet;
  if (outcome.Socket == PrinterWire::ControlSocket) {
    const ControlChannel::Answer answer = Control.Handle(outcome.Payload);
    if (answer.Lost) return;
    const uint8_t headerSocket = Core.Faults().WrongSocket ? PrinterWire::DataSocket : PrinterWire::ControlSocket;
    if (Link.Pack(PrinterWire::ControlSocket, answer.Payload, headerSocket, packet)) Send(packet);
    if (answer.ResetRequested) Core.Reinitialise(ResetBusyMs);
    return;
  }
  const std::optional<std::vector<uint8_t>> answer = Data.Handle(outcome.Payload);
  if (answer && Link.Pack(PrinterWire::DataSocket, *answer, PrinterWire::DataSocket, packet)) Send(packet);
}

void VirtualPrinter::Send(const std::vector<uint8_t>& packet) {
  if (Core.Faults().NoAnswer) return;  // lost on the way back: nothing went over the wire
  UpdateHold();  // the answer to the write that reached the count waits too
  if (Held) {
    HeldReplies.push_back(packet);
    return;
  }
  Traffic.Add(Core.ElapsedMs(), false, packet.data(), packet.size());
  Replies.push_back(packet);
  ReplyBytes += packet.size();
}

void VirtualPrinter::HostStoppedReading(size_t dropped, int64_t waitedMs) {
  Core.Violation("the host read none of " + std::to_string(dropped) + " bytes of answers in " +
                 std::to_string(waitedMs / 1000) + " s: taken as gone, the answers are dropped");
}

size_t VirtualPrinter::ReadReplyBytes(uint8_t* buffer, size_t length) {
  size_t taken = 0;
  while (taken < length && !Replies.empty()) taken += TakeReplyBlock(buffer + taken, length - taken);
  return taken;
}

size_t VirtualPrinter::TakeReplyBlock(uint8_t* buffer, size_t length) {
  if (Replies.empty() || buffer == nullptr) return 0;
  const std::vector<uint8_t>& front = Replies.front();
  const size_t count = std::min(length, front.size() - FrontOffset);
  if (count > 0) std::memcpy(buffer, front.data() + FrontOffset, count);
  FrontOffset += count;
  if (FrontOffset == front.size()) {
    ReplyBytes -= front.size();
    Replies.pop_front();
    FrontOffset = 0;
  }
  return count;
}

void VirtualPrinter::PowerOff() {
  if (!Powered) return;
  Powered = false;
  Held = false;
  HeldBlocks.clear();
  HeldBytes = 0;
  HeldReplies.clear();
  Data.Close();
  Link.Reset();
  Replies.clear();
  ReplyBytes = 0;
  FrontOffset = 0;
}

void VirtualPrinter::PowerOn() {
  if (Powered) return;
  Powered = true;
  HoldBase = Core.Eeprom().HostWrites();
  Link.Reset();
  Core.ForgetModelCode();
  Core.Reinitialise(PowerOnBusyMs);
}

void VirtualPrinter::ReplaceMainBoard() {
  const bool wasOn = Powered;
  PowerOff();
  Core.Eeprom().Replace(EepromImage::NewBoardImage());
  if (wasOn) PowerOn();
}

void VirtualPrinter::CheckBoardReplacement() {
  if (ReplaceBoardPath.empty()) return;
  std::error_code error;
  if (!std::filesystem::exists(ReplaceBoardPath, error)) {
    BoardFileReported = false;  // a file that comes again is reported again
    return;
  }
  // Only a regular file (or a link to one) is the trainer's sign; its contents are never read.
  const Outcome<int> opened = OpenRegularFile(ReplaceBoardPath, std::numeric_limits<size_t>::max());
  if (!opened) {
    if (!BoardFileReported) *FaultReport << "virtual printer: " << opened.Fault().Message << ": the board is not replaced" << std::endl;
    BoardFileReported = true;
    return;
  }
  ::close(*opened);
  // Only a file that is gone again swaps the board: one that stays would swap it on every block.
  if (!std::filesystem::remove(ReplaceBoardPath, error) || error) {
    if (!BoardFileReported) *FaultReport << "virtual printer: cannot remove " << ReplaceBoardPath << std::endl;
    BoardFileReported = true;
    return;
  }
  ReplaceMainBoard();
  *FaultReport << "virtual printer: main board replaced (every EEPROM cell 0xFF)" << std::endl;
}

bool VirtualPrinter::ChannelOpen(uint8_t socket) const {
  const DeviceLink::ChannelState* channel = Link.Channel(socket);
  return channel != nullptr && channel->Open;
}

std::vector<std::string> VirtualPrinter::Messages() const {
  std::vector<std::string> all = DirectoryMessages;
  all.insert(all.end(), Config.Problems.begin(), Config.Problems.end());
  for (const auto* list : {&Core.Eeprom().Messages(), &Traffic.Messages(), &JobStore.Messages(),
                           &Mechanics.Messages(), &PageOutput.Messages(), &Core.Head().Messages()})
    all.insert(all.end(), list->begin(), list->end());
  return all;
}

std::string VirtualPrinter::DeviceId() const {
  // The model's short name is what follows the product's first word in its full name.
  const std::string fullName = SimModelName(ModelIs);
  const std::string model = fullName.substr(fullName.find(' ') + 1);
  return "MFG:VELOR;CMD:1284.4,REMOTE;MDL:" + model + ";CLS:PRINTER;DES:" + fullName + ";";
}

std::string VirtualPrinter::UsbSerial() const {
  std::string serial;
  for (size_t i = 0; i < EepromImage::UsbIdLength; ++i) {
    const uint8_t c = Core.Eeprom().Get(static_cast<uint8_t>(EepromImage::UsbIdFirstCell + i));
    if (c < 0x21 || c > 0x7E) return {};
    serial += static_cast<char>(c);
  }
  return serial;
}
