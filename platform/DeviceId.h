// IEEE 1284 device IDs, the text a printer gives to say who it is:
//   "MFG:VELOR;CMD:ESCPL2,D4;MDL:Print 360;CLS:PRINTER;DES:Arvana Print 360;"
// `key:value` fields ended by ';', in any order, each key in its short or long form and in any
// letter case; blanks around keys and values do not count. The one reader of them in the program.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The printer model a device ID names.
enum class PrinterModel : uint8_t {
  Unknown,  // no ID, another maker's printer, or a model this program does not know
  Print350,
  Print360,
};

// The fields the program reads; each empty when the ID has no such field.
struct DeviceIdFields {
  std::string Maker;        // MFG / MANUFACTURER
  std::string Model;        // MDL / MODEL
  std::string CommandSet;   // CMD / COMMAND SET
  std::string Class;        // CLS / CLASS
  std::string Description;  // DES / DESCRIPTION
};

// The fields of `deviceId`; the first of two fields with the same key counts, a field without
// a colon is passed over. Never fails: a text that is no device ID has no fields.
DeviceIdFields ParseDeviceId(std::string_view deviceId);

// Whether the maker is ours, "VELOR" in any letter case.
bool NamesOurMaker(const DeviceIdFields& fields);

// The model of one of our printers: MDL "Print 350" or "Print 360", with or without "Arvana "
// before it, in any letter case. Unknown for another maker's printer and any other model.
PrinterModel ModelNamed(const DeviceIdFields& fields);
