// USB printers through libusb: discovery by interface class, the device ID by class request, bulk transfers.
#include "platform/LibusbPrinters.h"

#include <libusb-1.0/libusb.h>
#include <linux/usbdevice_fs.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr uint8_t PrinterClass = 7;
constexpr uint8_t BidirectionalProtocol = 2;
// GET_DEVICE_ID: a class request to the interface, answered device to host; wValue is the
// configuration's index, wIndex the interface in its high byte and the alternate setting in its low.
constexpr uint8_t GetDeviceIdRequest = 0;
constexpr uint8_t ClassInterfaceIn = 0xA1;  // device to host, class request, to an interface
constexpr size_t DeviceIdReplySize = 1024;  // what usblp asks for too
constexpr unsigned int ControlTimeoutMs = 5000;
constexpr size_t DeviceIdLengthBytes = 2;
// A bulk read takes whole packets: the buffer is a multiple of every packet size (64, 512), the
// same piece usblp reads in. Bytes beyond what the caller asked for wait for the next read.
constexpr size_t ReadPiece = 1024;
constexpr size_t HeldInterfacesLimit = 8;

// The interface a printer speaks through.
struct PrinterInterface {
  int Number = -1;
  int AlternateSetting = 0;
  uint8_t BulkIn = 0;
  uint8_t BulkOut = 0;
};

// The first interface of the active configuration of class 7, protocol 2, with bulk endpoints both ways.
std::optional<PrinterInterface> FindPrinterInterface(libusb_device* device) {
  libusb_config_descriptor* config = nullptr;
  if (libusb_get_active_config_descriptor(device, &config) != 0) return std::nullopt;
  std::optional<PrinterInterface> found;
  for (int i = 0; i < config->bNumInterfaces && !found; ++i) {
    const libusb_interface& interface = config->interface[i];
    for (int a = 0; a < interface.num_altsetting && !found; ++a) {
      const libusb_interface_descriptor& setting = interface.altsetting[a];
      if (setting.bInterfaceClass != PrinterClass || setting.bInterfaceProtocol != BidirectionalProtocol) continue;
      PrinterInterface candidate{setting.bInterfaceNumber, setting.bAlternateSetting};
      for (int e = 0; e < setting.bNumEndpoints; ++e) {
        const libusb_endpoint_descriptor& endpoint = setting.endpoint[e];
        if ((endpoint.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK) != LIBUSB_TRANSFER_TYPE_BULK) continue;
        if ((endpoint.bEndpointAddress & LIBUSB_ENDPOINT_DIR_MASK) == LIBUSB_ENDPOINT_IN) {
          candidate.BulkIn = endpoint.bEndpointAddress;
        } else {
          candidate.BulkOut = endpoint.bEndpointAddress;
        }
      }
      if (candidate.BulkIn != 0 && candidate.BulkOut != 0) found = candidate;
    }
  }
  libusb_free_config_descriptor(config);
  return found;
}

std::optional<std::string> AskDeviceId(libusb_device_handle* handle, const PrinterInterface& interface) {
  std::array<uint8_t, DeviceIdReplySize> reply{};
  const uint16_t index = static_cast<uint16_t>((interface.Number << 8) | interface.AlternateSetting);
  const int arrived = libusb_control_transfer(handle, ClassInterfaceIn, GetDeviceIdRequest, 0, index, reply.data(),
                                              static_cast<uint16_t>(reply.size()), ControlTimeoutMs);
  if (arrived < 0) return std::nullopt;
  return DeviceIdFromReply(reply.data(), static_cast<size_t>(arrived));
}

std::string SerialOf(libusb_device_handle* handle, libusb_device* device) {
  libusb_device_descriptor descriptor{};
  if (libusb_get_device_descriptor(device, &descriptor) != 0 || descriptor.iSerialNumber == 0) return {};
  std::array<unsigned char, 256> text{};
  const int length = libusb_get_string_descriptor_ascii(handle, descriptor.iSerialNumber, text.data(),
                                                        static_cast<int>(text.size()));
  return length > 0 ? std::string(reinterpret_cast<const char*>(text.data()), static_cast<size_t>(length)) : "";
}

