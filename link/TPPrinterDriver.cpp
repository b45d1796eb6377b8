#include "link/TPPrinterDriver.h"

#include "link/LinkWire.h"
#include "link/PortSurvey.h"

#include <algorithm>
#include <string_view>

namespace {

struct PortTableEntry {
  const char* PortName;    // what discovery matches, with colon
  const char* DeviceName;  // what a parallel port is opened by
};

// Indexed by PortIndex.
constexpr std::array<PortTableEntry, PortCount> PortTable{{
    {"VLUSB1:", ""},
    {"VLUSB2:", ""},
    {"VLUSB3:", ""},
    {"LPT1:", "LPT1"},
    {"LPT2:", "LPT2"},
    {"LPT3:", "LPT3"},
}};

constexpr uint32_t ReadSettleMs = 10;       // before every reply read and every USB attempt
constexpr uint32_t UsbRetryPauseMs = 1000;  // between empty USB reads
constexpr int UsbReadAttempts = 10;
constexpr int64_t SlowReadSeconds = 10;     // a parallel read this slow has failed
constexpr const char* ParallelRoute = "parallel";

// The message box's text for a port that cannot be opened: a port held by another program says so.
const char* FailureText(const char* usual, const Failure& failure) {
  return failure.Kind == FailureKind::InUse ? PortInUseText : usual;
}

}  // namespace

TPPrinterDriver::TPPrinterDriver(PortSystem& ports, const PortChoice& choice, Clock& clock, Dialogs& dialogs,
                                 FatalExit& fatal)
    : Ports(ports), Choice(choice), Time(clock), Boxes(dialogs), Fatal(fatal) {}

void TPPrinterDriver::OpenPort(int16_t portIndex) {
  if (const std::optional<OpenFailure> failure = OpenChosenPort(portIndex)) FailOpen(failure->Text, failure->Detail);
}

bool TPPrinterDriver::TryOpenPort(int16_t portIndex) {
  const std::optional<OpenFailure> failure = OpenChosenPort(portIndex);
  if (!failure) return true;
  Boxes.ReportDetail(std::string(ChosenName) + " " + failure->Detail);
  ClosePort();
  return false;
}

std::optional<TPPrinterDriver::OpenFailure> TPPrinterDriver::OpenChosenPort(int16_t portIndex) {
  ClosePort();
  if (portIndex < 0 || portIndex >= PortCount) {
    return OpenFailure{"Cannot open port.", "no such port index " + std::to_string(portIndex)};
  }
  ChosenName = PortTable[static_cast<size_t>(portIndex)].PortName;
  return IsUsbPort(portIndex) ? OpenUsbPort() : OpenParallelPort(portIndex);
}

std::optional<TPPrinterDriver::OpenFailure> TPPrinterDriver::OpenParallelPort(int16_t portIndex) {
  Outcome<std::unique_ptr<PortDevice>> opened = Ports.OpenParallel(PortTable[static_cast<size_t>(portIndex)].DeviceName);
  if (!opened) return OpenFailure{FailureText("Cannot open port.", opened.Fault()), opened.Fault().Message};
  Device = std::move(*opened);
  Route = ParallelRoute;
  Node = Ports.ParallelNode(PortTable[static_cast<size_t>(portIndex)].DeviceName);
  return std::nullopt;
}

std::optional<TPPrinterDriver::OpenFailure> TPPrinterDriver::OpenUsbPort() {
  const Outcome<std::vector<UsbPrinterEntry>> printers = Ports.ListUsbPrinters();
  if (!printers) return OpenFailure{"Cannot open port.", "USB printers cannot be listed: " + printers.Fault().Message};
  std::optional<OpenFailure> unreadable;
  for (const UsbPrinterEntry& printer : *printers) {
    if (!printer.Readable) {
      // Another maker's printer whose description cannot be read does not stop the search for ours.
      const std::string detail = printer.DevicePath + ": device description cannot be read, skipped";
      Boxes.ReportDetail(std::string(ChosenName) + " " + detail);
      if (!unreadable) unreadable = OpenFailure{"error", detail};
      continue;
    }
    if (!ListedAs(printer, ChosenName)) continue;
    Outcome<std::unique_ptr<PortDevice>> opened = Ports.OpenUsb(printer.DevicePath);
    if (!opened) return OpenFailure{FailureText("Cannot open port", opened.Fault()), opened.Fault().Message};
    Device = std::move(*opened);
    Route = UsbRouteName(printer.Route);
    Node = printer.DevicePath;
    return std::nullopt;
  }
  if (unreadable) return unreadable;
  return OpenFailure{"Cannot open port.", "no USB printer is found under this name; is it switched on and connected?"};
}

void TPPrinterDriver::FailOpen(const char* text, const std::string& detail) {
  Boxes.ReportDetail(std::string(ChosenName) + " " + detail);
  Boxes.ShowSystemMessage(text, "error");
  ClosePort();
  EndAfterFaultNow(Fatal);
}

void TPPrinterDriver::ClosePort() {
  Device.reset();
  Route.clear();
  Node.clear();
}

