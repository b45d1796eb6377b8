// Readable names for captured blocks: link commands, control requests, service commands, answers.
#include "sim/wire/CaptureDecoder.h"

#include <array>
#include <cstdio>
#include <string_view>

#include "sim/wire/PrinterWire.h"

using namespace PrinterWire;

namespace {

constexpr std::array<const char*, 3> DotModeNames = {"MS", "6pl", "4pl"};
constexpr std::array<const char*, 2> InkGroupNames = {"Black", "Color"};

unsigned BigEndian(const uint8_t* data) { return static_cast<unsigned>((data[0] << 8) | data[1]); }

std::string Socket(uint8_t socket) { return "socket 0x" + HexByte(socket); }

// Printable characters as they are; line ends, zero bytes and the rest escaped.
std::string Escaped(const uint8_t* data, size_t length) {
  std::string text;
  for (size_t i = 0; i < length; ++i) {
    const uint8_t c = data[i];
    if (c == '\r') {
      text += "\\r";
    } else if (c == '\n') {
      text += "\\n";
    } else if (c == 0) {
      text += "\\0";
    } else if (c == '\\' || c == '"') {
      text += '\\';
      text += static_cast<char>(c);
    } else if (IsReadableInQuotes(c)) {
      text += static_cast<char>(c);
    } else {
      text += "\\x" + HexByte(c);
    }
  }
  return text;
}

bool LooksLikeText(const uint8_t* data, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    const uint8_t c = data[i];
    if (!IsReadableInQuotes(c) && c != '\r' && c != '\n' && c != 0) return false;
  }
  return length > 0;
}

bool StartsWithText(const uint8_t* data, size_t length, std::string_view prefix) {
  return length >= prefix.size() && std::string_view(reinterpret_cast<const char*>(data), prefix.size()) == prefix;
}

std::string DescribeService(const uint8_t* data, size_t length) {
  const std::string malformed = "ServicePacket (malformed) " + HexBytes(data, length);
  if (length < ServiceFixedSize) return malformed;
  const size_t lengthField = static_cast<size_t>(data[ServiceLengthOffset] | (data[ServiceLengthOffset + 1] << 8));
  const uint8_t code = data[ServiceCodeOffset];
  const ServiceCommandInfo* info = FindServiceCommand(code);
  if (lengthField + 5 != length || info == nullptr || data[ServiceCodeOffset + 1] != Complement(code) ||
      data[ServiceCodeOffset + 2] != RotateRight(code) || length - ServiceFixedSize != info->ParameterCount)
    return malformed;
  const uint8_t* p = data + ServiceFixedSize;
  std::string text = info->Name;
  switch (info->Code) {
    case ServiceCommand::ReadEeprom:
      return text + " 0x" + HexByte(p[0]);
    case ServiceCommand::WriteEeprom:
      return text + " 0x" + HexByte(p[0]) + " = 0x" + HexByte(p[1]);
    case ServiceCommand::SetBidValue: {
      const int value = static_cast<int8_t>(p[2]);
      if (p[0] >= 1 && p[0] <= 3 && p[1] >= 1 && p[1] <= 2)
        return text + " " + DotModeNames[p[0] - 1u] + " " + InkGroupNames[p[1] - 1u] + " " + std::to_string(value);
      return text + " " + HexBytes(p, 4);
    }
    case ServiceCommand::RunCleaning:
      text += " " + std::to_string(p[0]);
      if (p[0] == HeadCleaningSequence) text += " (head cleaning)";
      if (p[0] == InkChargeSequence) text += " (ink charge)";
      return text;
    case ServiceCommand::MechanismC4:
    case ServiceCommand::MechanismC5:
    case ServiceCommand::MechanismC9:
    case ServiceCommand::MechanismCA:
      return text + " " + HexBytes(p, info->ParameterCount);
    case ServiceCommand::NotifyEepromChanged:
    case ServiceCommand::Sequence81:
      return text;
  }
  return text;
}

