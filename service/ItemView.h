// How the logic of a service item reaches whoever shows it: the adjustment window for the
// panels, the terminal for the command line. Questions go through Dialogs, which both implement.
#pragma once

#include <string>

class ServiceRecord;

// The kinds of message of the message area.
enum class WriteStatusKind {
  wsPlain = 1,    // replace the text, black
  wsDone = 2,     // wait until the printer is ready, give the window back, replace the text
  wsBusy = 3,     // replace the text, blue, busy cursor, window disabled
  wsError = 4,    // replace the text, red, normal cursor
  wsAppend = 5,   // append on the same line
  wsNewLine = 6,  // add as a new line
};
// The kinds by their short names, as every item writes them.
using enum WriteStatusKind;

// The fields of "Adjusted items", where a value the printer now holds is shown.
enum class SummaryField {
  HeadId,
  MsBlack,
  MsColor,
  Black6pl,
  Color6pl,
  Black4pl,
  Color4pl,
  UsbId,
  ProtectionCounter,
  TopMargin,
  FirstDot,
};

class ItemView {
public:
  virtual ~ItemView() = default;

  // Writes a message; every line keeps its own colour: a new line starts black.
  virtual void WriteText(WriteStatusKind kind, const std::string& text) = 0;
  // Adds a red line below the present text, for what failed after something that worked.
  virtual void AddErrorText(const std::string& text) = 0;
  // The wait of wsDone without its text: polls until the printer is ready (true),
  // or reports "Printer is error." (false).
  virtual bool FinishBusy() = 0;
  // Asks for the status every 2 s until the printer is ready (true) or in error (false).
  virtual bool CheckPrinterReady() = 0;
  virtual void SetSummary(SummaryField field, const std::string& text) = 0;
  // The hourglass while the item works without a busy message.
  virtual void SetBusyCursor(bool busy) = 0;
  // The printer has been prepared for shipping: ending the session must not reset it.
  virtual void SetSkipResetOnClose() = 0;
  // Whether each line stands alone (a terminal, where every line starts with the program's name):
  // a message the message area breaks over two lines is then better given as one.
  virtual bool LinesStandAlone() const { return false; }
  // The printer's service record, where the items' events go; none for a front-end that keeps none.
  virtual ServiceRecord* Record() { return nullptr; }
  // A red line: an event could not be kept in the record. What the item did and said stands.
  virtual void AddRecordProblem(const std::string& text) { AddErrorText(text); }
};
