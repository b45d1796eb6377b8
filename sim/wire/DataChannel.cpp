// Data-channel packets of the virtual printer: what each service command does, and where print data goes.
#include "sim/wire/DataChannel.h"

#include <string>

#include "sim/wire/PrinterWire.h"

using namespace PrinterWire;

namespace {

std::string Letters(const uint8_t* data) {
  if (IsReadableInQuotes(data[0]) && IsReadableInQuotes(data[1]))
    return std::string("\"") + static_cast<char>(data[0]) + static_cast<char>(data[1]) + "\"";
  return HexBytes(data, 2);
}

}  // namespace

std::optional<std::vector<uint8_t>> DataChannel::Handle(const std::vector<uint8_t>& payload) {
  const uint8_t* data = payload.data();
  const size_t length = payload.size();
  if (StartsWith(ServicePrefix, data, length)) return HandleService(payload);
  if (Equals(RemoteModeEntry, data, length)) {
    if (RemoteMode) Core.Violation("remote-mode entry while the printer is in remote mode already");
    RemoteMode = true;
    return std::nullopt;
  }
  if (Equals(RemoteModeExit, data, length)) {
    if (!RemoteMode) Core.Violation("remote-mode exit while the printer is not in remote mode");
    RemoteMode = false;
    return std::nullopt;
  }
  if (RemoteMode) {
    HandleRemote(payload);
    return std::nullopt;
  }
  const JobRecorder::Progress progress = Jobs.Add(data, length);
  Printing.Add(data, length);
  Core.Work().Queue(PrinterState::Printing, progress.RasterBlocks * RasterBlockMs + progress.PageEnds * PageEjectMs,
                    Core.NowMs());
  return std::nullopt;
}

void DataChannel::Close() {
  Jobs.EndJob();
  Printing.EndJob();
  RemoteMode = false;
}

int64_t DataChannel::MechanismMs(uint8_t code, const uint8_t* parameters, size_t parameterCount) {
  const int64_t first = parameterCount >= 1 ? parameters[0] : 0;
  const int64_t count = parameterCount >= 4 ? (parameters[2] | (parameters[3] << 8)) : 0;
  switch (static_cast<ServiceCommand>(code)) {
    case ServiceCommand::MechanismC4:  // carriage move: steps
      return 400 + 5 * count;
    case ServiceCommand::MechanismC5:  // pump: strokes
      return 300 + count / 10;
    case ServiceCommand::MechanismC9:  // suction with a hold time
      return 500 + count / 2;
    case ServiceCommand::MechanismCA:  // wiper cycles
      return 200 + 10 * first;
    case ServiceCommand::SetBidValue:
    case ServiceCommand::ReadEeprom:
    case ServiceCommand::WriteEeprom:
    case ServiceCommand::NotifyEepromChanged:
    case ServiceCommand::Sequence81:
    case ServiceCommand::RunCleaning:
      return 0;
  }
  return 0;
}

