// The printer's own routines: the protection counter, head cleaning, ink charge and the check prints.
#include "cli/Commands.h"

#include "cli/CommandSupport.h"
#include "cli/StandardError.h"
#include "service/A4CheckLogic.h"
#include "service/BidLogic.h"
#include "service/MaintenanceLogic.h"
#include "service/RecordKeeping.h"
#include "service/TopMarginLogic.h"

#include <iostream>

namespace {

int RunMaintenance(ServiceSession& session, void (MaintenanceLogic::*routine)()) {
  MaintenanceLogic logic(session.View, session.Factory, session.Maintenance, session.Boxes);
  (logic.*routine)();
  session.View.Flush();
  return session.View.ErrorShown() ? ExitPrinterFailure : ExitDone;
}

}  // namespace

int RunCounter(CommandContext& context) {
  ServiceSession& session = context.Session;
  if (!context.Options.Clear) {
    const std::optional<std::string> counter = session.Maintenance.ReadProtectionCounter();
    if (!counter) {
      SayError("The protection counter could not be read.");
      RecordRead(session.View, RecordedCounter, std::nullopt, "The protection counter could not be read.");
      return ExitPrinterFailure;
    }
    std::cout << *counter << std::endl;
    RecordRead(session.View, RecordedCounter, counter);
    return ExitDone;
  }
  MaintenanceLogic logic(session.View, session.Factory, session.Maintenance, session.Boxes);
  const bool tried = logic.ClearCounter();
  session.View.Flush();
  if (!tried) return context.Questions.Refused() ? ExitUsage : ExitDone;
  return WriteOutcome(session.View);
}

int RunClean(CommandContext& context) { return RunMaintenance(context.Session, &MaintenanceLogic::CleanHead); }

int RunCharge(CommandContext& context) { return RunMaintenance(context.Session, &MaintenanceLogic::ChargeInk); }

int RunPrint(CommandContext& context) {
  ServiceSession& session = context.Session;
  // Printing pauses for every reply it waits for: the line follows the patterns begun against
  // those the pages hold, while the pages go out (the wait for the printer to finish them has its
  // own line, and the end none).
  const std::string& what = context.Options.What;
  const size_t patterns = what == "check" ? TPA4check::PatternsOnPages() : what == "bid" ? TPBid::PatternsOnPage : 1;
  const size_t begunBefore = session.Raster.PatternsBegun();
  context.Time.OnPause = [&session, patterns, begunBefore] {
    if (session.View.Busy())
      session.View.Progress("printing", session.Raster.PatternsBegun() - begunBefore, patterns, "patterns");
  };
  if (what == "check") {
    A4CheckLogic(session.View, session.Factory, session.Raster, session.A4check).PrintPages();
  } else if (what == "bid") {
    BidLogic(session.View, session.Bid, session.Raster, session.Confirm, session.Guard).PrintPage(1);
    session.Comm.FlushData();  // the page's form feed waits in the queue for the next data: there is none
  } else {
    TopMarginLogic(session.View, session.Comm, session.Factory, session.Raster, session.Boxes).PrintLine();
  }
  context.Time.OnPause = nullptr;
  session.View.Flush();
  return session.View.PrinterInError() || session.View.ErrorShown() ? ExitPrinterFailure : ExitDone;
}