void TPPrinterDriver::RequireOpenPort() {
  if (Device) return;
  Boxes.ShowMessage(DialogKind::Error, "Cannot open port.", DialogButtons::Ok);
  ForceExitNow(Fatal);
}

void TPPrinterDriver::ApplyPortTimeouts() {
  // A port that keeps time-outs of its own (a USB printer) is left alone, but for the command's time left.
  CommTimeouts current;
  if (Device->GetTimeouts(current)) Device->SetTimeouts(TimeoutsWithinDeadline());
  if (Limit != nullptr)
    Device->LimitWaits(static_cast<uint32_t>(std::clamp<int64_t>(Limit->MillisecondsLeft(), 1, UINT32_MAX)));
}

CommTimeouts TPPrinterDriver::TimeoutsWithinDeadline() const {
  if (Limit == nullptr) return PortTimeouts;
  // At least a millisecond: a total time-out of zero would mean none at all.
  const uint32_t left = static_cast<uint32_t>(std::clamp<int64_t>(Limit->MillisecondsLeft(), 1, UINT32_MAX));
  CommTimeouts bounded = PortTimeouts;
  if (bounded.ReadTotalTimeoutConstant >= left) {
    bounded.ReadTotalTimeoutConstant = left;
    bounded.ReadTotalTimeoutMultiplier = 0;
  }
  if (bounded.WriteTotalTimeoutConstant >= left) {
    bounded.WriteTotalTimeoutConstant = left;
    bounded.WriteTotalTimeoutMultiplier = 0;
  }
  return bounded;
}

void TPPrinterDriver::EndIfOverdue() {
  if (Limit != nullptr) Limit->EndIfOverdue();
}

bool TPPrinterDriver::WriteBlock(const uint8_t* buffer, size_t length) {
  if (WriteGate) WriteGate();
  RequireOpenPort();
  EndIfOverdue();
  ApplyPortTimeouts();
  size_t written = 0;
  const bool complete = Transferred(Device->Write(buffer, length, written)) && written == length;
  EndIfOverdue();
  return complete;
}

bool TPPrinterDriver::TryWritePort(const uint8_t* buffer, size_t length) { return WriteBlock(buffer, length); }

void TPPrinterDriver::WritePort(const uint8_t* buffer, size_t length) {
  if (WriteBlock(buffer, length)) return;
  Boxes.ShowMessage(DialogKind::Error, "Transmission error", DialogButtons::Ok);
  ClosePort();
  ForceExitNow(Fatal);
}

bool TPPrinterDriver::ReadReply(ReplyBufferArray& buffer, int32_t& length) {
  Time.Pause(ReadSettleMs);
  RequireOpenPort();
  return IsUsbPort(Choice.GetPortIndex()) ? ReadUsbReply(buffer, length) : ReadParallelReply(buffer, length);
}

bool TPPrinterDriver::ReadUsbReply(ReplyBufferArray& buffer, int32_t& length) {
  // One read is one reply; an empty read means the printer has not answered yet.
  for (int attempt = 1; attempt <= UsbReadAttempts; ++attempt) {
    Time.Pause(ReadSettleMs);
    size_t got = 0;
    EndIfOverdue();
    ApplyPortTimeouts();
    const PortResult read = Device->Read(buffer.data(), buffer.size(), got);
    Received += got;
    EndIfOverdue();
    if (!Transferred(read)) return false;
    if (got > 0) {
      length = static_cast<int32_t>(got);
      return true;
    }
    if (attempt < UsbReadAttempts) Time.Pause(UsbRetryPauseMs);
  }
  return false;
}

bool TPPrinterDriver::ReadParallelReply(ReplyBufferArray& buffer, int32_t& length) {
  length = 0;
  ApplyPortTimeouts();
  if (!ReadExactly(buffer.data(), LinkWire::PacketHeaderSize)) return false;
  const size_t announced = LinkWire::AnnouncedLength(buffer.data());
  // A header that does not describe a packet fitting the buffer is no reply.
  if (announced < LinkWire::PacketHeaderSize || announced > buffer.size()) return false;
  length = static_cast<int32_t>(announced);
  // The header's read may have used up most of the command's time: the rest of the reply gets what is left.
  if (Limit != nullptr) ApplyPortTimeouts();
  if (!ReadExactly(buffer.data() + LinkWire::PacketHeaderSize, announced - LinkWire::PacketHeaderSize)) {
    length = 0;
    return false;
  }
  return true;
}

bool TPPrinterDriver::ReadExactly(uint8_t* target, size_t count) {
  if (count == 0) return true;
  const int64_t started = Time.CalendarSeconds();
  size_t got = 0;
  EndIfOverdue();
  const PortResult read = Device->Read(target, count, got);
  Received += got;
  EndIfOverdue();
  if (!Transferred(read)) return false;
  if (Time.CalendarSeconds() - started >= SlowReadSeconds) return false;
  // A read cut short by the time-out leaves older bytes in the buffer; they
  // are not part of this reply.
  return got == count;
}
