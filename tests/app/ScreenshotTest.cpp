// The screenshot of the adjustment window that software centres show (the AppStream metainfo names
// it): the window on the virtual printer with the Bi-D values read in, saved into the build tree.
#include "tests/app/ProgramFixture.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QSaveFile>
#include <QSet>

namespace {

// Software centres pass over screenshots smaller than this.
constexpr QSize SmallestListedScreenshot(624, 351);

// How many colours `image` holds, up to `enough`: a blank or unpainted grab holds one or two.
int ScreenshotColours(const QImage& image, int enough) {
  QSet<QRgb> colours;
  for (int y = 0; y < image.height() && colours.size() < enough; ++y)
    for (int x = 0; x < image.width(); ++x) colours.insert(image.pixel(x, y));
  return static_cast<int>(colours.size());
}

}  // namespace

class ScreenshotTest : public ProgramTest {};

TEST_F(ScreenshotTest, TheAdjustmentWindowIsSavedAsTheMetainfoScreenshot) {
  Connect("Arvana Print 360", "LPT1");
  ASSERT_TRUE(Program->Adjust().isVisible());
  Adjust(2);  // "Bi-D": the input of the six values, read from the printer
  Row("BidRdoBtn", 1);
  Click("BidOKBtn");
  ASSERT_EQ(VisiblePanels(), (std::vector<std::string>{"BidInputPnl"}));

  const QImage shot = Program->Adjust().grab().toImage();
  EXPECT_GE(shot.width(), SmallestListedScreenshot.width());
  EXPECT_GE(shot.height(), SmallestListedScreenshot.height());
  constexpr int ColoursOfAPaintedWindow = 16;  // text, frames, buttons and their antialiasing
  EXPECT_GE(ScreenshotColours(shot, ColoursOfAPaintedWindow), ColoursOfAPaintedWindow);

  const QString path = QStringLiteral(ARVANA_SCREENSHOT_PATH);
  ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath())) << path.toStdString();
  // Written whole or not at all: a release may publish the file while the tests run.
  QSaveFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
  ASSERT_TRUE(shot.save(&file, "PNG"));
  ASSERT_TRUE(file.commit()) << path.toStdString();
  EXPECT_EQ(QImage(path).size(), shot.size());
}
