// The printer's side of the packet link: mode switch, link commands, channels and credits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/PrinterCore.h"
#include "sim/wire/PrinterWire.h"

class DeviceLink {
public:
  struct ChannelState {
    bool Open = false;
    size_t MaxHostPacket = PrinterWire::MaxPacketSize;     // largest packet the host may send
    size_t MaxPrinterPacket = PrinterWire::MaxPacketSize;  // largest packet the printer may send
    unsigned HostCredit = 0;                               // packets the host may still send
    unsigned PrinterCredit = 0;                            // packets the printer may still send
  };

  // What one block from the host leads to.
  struct Outcome {
    std::vector<uint8_t> Reply;  // a link-command answer; empty when there is none
    bool HasPayload = false;     // a packet for the control or data channel arrived
    uint8_t Socket = 0;
    std::vector<uint8_t> Payload;
    bool DataChannelClosed = false;  // the data channel was open and is no longer
  };

  // Most credit the printer grants at a time on each channel.
  static constexpr unsigned DataCreditLimit = 200;
  static constexpr unsigned ControlCreditLimit = 1;

  explicit DeviceLink(PrinterCore& core) : Core(core) {}

  // Handles one block as the host wrote it. Every mistake of the host is
  // recorded as a violation in the core; a block that cannot be a packet is
  // dropped, a packet on a closed channel too.
  Outcome Receive(const uint8_t* data, size_t length);

  // Packs an answer for `socket`, spending one unit of the credit the host
  // granted there; `headerSocket` goes into the socket bytes (normally the
  // same socket). A payload longer than the channel allows is cut. False,
  // with a violation, when the channel is closed or the host gave no credit.
  bool Pack(uint8_t socket, const std::vector<uint8_t>& payload, uint8_t headerSocket, std::vector<uint8_t>& packet);

  // Power cycle: out of packet mode, every channel closed.
  void Reset();

  bool InPacketMode() const { return PacketMode; }
  // Null for a socket that is no channel of this printer.
  const ChannelState* Channel(uint8_t socket) const;

private:
  ChannelState* MutableChannel(uint8_t socket);
  void CloseAll(Outcome& outcome);
  void HandleLinkCommand(const uint8_t* data, size_t length, const PrinterWire::PacketHeader& header, Outcome& outcome);
  void HandleChannelPacket(const uint8_t* data, size_t length, const PrinterWire::PacketHeader& header,
                           Outcome& outcome);

  PrinterCore& Core;
  bool PacketMode = false;
  ChannelState Control;
  ChannelState Data;
};
