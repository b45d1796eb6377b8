// The front panel's wire: the blocks between host and printer, decoded, the latest at the bottom.
#pragma once

#include <QPlainTextEdit>

#include <cstddef>

#include "sim/VirtualPrinter.h"
#include "sim/wire/CaptureDecoder.h"

class WireSection : public QPlainTextEdit {
  Q_OBJECT

public:
  // Lines of the decoded wire kept on screen.
  static constexpr int WireLines = 400;

  explicit WireSection(const VirtualPrinter& printer, QWidget* parent = nullptr);

  // Adds the blocks captured since the last call.
  void Show();

private:
  const VirtualPrinter& Printer;
  CaptureDecoder WireDecoder;
  size_t WireRecordsShown = 0;
};
