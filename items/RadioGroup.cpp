#include "items/RadioGroup.h"

#include <QRadioButton>
#include <QVBoxLayout>

RadioGroup::RadioGroup(QWidget* parent) : QGroupBox(parent), Group(new QButtonGroup(this)), Rows(new QVBoxLayout(this)) {
  Rows->setSpacing(6);
  Rows->addStretch(1);
  connect(Group, &QButtonGroup::idClicked, this, &RadioGroup::Clicked);
}

void RadioGroup::SetItems(const QStringList& items) {
  for (QAbstractButton* button : Group->buttons()) {
    Group->removeButton(button);
    delete button;
  }
  for (int row = 0; row < items.size(); ++row) {
    auto* button = new QRadioButton(items[row], this);
    button->setObjectName(objectName() + QString::number(row));
    Group->addButton(button, row);
    Rows->insertWidget(row, button);
  }
}

QStringList RadioGroup::Items() const {
  QStringList items;
  for (int row = 0; row < Count(); ++row) items << Button(row)->text();
  return items;
}

int RadioGroup::Count() const { return static_cast<int>(Group->buttons().size()); }

int RadioGroup::ItemIndex() const { return Group->checkedId(); }

void RadioGroup::SetItemIndex(int index) {
  if (index >= 0 && index < Count()) {
    Button(index)->setChecked(true);
    return;
  }
  // An exclusive group keeps one button checked; lift that for the moment of clearing.
  Group->setExclusive(false);
  for (QAbstractButton* button : Group->buttons()) button->setChecked(false);
  Group->setExclusive(true);
}

QAbstractButton* RadioGroup::Button(int index) const { return Group->button(index); }