std::optional<std::vector<uint8_t>> DataChannel::HandleService(const std::vector<uint8_t>& payload) {
  const uint8_t* data = payload.data();
  const size_t length = payload.size();
  if (length < ServiceFixedSize) {
    Core.Violation("service command of " + std::to_string(length) + " bytes, shorter than its fixed 10 bytes");
    return std::nullopt;
  }
  const size_t lengthField = static_cast<size_t>(data[ServiceLengthOffset] | (data[ServiceLengthOffset + 1] << 8));
  if (lengthField + 5 != length) {
    Core.Violation("service command of " + std::to_string(length) + " bytes gives length " +
                   std::to_string(lengthField) + " instead of " + std::to_string(length - 5));
    return std::nullopt;
  }
  if (!Core.CheckModelCode(data[ServiceModelCodeOffset], data[ServiceModelCodeOffset + 1], "service command"))
    return std::nullopt;
  const uint8_t code = data[ServiceCodeOffset];
  const ServiceCommandInfo* info = FindServiceCommand(code);
  if (info == nullptr) {
    Core.Violation("unknown service command 0x" + HexByte(code));
    return std::nullopt;
  }
  if (data[ServiceCodeOffset + 1] != Complement(code) || data[ServiceCodeOffset + 2] != RotateRight(code)) {
    Core.Violation(std::string(info->Name) + " carries check bytes " + HexBytes(data + ServiceCodeOffset + 1, 2) +
                   " instead of " + HexByte(Complement(code)) + " " + HexByte(RotateRight(code)));
    return std::nullopt;
  }
  const uint8_t* parameters = data + ServiceFixedSize;
  const size_t parameterCount = length - ServiceFixedSize;
  if (parameterCount != info->ParameterCount) {
    Core.Violation(std::string(info->Name) + " with " + std::to_string(parameterCount) +
                   " parameter bytes instead of " + std::to_string(info->ParameterCount));
    return std::nullopt;
  }

  EepromImage& eeprom = Core.Eeprom();
  switch (info->Code) {
    case ServiceCommand::ReadEeprom: {
      const uint8_t address = parameters[0];
      std::string text = std::string(EepromValuePrefix) + HexByte(address) + HexByte(eeprom.Get(address)) + "\r\n";
      switch (Core.Faults().EepromReadFault(address)) {
        case PrinterFaults::ReadFault::None:
          break;
        case PrinterFaults::ReadFault::Short:
          text.resize(ShortEepromAnswerLength);
          break;
        case PrinterFaults::ReadFault::Dropped:
          return std::nullopt;
      }
      return std::vector<uint8_t>(text.begin(), text.end());
    }
    case ServiceCommand::WriteEeprom:
      // A busy printer takes no EEPROM write, whichever channel it comes on.
      if (!Core.Faults().BusyAck) eeprom.Set(parameters[0], parameters[1]);
      return std::nullopt;
    case ServiceCommand::SetBidValue: {
      const uint8_t dotMode = parameters[0];
      const uint8_t inkGroup = parameters[1];
      const uint8_t low = parameters[2];
      const uint8_t sign = parameters[3];
      if (dotMode < 1 || dotMode > 3 || inkGroup < 1 || inkGroup > 2) {
        Core.Violation("SetBidValue for dot mode " + std::to_string(dotMode) + " and ink group " +
                       std::to_string(inkGroup) + ", which do not exist");
        return std::nullopt;
      }
      if (sign != ((low & 0x80) != 0 ? 0xFF : 0x00)) {
        Core.Violation("SetBidValue with value bytes " + HexBytes(parameters + 2, 2) + ", outside -128..127");
        return std::nullopt;
      }
      if (Core.Faults().BusyAck) return std::nullopt;  // busy: stored nothing, as on the control channel
      // The value goes into use at once: the host prints with it right after.
      eeprom.SetLive(static_cast<uint8_t>(BidFirstCell + (dotMode - 1) + 3 * (inkGroup - 1)), low);
      return std::nullopt;
    }
    case ServiceCommand::RunCleaning:
      RunCleaning(parameters[0]);
      return std::nullopt;
    case ServiceCommand::NotifyEepromChanged:
      eeprom.Reload();
      return std::nullopt;
    case ServiceCommand::Sequence81:
      Core.Work().Queue(PrinterState::Busy, Sequence81Ms, Core.NowMs());
      return std::nullopt;
    case ServiceCommand::MechanismC4:
    case ServiceCommand::MechanismC5:
    case ServiceCommand::MechanismC9:
    case ServiceCommand::MechanismCA:
      Core.Work().Queue(PrinterState::Busy, MechanismMs(code, parameters, parameterCount), Core.NowMs());
      return std::nullopt;
  }
  return std::nullopt;
}

void DataChannel::RunCleaning(uint8_t sequence) {
  EepromImage& eeprom = Core.Eeprom();
  if (sequence == HeadCleaningSequence) {
    Core.Work().Queue(PrinterState::Cleaning, HeadCleaningMs, Core.NowMs());
    eeprom.SetProtectionCounter(eeprom.ProtectionCounter() + HeadCleaningPoints);
    Core.Head().Clean(PrintHead::Sequence::HeadCleaning);
  } else if (sequence == InkChargeSequence) {
    Core.Work().Queue(PrinterState::Cleaning, InkChargeMs, Core.NowMs());
    eeprom.SetProtectionCounter(eeprom.ProtectionCounter() + InkChargePoints);
    Core.Head().Clean(PrintHead::Sequence::InkCharge);
  } else {
    Core.Violation("RunCleaning with sequence " + std::to_string(sequence) + ", which this printer does not have");
  }
}

void DataChannel::HandleRemote(const std::vector<uint8_t>& payload) {
  const uint8_t* data = payload.data();
  const size_t length = payload.size();
  size_t position = 0;
  while (position < length) {
    if (length - position < RemoteCommandHeaderSize) {
      Core.Violation("remote command cut short: " + HexBytes(data + position, length - position));
      return;
    }
    const size_t count = static_cast<size_t>(data[position + 2] | (data[position + 3] << 8));
    if (length - position - RemoteCommandHeaderSize < count) {
      Core.Violation("remote command " + Letters(data + position) + " announces " + std::to_string(count) +
                     " parameter bytes but the packet ends before");
      return;
    }
    const bool isSn = data[position] == RemoteSn[0] && data[position + 1] == RemoteSn[1];
    if (!isSn || count != RemoteSnParameterCount) {
      Core.Violation("unknown remote command " + Letters(data + position) + " with " + std::to_string(count) +
                     " parameter bytes");
    }
    position += RemoteCommandHeaderSize + count;
  }
}
