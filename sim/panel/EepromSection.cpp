#include "sim/panel/EepromSection.h"

#include "sim/panel/PanelText.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

// The table shows the cells 16 to a row: row 0xR0, column 0xC is cell 0xRC.
constexpr int CellsPerRow = 16;

const QColor ChangedColour(255, 236, 150);
const QColor FlashColour(255, 140, 40);

}  // namespace

EepromSection::EepromSection(const VirtualPrinter& printer, QWidget* parent)
    : QWidget(parent),
      Printer(printer),
      EepromAtOpen(printer.Eeprom()),
      ShownEeprom(EepromAtOpen),
      SeenWrites(printer.EepromWriteCounts()) {
  FlashUntil.fill(-1);
  SinceOpen.start();

  EepromTable = new QTableWidget(CellsPerRow, CellsPerRow);
  EepromTable->setObjectName("EepromTable");
  EepromTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
  QStringList columns;
  QStringList rows;
  for (unsigned i = 0; i < CellsPerRow; ++i) {
    columns << QString::asprintf("%X", i);
    rows << Hex2(i * CellsPerRow);
  }
  EepromTable->setHorizontalHeaderLabels(columns);
  EepromTable->setVerticalHeaderLabels(rows);
  EepromTable->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  EepromTable->verticalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  EepromTable->setFont(FixedFont());
  for (int cell = 0; cell < static_cast<int>(EepromImage::Size); ++cell) {
    auto* item = new QTableWidgetItem(Hex2(ShownEeprom[cell]));
    item->setTextAlignment(Qt::AlignCenter);
    EepromTable->setItem(cell / CellsPerRow, cell % CellsPerRow, item);
  }
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(EepromTable);
  layout->addWidget(new QLabel(tr("Yellow: changed since the panel opened. Orange, flashing: just written.")));
}

void EepromSection::Show() {
  const EepromImage::Cells& cells = Printer.Eeprom();
  const auto& writes = Printer.EepromWriteCounts();
  const qint64 now = SinceOpen.elapsed();
  FlashPhase = !FlashPhase;
  for (size_t cell = 0; cell < EepromImage::Size; ++cell) {
    if (writes[cell] != SeenWrites[cell]) FlashUntil[cell] = now + FlashMs;
    SeenWrites[cell] = writes[cell];
    QTableWidgetItem* item = EepromTable->item(static_cast<int>(cell / CellsPerRow), static_cast<int>(cell % CellsPerRow));
    if (ShownEeprom[cell] != cells[cell]) item->setText(Hex2(cells[cell]));
    ShownEeprom[cell] = cells[cell];
    const uint8_t address = static_cast<uint8_t>(cell);
    QBrush background;
    if (CellFlashing(address) && FlashPhase) {
      background = FlashColour;
    } else if (CellChanged(address)) {
      background = ChangedColour;
    }
    if (item->background() != background) item->setBackground(background);
    QFont font = item->font();
    if (font.bold() != CellChanged(address)) {
      font.setBold(CellChanged(address));
      item->setFont(font);
    }
  }
}
