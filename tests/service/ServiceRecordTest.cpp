// The service record below the front-ends: its lines as JSON, a disk that cannot take them, the
// folder grown past its limit, and events outside a visit.
#include "service/RecordEvent.h"
#include "service/ServiceRecord.h"
#include "tests/service/LogicBench.h"

#include "platform/AppendedFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

TEST(RecordLine, ValuesAreWrittenAsJsonWhateverTheyHold) {
  RecordEvent event(RecordRefusedKind, false);
  RecordObject cell;
  cell.Number("cell", 0x33).Unknown("before").Number("written", 255);
  event.Values()
      .Text("input", "a\"b\\c\nd\te\x01" "f\x7F")
      .Text("latin", "\xC2\xB5m")         // a whole UTF-8 character stays
      .Text("broken", "x\xC3" "y\xFF")    // bytes that are no UTF-8 do not
      .MaybeNumber("none", std::nullopt)
      .Decimal("sure", 0.8766)
      .Numbers("missing", {3, 17})
      .Texts("pages", {"pages/0001.png"})
      .Objects("cells", {cell});
  EXPECT_EQ(event.Line("2026-12-10T09:14:03"),
            "{\"time\": \"2026-12-10T09:14:03\", \"event\": \"refused\", \"input\": \"a\\\"b\\\\c\\nd\\te\\u0001f\\u007f\", "
            "\"latin\": \"\xC2\xB5m\", \"broken\": \"x\\ufffdy\\ufffd\", \"none\": null, \"sure\": 0.877, "
            "\"missing\": [3, 17], \"pages\": [\"pages/0001.png\"], "
            "\"cells\": [{\"cell\": 51, \"before\": null, \"written\": 255}]}\n");
  EXPECT_EQ(RecordEvent(RecordVisitKind, false).Line("t"), "{\"time\": \"t\", \"event\": \"visit\"}\n");
}

TEST(RecordFile, ThePrinterIsNamedByItsUsbIdElseItsHeadIdAndNeverLeadsOutOfTheFolder) {
  EXPECT_EQ(RecordFileFor("/r", {.UsbId = "TZ3K048271", .HeadId = "AZAAAAAAAAAAC"}), "/r/usb-TZ3K048271.jsonl");
  EXPECT_EQ(RecordFileFor("/r", {.UsbId = std::nullopt, .HeadId = "AZAAAAAAAAAAC"}), "/r/head-AZAAAAAAAAAAC.jsonl");
  EXPECT_EQ(RecordFileFor("/r", {.UsbId = "", .HeadId = std::nullopt}), "/r/unknown.jsonl");
  EXPECT_EQ(RecordFileFor("/r", {.UsbId = "../../etc/x", .HeadId = std::nullopt}), "/r/usb-______etc_x.jsonl");
}

class ServiceRecordLogicTest : public LogicTest {
protected:
  void SetUp() override {
    LogicTest::SetUp();
    Book.SetFolder(Folder.string());
    View.Book = &Book;
    Book.BeginVisit();
  }
  std::vector<std::string> Lines() {
    std::vector<std::string> lines;
    for (const fs::path& file : fs::directory_iterator(Folder)) {
      std::ifstream in(file);
      std::string line;
      while (std::getline(in, line)) lines.push_back(line);
    }
    return lines;
  }

  fs::path Folder = Notes.Path / "records";
  ServiceRecord& Book = Bench->Core.Record;
};

TEST_F(ServiceRecordLogicTest, AnEventTheDiskCannotTakeIsARedLineThatSaysThePrinterWasWritten) {
  Book.SetAppender([](const std::string& path, const std::string&) -> Outcome<void> {
    return Failure{FailureKind::Failed, path + ": No space left on device"};
  });
  ASSERT_TRUE(Bench->HeadId.WriteHeadId("AZAAAAAAAAAAC"));
  // The write's own message stands, the record's line below it.
  EXPECT_NE(View.Text.find("has been written in EEPROM."), std::string::npos) << View.Text;
  const std::string file = Folder / "usb-TZ3K048271.jsonl";
  EXPECT_EQ(View.RedTexts(), std::vector<std::string>{"The service record could not be written (" + file +
                                                      ": No space left on device): the printer has been changed all the same."});
  EXPECT_EQ(Bench->Core.HeadId.ReadHeadId()->Text, "AZAAAAAAAAAAC");
  // A read claims no change.
  Bench->Maintenance.CheckCounter();
  EXPECT_EQ(View.RedTexts().back(), "The service record could not be written (" + file + ": No space left on device).");
  // With room again, the visit's header comes first (naming the printer as the visit found it), then the event.
  Book.SetAppender(AppendAndSync);
  Bench->Maintenance.CheckCounter();
  const std::vector<std::string> lines = Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[0].find("\"event\": \"visit\""), std::string::npos);
  EXPECT_NE(lines[0].find("\"head-id\": \"M3EURJOOTG4KK\""), std::string::npos) << lines[0];
  EXPECT_NE(lines[1].find("\"event\": \"read\", \"item\": \"protection counter\", \"value\": \""), std::string::npos);
}

TEST_F(ServiceRecordLogicTest, AFolderPastItsLimitSaysSoOnceAVisitAndEventsOutsideAVisitAreNotKept) {
  fs::create_directories(Folder);
  {
    std::ofstream old(Folder / "usb-OLD0000000.jsonl");
  }
  fs::resize_file(Folder / "usb-OLD0000000.jsonl", RecordFolderLimitBytes + 1);  // sparse: takes no room
  Bench->Maintenance.CheckCounter();
  Bench->Maintenance.CheckCounter();
  size_t notices = 0;
  for (const RecordingView::Message& message : View.Messages)
    notices += message.Text.find("have grown past 16 MiB") != std::string::npos;
  EXPECT_EQ(notices, 1u);
  EXPECT_TRUE(View.RedTexts().empty());
  EXPECT_EQ(Lines().size(), 1u + 1u + 2u);  // the old file's one empty line, the header, two reads

  Book.EndVisit();
  Bench->Maintenance.CheckCounter();
  EXPECT_EQ(Lines().size(), 4u);
}

}  // namespace
