// A pair of arrows bound to an edit field: each click steps the number in the field by one within a range.
#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

class UpDown : public QWidget {
  Q_OBJECT

public:
  explicit UpDown(QWidget* parent = nullptr);

  void SetAssociate(QLineEdit* edit);
  void SetRange(int minimum, int maximum);

  QToolButton* UpButton() const { return Up; }
  QToolButton* DownButton() const { return Down; }

signals:
  // An arrow was clicked; the field already shows the new number.
  void Clicked();

private:
  void Step(int by);

  QToolButton* Up;
  QToolButton* Down;
  QLineEdit* Associate = nullptr;
  int Minimum = 0;
  int Maximum = 100;
};
