// Device side of the packet link; it answers link commands and checks every packet the host sends.
#include "sim/wire/DeviceLink.h"

#include <algorithm>
#include <initializer_list>
#include <string>

using namespace PrinterWire;

namespace {

std::string SocketName(uint8_t socket) { return "socket 0x" + HexByte(socket); }

uint16_t ReadBigEndian(const uint8_t* data) { return static_cast<uint16_t>((data[0] << 8) | data[1]); }

std::vector<uint8_t> LinkReply(LinkCommand command, uint8_t result, std::initializer_list<uint8_t> rest) {
  std::vector<uint8_t> payload;
  payload.reserve(2 + rest.size());
  payload.push_back(static_cast<uint8_t>(static_cast<uint8_t>(command) | ReplyFlag));
  payload.push_back(result);
  for (uint8_t byte : rest) payload.push_back(byte);
  return BuildPacket(TransactionSocket, TransactionCredit, payload);
}

std::vector<uint8_t> CreditReply(LinkCommand command, uint8_t result, uint8_t socket, unsigned credit) {
  return LinkReply(command, result,
                   {socket, socket, static_cast<uint8_t>(credit >> 8), static_cast<uint8_t>(credit & 0xFF)});
}

}  // namespace

const DeviceLink::ChannelState* DeviceLink::Channel(uint8_t socket) const {
  if (socket == ControlSocket) return &Control;
  if (socket == DataSocket) return &Data;
  return nullptr;
}

DeviceLink::ChannelState* DeviceLink::MutableChannel(uint8_t socket) {
  if (socket == ControlSocket) return &Control;
  if (socket == DataSocket) return &Data;
  return nullptr;
}

void DeviceLink::CloseAll(Outcome& outcome) {
  if (Data.Open) outcome.DataChannelClosed = true;
  Control = ChannelState{};
  Data = ChannelState{};
}

void DeviceLink::Reset() {
  PacketMode = false;
  Control = ChannelState{};
  Data = ChannelState{};
}

DeviceLink::Outcome DeviceLink::Receive(const uint8_t* data, size_t length) {
  Outcome outcome;
  if (Equals(ModeSwitch, data, length)) {
    // Also taken in packet mode: a host that was ended without leaving packet
    // mode starts its next visit with the mode switch, and a fresh link is the
    // only sensible answer.
    CloseAll(outcome);
    PacketMode = true;
    outcome.Reply = BuildPacket(TransactionSocket, TransactionCredit, {ModeSwitchReplyCode, ResultAccepted});
    return outcome;
  }
  if (!PacketMode) return outcome;  // the printer waits for the mode switch and ignores anything else

  PacketHeader header;
  if (!ReadHeader(data, length, header)) {
    Core.Violation("block of " + std::to_string(length) + " bytes is shorter than a packet header");
    return outcome;
  }
  if (header.Length != length) {
    Core.Violation("packet header gives length " + std::to_string(header.Length) + " but the block has " +
                   std::to_string(length) + " bytes");
    return outcome;
  }
  if (header.PrimarySocket != header.SecondarySocket) {
    Core.Violation("packet names two different sockets, 0x" + HexByte(header.PrimarySocket) + " and 0x" +
                   HexByte(header.SecondarySocket));
    return outcome;
  }
  if (header.PrimarySocket == TransactionSocket) {
    HandleLinkCommand(data, length, header, outcome);
  } else if (MutableChannel(header.PrimarySocket) != nullptr) {
    HandleChannelPacket(data, length, header, outcome);
  } else {
    Core.Violation("packet on " + SocketName(header.PrimarySocket) + ", which is no channel of this printer");
  }
  return outcome;
}

