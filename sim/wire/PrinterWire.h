// The byte formats the virtual printer's firmware reads and writes, declared once.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace PrinterWire {

// ---------------------------------------------------------------------------
// Packet header, in both directions; numbers high byte first.
//   [0] primary socket  [1] secondary socket  [2..3] packet length, header included
//   [4] credit          [5] control           [6..] payload
constexpr size_t HeaderSize = 6;
constexpr size_t PrimarySocketOffset = 0;
constexpr size_t SecondarySocketOffset = 1;
constexpr size_t LengthOffset = 2;
constexpr size_t CreditOffset = 4;
constexpr size_t ControlOffset = 5;

// The largest packet this printer takes or sends on any channel.
constexpr size_t MaxPacketSize = 128;
constexpr size_t MaxPayloadSize = MaxPacketSize - HeaderSize;

constexpr uint8_t TransactionSocket = 0x00;
constexpr uint8_t ControlSocket = 0x02;
constexpr uint8_t DataSocket = 0x40;

// Credit byte of link commands and their replies; channel packets carry 0.
constexpr uint8_t TransactionCredit = 1;

struct PacketHeader {
  uint8_t PrimarySocket = 0;
  uint8_t SecondarySocket = 0;
  uint16_t Length = 0;
  uint8_t Credit = 0;
  uint8_t Control = 0;
};

// ---------------------------------------------------------------------------
// Mode switch into packet mode, one 27-byte block: 00 00 00 1B 01 and the
// job-language prefix. Its first six bytes read as a header for socket 0 of
// length 27 with '@' in the control byte; its byte 6 stands where a link
// command's code stands, and the answer carries that byte plus 0x80.
constexpr std::array<uint8_t, 27> ModeSwitch = {0x00, 0x00, 0x00, 0x1B, 0x01, '@', 'Q', 'C',  'L',
                                                ' ',  '1',  '2',  '8',  '4',  '.', '4', '\n', '@',
                                                'Q',  'C',  'L',  '\n', '@',  'Q', 'C', 'L',  '\n'};
constexpr size_t CommandOffset = 6;

// ---------------------------------------------------------------------------
// Link commands on socket 0 (header credit 1, control 0). Payload layouts:
//   Init           00 revision                               total  8
//   OpenChannel    01 s s maxHostToPrinter(2) maxPrinterToHost(2) 00 00 00 00  17
//   CloseChannel   02 s s mode                               total 10
//   Credit         03 s s amount(2)                          total 11
//   CreditRequest  04 s s FF FF amount(2)                    total 13
//   Exit           08                                        total  7
// Replies (socket 0, credit 1, control 0), code = command + 0x80:
//   Init           80 result revision                        total  9
//   OpenChannel    81 result s s maxHostToPrinter(2) maxPrinterToHost(2) 00 00 00 00  18
//   CloseChannel   82 result s s                             total 10
//   Credit         83 result s s credit(2)                   total 12
//   CreditRequest  84 result s s credit(2)                   total 12
//   Exit           88 result                                 total  8
//   mode switch    (byte 6 + 0x80) result                    total  8
// The credit in a Credit reply is what the printer now holds from the host on
// that channel; in a CreditRequest reply it is what the host now holds.
enum class LinkCommand : uint8_t {
  Init = 0x00,
  OpenChannel = 0x01,
  CloseChannel = 0x02,
  Credit = 0x03,
  CreditRequest = 0x04,
  Exit = 0x08,
};

struct LinkCommandInfo {
  LinkCommand Code;
  const char* Name;
  size_t Length;  // whole packet, header included
};

constexpr std::array<LinkCommandInfo, 6> LinkCommands = {{
    {LinkCommand::Init, "Init", 8},
    {LinkCommand::OpenChannel, "OpenChannel", 17},
    {LinkCommand::CloseChannel, "CloseChannel", 10},
    {LinkCommand::Credit, "Credit", 11},
    {LinkCommand::CreditRequest, "CreditRequest", 13},
    {LinkCommand::Exit, "Exit", 7},
}};

constexpr uint8_t ReplyFlag = 0x80;
constexpr uint8_t ModeSwitchReplyCode = static_cast<uint8_t>(ModeSwitch[CommandOffset] + ReplyFlag);
constexpr uint8_t ProtocolRevision = 0x10;
constexpr uint8_t ResultAccepted = 0x00;
constexpr uint8_t ResultRefused = 0x01;  // channel unknown or not open, or bad arguments

