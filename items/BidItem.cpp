#include "items/BidItem.h"

#include "eeprom/BidValues.h"
#include "ui_DalAdjust.h"

#include <QValidator>

#include <array>

namespace {

// The controls of the six values, in the order of BidValues.
struct BidControls {
  QLineEdit* Ui::TFormAdjust::*Edit;
  QCheckBox* Ui::TFormAdjust::*Box;
  UpDown* Ui::TFormAdjust::*Arrows;
};

const std::array<BidControls, BidValues.size()> Values{{
    {&Ui::TFormAdjust::MsBkBidWrtEdit, &Ui::TFormAdjust::BidMsBkCheckBox, &Ui::TFormAdjust::BidMsBkUpDown},
    {&Ui::TFormAdjust::MsClBidWrtEdit, &Ui::TFormAdjust::BidMsClCheckBox, &Ui::TFormAdjust::BidMsClUpDown},
    {&Ui::TFormAdjust::Pl6BkBidWrtEdit, &Ui::TFormAdjust::Bid6plBkCheckBox, &Ui::TFormAdjust::Bid6plBkUpDown},
    {&Ui::TFormAdjust::Pl6ClBidWrtEdit, &Ui::TFormAdjust::Bid6plClCheckBox, &Ui::TFormAdjust::Bid6plClUpDown},
    {&Ui::TFormAdjust::Pl4BkBidWrtEdit, &Ui::TFormAdjust::Bid4plBkCheckBox, &Ui::TFormAdjust::Bid4plBkUpDown},
    {&Ui::TFormAdjust::Pl4ClBidWrtEdit, &Ui::TFormAdjust::Bid4plClCheckBox, &Ui::TFormAdjust::Bid4plClUpDown},
}};

constexpr int TypedCharacters = 3;  // "-36" is the longest value a technician types
constexpr int StoredCharacters = 4;  // "-128": any stored byte shows in full

// Limits what is typed, not what the item puts into the field (setText is not validated).
class TypedLengthValidator : public QValidator {
public:
  using QValidator::QValidator;
  State validate(QString& input, int& /*position*/) const override {
    return input.size() <= TypedCharacters ? Acceptable : Invalid;
  }
};

}  // namespace

BidItem::BidItem(AdjustFrame& frame, TPBid& bid, TPRaster& raster, ConfirmedWrites& confirm, WriteGuard& guard,
                 Dialogs& boxes, std::string scanFolder)
    : Frame(frame), Logic(frame, bid, raster, confirm, guard), Bid(bid), Boxes(boxes), ScanFolder(std::move(scanFolder)) {
  Ui::TFormAdjust& ui = Frame.Controls();
  ui.BidRdoBtn->SetItems({"Print the Bi-D Adjustment pattern.", "Adjust", "Check present adjustment data."});
  ui.BidRdoBtn->SetItemIndex(0);
  for (const BidControls& value : Values) {
    QLineEdit* edit = ui.*value.Edit;
    QCheckBox* box = ui.*value.Box;
    UpDown* arrows = ui.*value.Arrows;
    edit->setMaxLength(StoredCharacters);
    edit->setValidator(new TypedLengthValidator(edit));
    edit->setText("0");
    arrows->SetAssociate(edit);
    arrows->SetRange(BidLowest, BidHighest);
    // Using the arrows of a value means that value is to be written.
    connect(arrows, &UpDown::Clicked, box, [box] { box->setChecked(true); });
  }
  connect(ui.BidOKBtn, &QPushButton::clicked, this, &BidItem::BidOKBtnClick);
  connect(ui.BidPrnOKBtn, &QPushButton::clicked, this, &BidItem::BidPrnOKBtnClick);
  connect(ui.BidPrnRtnBtn, &QPushButton::clicked, this, &BidItem::BidPrnRtnBtnClick);
  connect(ui.BidWrtOKBtn, &QPushButton::clicked, this, &BidItem::BidWrtOKBtnClick);
  connect(ui.BidWrtRtnBtn, &QPushButton::clicked, this, &BidItem::BidWrtRtnBtnClick);
  connect(ui.BidScanBtn, &QPushButton::clicked, this, &BidItem::BidScanBtnClick);
}

void BidItem::ShowPrintCount() {
  const int32_t count = Frame.BidPrintCounter();
  Frame.Controls().BidPrnCountLbl->setText(QString::number(count) + (count == 1 ? " time" : " times"));
}

void BidItem::BidOKBtnClick() {
  Ui::TFormAdjust& ui = Frame.Controls();
  switch (ui.BidRdoBtn->ItemIndex()) {
    case 0:
      Frame.ResetItemArea(false, false);
      ui.BidPrnPnl->show();
      ShowPrintCount();
      return;
    case 1:
      Frame.ResetItemArea(false, false);
      ui.BidInputPnl->show();
      {
        const auto stored = Logic.StoredValues();
        for (size_t i = 0; i < Values.size(); ++i) {
          (ui.*Values[i].Edit)->setText(QString::fromStdString(BidLogic::ValueText(stored[i])));
          (ui.*Values[i].Box)->setChecked(false);
        }
        Logic.ReportOutOfRange(stored);
      }
      return;
    case 2:
      Logic.ShowPresentData();
      return;
    default:
      return;
  }
}

void BidItem::BidPrnOKBtnClick() {
  int32_t& count = Frame.BidPrintCounter();
  count = Logic.PrintPage(count);
  ShowPrintCount();
}

void BidItem::BidPrnRtnBtnClick() {
  Frame.ResetItemArea(false, false);
  Frame.Controls().BidPnl->show();
}

void BidItem::BidWrtRtnBtnClick() {
  // The marked page belongs to this panel: leaving it puts the page away.
  if (Preview) Preview->close();
  BidPrnRtnBtnClick();
}

void BidItem::BidWrtOKBtnClick() {
  Ui::TFormAdjust& ui = Frame.Controls();
  std::vector<BidEntry> ticked;
  for (size_t i = 0; i < Values.size(); ++i) {
    if ((ui.*Values[i].Box)->isChecked()) ticked.push_back({i, (ui.*Values[i].Edit)->text().toStdString()});
  }
  Logic.WriteValues(ticked);
}

void BidItem::BidScanBtnClick() {
  const std::string path = Boxes.ChooseFileToOpen("Scan of the Bi-D page", NewestScanIn(ScanFolder), ScanFileFilter);
  if (path.empty()) return;
  ScanLogic scans(Frame, Bid);
  Frame.SetBusyCursor(true);
  const BidScan scan = scans.ReadBidScan(path);
  Frame.SetBusyCursor(false);
  scans.ShowBidScan(scan);
  if (!scan.Problem.empty()) return;
  Ui::TFormAdjust& ui = Frame.Controls();
  for (size_t i = 0; i < Values.size(); ++i) {
    const std::optional<int>& suggested = scan.Suggested[i];
    if (suggested) (ui.*Values[i].Edit)->setText(QString::number(*suggested));
    (ui.*Values[i].Box)->setChecked(suggested && *suggested != scan.Stored[i]);
  }
  Preview = std::make_unique<ScanPreview>(&Frame.Window(), path, scan.Page);
  Preview->show();
}
