#include "cli/DecodedWire.h"

#include "cli/StandardError.h"
#include "sim/wire/CaptureDecoder.h"
#include "sim/wire/CaptureLog.h"
#include "sim/wire/PrinterWire.h"

#include <cstdio>
#include <optional>
#include <sys/types.h>

namespace {

// The trace's lines as they are written: each whole line is decoded and said; the decoder follows
// the remote mode from one block to the next, so one decoder reads the whole run. The link reads a
// reply in pieces (its header, then the rest): the pieces are joined into the packet first.
struct WireLines {
  std::string Pending;
  CaptureDecoder Decoder;
  std::optional<CaptureRecord> Reply;  // the pieces of a reply read so far

  void Take(const char* bytes, size_t count) {
    Pending.append(bytes, count);
    for (size_t end = Pending.find('\n'); end != std::string::npos; end = Pending.find('\n')) {
      SayLine(Pending.substr(0, end));
      Pending.erase(0, end + 1);
    }
  }

  void SayLine(const std::string& line) {
    CaptureRecord record;
    std::string reason;
    // The trace writes nothing else than such lines; one that is not is shown as it stands.
    if (!CaptureLog::ParseLine(line, record, reason)) {
      Say(SaidKind::Detail, "wire: " + line);
      return;
    }
    if (record.FromHost) {
      SayReply();  // a reply cut short is shown as far as it came
      SayRecord(record);
      return;
    }
    if (!Reply) {
      Reply = std::move(record);
    } else {
      Reply->Bytes.insert(Reply->Bytes.end(), record.Bytes.begin(), record.Bytes.end());
    }
    PrinterWire::PacketHeader header;
    const bool packet = PrinterWire::ReadHeader(Reply->Bytes.data(), Reply->Bytes.size(), header);
    if (!packet || header.Length < PrinterWire::HeaderSize || Reply->Bytes.size() >= header.Length) SayReply();
  }

  void SayReply() {
    if (!Reply) return;
    SayRecord(*Reply);
    Reply.reset();
  }

  void SayRecord(const CaptureRecord& record) { Say(SaidKind::Detail, "wire: " + Decoder.DescribeLine(record)); }
};

ssize_t WriteWire(void* cookie, const char* bytes, size_t count) {
  static_cast<WireLines*>(cookie)->Take(bytes, count);
  return static_cast<ssize_t>(count);
}

int CloseWire(void* cookie) {
  auto* lines = static_cast<WireLines*>(cookie);
  lines->SayReply();
  delete lines;
  return 0;
}

TracingPortDevice::TraceFile OpenWireLines() {
  auto* lines = new WireLines;
  std::FILE* file = ::fopencookie(lines, "w", cookie_io_functions_t{nullptr, WriteWire, nullptr, CloseWire});
  if (file == nullptr) {
    delete lines;
    return nullptr;  // without it the port still works, untraced
  }
  return TracingPortDevice::TraceFile(file, [](std::FILE* open) { std::fclose(open); });
}

}  // namespace

DecodedWirePorts::DecodedWirePorts(PortSystem& inner, Clock& clock)
    : Inner(inner), Time(clock), StartMs(clock.SteadyMilliseconds()), Trace(OpenWireLines()) {}

Outcome<std::unique_ptr<PortDevice>> DecodedWirePorts::OpenParallel(const std::string& name) {
  return Traced(Inner.OpenParallel(name));
}

Outcome<std::unique_ptr<PortDevice>> DecodedWirePorts::OpenUsb(const std::string& devicePath) {
  return Traced(Inner.OpenUsb(devicePath));
}

Outcome<std::unique_ptr<PortDevice>> DecodedWirePorts::Traced(Outcome<std::unique_ptr<PortDevice>> opened) {
  if (!opened || !Trace) return opened;
  return std::unique_ptr<PortDevice>(std::make_unique<TracingPortDevice>(std::move(*opened), Trace, Time, StartMs));
}
