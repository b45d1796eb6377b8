// The backup file: what is written reads back the same, and every kind of damage is refused with its reason.
#include "service/BackupFile.h"

#include "link/ModelChoice.h"
#include "platform/NewFile.h"
#include "platform/RegularFile.h"
#include "tests/support/DataHomeIn.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdlib.h>

namespace fs = std::filesystem;

namespace {

BackupContents Sample() {
  BackupValues values{};
  for (size_t i = 0; i < values.size(); ++i) values[i] = static_cast<uint8_t>(i * 7 + 3);
  return DescribeBackup(values, ModelCode360, "VLUSB1:", {2026, 12, 8, 15, 3, 27});
}

class BackupFolderTest : public testing::Test {
protected:
  void SetUp() override {
    char pattern[] = "/tmp/arvana-backups-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    Folder = pattern;
  }
  void TearDown() override { fs::remove_all(Folder); }
  fs::path Folder;
};

TEST(BackupFile, WrittenTextReadsBackTheSame) {
  const BackupContents sample = Sample();
  const std::string text = FormatBackup(sample);
  EXPECT_EQ(text.substr(0, text.find('\n')), "arvana-eeprom-backup 2");
  EXPECT_NE(text.find("\nmodel = Arvana Print 360\nport = VLUSB1:\ndate = 2026-12-08 15:03\n"), std::string::npos);
  EXPECT_NE(text.find("\n0A = 03\n0B = 0A\n10 = 11\n"), std::string::npos);
  const BackupFileCheck check = ParseBackup(text);
  ASSERT_TRUE(check.Contents) << check.Problem;
  EXPECT_EQ(check.Contents->Values, sample.Values);
  EXPECT_EQ(check.Contents->Header.HeadId, sample.Header.HeadId);
  EXPECT_EQ(check.Contents->Header.UsbId, sample.Header.UsbId);
  EXPECT_EQ(FormatBackup(*check.Contents), text);  // byte for byte
  // Line ends of another system and a missing last line end do no harm.
  std::string crlf;
  for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  EXPECT_TRUE(ParseBackup(crlf).Contents);
  EXPECT_TRUE(ParseBackup(text.substr(0, text.size() - 1)).Contents);
}

TEST(BackupFile, DamagedFilesAreRefusedWithTheirReason) {
  const std::string good = FormatBackup(Sample());
  const auto replaced = [&](const std::string& from, const std::string& to) {
    std::string text = good;
    text.replace(text.find(from), from.size(), to);
    return text;
  };
  const struct {
    const char* Name;
    std::string Text;
    std::string Problem;
  } cases[] = {
      {"empty", "", "The backup file is empty."},
      {"another format", "arvana-settings 1\n", "The file is not an EEPROM backup of this program."},
      {"another version", replaced("arvana-eeprom-backup 2", "arvana-eeprom-backup 3"),
       "The backup file has format version 3; this program reads versions 1 and 2."},
      {"truncated", good.substr(0, good.find("\n4D = ")),
       "The backup file is incomplete: cell 4D is missing."},
      {"no checksum", good.substr(0, good.find("checksum")), "The backup file is incomplete: it has no checksum."},
      {"a cell changed by hand", replaced("\n0B = 0A\n", "\n0B = 0B\n"),
       "The checksum of the backup file does not match its contents: the file has been changed or damaged."},
      {"the header edited by hand", replaced("head-id = ", "head-id = X"),
       "The checksum of the backup file does not match its contents: the file has been changed or damaged."},
      {"the model edited by hand", replaced("Print 360", "Print 350"),
       "The checksum of the backup file does not match its contents: the file has been changed or damaged."},
      {"terminal codes in the model", replaced("model = Arvana", "model = \x1b]0;x\a\x1b[2JArvana"),
       "The file holds characters that are not text: line 2."},
      {"a byte of another alphabet in a cell line", replaced("\n0B = 0A\n", "\n0B = 0A\xC3\xA9\n"),
       "The file holds characters that are not text: line 8."},
      {"a cell outside the backup", replaced("\n0B = 0A\n", "\n0C = 0A\n"),
       "The backup file names cell 0C, which is not part of a backup."},
      {"a cell twice", replaced("\n0B = 0A\n", "\n0A = 0A\n"), "The backup file names cell 0A twice."},
      {"no head ID", replaced("head-id", "head-no"), "The backup file has a line that is not understood: line 5."},
      {"lowercase digits", replaced("\n0B = 0A\n", "\n0b = 0a\n"),
       "The backup file has a line that is not understood: line 8."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const BackupFileCheck check = ParseBackup(c.Text);
    EXPECT_FALSE(check.Contents);
    EXPECT_EQ(check.Problem, c.Problem);
  }
}

// A file of the first format: its checksum covered the cells only.
std::string FirstFormat(const BackupContents& contents) {
  std::string text = FormatBackup(contents);
  text.replace(0, text.find('\n'), "arvana-eeprom-backup 1");
  char sum[9];
  std::snprintf(sum, sizeof sum, "%08X", CellsOnlyChecksum(contents.Values));
  text.replace(text.find("checksum = ") + 11, 8, sum);
  return text;
}

TEST(BackupFile, FirstFormatIsReadButItsHeaderIsNotTrusted) {
  const BackupContents sample = Sample();
  const BackupFileCheck current = ParseBackup(FormatBackup(sample));
  ASSERT_TRUE(current.Contents);
  EXPECT_TRUE(current.HeaderProtected);
  const BackupFileCheck old = ParseBackup(FirstFormat(sample));
  ASSERT_TRUE(old.Contents) << old.Problem;
  EXPECT_FALSE(old.HeaderProtected);
  EXPECT_EQ(old.Contents->Values, sample.Values);
  // Its header may be edited unnoticed, its cells may not.
  std::string edited = FirstFormat(sample);
  edited.replace(edited.find("Print 360"), 9, "Print 350");
  EXPECT_TRUE(ParseBackup(edited).Contents);
  edited.replace(edited.find("\n0B = 0A\n"), 9, "\n0B = 0B\n");
  EXPECT_EQ(ParseBackup(edited).Problem,
            "The checksum of the backup file does not match its cells: the file has been changed or damaged.");
}

TEST(BackupFile, AFileOfTheOtherModelIsNamed) {
  BackupContents sample = Sample();
  EXPECT_EQ(OtherModelProblem(sample.Header, ModelCode360), "");
  EXPECT_EQ(OtherModelProblem(sample.Header, ModelCode350),
            "This backup was taken from an Arvana Print 360; the chosen model is the Arvana Print 350.");
}

TEST_F(BackupFolderTest, FilesAreNeverWrittenOverAndFoldersAreNoFiles) {
  const BackupContents sample = Sample();
  const std::string name = BackupFileName({2026, 12, 8, 15, 3, 27}, ModelCode360, "M3EURJ00TG4K*");
  EXPECT_EQ(name, "2026-12-08T1503-360-M3EURJ00TG4K_.eeprom");
  std::string error;
  const std::optional<std::string> first = SaveBackupFile((Folder / "backups").string(), name, sample, error);
  ASSERT_TRUE(first) << error;
  const std::optional<std::string> second = SaveBackupFile((Folder / "backups").string(), name, sample, error);
  ASSERT_TRUE(second) << error;
  EXPECT_EQ(fs::path(*second).filename(), "2026-12-08T1503-360-M3EURJ00TG4K_-2.eeprom");
  EXPECT_EQ(ReadBackupFile(*first).Contents->Values, sample.Values);
  // Nothing but the two files: no temporary file is left behind.
  EXPECT_EQ(std::distance(fs::directory_iterator(Folder / "backups"), fs::directory_iterator()), 2);

  const Outcome<void> overwritten = WriteNewFile(*first, "other");
  ASSERT_FALSE(overwritten);
  EXPECT_EQ(overwritten.Fault().Kind, FailureKind::Unsuitable);  // the name is taken
  const Outcome<std::string> contents = ReadWholeFile(*first, BackupFileLimit);
  ASSERT_TRUE(contents);
  EXPECT_EQ(*contents, FormatBackup(sample));

  fs::create_directories(Folder / "a-folder.eeprom");
  const BackupFileCheck folder = ReadBackupFile((Folder / "a-folder.eeprom").string());
  EXPECT_FALSE(folder.Contents);
  EXPECT_EQ(folder.Problem.rfind("The backup file cannot be read (", 0), 0u) << folder.Problem;
  EXPECT_FALSE(ReadBackupFile((Folder / "missing.eeprom").string()).Contents);
}

TEST(BackupFile, FolderFollowsTheDataHome) {
  {
    const DataHomeIn absolute("/srv/data");
    EXPECT_EQ(BackupFolder(), "/srv/data/arvana-adjust/backups");
  }
  const DataHomeIn relative("relative/is/ignored");
  EXPECT_EQ(BackupFolder(), std::string(std::getenv("HOME") ? std::getenv("HOME") : ".") +
                                "/.local/share/arvana-adjust/backups");
}

}  // namespace
