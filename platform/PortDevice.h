// The operating system's port devices, as the printer link sees them.
#pragma once

#include "platform/DeviceId.h"
#include "platform/Outcome.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Communication time-outs of a port, in milliseconds. A read ends when the
// requested count has arrived, when the gap between two bytes exceeds the
// interval time-out, or when the total time-out
// (multiplier x requested bytes + constant) has passed. A write gives up
// after its total time-out; whatever was accepted by then counts as written.
struct CommTimeouts {
  uint32_t ReadIntervalTimeout = 0;
  uint32_t ReadTotalTimeoutMultiplier = 0;
  uint32_t ReadTotalTimeoutConstant = 0;
  uint32_t WriteTotalTimeoutMultiplier = 0;
  uint32_t WriteTotalTimeoutConstant = 0;

  bool operator==(const CommTimeouts&) const = default;
};

// How an open's failure of the kind InUse starts its message (see LinuxPortDevice::Open):
// the technician's message as it stands, the path after it.
constexpr const char* PortInUseText = "The printer is in use by another program.";

// How one read or write of a port ended. The count beside it tells what was transferred in every case.
enum class PortResult : uint8_t {
  Done,           // the whole count asked for was transferred
  TimedOut,       // a time-out ended it first with fewer bytes (a USB reply shorter than the buffer ends so)
  DeviceLost,     // the device has gone: unplugged, switched off, or the other end hung up
  AccessRefused,  // the system no longer lets this program use the device
  Failed,         // any other failure of the device
};

// Whether the device did its part: a transfer cut short by a time-out is no failure of the device.
constexpr bool Transferred(PortResult result) {
  return result == PortResult::Done || result == PortResult::TimedOut;
}

// One open port. Closing is destruction.
class PortDevice {
public:
  virtual ~PortDevice() = default;

  // False when the device keeps time-outs of its own (USB printer devices):
  // then SetTimeouts is not to be called and reads return one reply each.
  virtual bool GetTimeouts(CommTimeouts& timeouts) = 0;
  virtual bool SetTimeouts(const CommTimeouts& timeouts) = 0;

  // Writes the block; `written` tells how many bytes the device accepted
  // (fewer than `length` after a time-out).
  virtual PortResult Write(const uint8_t* data, size_t length, size_t& written) = 0;

  // Reads at most `length` bytes into `buffer`; `got` may be below `length`
  // (down to 0) after a time-out.
  virtual PortResult Read(uint8_t* buffer, size_t length, size_t& got) = 0;

  // From now on no single read or write waits longer than `milliseconds`, whatever time-outs
  // the device keeps of its own (a USB printer's write waits seconds); 0 lifts the bound.
  // A command with a time limit sets it to the time it has left.
  virtual void LimitWaits(uint32_t milliseconds) { (void)milliseconds; }
};

// How the program reaches a USB printer.
enum class UsbRoute : uint8_t {
  Usblp,   // the kernel's usblp driver: /dev/usb/lpN
  Libusb,  // libusb on the USB device's node, where usblp does not serve it
  Named,   // a node the environment names (ARVANA_DEVICE_VLUSBn)
  Virtual, // the virtual printer in the program's own process
};

// A USB printer present on the machine, in ascending device number.
struct UsbPrinterEntry {
  std::string DevicePath;  // the node to open, e.g. /dev/usb/lp0
  std::string PortName;    // "VLUSB1:" ...; empty for printers of other makers
  bool Readable = true;    // false when the device's description could not be read
  std::string DeviceId{};  // its IEEE 1284 device ID as the printer gave it; empty when not known
  PrinterModel Model = PrinterModel::Unknown;  // the model the device ID names
  std::string Serial{};    // the USB serial number; empty when the printer gives none
  UsbRoute Route = UsbRoute::Usblp;
};

// The route's name, as status --json and the start window give it: "usblp", "libusb", "device",
// "virtual printer".
const char* UsbRouteName(UsbRoute route);

// Opening ports and finding USB printers.
class PortSystem {
public:
  virtual ~PortSystem() = default;

  // Opens a parallel port by its name ("LPT1".."LPT3"). Fails with a
  // readable message (path and system error) when it cannot be opened.
  virtual Outcome<std::unique_ptr<PortDevice>> OpenParallel(const std::string& name) = 0;

  // Opens a USB printer by the device path that discovery reported.
  virtual Outcome<std::unique_ptr<PortDevice>> OpenUsb(const std::string& devicePath) = 0;

  // Lists the present USB printers. Fails when the list cannot be had at all.
  virtual Outcome<std::vector<UsbPrinterEntry>> ListUsbPrinters() = 0;

  // The device node OpenParallel opens for `name` ("LPT1".."LPT3"), to tell the technician
  // where a port leads; empty for any other name.
  virtual std::string ParallelNode(const std::string& name) const = 0;
};
