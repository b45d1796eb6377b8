#include "sim/files/PrinterFolder.h"

#include "platform/ManualPage.h"

#include <string>

void ListPrinterFolder(ManualPage& page) {
  page.Indent();
  for (const PrinterFolder::File& file : PrinterFolder::Files)
    page.Entry(ManualWords().Italic(std::string("DIR/") + file.Name), file.Keeps);
  page.Outdent();
}
