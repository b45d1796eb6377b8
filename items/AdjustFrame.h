// The adjustment window as the service items see it: messages, the item area and the printer-ready check.
#pragma once

#include "service/ItemView.h"
#include "service/StatusView.h"

#include <QString>

#include <cstdint>

class QWidget;
namespace Ui {
class TFormAdjust;
}

class AdjustFrame : public StatusView, public ItemView {
public:
  using ItemView::SetBusyCursor;
  // Writes a message; repaints at once so it shows while the caller works on.
  // Every line keeps its own colour: a new line starts black.
  virtual void WriteStatus(WriteStatusKind kind, const QString& text) = 0;
  virtual void AddErrorLine(const QString& text) = 0;
  void WriteText(WriteStatusKind kind, const std::string& text) override {
    WriteStatus(kind, QString::fromStdString(text));
  }
  void AddErrorText(const std::string& text) override { AddErrorLine(QString::fromStdString(text)); }
  // Hides every item panel; clears the text unless `keepText`; sets the Bi-D print count to 1 when asked.
  virtual void ResetItemArea(bool keepText, bool resetBidCount) = 0;
  // Shows the empty item area.
  virtual void ShowCanvas() = 0;
  virtual void SetMessageAreaVisible(bool visible) = 0;
  // Which of two successive prints of the Bi-D page comes next (1 or 2).
  virtual int32_t& BidPrintCounter() = 0;
  // The window's controls, for the items that bind their panels.
  virtual Ui::TFormAdjust& Controls() = 0;
  virtual QWidget& Window() = 0;
};
