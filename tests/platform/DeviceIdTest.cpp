// Reading IEEE 1284 device IDs: both spellings of the keys, blanks, repeated and broken fields, and the model.
#include "platform/DeviceId.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(DeviceId, ReadsTheFieldsInEitherSpellingAndAnyOrder) {
  const DeviceIdFields fields =
      ParseDeviceId("CLS:PRINTER; description : Arvana Print 360 ;MFG:VELOR;command set:ESCPL2,D4;MDL:Print 360;");
  EXPECT_EQ(fields.Maker, "VELOR");
  EXPECT_EQ(fields.Model, "Print 360");
  EXPECT_EQ(fields.CommandSet, "ESCPL2,D4");
  EXPECT_EQ(fields.Class, "PRINTER");
  EXPECT_EQ(fields.Description, "Arvana Print 360");

  // The first of two makers counts; a field without colon and a last field without ';' are read as such.
  const DeviceIdFields odd = ParseDeviceId("garbage;MFG:VELOR;MANUFACTURER:Other;MDL:Print 350");
  EXPECT_EQ(odd.Maker, "VELOR");
  EXPECT_EQ(odd.Model, "Print 350");
  EXPECT_EQ(ParseDeviceId("").Maker, "");
  EXPECT_EQ(ParseDeviceId(";;:;").Model, "");
}

TEST(DeviceId, NamesTheModelOnlyForOurMakersKnownPrinters) {
  struct Case {
    const char* DeviceId;
    PrinterModel Model;
  };
  const std::vector<Case> cases{
      {"MFG:VELOR;MDL:Print 350;", PrinterModel::Print350},
      {"MFG:velor;MDL:ARVANA PRINT 360;", PrinterModel::Print360},
      {"MANUFACTURER: Velor ;MODEL: Arvana Print 350 ;", PrinterModel::Print350},
      {"MFG:VELOR;MDL:Print 3600;", PrinterModel::Unknown},
      {"MFG:VELOR;MDL:Print 370;", PrinterModel::Unknown},
      {"MFG:VELOR;MDL:Arvana ;", PrinterModel::Unknown},
      {"MFG:VELOR;DES:Arvana Print 360;", PrinterModel::Unknown},  // the description alone is no model
      {"MFG:Other;MDL:Print 360;", PrinterModel::Unknown},
      {"MFG:VELORX;MDL:Print 360;", PrinterModel::Unknown},
      {"MDL:Print 360;", PrinterModel::Unknown},
  };
  for (const Case& c : cases) EXPECT_EQ(ModelNamed(ParseDeviceId(c.DeviceId)), c.Model) << c.DeviceId;
  EXPECT_TRUE(NamesOurMaker(ParseDeviceId("MFG:Velor;")));
  EXPECT_FALSE(NamesOurMaker(ParseDeviceId("MDL:VELOR;")));
}
