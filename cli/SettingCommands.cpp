// The commands that show or write one of the board's settings: head ID, USB ID, top margin,
// first dot position, and the initial values of a new board.
#include "cli/Commands.h"

#include "cli/CommandSupport.h"
#include "cli/StandardError.h"
#include "service/EepromSettingLogic.h"
#include "service/FirstDotLogic.h"
#include "service/HeadIdLogic.h"
#include "service/RecordKeeping.h"
#include "service/TopMarginLogic.h"
#include "service/UsbIdLogic.h"

#include <iostream>
#include <optional>

namespace {

int ShowHeadId(ServiceSession& session) {
  const std::optional<StoredHeadId> stored = session.HeadId.ReadHeadId();
  if (!stored) {
    SayError("The head ID could not be read.");
    RecordRead(session.View, RecordedHeadId, std::nullopt, "The head ID could not be read.");
    return ExitPrinterFailure;
  }
  RecordRead(session.View, RecordedHeadId, stored->Text, stored->Damaged ? DamagedHeadIdText : "");
  std::cout << stored->Text << std::endl;
  if (!stored->Damaged) return ExitDone;
  SayError(DamagedHeadIdText);
  return ExitPrinterFailure;
}

int ShowUsbId(ServiceSession& session) {
  std::string stored;
  switch (session.UsbId.ReadUsbId(stored)) {
    case TPDalUsbId::ReadResult::Valid:
      std::cout << stored << std::endl;
      RecordRead(session.View, RecordedUsbId, stored);
      return ExitDone;
    case TPDalUsbId::ReadResult::Damaged:
      std::cout << stored << std::endl;
      SayError(DamagedUsbIdText);
      RecordRead(session.View, RecordedUsbId, stored, DamagedUsbIdText);
      return ExitPrinterFailure;
    case TPDalUsbId::ReadResult::Invalid:
      SayError("Invalid USB ID");
      RecordRead(session.View, RecordedUsbId, std::nullopt, "Invalid USB ID");
      return ExitPrinterFailure;
    case TPDalUsbId::ReadResult::Unreadable:
      break;
  }
  SayError("The USB ID could not be read.");
  RecordRead(session.View, RecordedUsbId, std::nullopt, "The USB ID could not be read.");
  return ExitPrinterFailure;
}

int ShowTopMargin(ServiceSession& session, TopMarginLogic& logic) {
  const std::optional<int8_t> stored = logic.StoredValue();
  if (!stored) {
    SayError("The top margin could not be read.");
    return ExitPrinterFailure;
  }
  std::cout << TopMarginSettings[static_cast<size_t>(TopMarginLogic::ChoiceOf(*stored))].Sign[1] << std::endl;
  const bool outOfRange = logic.ReportOutOfRange(*stored);
  session.View.Flush();
  return outOfRange ? ExitPrinterFailure : ExitDone;
}

int ShowFirstDot(ServiceSession& session, FirstDotLogic& logic) {
  const std::optional<int> stored = logic.StoredValue();
  if (!stored) {
    SayError("The first dot position could not be read.");
    return ExitPrinterFailure;
  }
  std::cout << *stored << std::endl;
  const bool outOfRange = logic.ReportOutOfRange(*stored);
  session.View.Flush();
  return outOfRange ? ExitPrinterFailure : ExitDone;
}

}  // namespace

int RunHeadId(CommandContext& context) {
  ServiceSession& session = context.Session;
  const std::string& write = context.Options.Write;
  if (write.empty()) return ShowHeadId(session);
  HeadIdLogic logic(session.View, session.HeadId, session.Confirm, session.Guard);
  const bool accepted = logic.WriteHeadId(Upper(write));  // as the window's field takes it
  session.View.Flush();
  return accepted ? WriteOutcome(session.View) : ExitUsage;
}

int RunUsbId(CommandContext& context) {
  ServiceSession& session = context.Session;
  const std::string& write = context.Options.Write;
  if (write.empty()) return ShowUsbId(session);
  UsbIdLogic logic(session.View, session.UsbId, session.Confirm, session.Guard);
  const bool accepted = logic.WriteUsbId(write);
  session.View.Flush();
  return accepted ? WriteOutcome(session.View) : ExitUsage;
}

int RunTopMargin(CommandContext& context) {
  ServiceSession& session = context.Session;
  const std::string& write = context.Options.Write;
  TopMarginLogic logic(session.View, session.Comm, session.Factory, session.Raster, session.Boxes);
  if (write.empty()) return ShowTopMargin(session, logic);
  const std::optional<int> choice = write.size() == 1 ? TopMarginLogic::ChoiceOfSign(write[0]) : std::nullopt;
  if (!choice) return Refuse("The top margin is one of -, 0 and +.");
  logic.WriteChoice(*choice);
  session.View.Flush();
  return WriteOutcome(session.View);
}

int RunFirstDot(CommandContext& context) {
  ServiceSession& session = context.Session;
  const std::string& write = context.Options.Write;
  FirstDotLogic logic(session.View, session.Comm, session.Factory, session.Display, session, session.Boxes,
                      session.Time);
  if (write.empty()) return ShowFirstDot(session, logic);
  if (!logic.Write(write)) {
    session.View.Flush();
    return ExitUsage;
  }
  session.View.Flush();
  if (!session.View.ErrorShown() && session.Status.StatusCode != StatusReady) return ExitPrinterFailure;
  return WriteOutcome(session.View);
}

int RunInit(CommandContext& context) {
  ServiceSession& session = context.Session;
  EepromSettingLogic logic(session.View, session.Comm, session, session, session.Boxes, session.Time, session.Guard);
  logic.WriteInitialSetting();
  session.View.Flush();
  return WriteOutcome(session.View);
}
