// The items' events as the service record keeps them, made the same for both front-ends: each
// item calls these from its logic, and what cannot be kept is a red line in the message area.
#pragma once

#include "service/ConfirmedWrites.h"
#include "service/ItemView.h"
#include "service/RecordEvent.h"
#include "service/UnfinishedWrite.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The items as the record names them, the same for the window and the command line.
constexpr const char* RecordedHeadId = "head ID";
constexpr const char* RecordedUsbId = "USB ID";
constexpr const char* RecordedCounter = "protection counter";
constexpr const char* RecordedTopMargin = "top margin";
constexpr const char* RecordedFirstDot = "first dot position";

// Appends `event` to the view's record. When it cannot be kept, a red line says why and, for an
// event that changed the printer, that the printer has been changed all the same.
void KeepEvent(ItemView& view, const RecordEvent& event);
// Starts the visit's part of the record now, before the printer is changed, so that its header
// names the printer as it was (its USB ID and head ID before a write of them).
void OpenRecordVisit(ItemView& view);

// A value read from the printer; `value` empty with the message shown when it could not be.
void RecordRead(ItemView& view, std::string_view item, const std::optional<std::string>& value,
                std::string_view message = {});
// Input the item refused before anything was sent, with the message shown.
void RecordRefused(ItemView& view, std::string_view item, std::string_view input, std::string_view message);

// How a write of cells ended, for its event.
struct WriteEnd {
  const char* Result = RecordDone;  // RecordDone, RecordFailed or RecordStopped
  std::string Message;              // the red message shown, empty when done
  size_t Sent = 0;                  // cells sent, in order
  std::vector<CellDifference> Differences{};  // cells read back holding something else
  bool ReadBack = true;             // whether the cells sent were read back
};
// A write of `cells` (with the values before where the note read them) for `item` = `value`.
void RecordWrite(ItemView& view, std::string_view item, std::string_view value, std::span<const NoteCell> cells,
                 const WriteEnd& end);

// A backup file saved ("saved") or written into the printer ("restored"), by its name alone (the
// folder may name the user); `problem` empty when it worked.
void RecordBackup(ItemView& view, std::string_view what, const std::string& path, const std::string& problem);

// The protection counter as a number, from the text TPMaintenance reads; empty when not read.
std::optional<int64_t> CounterNumber(const std::optional<std::string>& text);

// A print as the record keeps it: begun before the first band, kept when it goes out of scope
// (after the item's messages), with the virtual printer's page files printed meanwhile.
class PrintRecord {
public:
  PrintRecord(ItemView& view, std::string item);
  ~PrintRecord();
  PrintRecord(const PrintRecord&) = delete;
  PrintRecord& operator=(const PrintRecord&) = delete;

private:
  ItemView& View;
  std::string Item;
  int PageMark = 0;
};
