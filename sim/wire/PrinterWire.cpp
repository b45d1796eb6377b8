// Header, packet and hexadecimal helpers shared by the virtual printer's parts.
#include "sim/wire/PrinterWire.h"

namespace PrinterWire {

bool ReadHeader(const uint8_t* data, size_t length, PacketHeader& header) {
  if (data == nullptr || length < HeaderSize) return false;
  header.PrimarySocket = data[PrimarySocketOffset];
  header.SecondarySocket = data[SecondarySocketOffset];
  header.Length = static_cast<uint16_t>((data[LengthOffset] << 8) | data[LengthOffset + 1]);
  header.Credit = data[CreditOffset];
  header.Control = data[ControlOffset];
  return true;
}

std::vector<uint8_t> BuildPacket(uint8_t socket, uint8_t credit, const std::vector<uint8_t>& payload) {
  const size_t length = HeaderSize + payload.size();
  std::vector<uint8_t> packet;
  packet.reserve(length);
  packet.push_back(socket);
  packet.push_back(socket);
  packet.push_back(static_cast<uint8_t>(length >> 8));
  packet.push_back(static_cast<uint8_t>(length & 0xFF));
  packet.push_back(credit);
  packet.push_back(0);
  packet.insert(packet.end(), payload.begin(), payload.end());
  return packet;
}

const LinkCommandInfo* FindLinkCommand(uint8_t code) {
  for (const LinkCommandInfo& info : LinkCommands)
    if (static_cast<uint8_t>(info.Code) == code) return &info;
  return nullptr;
}

const ServiceCommandInfo* FindServiceCommand(uint8_t code) {
  for (const ServiceCommandInfo& info : ServiceCommands)
    if (static_cast<uint8_t>(info.Code) == code) return &info;
  return nullptr;
}

std::string HexByte(uint8_t value) {
  static constexpr char Digits[] = "0123456789ABCDEF";
  return {Digits[value >> 4], Digits[value & 0x0F]};
}

std::string HexBytes(const uint8_t* data, size_t length) {
  std::string text;
  if (length > 0) text.reserve(length * 3 - 1);
  for (size_t i = 0; i < length; ++i) {
    if (i > 0) text += ' ';
    text += HexByte(data[i]);
  }
  return text;
}

}  // namespace PrinterWire