std::string DescribeLinkCommand(const uint8_t* data, size_t length) {
  if (length <= CommandOffset) return "Link packet without a command";
  const LinkCommandInfo* info = FindLinkCommand(data[CommandOffset]);
  if (info == nullptr) return "LinkCommand 0x" + HexByte(data[CommandOffset]) + " " + HexBytes(data, length);
  if (length != info->Length) return std::string(info->Name) + " (wrong length) " + HexBytes(data, length);
  const std::string name = info->Name;
  switch (info->Code) {
    case LinkCommand::Init:
      return name + " revision 0x" + HexByte(data[CommandOffset + 1]);
    case LinkCommand::OpenChannel:
      return name + " " + Socket(data[LinkSocketOffset]) + " max " +
             std::to_string(BigEndian(data + OpenMaxHostToPrinterOffset)) + "/" +
             std::to_string(BigEndian(data + OpenMaxPrinterToHostOffset));
    case LinkCommand::CloseChannel:
      return name + " " + Socket(data[LinkSocketOffset]) + " mode " + std::to_string(data[CloseModeOffset]);
    case LinkCommand::Credit:
      return name + " " + Socket(data[LinkSocketOffset]) + " amount " +
             std::to_string(BigEndian(data + CreditAmountOffset));
    case LinkCommand::CreditRequest:
      return name + " " + Socket(data[LinkSocketOffset]) + " amount " +
             std::to_string(BigEndian(data + CreditRequestAmountOffset));
    case LinkCommand::Exit:
      return name;
  }
  return name;
}

std::string DescribeControlRequest(const uint8_t* data, size_t length) {
  if (Equals(StatusRequest, data, length)) return "StatusRequest";
  if (Equals(ResetRequest, data, length)) return "ResetRequest";
  if (StartsWith(EepromRequestTag, data, length)) {
    if (length == EepromReadRequestSize &&
        data[EepromRequestCodeOffset] == static_cast<uint8_t>(ServiceCommand::ReadEeprom))
      return "ControlReadEeprom 0x" + HexByte(data[EepromRequestAddressOffset]);
    if (length == EepromWriteRequestSize &&
        data[EepromRequestCodeOffset] == static_cast<uint8_t>(ServiceCommand::WriteEeprom))
      return "ControlWriteEeprom 0x" + HexByte(data[EepromRequestAddressOffset]) + " = 0x" +
             HexByte(data[EepromRequestDataOffset]);
  }
  return "ControlRequest " + HexBytes(data, length);
}

std::string DescribeLinkReply(const uint8_t* data, size_t length) {
  if (length <= ReplyResultOffset) return "LinkReply " + HexBytes(data, length);
  const uint8_t code = data[CommandOffset];
  const std::string result = " result 0x" + HexByte(data[ReplyResultOffset]);
  if (code == ModeSwitchReplyCode) return "ModeSwitch reply" + result;
  const LinkCommandInfo* info = (code & ReplyFlag) != 0 ? FindLinkCommand(code & 0x7F) : nullptr;
  if (info == nullptr) return "LinkReply " + HexBytes(data, length);
  std::string text = std::string(info->Name) + " reply" + result;
  const bool hasSocket = info->Code == LinkCommand::OpenChannel || info->Code == LinkCommand::CloseChannel ||
                         info->Code == LinkCommand::Credit || info->Code == LinkCommand::CreditRequest;
  if (hasSocket && length > ReplySocketOffset) text += " " + Socket(data[ReplySocketOffset]);
  const bool hasCredit = info->Code == LinkCommand::Credit || info->Code == LinkCommand::CreditRequest;
  if (hasCredit && length >= ReplyCreditOffset + 2)
    text += " credit " + std::to_string(BigEndian(data + ReplyCreditOffset));
  return text;
}

}  // namespace

std::string CaptureDecoder::DescribeLine(const CaptureRecord& record) {
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%.3f", record.Seconds);
  return std::string(stamp) + (record.FromHost ? " H>P " : " P>H ") + Describe(record);
}

std::string CaptureDecoder::Describe(const CaptureRecord& record) {
  return record.FromHost ? DescribeFromHost(record.Bytes) : DescribeFromPrinter(record.Bytes);
}