void DeviceLink::HandleLinkCommand(const uint8_t* data, size_t length, const PacketHeader& header, Outcome& outcome) {
  if (header.Credit != TransactionCredit || header.Control != 0) {
    Core.Violation("link command header carries credit " + std::to_string(header.Credit) + " and control 0x" +
                   HexByte(header.Control) + " instead of 1 and 0");
  }
  if (length <= CommandOffset) {
    Core.Violation("link command packet without a command byte");
    return;
  }
  const uint8_t code = data[CommandOffset];
  const LinkCommandInfo* info = FindLinkCommand(code);
  if (info == nullptr) {
    Core.Violation("unknown link command 0x" + HexByte(code));
    outcome.Reply =
        BuildPacket(TransactionSocket, TransactionCredit, {static_cast<uint8_t>(code | ReplyFlag), ResultRefused});
    return;
  }
  if (length != info->Length) {
    Core.Violation(std::string(info->Name) + " of " + std::to_string(length) + " bytes instead of " +
                   std::to_string(info->Length));
    outcome.Reply = LinkReply(info->Code, ResultRefused, {});
    return;
  }

  switch (info->Code) {
    case LinkCommand::Init: {
      const uint8_t revision = data[CommandOffset + 1];
      if (revision != ProtocolRevision) {
        Core.Violation("Init asks for protocol revision 0x" + HexByte(revision) + " instead of 0x10");
        outcome.Reply = LinkReply(LinkCommand::Init, ResultRefused, {ProtocolRevision});
        return;
      }
      CloseAll(outcome);
      outcome.Reply = LinkReply(LinkCommand::Init, ResultAccepted, {ProtocolRevision});
      return;
    }
    case LinkCommand::OpenChannel: {
      const uint8_t socket = data[LinkSocketOffset];
      ChannelState* channel = MutableChannel(socket);
      const uint16_t maxHost = ReadBigEndian(data + OpenMaxHostToPrinterOffset);
      const uint16_t maxPrinter = ReadBigEndian(data + OpenMaxPrinterToHostOffset);
      if (channel == nullptr || data[LinkSocketOffset + 1] != socket) {
        Core.Violation("OpenChannel for " + SocketName(socket) + "/0x" + HexByte(data[LinkSocketOffset + 1]) +
                       ", which is no channel of this printer");
        outcome.Reply = LinkReply(LinkCommand::OpenChannel, ResultRefused, {socket, data[LinkSocketOffset + 1]});
        return;
      }
      if (maxHost <= HeaderSize || maxPrinter <= HeaderSize) {
        Core.Violation("OpenChannel for " + SocketName(socket) + " offers packets of " + std::to_string(maxHost) +
                       " and " + std::to_string(maxPrinter) + " bytes, too small for any payload");
        outcome.Reply = LinkReply(LinkCommand::OpenChannel, ResultRefused, {socket, socket});
        return;
      }
      if (socket == DataSocket && Data.Open) outcome.DataChannelClosed = true;  // opened afresh
      *channel = ChannelState{};
      channel->Open = true;
      channel->MaxHostPacket = std::min<size_t>(maxHost, MaxPacketSize);
      channel->MaxPrinterPacket = std::min<size_t>(maxPrinter, MaxPacketSize);
      const auto hostMax = static_cast<uint16_t>(channel->MaxHostPacket);
      const auto printerMax = static_cast<uint16_t>(channel->MaxPrinterPacket);
      outcome.Reply =
          LinkReply(LinkCommand::OpenChannel, ResultAccepted,
                    {socket, socket, static_cast<uint8_t>(hostMax >> 8), static_cast<uint8_t>(hostMax & 0xFF),
                     static_cast<uint8_t>(printerMax >> 8), static_cast<uint8_t>(printerMax & 0xFF), 0, 0, 0, 0});
      return;
    }
    case LinkCommand::CloseChannel: {
      const uint8_t socket = data[LinkSocketOffset];
      ChannelState* channel = MutableChannel(socket);
      if (channel == nullptr || data[LinkSocketOffset + 1] != socket) {
        Core.Violation("CloseChannel for " + SocketName(socket) + ", which is no channel of this printer");
        outcome.Reply = LinkReply(LinkCommand::CloseChannel, ResultRefused, {socket, data[LinkSocketOffset + 1]});
        return;
      }
      // Closing a channel that is not open is accepted: the host closes the
      // data channel on leaving even when the printer was never ready for it.
      if (socket == DataSocket && Data.Open) outcome.DataChannelClosed = true;
      *channel = ChannelState{};
      outcome.Reply = LinkReply(LinkCommand::CloseChannel, ResultAccepted, {socket, socket});
      return;
    }
    case LinkCommand::Credit:
    case LinkCommand::CreditRequest: {
      const uint8_t socket = data[LinkSocketOffset];
      ChannelState* channel = MutableChannel(socket);
      const bool isCredit = info->Code == LinkCommand::Credit;
      if (channel == nullptr || data[LinkSocketOffset + 1] != socket) {
        Core.Violation(std::string(info->Name) + " for " + SocketName(socket) +
                       ", which is no channel of this printer");
        outcome.Reply = CreditReply(info->Code, ResultRefused, socket, 0);
        return;
      }
      if (!channel->Open) {
        // Refused without blame: the host may queue a printer reset before the
        // data channel is open, and asking for credit is how it tries.
        outcome.Reply = CreditReply(info->Code, ResultRefused, socket, 0);
        return;
      }
      const unsigned amount = ReadBigEndian(data + (isCredit ? CreditAmountOffset : CreditRequestAmountOffset));
      if (isCredit) {
        channel->PrinterCredit = std::min(channel->PrinterCredit + amount, 0xFFFFu);
        outcome.Reply = CreditReply(info->Code, ResultAccepted, socket, channel->PrinterCredit);
      } else {
        const unsigned limit = socket == DataSocket ? DataCreditLimit : ControlCreditLimit;
        channel->HostCredit = std::max(channel->HostCredit, std::min(limit, channel->HostCredit + amount));
        outcome.Reply = CreditReply(info->Code, ResultAccepted, socket, channel->HostCredit);
      }
      return;
    }
    case LinkCommand::Exit:
      outcome.Reply = LinkReply(LinkCommand::Exit, ResultAccepted, {});
      CloseAll(outcome);
      PacketMode = false;
      return;
  }
}

