#include "items/FirstDotItem.h"

#include "ui_DalAdjust.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

constexpr int StepPoints = 4;
// The gauges span the whole range: half of it left of the middle, half right.
constexpr double GaugeSpan = 145.0;
constexpr int GaugeHalf = 50;
constexpr float MillimetresPerPoint = 0.0088194f;  // 1/2880 inch

const QString UnreadValue = UnreadFirstDotText;

// Pictures of the five buttons: arrows to a side, arrows to an edge, and a centre mark.
QIcon ArrowIcon(int direction, bool toEdge) {
  QPixmap picture(24, 20);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(40, 60, 140));
  QPainterPath arrow;
  const int tip = direction > 0 ? 18 : 6;
  const int back = direction > 0 ? 8 : 16;
  arrow.moveTo(tip, 10);
  arrow.lineTo(back, 3);
  arrow.lineTo(back, 17);
  arrow.closeSubpath();
  painter.drawPath(arrow);
  if (toEdge) painter.drawRect(direction > 0 ? 19 : 3, 3, 2, 14);
  return QIcon(picture);
}

QIcon CentreIcon() {
  QPixmap picture(24, 20);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setPen(QPen(QColor(40, 60, 140), 2));
  painter.drawLine(12, 2, 12, 18);
  painter.drawLine(5, 10, 19, 10);
  return QIcon(picture);
}

}  // namespace

FirstDotItem::FirstDotItem(AdjustFrame& frame, TPDalD4Comm& comm, TPFactory& factory, StatusDisplay& display,
                           const PortChoice& port, Dialogs& dialogs, Clock& clock)
    : Frame(frame), Logic(frame, comm, factory, display, port, dialogs, clock) {
  Ui::TFormAdjust& ui = Frame.Controls();
  ui.LandMarginUpDown->SetAssociate(ui.LandMarginEdit);
  ui.LandMarginUpDown->SetRange(-FirstDotLimit, FirstDotLimit);
  ui.SteptoLeftBitBtn->setIcon(ArrowIcon(-1, false));
  ui.SteptoRightBitBtn->setIcon(ArrowIcon(1, false));
  ui.GotoLeftEdgeBitBtn->setIcon(ArrowIcon(-1, true));
  ui.GotoRightEdgeBitBtn->setIcon(ArrowIcon(1, true));
  ui.CenteringBitBtn->setIcon(CentreIcon());
  connect(ui.SteptoLeftBitBtn, &QToolButton::clicked, this, &FirstDotItem::SteptoLeftBitBtnClick);
  connect(ui.SteptoRightBitBtn, &QToolButton::clicked, this, &FirstDotItem::SteptoRightBitBtnClick);
  connect(ui.GotoLeftEdgeBitBtn, &QToolButton::clicked, this, &FirstDotItem::GotoLeftEdgeBitBtnClick);
  connect(ui.GotoRightEdgeBitBtn, &QToolButton::clicked, this, &FirstDotItem::GotoRightEdgeBitBtnClick);
  connect(ui.CenteringBitBtn, &QToolButton::clicked, this, &FirstDotItem::CenteringBitBtnClick);
  connect(ui.LandMarginUpDown, &UpDown::Clicked, this, &FirstDotItem::LandMarginUpDownClick);
  connect(ui.LandMarginWriteBtn, &QPushButton::clicked, this, &FirstDotItem::LandMarginWriteBtnClick);
}

int FirstDotItem::EditValue() const { return Frame.Controls().LandMarginEdit->text().toInt(); }

void FirstDotItem::ShowGaugesAndMillimetres(double value, int percent) {
  Ui::TFormAdjust& ui = Frame.Controls();
  ui.LeftMarginGauge->setValue(percent + GaugeHalf);
  ui.RightMarginGauge->setValue(100 - ui.LeftMarginGauge->value());
  const float millimetres = MillimetresPerPoint * static_cast<float>(value);
  ui.LandMarginRealValuePnl->setText(QString::number(millimetres, 'f', 4) + " mm");
}

void FirstDotItem::SetFirstDotPosition(int value) {
  value = std::clamp(value, -FirstDotLimit, FirstDotLimit);
  Frame.Controls().LandMarginEdit->setText(QString::number(value));
  int percent = static_cast<int>(std::trunc(value / GaugeSpan * 100.0));
  if (value >= FirstDotLimit) percent = GaugeHalf;
  if (value <= -FirstDotLimit) percent = -GaugeHalf;
  ShowGaugesAndMillimetres(value, percent);
}

void FirstDotItem::ShowStoredValue() {
  const std::optional<int> stored = Logic.StoredValue();
  if (!stored) {
    // No number stands in the field until the technician chooses one with the buttons.
    Ui::TFormAdjust& ui = Frame.Controls();
    ShowGaugesAndMillimetres(0, 0);
    ui.LandMarginEdit->setText(UnreadValue);
    ui.LandMarginRealValuePnl->setText(UnreadValue + " mm");
    Logic.ReportUnreadValue();
    return;
  }
  SetFirstDotPosition(*stored);
  // A value beyond the range shows as stored; gauges and millimetres show the limit.
  Frame.Controls().LandMarginEdit->setText(QString::number(*stored));
  Logic.ReportOutOfRange(*stored);
}

void FirstDotItem::SteptoLeftBitBtnClick() { SetFirstDotPosition(EditValue() - StepPoints); }
void FirstDotItem::SteptoRightBitBtnClick() { SetFirstDotPosition(EditValue() + StepPoints); }
void FirstDotItem::GotoLeftEdgeBitBtnClick() { SetFirstDotPosition(-FirstDotLimit); }
void FirstDotItem::GotoRightEdgeBitBtnClick() { SetFirstDotPosition(FirstDotLimit); }
void FirstDotItem::CenteringBitBtnClick() { SetFirstDotPosition(0); }

void FirstDotItem::LandMarginUpDownClick() {
  const double value = Frame.Controls().LandMarginEdit->text().toDouble();
  int percent = static_cast<int>(std::trunc(value / GaugeSpan * 100.0));
  if (value == FirstDotLimit) percent = GaugeHalf;
  if (value == -FirstDotLimit) percent = -GaugeHalf;
  ShowGaugesAndMillimetres(value, percent);
}

void FirstDotItem::LandMarginWriteBtnClick() {
  Frame.ClearMessages();
  Logic.Write(Frame.Controls().LandMarginEdit->text().toStdString());
}
