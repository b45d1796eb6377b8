// A captioned list of radio buttons with one index, the way the windows offer their item lists.
#pragma once

#include <QButtonGroup>
#include <QGroupBox>
#include <QStringList>

class QVBoxLayout;

class RadioGroup : public QGroupBox {
  Q_OBJECT

public:
  explicit RadioGroup(QWidget* parent = nullptr);

  // Replaces the items; none is chosen afterwards.
  void SetItems(const QStringList& items);
  QStringList Items() const;
  int Count() const;

  // The chosen row, or -1.
  int ItemIndex() const;
  // Chooses `index` without emitting Clicked; -1 clears the choice.
  void SetItemIndex(int index);

  // The button of row `index`, for tests and keyboard focus.
  QAbstractButton* Button(int index) const;

signals:
  // The technician chose row `index`.
  void Clicked(int index);

private:
  QButtonGroup* Group;
  QVBoxLayout* Rows;
};
