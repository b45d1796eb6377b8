// The adjustment window: the frame in which the technician chooses and runs the service items.
#pragma once

#include "status/StatusView.h"

#include <QColor>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <cstdint>

class ArvanaProgram;
class QTextEdit;
namespace Ui {
class TFormAdjust;
}

// The kinds of message of the message area.
enum WriteStatusKind {
  wsPlain = 1,    // replace the text, black
  wsDone = 2,     // wait until the printer is ready, give the window back, replace the text
  wsBusy = 3,     // replace the text, blue, busy cursor, window disabled
  wsError = 4,    // replace the text, red, normal cursor
  wsAppend = 5,   // append on the same line
  wsNewLine = 6,  // add as a new line
};

class TFormAdjust : public QWidget, public StatusView {
  Q_OBJECT

public:
  explicit TFormAdjust(ArvanaProgram& program);
  ~TFormAdjust() override;

  static const QStringList NormalItems;
  static const QStringList RestrictedItemList;

  void WriteStatus(WriteStatusKind kind, const QString& text);
  // Brings the item area back to its empty state.
  void ResetItemArea(bool keepText, bool resetBidCount);

  void SetModelName(const QString& name);
  // Puts the full item list into AdjustRdoGrp.
  void SetNormalItems();

  // StatusView.
  void ClearMessages() override;
  void ReplaceMessage(const std::string& text) override;
  void AddMessageLine(const std::string& text) override;
  void SetBusyCursor(bool busy) override;
  void EnterErrorMode() override;
  void EnterNormalMode() override;

  int32_t BidPrintCount = 1;
  bool SkipResetOnClose = false;
  bool RestrictedItems = false;

public slots:
  void AdjustRdoGrpClick(int index);
  void MentRdoGrpClick(int index);
  void A4patRdoBtnClick();
  void AdjustmentTabChange(int page);
  void AdjustRtnBtnClick();
  void GetStatusBtnClick();
  void DisableTimerTimer();

protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

private:
  void FormClose();
  void ShowPanel(const char* name);
  void ClearSummary();
  void ReplaceMemo(const QString& text, const QColor& color);
  void AppendMemo(const QString& text);

  ArvanaProgram& Program;
  Ui::TFormAdjust* Form;
  QTimer* DisableTimer;
  QColor MemoColor = Qt::black;
};
