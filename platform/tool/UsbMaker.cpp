// arvana-usb-maker NODE: the maker a USB printer's IEEE 1284 device ID names, for the udev rule
// that gives the logged-in user the maker's printers also where usblp does not serve them
// (the device ID is then nowhere in sysfs). Prints "ARVANA_PRINTER_MFG=<maker>" for udev's
// IMPORT{program}, nothing for a device that gives no ID; exit status 1 when it cannot be asked.
#include "platform/DeviceId.h"
#include "platform/LibusbPrinters.h"

#include <algorithm>
#include <cctype>
#include <iostream>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: arvana-usb-maker /dev/bus/usb/BBB/DDD\n";
    return 2;
  }
  const Outcome<std::string> id = DeviceIdAt(argv[1]);
  if (!id) {
    std::cerr << "arvana-usb-maker: " << id.Fault().Message << "\n";
    return 1;
  }
  std::string maker = ParseDeviceId(*id).Maker;
  // udev takes the line as it stands: only what a maker's name is made of goes into it.
  maker.erase(std::remove_if(maker.begin(), maker.end(),
                             [](unsigned char c) { return !std::isalnum(c) && c != ' ' && c != '.' && c != '-'; }),
              maker.end());
  if (!maker.empty()) std::cout << "ARVANA_PRINTER_MFG=" << maker << "\n";
  return 0;
}
