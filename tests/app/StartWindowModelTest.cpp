// The start window and the printer's word on its model: what is on each interface, the model of
// the printer on the chosen USB port preselected, and a chosen model that differs confirmed first.
#include "tests/app/ProgramFixture.h"

#include <QLabel>

namespace {

constexpr int Vlusb1Row = 3;

class StartWindowModelTest : public ProgramTest {
protected:
  // The technician picks the interface of `row` from the list (a program's own setting of the row is no choice).
  void ChoosePort(int row) {
    PortCombo()->setCurrentIndex(row);
    emit PortCombo()->activated(row);
  }
  QString Note(int row) { return PortCombo()->itemData(row, Qt::ToolTipRole).toString(); }
  QString FoundLabel() { return BootChild<QLabel>("UsePortFoundLbl")->text(); }
};

}  // namespace

TEST_F(StartWindowModelTest, ThePrinterOnTheChosenUsbPortPreselectsItsModel) {
  ModelCombo()->setCurrentIndex(0);  // "Arvana Print 350"; the virtual printer is a 360
  for (int row = 0; row < 3; ++row) EXPECT_EQ(Note(row), "") << row;  // a parallel port does not say
  for (int row = Vlusb1Row; row < 6; ++row) EXPECT_EQ(Note(row), "Arvana Print 360") << row;

  ChoosePort(Vlusb1Row);
  EXPECT_EQ(ModelCombo()->currentText(), "Arvana Print 360");
  EXPECT_EQ(PortCombo()->currentText(), "VLUSB1");
  EXPECT_EQ(PortCombo()->count(), 6);
  EXPECT_EQ(FoundLabel(), "Arvana Print 360");
  ChoosePort(0);
  EXPECT_EQ(ModelCombo()->currentText(), "Arvana Print 360");  // LPT1 says nothing: the model stays
  EXPECT_EQ(FoundLabel(), "");

  // The technician may still choose the other model; the interface stays chosen.
  ChoosePort(Vlusb1Row);
  ModelCombo()->setCurrentIndex(0);
  EXPECT_EQ(PortCombo()->currentText(), "VLUSB1");
  EXPECT_TRUE(Boxes.Shown.empty());
}

TEST_F(StartWindowModelTest, AModelThatDiffersFromThePrintersIsConfirmedBeforeAnythingIsSent) {
  ModelCombo()->setCurrentIndex(0);
  PortCombo()->setCurrentIndex(Vlusb1Row);
  Boxes.Answer(DialogAnswer::Cancel);
  BootChild<QAbstractButton>("PortSelectOKBtn")->click();
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Boxes.Shown[0].Kind, DialogKind::Warning);
  EXPECT_EQ(Boxes.Shown[0].Buttons, DialogButtons::OkCancel);
  EXPECT_EQ(Boxes.Shown[0].Text,
            "The printer on VLUSB1 is an Arvana Print 360; the chosen model is the Arvana Print 350.\n\n"
            "Go on with the Arvana Print 350?");
  EXPECT_TRUE(HostBlocks().empty());
  EXPECT_TRUE(Program->Boot().isVisible());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  Boxes.Answer(DialogAnswer::Ok);
  BootChild<QAbstractButton>("PortSelectOKBtn")->click();
  EXPECT_TRUE(Program->Adjust().isVisible());
  EXPECT_EQ(AdjustChild<QLabel>("IndividualModelNameLbl")->text(), "Arvana Print 350");
}

TEST_F(StartWindowModelTest, APrinterSwitchedOffLeavesNothingOnTheUsbPorts) {
  Printer.PowerOff();
  ModelCombo()->setCurrentIndex(0);
  for (int row = Vlusb1Row; row < 6; ++row) EXPECT_EQ(Note(row), "nothing found") << row;
  ChoosePort(Vlusb1Row);
  EXPECT_EQ(ModelCombo()->currentText(), "Arvana Print 350");
  EXPECT_EQ(FoundLabel(), "nothing found");
}
