// The adjustment window as the service items see it: messages, the item area and the printer-ready check.
#pragma once

#include "service/StatusView.h"

#include <QString>

#include <cstdint>

class QWidget;
namespace Ui {
class TFormAdjust;
}

// The kinds of message of the message area.
enum WriteStatusKind {
  wsPlain = 1,    // replace the text, black
  wsDone = 2,     // wait until the printer is ready, give the window back, replace the text
  wsBusy = 3,     // replace the text, blue, busy cursor, window disabled
  wsError = 4,    // replace the text, red, normal cursor
  wsAppend = 5,   // append on the same line
  wsNewLine = 6,  // add as a new line
};

class AdjustFrame : public StatusView {
public:
  // Writes a message; repaints at once so it shows while the caller works on.
  // Every line keeps its own colour: a new line starts black.
  virtual void WriteStatus(WriteStatusKind kind, const QString& text) = 0;
  // The wait of wsDone without its text: polls until the printer is ready and
  // gives the window back (true), or writes "Printer is error." (false).
  virtual bool FinishBusy() = 0;
  // Adds a red line below the present text, for what failed after something that worked.
  virtual void AddErrorLine(const QString& text) = 0;
  // Hides every item panel; clears the text unless `keepText`; sets the Bi-D print count to 1 when asked.
  virtual void ResetItemArea(bool keepText, bool resetBidCount) = 0;
  // Asks for the status every 2 s until the printer is ready (true) or in error (false).
  virtual bool CheckPrinterReady() = 0;
  // Shows the empty item area.
  virtual void ShowCanvas() = 0;
  virtual void SetMessageAreaVisible(bool visible) = 0;
  // After the printer has been prepared for switching off, closing the window must not reset it.
  virtual void SetSkipResetOnClose() = 0;
  // Which of two successive prints of the Bi-D page comes next (1 or 2).
  virtual int32_t& BidPrintCounter() = 0;
  // The window's controls, for the items that bind their panels.
  virtual Ui::TFormAdjust& Controls() = 0;
  virtual QWidget& Window() = 0;
};
