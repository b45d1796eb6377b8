// The encoder of the printer's service commands and of the remote-mode sequence.
#pragma once

#include "link/LinkWire.h"
#include "link/TPDalD4Comm.h"
#include "platform/Dialogs.h"

#include <cstdint>
#include <initializer_list>
#include <optional>

// The command codes, cleaning sequences and "SN" parameter the items name, by the names the whole program uses.
using LinkWire::HeadCleaningSequence;
using LinkWire::InkChargeSequence;
using LinkWire::ReadEepromCode;
using LinkWire::RemoteSnPatternPrint;
using LinkWire::SetBidValueCode;
using LinkWire::WriteEepromCode;

class TPFactory {
public:
  TPFactory(TPDalD4Comm& comm, Dialogs& dialogs);

  // Reads one EEPROM cell through the data channel. A reply of another
  // length than 24 bytes shows the "error" box and gives no value, and so
  // does a reply without a hexadecimal value where the value stands.
  std::optional<uint8_t> ReadEeprom(uint8_t address);
  // The same read, telling a printer that sent nothing back from one that answered without a value.
  EepromRead ReadEepromCell(uint8_t address);
  void WriteEeprom(uint8_t address, uint8_t data);
  // value: -128..127, sent as a 16-bit little-endian two's-complement number.
  void SetBidValue(uint8_t dotMode, uint8_t inkGroup, int value);
  void RunCleaning(uint8_t sequence);
  void MechanismC5(uint8_t p1, uint8_t p2, uint8_t p3, uint8_t p4);
  void MechanismC4(uint8_t p1, uint8_t p2, uint8_t p3, uint8_t p4);
  void MechanismC9(uint8_t p1, uint8_t p2, uint8_t p3, uint8_t p4);
  void Sequence81();
  void MechanismCA(uint8_t p);
  void NotifyEepromChanged();

  // The remote-mode sequence: entry, "SN" with parameter k, exit; three commands.
  void SendRemoteModeSequence(uint8_t k);

  // The link the commands go over, for a control-channel request beside them.
  TPDalD4Comm& Link() { return Comm; }

private:
  void SendServicePacket(uint8_t code, std::initializer_list<uint8_t> parameters);

  TPDalD4Comm& Comm;
  Dialogs& Boxes;
};
