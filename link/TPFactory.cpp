#include "link/TPFactory.h"

#include "link/ModelCode.h"

#include <cassert>

namespace {

constexpr size_t ServiceHeaderSize = 10;  // 1B 7C 00 nLo nHi MC MC c ~c ror(c)
constexpr size_t FixedFollowingBytes = 5;  // ModelCode and the three command bytes

// The 24-byte data-channel packet answering ReadEeprom holds the value as two
// hexadecimal characters at bytes 20 and 21 (header included).
constexpr int32_t EepromReplyLength = 24;
constexpr size_t EepromReplyValueOffset = 20;

constexpr uint32_t MechanismC9PauseMs = 100;

// ESC ( R, length 8, 0, "REMOTE1": enter remote mode.
constexpr std::array<uint8_t, 13> RemoteModeEntry{0x1B, 0x28, 0x52, 0x08, 0x00, 0x00, 'R',
                                                  'E',  'M',  'O',  'T',  'E',  '1'};
// ESC 00 00 00: leave remote mode.
constexpr std::array<uint8_t, 4> RemoteModeExit{0x1B, 0x00, 0x00, 0x00};

bool IsHexDigit(uint8_t c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

uint8_t HexDigit(uint8_t c) { return static_cast<uint8_t>(c >= '0' && c <= '9' ? c - '0' : c - 0x37); }

}  // namespace

TPFactory::TPFactory(TPDalD4Comm& comm, Dialogs& dialogs) : Comm(comm), Boxes(dialogs) {
  PacketBuffer[5] = ModelCode[0];
  PacketBuffer[6] = ModelCode[1];
}

void TPFactory::SendServicePacket(uint8_t code, std::initializer_list<uint8_t> parameters) {
  assert(ServiceHeaderSize + parameters.size() <= PacketBuffer.size());
  const size_t following = FixedFollowingBytes + parameters.size();
  PacketBuffer[0] = 0x1B;
  PacketBuffer[1] = 0x7C;
  PacketBuffer[2] = 0x00;
  PacketBuffer[3] = static_cast<uint8_t>(following & 0xFF);
  PacketBuffer[4] = static_cast<uint8_t>(following >> 8);
  PacketBuffer[7] = code;
  PacketBuffer[8] = Complement(code);
  PacketBuffer[9] = RotateRight(code);
  size_t at = ServiceHeaderSize;
  for (uint8_t parameter : parameters) PacketBuffer[at++] = parameter;
  Comm.SendCommand(PacketBuffer.data(), at);
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
  if (length != EepromReplyLength) {
    Boxes.ShowSystemMessage("error", "error");
    return unread;
  }
  const uint8_t high = reply[EepromReplyValueOffset];
  const uint8_t low = reply[EepromReplyValueOffset + 1];
  if (!IsHexDigit(high) || !IsHexDigit(low)) return unread;
  return {EepromReadOutcome::Answered, static_cast<uint8_t>(16 * HexDigit(high) + HexDigit(low))};
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
  const std::array<uint8_t, 7> sn{'S', 'N', 0x03, 0x00, 0x00, 0x00, k};
  Comm.SendCommand(RemoteModeEntry.data(), RemoteModeEntry.size());
  Comm.SendCommand(sn.data(), sn.size());
  Comm.SendCommand(RemoteModeExit.data(), RemoteModeExit.size());
}