// What a failed libusb call means for the link.
PortResult ResultOf(int error) {
  switch (error) {
    case LIBUSB_ERROR_NO_DEVICE:
    case LIBUSB_ERROR_IO:
    case LIBUSB_ERROR_PIPE:
      return PortResult::DeviceLost;
    case LIBUSB_ERROR_ACCESS:
      return PortResult::AccessRefused;
    case LIBUSB_ERROR_TIMEOUT:
      return PortResult::TimedOut;
    default:
      return PortResult::Failed;
  }
}

FailureKind FailureKindOfLibusb(int error) {
  switch (error) {
    case LIBUSB_ERROR_NO_DEVICE:
    case LIBUSB_ERROR_NOT_FOUND:
      return FailureKind::NotFound;
    case LIBUSB_ERROR_BUSY:
      return FailureKind::InUse;
    case LIBUSB_ERROR_ACCESS:
      return FailureKind::AccessRefused;
    default:
      return FailureKind::Failed;
  }
}

Failure LibusbFailure(const std::string& node, const char* what, int error) {
  if (error == LIBUSB_ERROR_BUSY) return {FailureKind::InUse, std::string(PortInUseText) + " (" + node + ")"};
  return {FailureKindOfLibusb(error), node + ": " + what + ": " + libusb_strerror(static_cast<libusb_error>(error))};
}

// The interfaces held with their kernel driver detached, as the signal handler needs them: the
// usbfs descriptor and the interface number, set and cleared under the lock, read without it.
struct HeldInterface {
  std::atomic<int> Fd{-1};
  std::atomic<int> Number{-1};
};
std::array<HeldInterface, HeldInterfacesLimit> HeldInterfaces;
std::mutex HeldLock;

void RememberHeld(int fd, int number) {
  const std::lock_guard<std::mutex> lock(HeldLock);
  for (HeldInterface& held : HeldInterfaces) {
    if (held.Fd.load() >= 0) continue;
    held.Number.store(number);
    held.Fd.store(fd);
    return;
  }
}

void ForgetHeld(int fd) {
  const std::lock_guard<std::mutex> lock(HeldLock);
  for (HeldInterface& held : HeldInterfaces)
    if (held.Fd.load() == fd) held.Fd.store(-1);
}

// Releases the interface and lets the kernel bind its driver again, with two system calls.
void ReattachWithSystemCalls(int fd, int number) {
  unsigned int interface = static_cast<unsigned int>(number);
  ::ioctl(fd, USBDEVFS_RELEASEINTERFACE, &interface);
  usbdevfs_ioctl command{};
  command.ifno = number;
  command.ioctl_code = USBDEVFS_CONNECT;
  command.data = nullptr;
  ::ioctl(fd, USBDEVFS_IOCTL, &command);
}


// One libusb context per device: it lives exactly as long as the device's handle.
class LibusbPortDevice : public PortDevice {
public:
  LibusbPortDevice(libusb_context* context, libusb_device_handle* handle, int fd, PrinterInterface interface,
                   bool detached, const UsbDeviceTiming& timing)
      : Context(context), Handle(handle), Fd(fd), Interface(interface), Detached(detached), Timing(timing) {
    if (Detached) RememberHeld(Fd, Interface.Number);
  }
  ~LibusbPortDevice() override {
    libusb_release_interface(Handle, Interface.Number);
    if (Detached) {
      libusb_attach_kernel_driver(Handle, Interface.Number);
      ForgetHeld(Fd);
    }
    libusb_close(Handle);
    libusb_exit(Context);
    ::close(Fd);
  }
  LibusbPortDevice(const LibusbPortDevice&) = delete;
  LibusbPortDevice& operator=(const LibusbPortDevice&) = delete;

  bool GetTimeouts(CommTimeouts&) override { return false; }
  bool SetTimeouts(const CommTimeouts&) override { return false; }

  PortResult Write(const uint8_t* data, size_t length, size_t& written) override {
    written = 0;
    const uint64_t total = uint64_t{Timing.WriteMultiplierMs} * length + Timing.WriteConstantMs;
    int transferred = 0;
    const int result = libusb_bulk_transfer(Handle, Interface.BulkOut, const_cast<uint8_t*>(data),
                                            static_cast<int>(length), &transferred, Bounded(total));
    written = static_cast<size_t>(std::max(transferred, 0));
    if (result == 0) return written == length ? PortResult::Done : PortResult::TimedOut;
    return ResultOf(result);
  }

