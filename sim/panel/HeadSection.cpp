#include "sim/panel/HeadSection.h"

#include "sim/engine/PageGeometry.h"
#include "sim/mechanism/BidMechanics.h"
#include "sim/mechanism/PrintHead.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <string>

// The head's nozzles: one row per ink, nozzle 1 on the left; a clogged nozzle is a red gap.
class NozzleMap : public QWidget {
public:
  static constexpr int Cell = 6;
  static constexpr int NameWidth = 90;

  explicit NozzleMap(const PrintHead& head, QWidget* parent = nullptr)
      : QWidget(parent), Head(head), RowHeight(std::max(Cell + 4, fontMetrics().height())) {
    setFixedSize(NameWidth + static_cast<int>(PrintHead::NozzlesPerInk) * Cell + 1,
                 static_cast<int>(PrintHead::InkCount) * RowHeight);
    setToolTip(tr("Nozzles 1 to 48 of each ink from the left; red: clogged."));
  }

protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    int y = 0;
    for (const PageGeometry::InkInfo& info : PageGeometry::Inks) {
      painter.setPen(palette().color(QPalette::WindowText));
      painter.drawText(QRect(0, y, NameWidth - 6, RowHeight), Qt::AlignRight | Qt::AlignVCenter, info.Name);
      const QColor ink = QColor::fromRgb(info.Rgb);
      for (size_t n = 0; n < PrintHead::NozzlesPerInk; ++n) {
        // A clogged nozzle is a gap with a red mark, as its missing line on the page.
        const QRect cell(NameWidth + static_cast<int>(n) * Cell, y + (RowHeight - Cell) / 2, Cell - 1, Cell);
        if (Head.Clogged(info.Which, n)) {
          painter.fillRect(cell.adjusted(1, 1, -1, -1), Qt::red);
        } else {
          painter.fillRect(cell, ink);
        }
      }
      y += RowHeight;
    }
  }

private:
  const PrintHead& Head;
  const int RowHeight;
};

HeadSection::HeadSection(VirtualPrinter& printer, QWidget* parent)
    : QGroupBox(tr("Head and main board"), parent), Printer(printer) {
  auto* layout = new QVBoxLayout(this);
  Nozzles = new NozzleMap(Printer.Head());
  layout->addWidget(Nozzles);
  auto* nozzleRow = new QHBoxLayout;
  NozzleLabel = new QLabel;
  auto* clog = new QPushButton(tr("&Clog nozzles"));
  clog->setObjectName("ClogButton");
  clog->setToolTip(tr("Clogs %1 nozzles at random, for a lesson in head cleaning.").arg(PrintHead::TrainerClogs));
  connect(clog, &QPushButton::clicked, this, [this] {
    Printer.Head().ClogRandomNozzles(PrintHead::TrainerClogs);
    emit PrinterChanged();
  });
  nozzleRow->addWidget(NozzleLabel, 1);
  nozzleRow->addWidget(clog);
  layout->addLayout(nozzleRow);

  auto* offsets = new QGridLayout;
  for (size_t i = 0; i < OffsetBoxes.size(); ++i) {
    OffsetBoxes[i] = new QSpinBox;
    OffsetBoxes[i]->setRange(-BidMechanics::Limit, BidMechanics::Limit);
    OffsetBoxes[i]->setValue(Printer.TrueBidOffsets()[i]);
    const int row = static_cast<int>(i / 2);
    const int column = static_cast<int>(i % 2) * 2;
    offsets->addWidget(new QLabel(BidMechanics::Names[i]), row, column);
    offsets->addWidget(OffsetBoxes[i], row, column + 1);
  }
  layout->addWidget(new QLabel(tr("True Bi-D offsets of the head:")));
  layout->addLayout(offsets);
  auto* boardRow = new QHBoxLayout;
  auto* setOffsets = new QPushButton(tr("Set &offsets"));
  connect(setOffsets, &QPushButton::clicked, this, &HeadSection::SetBidOffsets);
  auto* replace = new QPushButton(tr("&Replace main board"));
  replace->setObjectName("ReplaceBoardButton");
  replace->setToolTip(tr("A new main board: every EEPROM cell FF; the printer restarts."));
  connect(replace, &QPushButton::clicked, this, [this] {
    Printer.ReplaceMainBoard();
    emit PrinterChanged();
  });
  boardRow->addWidget(setOffsets);
  boardRow->addWidget(replace);
  layout->addLayout(boardRow);
  OffsetLabel = new QLabel;
  OffsetLabel->setWordWrap(true);
  layout->addWidget(OffsetLabel);
}

void HeadSection::Show() {
  ShowBidOffsets();
  NozzleLabel->setText(tr("%1 nozzles clogged").arg(Printer.Head().CloggedCount()));
  Nozzles->update();
}

void HeadSection::SetBidOffsets() {
  BidMechanics::Offsets offsets{};
  for (size_t i = 0; i < OffsetBoxes.size(); ++i) offsets[i] = OffsetBoxes[i]->value();
  std::string reason;
  OffsetLabel->setText(Printer.SetTrueBidOffsets(offsets, &reason)
                           ? tr("The head now prints with these offsets.")
                           : QString::fromStdString("Not set: " + reason + "."));
}

void HeadSection::ShowBidOffsets() {
  // Offsets being edited stay as the trainer typed them until "Set offsets".
  for (const QSpinBox* box : OffsetBoxes)
    if (box->hasFocus()) return;
  for (size_t i = 0; i < OffsetBoxes.size(); ++i) OffsetBoxes[i]->setValue(Printer.TrueBidOffsets()[i]);
}
