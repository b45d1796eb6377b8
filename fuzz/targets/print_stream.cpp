// The print language into the virtual printer's print engine and page renderer, in pieces of any size.
#include "fuzz/FuzzSupport.h"
#include "sim/BidMechanics.h"
#include "sim/EepromImage.h"
#include "sim/PagePng.h"
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
  // The last page's PNG file, from its drawn rows and from every row, is the page.
  if (!pages.Pages().empty()) {
    const QImage& page = pages.Pages().back();
    const QImage expected = page.convertToFormat(QImage::Format_RGB32);
    for (const std::vector<uint8_t>* drawn : {&pages.DrawnRowsOf(pages.Pages().size() - 1),
                                              static_cast<const std::vector<uint8_t>*>(nullptr)}) {
      std::vector<uint8_t> file;
      std::string reason;
      FUZZ_CHECK(PagePng::Encode(page, drawn, file, reason));
      QImage decoded;
      FUZZ_CHECK(decoded.loadFromData(file.data(), static_cast<int>(file.size()), "PNG"));
      FUZZ_CHECK(decoded.convertToFormat(QImage::Format_RGB32) == expected);
    }
  }
  return 0;
}