  // One bulk transfer is one reply, as one read of usblp is.
  PortResult Read(uint8_t* buffer, size_t length, size_t& got) override {
    got = 0;
    if (Held.empty()) {
      std::array<uint8_t, ReadPiece> piece{};
      int transferred = 0;
      const int result = libusb_bulk_transfer(Handle, Interface.BulkIn, piece.data(), static_cast<int>(piece.size()),
                                              &transferred, Bounded(Timing.FirstByteMs));
      if (result != 0 && result != LIBUSB_ERROR_TIMEOUT) return ResultOf(result);
      Held.assign(piece.begin(), piece.begin() + std::max(transferred, 0));
    }
    got = std::min(length, Held.size());
    std::copy_n(Held.begin(), got, buffer);
    Held.erase(Held.begin(), Held.begin() + static_cast<std::ptrdiff_t>(got));
    return got == length ? PortResult::Done : PortResult::TimedOut;
  }

  void LimitWaits(uint32_t milliseconds) override { WaitBoundMs = milliseconds; }

  static void ReattachAtExit() { ReattachUsbInterfacesAtOnce(); }

private:
  unsigned int Bounded(uint64_t total) const {
    if (WaitBoundMs != 0) total = std::min<uint64_t>(total, WaitBoundMs);
    return static_cast<unsigned int>(std::clamp<uint64_t>(total, 1, UINT32_MAX));
  }

  libusb_context* Context;
  libusb_device_handle* Handle;
  int Fd;
  PrinterInterface Interface;
  bool Detached;
  UsbDeviceTiming Timing;
  uint32_t WaitBoundMs = 0;
  std::vector<uint8_t> Held;  // bytes of the last transfer the caller has not taken yet
};

}  // namespace

std::string UsbDeviceNode(const std::string& devRoot, uint8_t bus, uint8_t address) {
  char tail[32];
  std::snprintf(tail, sizeof tail, "/bus/usb/%03u/%03u", unsigned{bus}, unsigned{address});
  return devRoot + tail;
}

std::string DeviceIdFromReply(const uint8_t* reply, size_t arrived) {
  if (arrived < DeviceIdLengthBytes) return {};
  const size_t announced = (size_t{reply[0]} << 8) | reply[1];
  const size_t end = std::min(announced, arrived);
  if (end <= DeviceIdLengthBytes) return {};
  std::string id(reinterpret_cast<const char*>(reply) + DeviceIdLengthBytes, end - DeviceIdLengthBytes);
  // A C string's end inside the reply ends the ID too.
  id.resize(std::min(id.size(), id.find('\0')));
  return id;
}

Outcome<std::vector<LibusbPrinter>> ListLibusbPrinters(const std::string& devRoot) {
  libusb_context* context = nullptr;
  if (const int result = libusb_init(&context); result != 0) return LibusbFailure("libusb", "cannot start", result);
  libusb_device** devices = nullptr;
  const ssize_t count = libusb_get_device_list(context, &devices);
  if (count < 0) {
    libusb_exit(context);
    return LibusbFailure("libusb", "cannot list the USB devices", static_cast<int>(count));
  }
  std::vector<LibusbPrinter> printers;
  for (ssize_t i = 0; i < count; ++i) {
    libusb_device* device = devices[i];
    const std::optional<PrinterInterface> interface = FindPrinterInterface(device);
    if (!interface) continue;
    LibusbPrinter printer;
    printer.Bus = libusb_get_bus_number(device);
    printer.Address = libusb_get_device_address(device);
    printer.Node = UsbDeviceNode(devRoot, printer.Bus, printer.Address);
    libusb_device_handle* handle = nullptr;
    printer.Readable = libusb_open(device, &handle) == 0;
    if (printer.Readable) {
      const std::optional<std::string> id = AskDeviceId(handle, *interface);
      printer.Readable = id.has_value();
      printer.DeviceId = id.value_or("");
      printer.Serial = SerialOf(handle, device);
      libusb_close(handle);
    }
    printers.push_back(printer);
  }
  libusb_free_device_list(devices, 1);
  libusb_exit(context);
  std::sort(printers.begin(), printers.end(), [](const LibusbPrinter& a, const LibusbPrinter& b) {
    return std::pair(a.Bus, a.Address) < std::pair(b.Bus, b.Address);
  });
  return printers;
}

