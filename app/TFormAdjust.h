// The adjustment window: the frame in which the technician chooses and runs the service items.
#pragma once

#include "items/AdjustFrame.h"
#include "service/PrinterSession.h"

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

class TFormAdjust : public QWidget, public AdjustFrame {
  Q_OBJECT

public:
  explicit TFormAdjust(ArvanaProgram& program);
  ~TFormAdjust() override;

  static const QStringList NormalItems;
  static const QStringList RestrictedItemList;

  // AdjustFrame.
  void WriteStatus(WriteStatusKind kind, const QString& text) override;
  void AddErrorLine(const QString& text) override;
  bool FinishBusy() override;
  void SetSummary(SummaryField field, const std::string& text) override;
  void ResetItemArea(bool keepText, bool resetBidCount) override;
  bool CheckPrinterReady() override;
  void ShowCanvas() override;
  void SetMessageAreaVisible(bool visible) override;
  void SetSkipResetOnClose() override { SkipResetOnClose = true; }
  ServiceRecord* Record() override;
  int32_t& BidPrintCounter() override { return BidPrintCount; }
  Ui::TFormAdjust& Controls() override { return *Form; }
  QWidget& Window() override { return *this; }

  // Ends the visit for a signal that ends the program: the link shut down as on closing, the
  // printer reset unless the visit says otherwise, without any question; the window stays as it is.
  void ShutDownForSignal();

  // After the start-up: names what earlier runs left (writes that did not finish on this port,
  // temporary files of backups) and offers to write the unfinished values again, No by default.
  void OfferUnfinishedWrites();

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

signals:
  // "First dot position" was chosen and its panel shown; the item reads the present value.
  void FirstDotPositionChosen();

public slots:
  void AdjustRdoGrpClick(int index);
  void MentRdoGrpClick(int index);
  void A4patRdoBtnClick();
  void AdjustmentTabChange(int page);
  void AdjustRtnBtnClick();
  void GetStatusBtnClick();
  void MessageOKBtnClick();
  void MainRtnBtnClick();
  void DisableTimerTimer();

protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

private:
  void FormClose();
  // The link shut-down of the end of a visit; `tellTechnician` shows the box before the reset.
  void ShutDownLink(bool tellTechnician);
  void WriteGridHeaders();
  void HideItemPanels();
  void ShowPanel(const char* name);
  void ClearSummary();
  void ReplaceMemo(const QString& text, const QColor& color);
  void AppendMemo(const QString& text);
  void AppendMemoLine(const QString& text, const QColor& color);
  // The busy cursor over the whole program while a wait keeps the window disabled.
  void SetWaiting(bool waiting);

  ArvanaProgram& Program;
  PrinterSession Session;
  Ui::TFormAdjust* Form;
  QTimer* DisableTimer;
  QColor MemoColor = Qt::black;
  bool Waiting = false;
};
