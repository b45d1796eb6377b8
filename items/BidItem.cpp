#include "items/BidItem.h"

#include "ui_DalAdjust.h"

#include <QValidator>

#include <array>

namespace {

// The six values in the order they are handled: name, dot mode, ink group and their controls.
struct BidControls {
  const char* Name;
  int DotMode;
  int InkGroup;
  QLineEdit* Ui::TFormAdjust::*Edit;
  QCheckBox* Ui::TFormAdjust::*Box;
  UpDown* Ui::TFormAdjust::*Arrows;
  QLabel* Ui::TFormAdjust::*Summary;
};

const std::array<BidControls, 6> Values{{
    {"MS Black", 1, 1, &Ui::TFormAdjust::MsBkBidWrtEdit, &Ui::TFormAdjust::BidMsBkCheckBox,
     &Ui::TFormAdjust::BidMsBkUpDown, &Ui::TFormAdjust::ShowMsBkPnl},
    {"MS Color", 1, 2, &Ui::TFormAdjust::MsClBidWrtEdit, &Ui::TFormAdjust::BidMsClCheckBox,
     &Ui::TFormAdjust::BidMsClUpDown, &Ui::TFormAdjust::ShowMsClPnl},
    {"6pl Black", 2, 1, &Ui::TFormAdjust::Pl6BkBidWrtEdit, &Ui::TFormAdjust::Bid6plBkCheckBox,
     &Ui::TFormAdjust::Bid6plBkUpDown, &Ui::TFormAdjust::Show6plBkPnl},
    {"6pl Color", 2, 2, &Ui::TFormAdjust::Pl6ClBidWrtEdit, &Ui::TFormAdjust::Bid6plClCheckBox,
     &Ui::TFormAdjust::Bid6plClUpDown, &Ui::TFormAdjust::Show6plClPnl},
    {"4pl Black", 3, 1, &Ui::TFormAdjust::Pl4BkBidWrtEdit, &Ui::TFormAdjust::Bid4plBkCheckBox,
     &Ui::TFormAdjust::Bid4plBkUpDown, &Ui::TFormAdjust::Show4plBkPnl},
    {"4pl Color", 3, 2, &Ui::TFormAdjust::Pl4ClBidWrtEdit, &Ui::TFormAdjust::Bid4plClCheckBox,
     &Ui::TFormAdjust::Bid4plClUpDown, &Ui::TFormAdjust::Show4plClPnl},
}};

constexpr int BidLimit = 36;
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
constexpr int LineFeedsBeforeSecondPrint = 33;
constexpr int32_t PrintsPerSheet = 2;

}  // namespace

BidItem::BidItem(AdjustFrame& frame, TPBid& bid, TPRaster& raster) : Frame(frame), Bid(bid), Raster(raster) {
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
    arrows->SetRange(-BidLimit, BidLimit);
    // Using the arrows of a value means that value is to be written.
    connect(arrows, &UpDown::Clicked, box, [box] { box->setChecked(true); });
  }
  connect(ui.BidOKBtn, &QPushButton::clicked, this, &BidItem::BidOKBtnClick);
  connect(ui.BidPrnOKBtn, &QPushButton::clicked, this, &BidItem::BidPrnOKBtnClick);
  connect(ui.BidPrnRtnBtn, &QPushButton::clicked, this, &BidItem::BidPrnRtnBtnClick);
  connect(ui.BidWrtOKBtn, &QPushButton::clicked, this, &BidItem::BidWrtOKBtnClick);
  connect(ui.BidWrtRtnBtn, &QPushButton::clicked, this, &BidItem::BidWrtRtnBtnClick);
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
      for (const BidControls& value : Values) {
        (ui.*value.Edit)->setText(QString::fromStdString(Bid.ReadBidValueText(value.DotMode, value.InkGroup)));
        (ui.*value.Box)->setChecked(false);
      }
      return;
    case 2:
      CheckPresentData();
      return;
    default:
      return;
  }
}

void BidItem::CheckPresentData() {
  const auto text = [this](int dotMode, int inkGroup) {
    return QString::fromStdString(Bid.ReadBidValueText(dotMode, inkGroup));
  };
  Frame.WriteStatus(wsPlain, "Multi shot Black = ");
  Frame.WriteStatus(wsAppend, text(1, 1));
  Frame.WriteStatus(wsAppend, ", Multi shot Color = ");
  Frame.WriteStatus(wsAppend, text(1, 2));
  Frame.WriteStatus(wsNewLine, "MDX 6pl Black = ");
  Frame.WriteStatus(wsAppend, text(2, 1));
  Frame.WriteStatus(wsAppend, ", MDX 6pl Color = ");
  Frame.WriteStatus(wsAppend, text(2, 2));
  Frame.WriteStatus(wsNewLine, "MDX 4pl Black = ");
  Frame.WriteStatus(wsAppend, text(3, 1));
  Frame.WriteStatus(wsAppend, ", MDX 4pl Color = ");
  Frame.WriteStatus(wsAppend, text(3, 2));
}

void BidItem::BidPrnOKBtnClick() {
  Frame.WriteStatus(wsBusy, "Bi-d pattern is being printed out now.");
  int32_t& count = Frame.BidPrintCounter();
  // The second print goes on the lower half of the same sheet.
  for (int32_t i = 1; i < count; ++i) Raster.NewLines(LineFeedsBeforeSecondPrint);
  const std::vector<std::string> unread = Bid.PrintBidPage(false);
  Raster.FormFeed();  // queued: it leaves with the next data
  count = count >= PrintsPerSheet ? 1 : count + 1;
  ShowPrintCount();
  Frame.WriteStatus(wsDone, "Bi-d pattern print is completed.");
  for (const std::string& name : unread) Frame.AddErrorLine(QString::fromStdString(TPBid::UnreadSectionText(name)));
}

void BidItem::BidPrnRtnBtnClick() {
  Frame.ResetItemArea(false, false);
  Frame.Controls().BidPnl->show();
}

void BidItem::BidWrtRtnBtnClick() { BidPrnRtnBtnClick(); }

void BidItem::BidWrtOKBtnClick() {
  Ui::TFormAdjust& ui = Frame.Controls();
  bool firstMessage = true;
  for (const BidControls& value : Values) {
    if (!(ui.*value.Box)->isChecked()) continue;
    const QString text = (ui.*value.Edit)->text();
    std::string problem;
    switch (Bid.WriteBidValue(value.DotMode, value.InkGroup, text.toStdString(), &problem)) {
      case BidWrite::Written:
        Frame.WriteStatus(firstMessage ? wsPlain : wsNewLine, QString("As %1 data, ").arg(value.Name));
        Frame.WriteStatus(wsAppend, text);
        Frame.WriteStatus(wsAppend, " has been written in EEPROM.");
        (ui.*value.Summary)->setText(text);
        break;
      case BidWrite::WrongDigit:
        Frame.WriteStatus(wsError, "Digit is wrong.");
        break;
      case BidWrite::NotHeld: {
        // The lines of the values already written stay; this one says what the printer holds instead.
        const QString message = QString("%1 was not written. ").arg(value.Name) + QString::fromStdString(problem);
        if (firstMessage) {
          Frame.WriteStatus(wsError, message);
        } else {
          Frame.AddErrorLine(message);
        }
        break;
      }
    }
    firstMessage = false;
  }
}
