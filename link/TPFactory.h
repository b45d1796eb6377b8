// The encoder of the printer's service commands and of the remote-mode sequence.
#pragma once

#include "link/TPDalD4Comm.h"
#include "platform/Dialogs.h"

#include <array>
#include <cstdint>
#include <optional>

// Service command codes; each goes out with its complement and its rotation.
constexpr uint8_t ReadEepromCode = 0x41;
constexpr uint8_t WriteEepromCode = 0x42;
constexpr uint8_t SetBidValueCode = 0x00;
constexpr uint8_t RunCleaningCode = 0x84;
constexpr uint8_t MechanismC5Code = 0xC5;
constexpr uint8_t MechanismC4Code = 0xC4;
constexpr uint8_t MechanismC9Code = 0xC9;
constexpr uint8_t Sequence81Code = 0x81;
constexpr uint8_t MechanismCACode = 0xCA;
constexpr uint8_t NotifyEepromChangedCode = 0x50;

// Cleaning sequences of RunCleaning.
constexpr uint8_t HeadCleaningSequence = 2;
constexpr uint8_t InkChargeSequence = 9;

// The "SN" parameter sent before the A4 check page and the top-margin line.
constexpr uint8_t RemoteSnPatternPrint = 0x03;

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

  // The derived bytes of a command code.
  static constexpr uint8_t Complement(uint8_t c) { return static_cast<uint8_t>(c ^ 0xFF); }
  static constexpr uint8_t RotateRight(uint8_t c) { return static_cast<uint8_t>((c >> 1) | ((c & 1) << 7)); }

private:
  void SendServicePacket(uint8_t code, std::initializer_list<uint8_t> parameters);

  TPDalD4Comm& Comm;
  Dialogs& Boxes;

  // ServicePacket: 1B 7C 00, length n (little-endian: the bytes after offset
  // 4, that is 5 + parameters), ModelCode (2), code, complement, rotation,
  // parameters. Bytes 5 and 6 are written once at construction.
  std::array<uint8_t, 14> PacketBuffer{};
};
