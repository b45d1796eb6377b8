#include "items/UpDown.h"

#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

UpDown::UpDown(QWidget* parent) : QWidget(parent), Up(new QToolButton(this)), Down(new QToolButton(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  for (QToolButton* arrow : {Up, Down}) {
    arrow->setAutoRepeat(true);
    arrow->setFixedSize(18, 12);
    layout->addWidget(arrow);
  }
  Up->setArrowType(Qt::UpArrow);
  Down->setArrowType(Qt::DownArrow);
  Up->setObjectName(objectName() + "Up");
  Down->setObjectName(objectName() + "Down");
  connect(Up, &QToolButton::clicked, this, [this] { Step(1); });
  connect(Down, &QToolButton::clicked, this, [this] { Step(-1); });
}

void UpDown::SetAssociate(QLineEdit* edit) { Associate = edit; }

void UpDown::SetRange(int minimum, int maximum) {
  Minimum = minimum;
  Maximum = maximum;
}

void UpDown::Step(int by) {
  if (Associate == nullptr) return;
  bool isNumber = false;
  const int present = Associate->text().toInt(&isNumber);
  // A field that holds no number steps from 0, as an arrow pair without a position would.
  const int next = std::clamp((isNumber ? present : 0) + by, Minimum, Maximum);
  Associate->setText(QString::number(next));
  emit Clicked();
}