// Offsets inside a link command or its reply.
constexpr size_t LinkSocketOffset = 7;  // command: first socket byte
constexpr size_t ReplyResultOffset = 7;
constexpr size_t ReplySocketOffset = 8;   // reply: first socket byte
constexpr size_t ReplyCreditOffset = 10;  // Credit / CreditRequest reply: credit, high byte first
constexpr size_t OpenMaxHostToPrinterOffset = 9;
constexpr size_t OpenMaxPrinterToHostOffset = 11;
constexpr size_t CloseModeOffset = 9;
constexpr size_t CreditAmountOffset = 9;
constexpr size_t CreditRequestAmountOffset = 11;

// ---------------------------------------------------------------------------
// Service command, the whole payload of one data-channel packet; its length
// field is little-endian:
//   [0] 1B  [1] 7C  [2] 00  [3..4] n = bytes after offset 4  [5..6] model code
//   [7] c   [8] c XOR FF    [9] c rotated right by one bit   [10..] n - 5 parameters
constexpr std::array<uint8_t, 3> ServicePrefix = {0x1B, 0x7C, 0x00};
constexpr size_t ServiceLengthOffset = 3;
constexpr size_t ServiceModelCodeOffset = 5;
constexpr size_t ServiceCodeOffset = 7;
constexpr size_t ServiceFixedSize = 10;

enum class ServiceCommand : uint8_t {
  SetBidValue = 0x00,
  ReadEeprom = 0x41,
  WriteEeprom = 0x42,
  NotifyEepromChanged = 0x50,
  Sequence81 = 0x81,
  RunCleaning = 0x84,
  MechanismC4 = 0xC4,
  MechanismC5 = 0xC5,
  MechanismC9 = 0xC9,
  MechanismCA = 0xCA,
};

struct ServiceCommandInfo {
  ServiceCommand Code;
  const char* Name;
  size_t ParameterCount;
};

constexpr std::array<ServiceCommandInfo, 10> ServiceCommands = {{
    {ServiceCommand::SetBidValue, "SetBidValue", 4},
    {ServiceCommand::ReadEeprom, "ReadEeprom", 1},
    {ServiceCommand::WriteEeprom, "WriteEeprom", 2},
    {ServiceCommand::NotifyEepromChanged, "NotifyEepromChanged", 0},
    {ServiceCommand::Sequence81, "Sequence81", 0},
    {ServiceCommand::RunCleaning, "RunCleaning", 1},
    {ServiceCommand::MechanismC4, "MechanismC4", 4},
    {ServiceCommand::MechanismC5, "MechanismC5", 4},
    {ServiceCommand::MechanismC9, "MechanismC9", 4},
    {ServiceCommand::MechanismCA, "MechanismCA", 1},
}};

constexpr uint8_t Complement(uint8_t code) { return static_cast<uint8_t>(code ^ 0xFF); }
constexpr uint8_t RotateRight(uint8_t code) { return static_cast<uint8_t>((code >> 1) | ((code & 1) << 7)); }

// Bi-D values set by SetBidValue(dotMode 1..3, inkGroup 1..2): cell
// BidFirstCell + (dotMode - 1) + 3 x (inkGroup - 1).
constexpr uint8_t BidFirstCell = 0x33;

// Cleaning sequences RunCleaning knows.
constexpr uint8_t HeadCleaningSequence = 2;
constexpr uint8_t InkChargeSequence = 9;

// ---------------------------------------------------------------------------
// Remote mode, each step one data-channel packet. Inside remote mode each
// command is two letters, a little-endian length and that many parameters.
constexpr std::array<uint8_t, 13> RemoteModeEntry = {0x1B, '(', 'R', 0x08, 0x00, 0x00, 'R',
                                                     'E',  'M', 'O', 'T',  'E',  '1'};
constexpr std::array<uint8_t, 4> RemoteModeExit = {0x1B, 0x00, 0x00, 0x00};
// The entry's parameters, 00 "REMOTE1", behind ESC ( R and their length 08 00.
constexpr size_t RemoteModeEntryParametersOffset = 5;
constexpr size_t RemoteCommandHeaderSize = 4;
constexpr std::array<uint8_t, 2> RemoteSn = {'S', 'N'};
constexpr size_t RemoteSnParameterCount = 3;

