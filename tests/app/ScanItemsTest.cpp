// Reading scans in the window: the Bi-D values filled in and marked on the page, written with OK, and the missing nozzles listed.
#include "analysis/BidPageReader.h"
#include "items/ScanPreview.h"
#include "service/TPBid.h"
#include "tests/app/ProgramFixture.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTemporaryDir>

#include <array>

namespace {

constexpr std::array<const char*, 6> Edits = {"MsBkBidWrtEdit",  "MsClBidWrtEdit",  "Pl6BkBidWrtEdit",
                                              "Pl6ClBidWrtEdit", "Pl4BkBidWrtEdit", "Pl4ClBidWrtEdit"};
constexpr std::array<const char*, 6> Ticks = {"BidMsBkCheckBox",  "BidMsClCheckBox",  "Bid6plBkCheckBox",
                                              "Bid6plClCheckBox", "Bid4plBkCheckBox", "Bid4plClCheckBox"};

int GreenPixels(const QImage& image) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QColor colour = image.pixelColor(x, y);
      count += colour.green() > 120 && colour.red() < 60 && colour.blue() < 110;
    }
  return count;
}

}  // namespace

class ScanItemsTest : public ProgramTest {
protected:
  QTemporaryDir Folder;

  void SetUp() override {
    ProgramTest::SetUp();
    Connect("Arvana Print 360", "LPT1");
    ASSERT_TRUE(Program->Adjust().isVisible());
  }
  // Prints the Bi-D page and keeps what the printer rendered as the "scan".
  std::string PrintBidPage(const char* name) {
    Adjust(2);
    Row("BidRdoBtn", 0);
    Click("BidOKBtn");
    Click("BidPrnOKBtn");
    const std::string path = Folder.filePath(name).toStdString();
    EXPECT_TRUE(Printer.Pages().back().save(QString::fromStdString(path)));
    return path;
  }
  int Stored(size_t i) { return static_cast<int8_t>(Printer.Eeprom()[BidValues[i].Address]); }
};

TEST_F(ScanItemsTest, ReadFromScanFillsTheValuesMarksThePageAndOneWriteLinesUpEveryMiddleCandidate) {
  const BidMechanics::Offsets truth = {5, -3, 1, 8, -6, 2};
  ASSERT_TRUE(Printer.SetTrueBidOffsets(truth));
  const std::string first = PrintBidPage("first.png");
  Adjust(2);
  Row("BidRdoBtn", 1);
  Click("BidOKBtn");
  // Cancelled: nothing changes.
  Boxes.ChosenFile.clear();
  Click("BidScanBtn");
  for (const char* box : Ticks) EXPECT_FALSE(AdjustChild<QCheckBox>(box)->isChecked());

  Boxes.ChosenFile = first;
  Click("BidScanBtn");
  EXPECT_TRUE(Memo().startsWith("Read from the scan:\nMS Black: ")) << Memo().toStdString();
  for (size_t i = 0; i < truth.size(); ++i) {
    EXPECT_EQ(AdjustChild<QLineEdit>(Edits[i])->text(), QString::number(truth[i])) << Edits[i];
    EXPECT_EQ(AdjustChild<QCheckBox>(Ticks[i])->isChecked(), truth[i] != Stored(i)) << Ticks[i];
  }
  // The page, with the candidate that lines up framed, beside the window.
  ScanPreview* preview = Program->Adjust().findChild<ScanPreview*>();
  ASSERT_NE(preview, nullptr);
  EXPECT_TRUE(preview->isVisible());
  const QPixmap picture = preview->findChild<QLabel*>("ScanPreviewPicture")->pixmap();
  ASSERT_FALSE(picture.isNull());
  EXPECT_GT(GreenPixels(picture.toImage()), 200);

  // The technician still presses OK to write.
  Click("BidWrtOKBtn");
  EXPECT_TRUE(Memo().contains("has been written in EEPROM.")) << Memo().toStdString();
  for (size_t i = 0; i < truth.size(); ++i) EXPECT_EQ(Stored(i), truth[i]) << BidValues[i].Name;

  // Printed again, every section's middle candidate lines up.
  const std::string second = PrintBidPage("second.png");
  const ScanRead read = ReadScanFile(second);
  ASSERT_TRUE(std::holds_alternative<InkImage>(read));
  const BidPageReading page = ReadBidPage(std::get<InkImage>(read), truth);
  ASSERT_TRUE(page.Problem.empty()) << page.Problem;
  for (size_t i = 0; i < page.Sections.size(); ++i) {
    EXPECT_EQ(page.Sections[i].Best, truth[i]) << BidValues[i].Name;
    ASSERT_TRUE(page.Sections[i].OffsetDots[2].has_value());
    EXPECT_NEAR(*page.Sections[i].OffsetDots[2], 0.0, 0.5) << BidValues[i].Name;
  }
}

TEST_F(ScanItemsTest, NozzleScanListsTheMissingNozzlesAndSuggestsACleaning) {
  for (const PageGeometry::InkInfo& ink : PageGeometry::Inks)
    for (size_t nozzle = 0; nozzle < 48; ++nozzle) Printer.Head().SetClogged(ink.Which, nozzle, false);
  Printer.Head().SetClogged(PageGeometry::Ink::Black, 4, true);
  Printer.Head().SetClogged(PageGeometry::Ink::Yellow, 39, true);
  Printer.Head().SetClogged(PageGeometry::Ink::Yellow, 40, true);
  AdjustChild<QTabWidget>("AdjustmentTab")->setCurrentIndex(2);
  AdjustChild<QAbstractButton>("A4patRdoBtn")->click();
  const size_t pagesBefore = Printer.Pages().size();
  Click("A4CheckPrnOKBtn");
  ASSERT_GE(Printer.Pages().size(), pagesBefore + 2);
  const QString page = Folder.filePath("check.png");
  ASSERT_TRUE(Printer.Pages()[pagesBefore].save(page));

  Boxes.ChosenFile = page.toStdString();
  Click("A4CheckScanBtn");
  EXPECT_EQ(Memo(), "Missing nozzles:\nBlack: nozzle 5.\nYellow: nozzles 40, 41.\n"
                    "Run a head cleaning (Maintenance, Head cleaning), then print the check pattern again.");

  // The Bi-D page is no nozzle check: said in red, nothing listed.
  Boxes.ChosenFile = Folder.filePath("missing.png").toStdString();
  Click("A4CheckScanBtn");
  EXPECT_TRUE(Memo().startsWith("Cannot open ")) << Memo().toStdString();
}