Outcome<std::string> DeviceIdAt(const std::string& node) {
  const int fd = ::open(node.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return Failure{FailureKindOf(errno), node + ": " + std::strerror(errno)};
  libusb_context* context = nullptr;
  libusb_device_handle* handle = nullptr;
  Outcome<std::string> id = Failure{FailureKind::NotFound, node + ": no printer interface that answers"};
  if (const int result = libusb_init(&context); result != 0) {
    id = LibusbFailure(node, "cannot start libusb", result);
  } else if (const int wrapped = libusb_wrap_sys_device(context, fd, &handle); wrapped != 0) {
    id = LibusbFailure(node, "cannot open", wrapped);
  } else if (const std::optional<PrinterInterface> interface = FindPrinterInterface(libusb_get_device(handle))) {
    if (std::optional<std::string> asked = AskDeviceId(handle, *interface)) id = std::move(*asked);
  }
  if (handle != nullptr) libusb_close(handle);
  if (context != nullptr) libusb_exit(context);
  ::close(fd);
  return id;
}

Outcome<std::unique_ptr<PortDevice>> OpenLibusbPrinter(const std::string& node, const UsbDeviceTiming& timing) {
  static const bool reattachAtExit = std::atexit(LibusbPortDevice::ReattachAtExit) == 0;
  (void)reattachAtExit;
  const int fd = ::open(node.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return Failure{FailureKindOf(errno), node + ": " + std::strerror(errno)};
  // One program per printer, as on usblp's node.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    ::close(fd);
    if (error == EWOULDBLOCK) return Failure{FailureKind::InUse, std::string(PortInUseText) + " (" + node + ")"};
    return Failure{FailureKindOf(error), node + ": " + std::strerror(error)};
  }
  libusb_context* context = nullptr;
  libusb_device_handle* handle = nullptr;
  const auto fail = [&](const char* what, int error) -> Failure {
    if (handle != nullptr) libusb_close(handle);
    if (context != nullptr) libusb_exit(context);
    ::close(fd);
    return LibusbFailure(node, what, error);
  };
  if (const int result = libusb_init(&context); result != 0) return fail("cannot start libusb", result);
  if (const int result = libusb_wrap_sys_device(context, fd, &handle); result != 0) return fail("cannot open", result);
  const std::optional<PrinterInterface> interface = FindPrinterInterface(libusb_get_device(handle));
  if (!interface) return fail("no printer interface that answers", LIBUSB_ERROR_NOT_FOUND);
  const bool detached = libusb_kernel_driver_active(handle, interface->Number) == 1;
  if (detached) {
    if (const int result = libusb_detach_kernel_driver(handle, interface->Number); result != 0)
      return fail("cannot detach the kernel's driver", result);
  }
  const auto reattachAndFail = [&](const char* what, int error) {
    if (detached) libusb_attach_kernel_driver(handle, interface->Number);
    return fail(what, error);
  };
  if (const int result = libusb_claim_interface(handle, interface->Number); result != 0)
    return reattachAndFail("cannot claim the printer interface", result);
  if (interface->AlternateSetting != 0) {
    if (const int result = libusb_set_interface_alt_setting(handle, interface->Number, interface->AlternateSetting);
        result != 0) {
      libusb_release_interface(handle, interface->Number);
      return reattachAndFail("cannot choose the printer setting", result);
    }
  }
  return std::unique_ptr<PortDevice>(new LibusbPortDevice(context, handle, fd, *interface, detached, timing));
}

void ReattachUsbInterfacesAtOnce() {
  for (HeldInterface& held : HeldInterfaces) {
    const int fd = held.Fd.exchange(-1);
    if (fd >= 0) ReattachWithSystemCalls(fd, held.Number.load());
  }
}
