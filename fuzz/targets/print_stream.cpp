// The print language into the virtual printer's print engine and page renderer, in pieces of any size.
#include "fuzz/FuzzSupport.h"
#include "sim/BidMechanics.h"
#include "sim/EepromImage.h"
#include "sim/PageStore.h"
#include "sim/PrintHead.h"
#include "sim/PrintInterpreter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzReader input(data, size);
  // The stored values the engine prints with, and a head with clogged nozzles, from the first bytes.
  EepromImage::Cells eeprom = EepromImage::FactoryImage();
  eeprom[0x2E] = input.Byte();  // top margin
  eeprom[0x39] = input.Byte();  // first dot position
  for (uint8_t cell = 0x33; cell <= 0x38; ++cell) eeprom[cell] = input.Byte();
  BidMechanics mechanics("");
  PrintHead head("", 0);
  head.SetSeed(input.Byte());
  head.ClogRandomNozzles(input.Byte() % 8);
  PageStore pages("");
  PrintInterpreter printer(eeprom, mechanics, pages, &head);
  while (!input.Empty()) {
    const std::vector<uint8_t> piece = input.Bytes(1 + input.Byte());
    printer.Add(piece.data(), piece.size());
  }
  printer.EndJob();
  FUZZ_CHECK(printer.Errors().size() <= PrintInterpreter::MaxErrors);
  return 0;
}