std::string CaptureDecoder::DescribeFromHost(const std::vector<uint8_t>& bytes) {
  const uint8_t* data = bytes.data();
  const size_t length = bytes.size();
  if (length == 0) return "Empty block";
  if (Equals(ModeSwitch, data, length)) return "ModeSwitch";
  PacketHeader header;
  if (!ReadHeader(data, length, header)) return "Bytes " + HexBytes(data, length);
  if (header.Length != length || header.PrimarySocket != header.SecondarySocket)
    return "Broken packet " + HexBytes(data, length);
  const uint8_t* payload = data + HeaderSize;
  const size_t payloadLength = length - HeaderSize;
  switch (header.PrimarySocket) {
    case TransactionSocket:
      return DescribeLinkCommand(data, length);
    case ControlSocket:
      return DescribeControlRequest(payload, payloadLength);
    case DataSocket:
      return DescribeData(payload, payloadLength);
    default:
      return "Packet " + Socket(header.PrimarySocket) + " " + HexBytes(payload, payloadLength);
  }
}

std::string CaptureDecoder::DescribeData(const uint8_t* payload, size_t length) {
  if (StartsWith(ServicePrefix, payload, length)) return DescribeService(payload, length);
  if (Equals(RemoteModeEntry, payload, length)) {
    RemoteMode = true;
    return "RemoteModeEntry";
  }
  if (Equals(RemoteModeExit, payload, length)) {
    RemoteMode = false;
    return "RemoteModeExit";
  }
  if (RemoteMode) {
    std::string text = "Remote";
    size_t position = 0;
    while (length - position >= RemoteCommandHeaderSize) {
      const size_t count = static_cast<size_t>(payload[position + 2] | (payload[position + 3] << 8));
      if (length - position - RemoteCommandHeaderSize < count) break;
      text += " " + Escaped(payload + position, 2);
      if (count > 0) text += " " + HexBytes(payload + position + RemoteCommandHeaderSize, count);
      position += RemoteCommandHeaderSize + count;
    }
    if (position < length) text += " (cut short) " + HexBytes(payload + position, length - position);
    return text;
  }
  if (length == 2 && payload[0] == 0x1B && payload[1] == 0x40) return "PrintData ESC @";
  if (LooksLikeText(payload, length)) return "PrintData \"" + Escaped(payload, length) + "\"";
  return "PrintData " + std::to_string(length) + " bytes";
}

std::string CaptureDecoder::DescribeFromPrinter(const std::vector<uint8_t>& bytes) {
  const uint8_t* data = bytes.data();
  const size_t length = bytes.size();
  PacketHeader header;
  if (!ReadHeader(data, length, header) || header.Length != length) return "Bytes " + HexBytes(data, length);
  if (header.PrimarySocket == TransactionSocket) return DescribeLinkReply(data, length);
  const uint8_t* text = data + HeaderSize;
  const size_t textLength = length - HeaderSize;
  const std::string_view view(reinterpret_cast<const char*>(text), textLength);
  std::string description;
  if (const size_t tag = view.find(StateTag); tag != std::string_view::npos) {
    description = "Status " + Escaped(text + tag, textLength - tag);
  } else if (StartsWithText(text, textLength, EepromValuePrefix) && textLength >= EepromValueOffset + 2) {
    description = "EepromValue 0x" + std::string(view.substr(EepromValuePrefix.size(), 2)) + " = 0x" +
                  std::string(view.substr(EepromValueOffset, 2));
  } else if (StartsWithText(text, textLength, EepromWriteAckPrefix) && textLength > AckLetterOffset) {
    description = std::string("EepromWriteAck ") + view[AckLetterOffset];
  } else if (StartsWithText(text, textLength, ResetAckPrefix) && textLength > AckLetterOffset) {
    description = std::string("ResetAck ") + view[AckLetterOffset];
  } else {
    description = "Reply \"" + Escaped(text, textLength) + "\"";
  }
  if (header.PrimarySocket != ControlSocket) description += " on " + Socket(header.PrimarySocket);
  return description;
}