void DeviceLink::HandleChannelPacket(const uint8_t* data, size_t length, const PacketHeader& header, Outcome& outcome) {
  const uint8_t socket = header.PrimarySocket;
  ChannelState* channel = MutableChannel(socket);
  if (!channel->Open) {
    Core.Violation("packet on " + SocketName(socket) + " whose channel is not open");
    return;
  }
  if (header.Credit != 0 || header.Control != 0) {
    Core.Violation("packet on " + SocketName(socket) + " carries credit " + std::to_string(header.Credit) +
                   " and control 0x" + HexByte(header.Control) + " instead of 0 and 0");
  }
  if (length > channel->MaxHostPacket) {
    Core.Violation("packet of " + std::to_string(length) + " bytes on " + SocketName(socket) +
                   " exceeds the negotiated maximum of " + std::to_string(channel->MaxHostPacket));
  }
  if (channel->HostCredit == 0) {
    Core.Violation("packet on " + SocketName(socket) + " sent without credit");
  } else {
    --channel->HostCredit;
  }
  outcome.HasPayload = true;
  outcome.Socket = socket;
  outcome.Payload.assign(data + HeaderSize, data + length);
}

bool DeviceLink::Pack(uint8_t socket, const std::vector<uint8_t>& payload, uint8_t headerSocket,
                      std::vector<uint8_t>& packet) {
  ChannelState* channel = MutableChannel(socket);
  if (channel == nullptr || !channel->Open) {
    Core.Violation("the printer has an answer for " + SocketName(socket) + " but the channel is closed");
    return false;
  }
  if (channel->PrinterCredit == 0) {
    Core.Violation("the printer has an answer for " + SocketName(socket) + " but the host gave it no credit");
    return false;
  }
  --channel->PrinterCredit;
  const size_t room = channel->MaxPrinterPacket - HeaderSize;
  if (payload.size() > room) {
    packet = BuildPacket(socket, 0, std::vector<uint8_t>(payload.begin(), payload.begin() + static_cast<long>(room)));
  } else {
    packet = BuildPacket(socket, 0, payload);
  }
  packet[PrimarySocketOffset] = headerSocket;
  packet[SecondarySocketOffset] = headerSocket;
  return true;
}
