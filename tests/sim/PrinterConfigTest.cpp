// Which printer the virtual printer is: DIR/printer.conf, its device ID and USB serial, as USB discovery lists them.
#include <gtest/gtest.h>

#include <fstream>

#include "sim/files/PrinterConfig.h"
#include "sim/ports/SimPortSystem.h"
#include "tests/sim/SimTestSupport.h"

TEST(PrinterConfig, ReadsTheModelAndNamesWhatItDoesNotUnderstand) {
  EXPECT_EQ(ParsePrinterConfig("").Model, SimModel::Print360);
  EXPECT_EQ(ParsePrinterConfig("# a trainer's printer\n  model = 350   # the smaller one\n").Model, SimModel::Print350);
  const PrinterConfig wrong = ParsePrinterConfig("model = 350\nmodel = 370\ncolour = red\nmodel\n");
  EXPECT_EQ(wrong.Model, SimModel::Print350);  // what the bad lines would have set keeps its value
  ASSERT_EQ(wrong.Problems.size(), 3u);
  EXPECT_EQ(wrong.Problems[0], "printer.conf line 2 is not understood: \"model = 370\" (model = 350 or model = 360)");
  EXPECT_NE(wrong.Problems[2].find("line 4"), std::string::npos);
}

TEST(PrinterConfig, TheFolderDecidesTheDeviceIdTheUsbListGives) {
  VirtualClock clock;
  TempDirectory dir;
  std::filesystem::create_directories(dir.Path);
  std::ofstream(dir.Path / "printer.conf") << "model = 350\n";
  {
    VirtualPrinter printer(clock, dir.Path.string());
    EXPECT_TRUE(printer.Messages().empty());
    EXPECT_EQ(printer.DeviceId(), "MFG:VELOR;CMD:1284.4,REMOTE;MDL:Print 350;CLS:PRINTER;DES:Arvana Print 350;");
    SimPortSystem ports(printer, clock);
    const Outcome<std::vector<UsbPrinterEntry>> listed = ports.ListUsbPrinters();
    ASSERT_TRUE(listed);
    ASSERT_EQ(listed->size(), 3u);
    for (const UsbPrinterEntry& entry : *listed) {
      EXPECT_EQ(entry.DeviceId, printer.DeviceId());
      EXPECT_EQ(entry.Model, PrinterModel::Print350);
      EXPECT_EQ(entry.Serial, "TZ3K048271Q3E9C520");  // the factory USB ID
    }
    EXPECT_EQ(printer.Eeprom()[EepromImage::MarketIdCell], EepromImage::MarketId350);  // made as a 350
    // The front panel's choice, and a new main board, which has no serial to give.
    printer.SetModel(SimModel::Print360);
    printer.ReplaceMainBoard();
    printer.PowerOn();
    const Outcome<std::vector<UsbPrinterEntry>> after = ports.ListUsbPrinters();
    ASSERT_TRUE(after);
    ASSERT_FALSE(after->empty());
    EXPECT_EQ(after->front().Model, PrinterModel::Print360);
    EXPECT_EQ(after->front().Serial, "");
  }
  std::ofstream(dir.Path / "printer.conf", std::ios::trunc) << "model = 999\n";
  VirtualPrinter printer(clock, dir.Path.string());
  EXPECT_EQ(printer.Model(), SimModel::Print360);
  ASSERT_EQ(printer.Messages().size(), 1u);
  EXPECT_NE(printer.Messages()[0].find("model = 999"), std::string::npos);
}
