// What "Print A4 pattern" does: the two check pages, for any front-end.
#pragma once

#include "link/TPFactory.h"
#include "pattern/TPRaster.h"
#include "service/ItemView.h"
#include "service/RecordKeeping.h"
#include "service/TPA4check.h"

class A4CheckLogic {
public:
  A4CheckLogic(ItemView& view, TPFactory& factory, TPRaster& raster, TPA4check& pages)
      : View(view), Factory(factory), Raster(raster), Pages(pages) {}

  // Prints both pages and waits until the printer is ready; values that could not be read are listed in red.
  void PrintPages() {
    const PrintRecord record(View, "A4 check pattern");
    View.WriteText(wsBusy, "A4 pattern is printing now.");
    Raster.ResetPrinter();
    Factory.SendRemoteModeSequence(RemoteSnPatternPrint);
    const CheckPagesOutcome printed = Pages.PrintPages();
    if (printed.PrinterSilent) {
      // Waiting for a ready printer would end the program: say why the pages stopped instead.
      View.WriteText(wsError, PrinterSilentText);
      return;
    }
    View.WriteText(wsDone, "A4 pattern print is completed.");
    for (const std::string& sentence : printed.Unread) View.AddErrorText(sentence);
  }

private:
  ItemView& View;
  TPFactory& Factory;
  TPRaster& Raster;
  TPA4check& Pages;
};
