// The model from the printer's device ID: taken where --model is not given, a warning where it
// differs, asked for only where the printer does not say and the model decides; and `list`.
#include "platform/VirtualClock.h"
#include "tests/cli/CapturedRun.h"
#include "tests/sim/SimTestSupport.h"
#include "tests/support/TestDialogs.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <fstream>

namespace fs = std::filesystem;

namespace {

class ModelFromPrinterTest : public SimulatorCommandTest {
protected:
  void SetUp() override {
    fs::create_directories(Dir.Path / "vp");
    std::ofstream(Dir.Path / "vp/printer.conf") << "model = 350\n";
  }
  // Every print job the printer received, one after the other.
  std::string Jobs() {
    std::string all;
    if (fs::exists(Dir.Path / "vp/jobs"))
      for (const fs::directory_entry& job : fs::directory_iterator(Dir.Path / "vp/jobs")) all += ReadFile(job.path());
    return all;
  }

};

}  // namespace

TEST_F(ModelFromPrinterTest, TheUsbPrinterNamesTheModelWhereNoneIsGiven) {
  ASSERT_EQ(Run({"--port", "VLUSB1", "print", "check"}), 0) << Err;
  EXPECT_NE(Err.find("The printer on VLUSB1 is an Arvana Print 350; using --model 350."), std::string::npos) << Err;
  EXPECT_NE(Jobs().find("******************** Arvana Print 350 "), std::string::npos);
  EXPECT_EQ(Jobs().find("Arvana Print 360"), std::string::npos);

  // The initial setting writes the market ID of the model the printer names.
  ASSERT_EQ(Run({"--port", "vlusb2", "--yes", "init"}), 0) << Err;
  EXPECT_EQ(Cell(0x5F), 0x00);

  // A --model the printer contradicts is said, and the technician's choice holds.
  ASSERT_EQ(Run({"--port", "VLUSB1", "--model", "360", "--yes", "init"}), 0) << Err;
  EXPECT_NE(Err.find("warning: The printer on VLUSB1 is an Arvana Print 350; the chosen model is the Arvana Print 360."),
            std::string::npos)
      << Err;
  EXPECT_EQ(Cell(0x5F), 0x10);
  ASSERT_EQ(Run({"--port", "VLUSB1", "--model", "350", "status"}), 0);
  EXPECT_EQ(Err.find("warning"), std::string::npos) << Err;
  EXPECT_EQ(Err.find("using --model"), std::string::npos) << Err;
}

TEST_F(ModelFromPrinterTest, AParallelPortNeedsTheModelOnlyWhereItDecides) {
  // The Bi-D page and the top-margin line look the same for both models.
  ASSERT_EQ(Run({"--port", "LPT1", "print", "bid"}), 0) << Err;
  ASSERT_EQ(Run({"--port", "LPT1", "print", "top-margin"}), 0) << Err;
  const std::string jobsBefore = Jobs();
  const std::string eepromBefore = ReadFile(Dir.Path / "vp/eeprom.bin");
  for (const std::vector<std::string>& command : std::vector<std::vector<std::string>>{
           {"--port", "LPT1", "print", "check"}, {"--port", "LPT2", "--yes", "init"}}) {
    EXPECT_EQ(Run(command), 2) << command.back();
    EXPECT_NE(Err.find(" needs --model 350 or --model 360: the printer on LPT"), std::string::npos) << Err;
  }
  EXPECT_NE(Err.find("error: init needs --model"), std::string::npos) << Err;
  EXPECT_EQ(Jobs(), jobsBefore);
  EXPECT_EQ(ReadFile(Dir.Path / "vp/eeprom.bin"), eepromBefore);
}

TEST_F(ModelFromPrinterTest, ListShowsEveryPortAndWhatIsOnIt) {
  ASSERT_EQ(Run({"list"}), 0) << Err;
  const std::string deviceId = "MFG:VELOR;CMD:1284.4,REMOTE;MDL:Print 350;CLS:PRINTER;DES:Arvana Print 350;";
  EXPECT_EQ(Out,
            "VLUSB1  Arvana Print 350  sim:usb1\n"
            "        serial TZ3K048271Q3E9C520\n"
            "        " + deviceId + "\n"
            "VLUSB2  Arvana Print 350  sim:usb2\n"
            "        serial TZ3K048271Q3E9C520\n"
            "        " + deviceId + "\n"
            "VLUSB3  Arvana Print 350  sim:usb3\n"
            "        serial TZ3K048271Q3E9C520\n"
            "        " + deviceId + "\n"
            "LPT1    model not known  virtual printer  (a parallel port does not say what is on it)\n"
            "LPT2    model not known  virtual printer  (a parallel port does not say what is on it)\n"
            "LPT3    model not known  virtual printer  (a parallel port does not say what is on it)\n");
  // No port was opened for it.
  EXPECT_FALSE(fs::exists(Dir.Path / "vp/capture.log") && !ReadFile(Dir.Path / "vp/capture.log").empty());

  // A printer switched off has no USB device.
  std::ofstream(Dir.Path / "vp/faults.conf") << "power = off\n";
  ASSERT_EQ(Run({"list", "--json"}), 0) << Err;
  const nlohmann::json ports = nlohmann::json::parse(Out);
  ASSERT_EQ(ports.size(), 6u);
  EXPECT_EQ(ports[0]["port"], "VLUSB1");
  EXPECT_EQ(ports[0]["found"], false);
  EXPECT_TRUE(ports[0]["model"].is_null());
  EXPECT_TRUE(ports[0]["device_id"].is_null());
  EXPECT_EQ(ports[3]["port"], "LPT1");
  EXPECT_EQ(ports[3]["device"], "virtual printer");

  std::ofstream(Dir.Path / "vp/faults.conf", std::ios::trunc) << "power = on\n";
  ASSERT_EQ(Run({"list", "--json"}), 0) << Err;
  const nlohmann::json on = nlohmann::json::parse(Out);
  EXPECT_EQ(on[1]["model"], "Arvana Print 350");
  EXPECT_EQ(on[1]["device_id"], deviceId);
  EXPECT_EQ(on[1]["serial"], "TZ3K048271Q3E9C520");
}
