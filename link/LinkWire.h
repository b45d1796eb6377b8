// The bytes the host sends to the printer and the places it reads in the printer's replies, declared
// once. The virtual printer keeps its own description of the same formats, so that each side checks
// the other instead of sharing a mistake.
#pragma once

#include "link/PrinterStatus.h"

#include <array>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string_view>

namespace LinkWire {

// A block whose length is known only when it is built; never longer than N bytes.
template <size_t N>
struct Block {
  std::array<uint8_t, N> Bytes{};
  size_t Size = 0;

  const uint8_t* data() const { return Bytes.data(); }
  size_t size() const { return Size; }
};

constexpr uint8_t HighByte(uint16_t value) { return static_cast<uint8_t>(value >> 8); }
constexpr uint8_t LowByte(uint16_t value) { return static_cast<uint8_t>(value & 0xFF); }

// ---------------------------------------------------------------------------
// IEEE 1284.4 packet header, in both directions; numbers high byte first.
//   [0] primary socket  [1] secondary socket  [2..3] packet length, header included
//   [4] credit          [5] control           [6..] payload
constexpr size_t PacketHeaderSize = 6;
constexpr size_t PrimarySocketOffset = 0;
constexpr size_t SecondarySocketOffset = 1;
constexpr size_t LengthOffset = 2;
constexpr size_t CreditOffset = 4;
constexpr size_t ControlOffset = 5;

// Sockets; each channel uses the same number as primary and secondary socket.
constexpr uint8_t TransactionSocket = 0x00;
constexpr uint8_t ControlSocket = 0x02;
constexpr uint8_t DataSocket = 0x40;

// The credit byte: link commands carry one unit, channel packets none. The control byte is always 0.
constexpr uint8_t LinkCommandCredit = 1;
constexpr uint8_t ChannelPacketCredit = 0;
constexpr uint8_t PacketControl = 0;

// The largest packet in either direction; OpenChannel announces it.
constexpr size_t MaxPacketSize = 128;

// Writes the header of a packet of `length` bytes, header included, for `socket`.
constexpr void WriteHeader(uint8_t* packet, uint8_t socket, size_t length, uint8_t credit) {
  packet[PrimarySocketOffset] = socket;
  packet[SecondarySocketOffset] = socket;
  packet[LengthOffset] = HighByte(static_cast<uint16_t>(length));
  packet[LengthOffset + 1] = LowByte(static_cast<uint16_t>(length));
  packet[CreditOffset] = credit;
  packet[ControlOffset] = PacketControl;
}

// The packet length a header announces, header included.
constexpr size_t AnnouncedLength(const uint8_t* header) {
  return static_cast<size_t>(header[LengthOffset]) * 256 + header[LengthOffset + 1];
}

// Whether both socket bytes of a header name `socket`.
constexpr bool IsFromSocket(const uint8_t* header, uint8_t socket) {
  return header[PrimarySocketOffset] == socket && header[SecondarySocketOffset] == socket;
}

// ---------------------------------------------------------------------------
// Mode switch into packet mode, one 27-byte block: 00 00 00 1B 01 and the job-language prefix.
// Its byte 6 stands where a link command's code stands, and the answer carries it plus 0x80.
constexpr std::array<uint8_t, 27> ModeSwitch{0x00, 0x00, 0x00, 0x1B, 0x01, '@', 'Q', 'C', 'L', ' ', '1', '2', '8', '4',
                                             '.',  '4',  '\n', '@',  'Q',  'C', 'L', '\n', '@', 'Q', 'C', 'L', '\n'};

// ---------------------------------------------------------------------------
// Link commands on the transaction socket (header credit 1), numbers high byte first:
//   Init           00 revision                                                total  8
//   OpenChannel    01 s s maxHostToPrinter(2) maxPrinterToHost(2) 00 00 00 00  total 17
//   CloseChannel   02 s s mode                                                total 10
//   Credit         03 s s amount(2)                                           total 11
//   CreditRequest  04 s s FF FF amount(2)                                     total 13
//   Exit           08                                                         total  7
// A reply carries the command's code plus 0x80 at the same offset; a Credit or CreditRequest
// reply of 12 bytes carries the credit at bytes 10..11.
enum class LinkCommand : uint8_t {
  Init = 0x00,
  OpenChannel = 0x01,
  CloseChannel = 0x02,
  Credit = 0x03,
  CreditRequest = 0x04,
  Exit = 0x08,
};

constexpr size_t LinkCodeOffset = PacketHeaderSize;
constexpr uint8_t LinkReplyFlag = 0x80;
constexpr uint8_t ProtocolRevision = 0x10;
constexpr uint16_t CreditRequestLead = 0xFFFF;  // the word ahead of the amount in a CreditRequest
constexpr size_t CreditReplyOffset = 10;
constexpr size_t CreditReplySize = 12;
constexpr size_t MaxLinkCommandSize = 17;

using LinkCommandBlock = Block<MaxLinkCommandSize>;

// The one builder of link commands: the header for the transaction socket, the code, the arguments.
constexpr LinkCommandBlock BuildLinkCommand(LinkCommand code, std::initializer_list<uint8_t> arguments) {
  assert(LinkCodeOffset + 1 + arguments.size() <= MaxLinkCommandSize);
  LinkCommandBlock command;
  command.Size = LinkCodeOffset + 1 + arguments.size();
  WriteHeader(command.Bytes.data(), TransactionSocket, command.Size, LinkCommandCredit);
  command.Bytes[LinkCodeOffset] = static_cast<uint8_t>(code);
  size_t at = LinkCodeOffset + 1;
  for (uint8_t argument : arguments) command.Bytes[at++] = argument;
  return command;
}

constexpr LinkCommandBlock InitCommand() { return BuildLinkCommand(LinkCommand::Init, {ProtocolRevision}); }

constexpr LinkCommandBlock OpenChannelCommand(uint8_t socket) {
  constexpr uint16_t maxSize = MaxPacketSize;
  return BuildLinkCommand(LinkCommand::OpenChannel, {socket, socket, HighByte(maxSize), LowByte(maxSize),
                                                     HighByte(maxSize), LowByte(maxSize), 0x00, 0x00, 0x00, 0x00});
}

constexpr LinkCommandBlock CloseChannelCommand(uint8_t socket, uint8_t mode) {
  return BuildLinkCommand(LinkCommand::CloseChannel, {socket, socket, mode});
}

constexpr LinkCommandBlock CreditCommand(uint8_t socket, int16_t amount) {
  const auto word = static_cast<uint16_t>(amount);
  return BuildLinkCommand(LinkCommand::Credit, {socket, socket, HighByte(word), LowByte(word)});
}

constexpr LinkCommandBlock CreditRequestCommand(uint8_t socket, int16_t amount) {
  const auto word = static_cast<uint16_t>(amount);
  return BuildLinkCommand(LinkCommand::CreditRequest, {socket, socket, HighByte(CreditRequestLead),
                                                       LowByte(CreditRequestLead), HighByte(word), LowByte(word)});
}

constexpr LinkCommandBlock ExitCommand() { return BuildLinkCommand(LinkCommand::Exit, {}); }

static_assert(InitCommand().Size == 8 && OpenChannelCommand(DataSocket).Size == 17 &&
              CloseChannelCommand(DataSocket, 0).Size == 10 && CreditCommand(DataSocket, 1).Size == 11 &&
              CreditRequestCommand(DataSocket, 1).Size == 13 && ExitCommand().Size == 7);

// Whether `reply` (`replyLength` bytes) answers the link command or mode switch `command`.
constexpr bool AnswersLinkCommand(const uint8_t* reply, size_t replyLength, const uint8_t* command) {
  return replyLength > LinkCodeOffset && reply[LinkCodeOffset] - command[LinkCodeOffset] == LinkReplyFlag;
}

// The credit a Credit or CreditRequest reply reports, capped at 0x7FFF; nullopt for a shorter reply.
constexpr std::optional<int16_t> CreditInReply(const uint8_t* reply, size_t replyLength) {
  if (replyLength < CreditReplySize) return std::nullopt;
  const size_t credit = static_cast<size_t>(reply[CreditReplyOffset]) * 256 + reply[CreditReplyOffset + 1];
  return static_cast<int16_t>(credit < 0x7FFF ? credit : 0x7FFF);
}

// ---------------------------------------------------------------------------
// Coded commands: the printer's service commands and the control channel's EEPROM requests. After
// a prefix of their own both carry a little-endian length of what follows, the model code, the
// command code with its complement and its rotation, then the parameters.

// The access code, two bytes in this order; the same for both printer models.
constexpr std::array<uint8_t, 2> ModelCode{0x10, 0x9B};

// The derived bytes of a command code.
constexpr uint8_t Complement(uint8_t code) { return static_cast<uint8_t>(code ^ 0xFF); }
constexpr uint8_t RotateRight(uint8_t code) { return static_cast<uint8_t>((code >> 1) | ((code & 1) << 7)); }

constexpr size_t CodedLengthSize = 2;
constexpr size_t CodedFixedFollowing = 5;  // model code and the three code bytes
constexpr size_t MaxCodedParameters = 4;
constexpr size_t MaxCodedPrefixSize = 3;

using CodedBlock = Block<MaxCodedPrefixSize + CodedLengthSize + CodedFixedFollowing + MaxCodedParameters>;

// The one builder of coded commands; at most MaxCodedParameters parameters.
template <size_t PrefixSize>
constexpr CodedBlock BuildCodedCommand(const std::array<uint8_t, PrefixSize>& prefix, uint8_t code,
                                       std::initializer_list<uint8_t> parameters) {
  static_assert(PrefixSize <= MaxCodedPrefixSize);
  assert(parameters.size() <= MaxCodedParameters);
  const size_t following = CodedFixedFollowing + parameters.size();
  CodedBlock command;
  size_t at = 0;
  for (uint8_t byte : prefix) command.Bytes[at++] = byte;
  command.Bytes[at++] = LowByte(static_cast<uint16_t>(following));
  command.Bytes[at++] = HighByte(static_cast<uint16_t>(following));
  for (uint8_t byte : {ModelCode[0], ModelCode[1], code, Complement(code), RotateRight(code)})
    command.Bytes[at++] = byte;
  for (uint8_t parameter : parameters) command.Bytes[at++] = parameter;
  command.Size = at;
  return command;
}

// Service command, the whole payload of one data-channel packet:
//   [0..2] 1B 7C 00  [3..4] n = bytes after offset 4  [5..6] model code
//   [7] c  [8] c XOR FF  [9] c rotated right by one bit  [10..] n - 5 parameters
constexpr std::array<uint8_t, 3> ServicePrefix{0x1B, 0x7C, 0x00};

constexpr uint8_t SetBidValueCode = 0x00;
constexpr uint8_t ReadEepromCode = 0x41;
constexpr uint8_t WriteEepromCode = 0x42;
constexpr uint8_t NotifyEepromChangedCode = 0x50;
constexpr uint8_t Sequence81Code = 0x81;
constexpr uint8_t RunCleaningCode = 0x84;
constexpr uint8_t MechanismC4Code = 0xC4;
constexpr uint8_t MechanismC5Code = 0xC5;
constexpr uint8_t MechanismC9Code = 0xC9;
constexpr uint8_t MechanismCACode = 0xCA;

// Cleaning sequences of RunCleaning.
constexpr uint8_t HeadCleaningSequence = 2;
constexpr uint8_t InkChargeSequence = 9;

constexpr CodedBlock ServiceCommand(uint8_t code, std::initializer_list<uint8_t> parameters) {
  return BuildCodedCommand(ServicePrefix, code, parameters);
}

static_assert(ServiceCommand(RunCleaningCode, {HeadCleaningSequence}).Size == 11);
static_assert(ServiceCommand(MechanismC5Code, {1, 2, 3, 4}).Size == 14);

// ---------------------------------------------------------------------------
// Remote mode, each step one data-channel packet. Inside remote mode a command is two letters, a
// little-endian length and that many parameters.
// ESC ( R, length 8, 0, "REMOTE1": enter remote mode.
constexpr std::array<uint8_t, 13> RemoteModeEntry{0x1B, 0x28, 0x52, 0x08, 0x00, 0x00, 'R',
                                                  'E',  'M',  'O',  'T',  'E',  '1'};
// ESC 00 00 00: leave remote mode.
constexpr std::array<uint8_t, 4> RemoteModeExit{0x1B, 0x00, 0x00, 0x00};

// "SN", length 3, 00 00 k.
constexpr std::array<uint8_t, 7> RemoteSnCommand(uint8_t k) { return {'S', 'N', 0x03, 0x00, 0x00, 0x00, k}; }

// The "SN" parameter sent before the A4 check page and the top-margin line.
constexpr uint8_t RemoteSnPatternPrint = 0x03;

// ---------------------------------------------------------------------------
// ESC @: the printer reset, sent as print data on the data channel.
constexpr std::array<uint8_t, 2> PrinterReset{0x1B, 0x40};

// ---------------------------------------------------------------------------
// Control-channel requests (socket 2).
// Short requests: two letters, length 01 00 (little-endian), parameter 01.
constexpr std::array<uint8_t, 5> StatusRequest{'s', 't', 0x01, 0x00, 0x01};
constexpr std::array<uint8_t, 5> ResetRequest{'r', 's', 0x01, 0x00, 0x01};

// EEPROM requests are coded commands:
//   [0..1] 7C 7C  [2..3] 6 (read) or 7 (write)  [4..5] model code
//   [6] 41 or 42  [7] complement  [8] rotation  [9] address  [10] data (write only)
constexpr std::array<uint8_t, 2> EepromRequestPrefix{0x7C, 0x7C};

constexpr CodedBlock EepromReadRequest(uint8_t address) {
  return BuildCodedCommand(EepromRequestPrefix, ReadEepromCode, {address});
}

constexpr CodedBlock EepromWriteRequest(uint8_t address, uint8_t data) {
  return BuildCodedCommand(EepromRequestPrefix, WriteEepromCode, {address, data});
}

static_assert(EepromReadRequest(0).Size == 10 && EepromWriteRequest(0, 0).Size == 11);

// ---------------------------------------------------------------------------
// Replies, counted from the first byte of the payload (the header removed) on both channels.

// EEPROM value: two capital hexadecimal digits at 14..15 of an 18-byte payload. The control
// channel's reply to an EEPROM read carries it, and so does the data channel's answer to the
// ReadEeprom service command, one packet of exactly DataEepromReplySize bytes, header included.
constexpr size_t EepromValueOffset = 14;
constexpr size_t EepromValueReplySize = 18;
constexpr size_t DataEepromReplySize = PacketHeaderSize + EepromValueReplySize;
static_assert(DataEepromReplySize == 24);

// The value of an EEPROM value reply of `length` payload bytes; nullopt when the payload ends
// before the value or holds no two capital hexadecimal digits where it stands.
std::optional<uint8_t> EepromValueIn(const uint8_t* payload, size_t length);

// Acknowledgement of an EEPROM write or a reset: the letter at 6.
constexpr size_t AckLetterOffset = 6;
constexpr uint8_t AckAcceptedLetter = 'O';
constexpr uint8_t AckBusyLetter = 'B';

// Status: tagged fields in any order, each value a fixed distance behind its tag.
//   "ST:" the state digit at tag + 4 (the digit before it is not looked at)
//   "IQ:" 12 digits at tag + 3, two per ink; 'N' stands for 15
//   "ER:" two decimal digits at tag + 3
//   "WR:" up to six codes of two decimal digits at tag + 3, back to back; a ';' right behind
//         a code ends the field
constexpr std::string_view StateTag = "ST:";
constexpr std::string_view InkTag = "IQ:";
constexpr std::string_view ErrorTag = "ER:";
constexpr std::string_view WarningTag = "WR:";
constexpr size_t StateDigitOffset = 4;
constexpr size_t FieldValueOffset = 3;
constexpr size_t InkDigitCount = 12;
constexpr uint8_t FirstWarningCode = 10;  // codes 10 .. 10 + WarningCount - 1
constexpr uint8_t FieldEnd = ';';

struct StateDigit {
  char Digit;
  PrinterStateCode Code;
};
constexpr std::array<StateDigit, 8> StateDigits{{
    {'0', StatusError},
    {'1', StatusSelfPrinting},
    {'2', StatusBusy},
    {'3', StatusPrinting},
    {'4', StatusReady},
    {'7', StatusCleaning},
    {'8', StatusBeforeInitialFill},
    {'9', StatusMotorOff},
}};

struct ErrorNumber {
  uint8_t Number;
  PrinterErrorCode Code;
};
constexpr std::array<ErrorNumber, 6> ErrorNumbers{{
    {0, ErrorFatal},
    {1, ErrorCommunication},
    {4, ErrorPaperJam},
    {5, ErrorInkOut},
    {6, ErrorPaperOut},
    {10, ErrorMaintenanceRequest},
}};

// One digit of the ink field: '0'-'9', 'A'-'F', 'N' for 15; anything else counts its own code.
uint8_t InkDigit(uint8_t c);

}  // namespace LinkWire
