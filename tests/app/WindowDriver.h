// The technician's hands on the program's windows: the start window's choices, the adjustment
// window's lists, buttons and fields, and what its message area and "Adjusted items" show.
#pragma once

#include "app/ArvanaProgram.h"
#include "app/TFormAdjust.h"
#include "app/TFormBoot.h"
#include "items/RadioGroup.h"

#include <QAbstractButton>
#include <QColor>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextEdit>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

class WindowDriver {
public:
  // `program` is asked on every use: a test may start the program afresh.
  explicit WindowDriver(std::function<ArvanaProgram&()> program) : Driven(std::move(program)) {}

  // The child `name` of `window`; a test failure when there is none.
  template <typename T>
  static T* Find(QWidget& window, const char* name) {
    T* child = window.findChild<T*>(name);
    EXPECT_NE(child, nullptr) << name;
    return child;
  }
  template <typename T = QWidget>
  T* BootChild(const char* name) {
    return Find<T>(Driven().Boot(), name);
  }
  template <typename T = QWidget>
  T* AdjustChild(const char* name) {
    return Find<T>(Driven().Adjust(), name);
  }
  QComboBox* ModelCombo() { return BootChild<QComboBox>("ModelNameCombo"); }
  QComboBox* PortCombo() { return BootChild<QComboBox>("UsePortCombo"); }

  // Chooses model and interface by their texts and presses OK.
  void Connect(const QString& model, const QString& port) {
    ModelCombo()->setCurrentIndex(ModelCombo()->findText(model));
    PortCombo()->setCurrentIndex(PortCombo()->findText(port));
    BootChild<QAbstractButton>("PortSelectOKBtn")->click();
  }

  void Click(const char* button) { AdjustChild<QAbstractButton>(button)->click(); }
  // Clicks row `row` of the radio group `list`.
  void Row(const char* list, int row) { AdjustChild<RadioGroup>(list)->Button(row)->click(); }
  // An item of the "Adjustment" page, and one of the "Maintenance" page (which is shown first).
  void Adjust(int row) { Row("AdjustRdoGrp", row); }
  void Maintenance(int row) {
    AdjustChild<QTabWidget>("AdjustmentTab")->setCurrentIndex(1);
    Row("MentRdoGrp", row);
  }
  void Type(const char* edit, const QString& text) { AdjustChild<QLineEdit>(edit)->setText(text); }

  QString Memo() { return AdjustChild<QTextEdit>("StatusMemo")->toPlainText(); }
  // The colour of each line of the message area.
  std::vector<QColor> MemoColours() {
    std::vector<QColor> colours;
    for (QTextBlock block = AdjustChild<QTextEdit>("StatusMemo")->document()->begin(); block.isValid();
         block = block.next()) {
      colours.push_back(block.begin().fragment().charFormat().foreground().color());
    }
    return colours;
  }
  // A field of "Adjusted items".
  QString Summary(const char* field) { return AdjustChild<QLabel>(field)->text(); }
  bool Visible(const char* name) { return AdjustChild<QWidget>(name)->isVisible(); }
  // The item panels of the adjustment window that are visible.
  std::vector<std::string> VisiblePanels() {
    std::vector<std::string> names;
    for (QWidget* child : Driven().Adjust().findChildren<QWidget*>()) {
      const QString name = child->objectName();
      if (name.endsWith("Pnl") && child->isVisible() && name != "ReturnPnl" && name != "AdjustedItemPnl" &&
          !name.startsWith("Show"))
        names.push_back(name.toStdString());
    }
    return names;
  }

private:
  std::function<ArvanaProgram&()> Driven;
};