// ---------------------------------------------------------------------------
// Control-channel requests (socket 2).
// Short requests: two letters, length 01 00 (little-endian), parameter 01.
constexpr std::array<uint8_t, 5> StatusRequest = {'s', 't', 0x01, 0x00, 0x01};
constexpr std::array<uint8_t, 5> ResetRequest = {'r', 's', 0x01, 0x00, 0x01};
// EEPROM requests; the length is little-endian and counts the bytes after it:
//   [0..1] '|' '|'  [2..3] 6 (read) or 7 (write)  [4..5] model code
//   [6] 41 or 42    [7] complement  [8] rotation  [9] address  [10] data (write only)
constexpr std::array<uint8_t, 2> EepromRequestTag = {'|', '|'};
constexpr size_t EepromRequestLengthOffset = 2;
constexpr size_t EepromRequestModelCodeOffset = 4;
constexpr size_t EepromRequestCodeOffset = 6;
constexpr size_t EepromRequestAddressOffset = 9;
constexpr size_t EepromRequestDataOffset = 10;
constexpr size_t EepromReadRequestSize = 10;
constexpr size_t EepromWriteRequestSize = 11;

// ---------------------------------------------------------------------------
// Reply texts of this printer (payloads; the host reads fixed positions in them).
// Status:  "@QCL STATUS\r\n" "ST:0d;" ["ER:nn;"] ["WR:" codes back to back ";"] "IQ:" 12 hex ";" "\r\n"
//          state digit at "ST:"+4, warning codes at "WR:"+3+2k and "WR:"+4+2k.
// EEPROM value, on both routes: "||:41;OK;EE:" address(2 hex) value(2 hex) "\r\n",
//          value at payload 14..15, 18 bytes (a 24-byte packet).
// Acknowledgement: "||:42;OK;\r\n", "||:42;BUSY;\r\n", "rs:01;OK;\r\n", "rs:01;BUSY;\r\n",
//          the letter at payload 6.
// Refusal of a request the printer does not understand: "<2 letters>:NG;ERR;\r\n".
constexpr std::string_view StatusReplyHeader = "@QCL STATUS\r\n";
constexpr std::string_view StateTag = "ST:";
constexpr std::string_view ErrorTag = "ER:";
constexpr std::string_view WarningTag = "WR:";
constexpr std::string_view InkTag = "IQ:";
constexpr size_t StateDigitOffset = 4;  // behind the tag's first character
constexpr std::string_view EepromValuePrefix = "||:41;OK;EE:";
constexpr size_t EepromValueOffset = 14;
constexpr size_t EepromValueReplySize = 18;
constexpr std::string_view EepromWriteAckPrefix = "||:42;";
constexpr std::string_view ResetAckPrefix = "rs:01;";
constexpr size_t AckLetterOffset = 6;
constexpr std::string_view AckOk = "OK;\r\n";
constexpr std::string_view AckBusy = "BUSY;\r\n";
constexpr std::string_view RefusalSuffix = ":NG;ERR;\r\n";
static_assert(EepromValuePrefix.size() + 2 == EepromValueOffset);
static_assert(EepromValueOffset + 2 + 2 == EepromValueReplySize);
static_assert(EepromWriteAckPrefix.size() == AckLetterOffset && ResetAckPrefix.size() == AckLetterOffset);

// ---------------------------------------------------------------------------
// Letters the printer writes as themselves in its replies and its messages,
// and the capture shows as themselves in the text it decodes (other bytes go
// by their code or an escape, or as "??" in a refusal). Letters that stand
// bare (the two a refusal repeats, a command letter in a message) must leave
// a mark, or a space would read as nothing; between quotes a space reads too.
constexpr bool IsReadableBare(uint8_t byte) { return byte >= 0x21 && byte <= 0x7E; }
constexpr bool IsReadableInQuotes(uint8_t byte) { return byte >= 0x20 && byte <= 0x7E; }

// ---------------------------------------------------------------------------
// Helpers.

// Reads the six header bytes. False when fewer than six bytes are given.
bool ReadHeader(const uint8_t* data, size_t length, PacketHeader& header);

// A packet from `socket` (both socket bytes) with the given credit byte and payload.
std::vector<uint8_t> BuildPacket(uint8_t socket, uint8_t credit, const std::vector<uint8_t>& payload);

const LinkCommandInfo* FindLinkCommand(uint8_t code);
const ServiceCommandInfo* FindServiceCommand(uint8_t code);

// Two capital hexadecimal digits.
std::string HexByte(uint8_t value);
// Capital hexadecimal bytes separated by single spaces.
std::string HexBytes(const uint8_t* data, size_t length);

template <size_t N>
bool Equals(const std::array<uint8_t, N>& expected, const uint8_t* data, size_t length) {
  if (length != N) return false;
  for (size_t i = 0; i < N; ++i)
    if (data[i] != expected[i]) return false;
  return true;
}

template <size_t N>
bool StartsWith(const std::array<uint8_t, N>& prefix, const uint8_t* data, size_t length) {
  if (length < N) return false;
  for (size_t i = 0; i < N; ++i)
    if (data[i] != prefix[i]) return false;
  return true;
}

}  // namespace PrinterWire
