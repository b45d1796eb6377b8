// The print language into the virtual printer's print engine and page renderer, in pieces of any size.
#include "fuzz/FuzzSupport.h"

#include <cstring>

#include "sim/mechanism/BidMechanics.h"
#include "sim/files/EepromImage.h"
#include "sim/files/PagePng.h"
#include "sim/files/PageStore.h"
#include "sim/mechanism/PrintHead.h"
#include "sim/engine/PrintInterpreter.h"

namespace {

// Row by row: QImage's own comparison of palette images goes pixel by pixel.
bool SamePixels(const QImage& decoded, const QImage& page) {
  if (decoded.format() != QImage::Format_Indexed8 || decoded.size() != page.size() ||
      decoded.colorTable() != page.colorTable())
    return false;
  const auto width = static_cast<size_t>(page.width());
  for (int y = 0; y < page.height(); ++y)
    if (std::memcmp(decoded.constScanLine(y), page.constScanLine(y), width) != 0) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzReader input(data, size);
  // The stored values the engine prints with, and a head with clogged nozzles, from the first bytes.
  EepromImage::Cells eeprom = EepromImage::FactoryImage();
  eeprom[0x2E] = input.Byte();  // top margin
  eeprom[0x39] = input.Byte();  // first dot position
  for (uint8_t cell = 0x33; cell <= 0x38; ++cell) eeprom[cell] = input.Byte();
  BidMechanics mechanics("");
  PrintHead head("", 0);
  const uint8_t seed = input.Byte();
  head.SetSeed(seed);
  head.ClogRandomNozzles(input.Byte() % 8);
  // One store for the whole run: the pages of earlier inputs give their sheet
  // memory to later ones (13 MB a sheet), which is all they share.
  static PageStore pages("");
  const size_t pagesBefore = pages.Pages().size();
  PrintInterpreter printer(eeprom, mechanics, pages, &head);
  while (!input.Empty()) {
    const std::vector<uint8_t> piece = input.Bytes(1 + input.Byte());
    printer.Add(piece.data(), piece.size());
  }
  printer.EndJob();
  FUZZ_CHECK(printer.Errors().size() <= PrintInterpreter::MaxErrors);
  // The last page's PNG file, written from its drawn rows only, is the page.
  // Reading a page back takes longer than printing it, so one input in eight
  // (chosen by a byte of the input, so the fuzzer can steer there) does it.
  if (pages.Pages().size() > pagesBefore && seed % 8 == 0) {
    const size_t last = pages.Pages().size() - 1;
    const QImage& page = pages.Pages()[last];
    std::vector<uint8_t> file;
    std::string reason;
    FUZZ_CHECK(PagePng::Encode(page, &pages.DrawnRowsOf(last), file, reason));
    QImage decoded;
    FUZZ_CHECK(decoded.loadFromData(file.data(), static_cast<int>(file.size()), "PNG"));
    FUZZ_CHECK(SamePixels(decoded, page));
  }
  return 0;
}
