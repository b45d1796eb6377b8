#include "sim/panel/WireSection.h"

#include "sim/panel/PanelText.h"

#include <algorithm>
#include <string>
#include <vector>

WireSection::WireSection(const VirtualPrinter& printer, QWidget* parent) : QPlainTextEdit(parent), Printer(printer) {
  setObjectName("Wire");
  setReadOnly(true);
  setMaximumBlockCount(WireLines);
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setFont(FixedFont());
}

void WireSection::Show() {
  // The printer keeps only its latest records: WireRecordsShown counts all records ever, and
  // record i of Capture() is record CaptureDropped() + i of all.
  const std::vector<CaptureRecord>& records = Printer.Capture();
  const size_t dropped = Printer.CaptureDropped();
  const size_t total = dropped + records.size();
  if (total == WireRecordsShown) return;
  // Every record still kept passes the decoder (it follows the remote mode); only the last lines are shown.
  const size_t firstNew = std::max(WireRecordsShown, dropped);
  const size_t firstShown = total - std::min<size_t>(total - firstNew, WireLines);
  QStringList lines;
  if (firstNew > WireRecordsShown)
    lines << tr("... %1 blocks no longer kept ...").arg(static_cast<qulonglong>(firstNew - WireRecordsShown));
  for (size_t i = firstNew; i < total; ++i) {
    std::string line = WireDecoder.DescribeLine(records[i - dropped]);
    if (i >= firstShown) lines << QString::fromStdString(line);
  }
  WireRecordsShown = total;
  appendPlainText(lines.join('\n'));
}
