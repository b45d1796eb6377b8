#include "link/TPFactory.h"

#include <string>

using namespace LinkWire;

namespace {

constexpr uint32_t MechanismC9PauseMs = 100;

// Why a read of a cell on the data channel got no value: the answer's length tells.
std::string EepromReplySizeText(int32_t length) {
  if (length <= 0) return "The printer sent no answer to an EEPROM read: the value is unknown.";
  return "The printer's answer to an EEPROM read was " + std::to_string(length) + " bytes long instead of " +
         std::to_string(DataEepromReplySize) + ": the value is not in it.";
}

}  // namespace

TPFactory::TPFactory(TPDalD4Comm& comm, Dialogs& dialogs) : Comm(comm), Boxes(dialogs) {}

void TPFactory::SendServicePacket(uint8_t code, std::initializer_list<uint8_t> parameters) {
  const CodedBlock command = ServiceCommand(code, parameters);
  Comm.SendCommand(command.data(), command.size());
}

std::optional<uint8_t> TPFactory::ReadEeprom(uint8_t address) {
  const EepromRead read = ReadEepromCell(address);
  if (read.Outcome != EepromReadOutcome::Answered) return std::nullopt;
  return read.Value;
}

EepromRead TPFactory::ReadEepromCell(uint8_t address) {
  SendServicePacket(ReadEepromCode, {address});
  ReplyBufferArray reply{};
  int32_t length = 0;
  const uint64_t heardBefore = Comm.Driver().BytesReceived();
  Comm.Driver().ReadReply(reply, length);
  Comm.SpendPrinterCredit();
  const EepromRead unread{Comm.Driver().BytesReceived() == heardBefore ? EepromReadOutcome::Silent
                                                                       : EepromReadOutcome::Refused};
  if (length != static_cast<int32_t>(DataEepromReplySize)) {
    Boxes.ShowFaultBox("error", "error", EepromReplySizeText(length));
    return unread;
  }
  const std::optional<uint8_t> value =
      EepromValueIn(reply.data() + PacketHeaderSize, DataEepromReplySize - PacketHeaderSize);
  if (!value) return unread;
  return {EepromReadOutcome::Answered, *value};
}

void TPFactory::WriteEeprom(uint8_t address, uint8_t data) { SendServicePacket(WriteEepromCode, {address, data}); }

void TPFactory::SetBidValue(uint8_t dotMode, uint8_t inkGroup, int value) {
  const uint8_t low = static_cast<uint8_t>(value & 0xFF);
  const uint8_t sign = value < 0 ? 0xFF : 0x00;
  SendServicePacket(SetBidValueCode, {dotMode, inkGroup, low, sign});
}

void TPFactory::RunCleaning(uint8_t sequence) { SendServicePacket(RunCleaningCode, {sequence}); }

void TPFactory::MechanismC5(uint8_t p1, uint8_t p2, uint8_t p3, uint8_t p4) {
  SendServicePacket(MechanismC5Code, {p1, p2, p3, p4});
}

void TPFactory::MechanismC4(uint8_t p1, uint8_t p2, uint8_t p3, uint8_t p4) {
  SendServicePacket(MechanismC4Code, {p1, p2, p3, p4});
}

void TPFactory::MechanismC9(uint8_t p1, uint8_t p2, uint8_t p3, uint8_t p4) {
  SendServicePacket(MechanismC9Code, {p1, p2, p3, p4});
  Comm.PauseMs(MechanismC9PauseMs);
}

void TPFactory::Sequence81() { SendServicePacket(Sequence81Code, {}); }

void TPFactory::MechanismCA(uint8_t p) { SendServicePacket(MechanismCACode, {p}); }

void TPFactory::NotifyEepromChanged() { SendServicePacket(NotifyEepromChangedCode, {}); }

void TPFactory::SendRemoteModeSequence(uint8_t k) {
  const std::array<uint8_t, 7> sn = RemoteSnCommand(k);
  Comm.SendCommand(RemoteModeEntry.data(), RemoteModeEntry.size());
  Comm.SendCommand(sn.data(), sn.size());
  Comm.SendCommand(RemoteModeExit.data(), RemoteModeExit.size());
}
