// USB printers reached through libusb, for machines where the kernel's usblp driver does not serve them.
#pragma once

#include "platform/LinuxPortDevice.h"
#include "platform/Outcome.h"
#include "platform/PortDevice.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A printer-class interface that speaks both ways (class 7, protocol 2), as libusb finds it.
struct LibusbPrinter {
  std::string Node;  // the USB device's node, /dev/bus/usb/BBB/DDD: what OpenLibusbPrinter opens
  uint8_t Bus = 0;
  uint8_t Address = 0;
  bool Readable = true;    // false when the device could not be asked for its device ID
  std::string DeviceId{};  // from the class request GET_DEVICE_ID
  std::string Serial{};    // the USB serial number; empty when the printer gives none
};

// Where a USB device's node lives: /dev/bus/usb/BBB/DDD under `devRoot`.
std::string UsbDeviceNode(const std::string& devRoot, uint8_t bus, uint8_t address);

// The device ID in a GET_DEVICE_ID reply of which `arrived` bytes came: a length field of two
// bytes, high byte first, that counts itself (IEEE 1284), then the ID. A length beyond what
// arrived is clamped to it, so that a printer whose length is off by two still gives its ID.
std::string DeviceIdFromReply(const uint8_t* reply, size_t arrived);

// Every USB printer interface that speaks both ways, in ascending bus and address, each with its
// device ID and serial. Fails when libusb cannot be started or cannot list the devices.
Outcome<std::vector<LibusbPrinter>> ListLibusbPrinters(const std::string& devRoot);

// The device ID of the printer interface of the USB device at `node`, asked for without taking
// the interface from its driver (the kernel lets GET_DEVICE_ID through to a printer interface).
Outcome<std::string> DeviceIdAt(const std::string& node);

// Opens the printer interface of the USB device at `node`: a kernel driver bound to it is
// detached while the program holds the interface and attached again when the device is closed,
// when the program ends (exit, forced end) and when a second signal ends it at once.
Outcome<std::unique_ptr<PortDevice>> OpenLibusbPrinter(const std::string& node,
                                                       const UsbDeviceTiming& timing = UsbDeviceTiming());

// Gives the interfaces held back to their kernel drivers at once, with system calls only: for
// the end of the program from a signal handler.
void ReattachUsbInterfacesAtOnce();
