// One line of a printer's service record: what an item did, and the values that say how. Each
// line is one JSON object, `{"time": "2026-12-10T09:14:03", "event": KIND, ...}`, written by
// hand here so that the record needs nothing above this layer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The kinds of event, and what each carries besides its time (a value the printer did not give is null):
constexpr const char* RecordVisitKind = "visit";          // program, front-end, port, model, usb-id, head-id
constexpr const char* RecordReadKind = "read";            // item, value, message (when it could not be read)
constexpr const char* RecordWriteKind = "write";          // item, value, result, message, cells
constexpr const char* RecordRefusedKind = "refused";      // item, input, message
constexpr const char* RecordMaintenanceKind = "maintenance";  // item, result, counter-before, counter-after
constexpr const char* RecordCounterClearedKind = "counter-cleared";  // result, message, counter-before, counter-after
constexpr const char* RecordBackupKind = "backup";        // item ("saved", "restored"), file, result, message
constexpr const char* RecordPrintedKind = "printed";      // item, pages (the virtual printer's page files)
constexpr const char* RecordScanKind = "scan";            // item, file, sections or colours
// The results of a write or a sequence.
constexpr const char* RecordDone = "done";      // the printer holds every cell (read back), or finished the sequence
constexpr const char* RecordFailed = "failed";  // see the message
constexpr const char* RecordStopped = "stopped";  // a signal stopped it between two cells

// Members of a JSON object, in the order they are added.
class RecordObject {
public:
  RecordObject& Text(std::string_view name, std::string_view value);
  RecordObject& Number(std::string_view name, int64_t value);
  RecordObject& Decimal(std::string_view name, double value);
  // A value the printer did not give or the program could not tell: null.
  RecordObject& Unknown(std::string_view name);
  RecordObject& MaybeNumber(std::string_view name, const std::optional<int64_t>& value);
  RecordObject& MaybeText(std::string_view name, const std::optional<std::string>& value);
  RecordObject& Texts(std::string_view name, const std::vector<std::string>& values);
  RecordObject& Numbers(std::string_view name, const std::vector<int>& values);
  RecordObject& Objects(std::string_view name, const std::vector<RecordObject>& values);

  // `{...}` on one line.
  std::string Json() const;

private:
  void Name(std::string_view name);
  std::string Members;
};

class RecordEvent {
public:
  // `changesPrinter`: the event tells of something done to the printer (a write, a sequence, a
  // page), not only read from it; a record that cannot keep it says the printer was changed all the same.
  RecordEvent(std::string_view kind, bool changesPrinter) : KindName(kind), Changing(changesPrinter) {}

  RecordObject& Values() { return Fields; }
  const std::string& Kind() const { return KindName; }
  bool ChangesPrinter() const { return Changing; }
  void SetChangesPrinter(bool changes) { Changing = changes; }
  // The event as one line of the record, with its end of line: time and kind first.
  std::string Line(std::string_view time) const;

private:
  std::string KindName;
  bool Changing;
  RecordObject Fields;
};

// `text` as a JSON string, quotes included; bytes that are not UTF-8 become U+FFFD.
std::string JsonString(std::string_view text);
