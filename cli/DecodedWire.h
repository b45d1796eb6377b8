// --verbose: every block on the wire, read back as the virtual printer's capture is decoded, on
// standard error ("arvana-service: wire: 0.012 H>P OpenChannel socket 0x40"), whatever the port.
#pragma once

#include "platform/Clock.h"
#include "platform/PortDevice.h"
#include "platform/TracingPortDevice.h"

#include <memory>
#include <string>
#include <vector>

// The ports of `inner`, each opened device traced through the decoder.
class DecodedWirePorts : public PortSystem {
public:
  DecodedWirePorts(PortSystem& inner, Clock& clock);

  Outcome<std::unique_ptr<PortDevice>> OpenParallel(const std::string& name) override;
  Outcome<std::unique_ptr<PortDevice>> OpenUsb(const std::string& devicePath) override;
  Outcome<std::vector<UsbPrinterEntry>> ListUsbPrinters() override { return Inner.ListUsbPrinters(); }
  std::string ParallelNode(const std::string& name) const override { return Inner.ParallelNode(name); }

private:
  Outcome<std::unique_ptr<PortDevice>> Traced(Outcome<std::unique_ptr<PortDevice>> opened);

  PortSystem& Inner;
  Clock& Time;
  int64_t StartMs;
  TracingPortDevice::TraceFile Trace;  // the trace's lines go to the decoder, not to a file
};
