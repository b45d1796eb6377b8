// The virtual printer as a USB printer: a configfs gadget with the printer function, bound to a device controller.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/Outcome.h"

// What the gadget tells the host about itself.
struct GadgetIdentity {
  std::string Manufacturer;  // the USB manufacturer string
  std::string Product;       // the USB product string
  std::string Serial;        // the USB serial number; empty for none
  std::string DeviceId;      // the IEEE 1284 device ID, as the host is to read it
};

// Where the system keeps what the gadget needs; tests point them into a folder of their own.
struct GadgetPaths {
  std::string Gadgets = "/sys/kernel/config/usb_gadget";     // configfs with libcomposite loaded
  std::string Controllers = "/sys/class/udc";                  // the device controllers
  std::string PrinterNodes = "/sys/class/usb_printer_gadget";  // the printer functions' nodes
  std::string Devices = "/dev";
};

// The USB identity of the virtual printer: the test vendor and product number that the shared
// vendor ID for open projects keeps free for testing, so that it never stands for a real product.
constexpr unsigned GadgetVendorId = 0x1209;
constexpr unsigned GadgetProductId = 0x0001;
// What the gadget's folder in configfs is called: the name, a dash and the controller's name,
// one virtual printer per controller.
constexpr const char* GadgetName = "arvana-printer";
std::string GadgetFolder(const std::string& controller);

// The device ID as the printer function must be given it: the function announces the ID's
// length without the two bytes of the length field itself and sends only that many bytes, so a
// host reading it as IEEE 1284 says loses the last two characters. Two blanks after the last
// field are what it loses; a host that reads the ID in full finds only blanks after the fields.
std::string PaddedDeviceId(const std::string& deviceId);

// Made, the gadget is bound and its device node is there; destroyed, it is unbound and removed.
class PrinterGadget {
public:
  // Builds the gadget and binds it to `controller`, or to the first controller there is when it
  // is empty. Fails with a message naming what is missing or refused (a gadget of ours already on
  // the controller); what was built is removed.
  static Outcome<std::unique_ptr<PrinterGadget>> Create(const GadgetIdentity& identity, const std::string& controller,
                                                        const GadgetPaths& paths = GadgetPaths());
  ~PrinterGadget();
  PrinterGadget(const PrinterGadget&) = delete;
  PrinterGadget& operator=(const PrinterGadget&) = delete;

  // The printer function's node that the virtual printer serves, e.g. /dev/g_printer0.
  const std::string& DeviceNode() const { return Node; }
  const std::string& Controller() const { return BoundTo; }
  // Unbinds the gadget from its controller: to the host the printer is unplugged.
  void Unbind();

private:
  explicit PrinterGadget(GadgetPaths paths) : Paths(std::move(paths)) {}
  Outcome<void> Build(const GadgetIdentity& identity, const std::string& controller);
  Outcome<void> Bind(const std::string& controller);
  // Undoes what Build made, in the reverse order; what is not there is passed over.
  void Remove();

  GadgetPaths Paths;
  std::string Root;  // the gadget's folder
  std::vector<std::string> Made;  // folders and links made, in order
  std::string BoundTo;
  std::string Node;
};
