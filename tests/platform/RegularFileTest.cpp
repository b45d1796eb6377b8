// The one way files are opened: only regular files, without waiting, each to its limit; and
// text from files shown without its control characters.
#include "platform/RegularFile.h"
#include "platform/ShownText.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

class RegularFileTest : public testing::Test {
protected:
  void SetUp() override {
    char pattern[] = "/tmp/arvana-regular-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    Dir = pattern;
    ASSERT_EQ(mkfifo((Dir / "fifo").c_str(), 0644), 0);
    fs::create_symlink("/dev/zero", Dir / "zero");
    fs::create_directories(Dir / "folder");
    std::ofstream(Dir / "file") << "twelve bytes";
    fs::create_symlink(Dir / "file", Dir / "link");
  }
  void TearDown() override { fs::remove_all(Dir); }
  std::string Path(const char* name) const { return (Dir / name).string(); }
  fs::path Dir;
};

TEST_F(RegularFileTest, OnlyRegularFilesWithinTheirLimitAreRead) {
  const struct {
    const char* Name;
    FailureKind Kind;
    const char* Reason;
  } refused[] = {{"fifo", FailureKind::Unsuitable, "a FIFO, not a regular file"},
                 {"zero", FailureKind::Unsuitable, "a character device, not a regular file"},
                 {"folder", FailureKind::Unsuitable, "a folder, not a regular file"},
                 {"missing", FailureKind::NotFound, "No such file or directory"}};
  for (const auto& kind : refused) {
    SCOPED_TRACE(kind.Name);
    const Outcome<std::string> read = ReadWholeFile(Path(kind.Name), 1024);
    ASSERT_FALSE(read);
    EXPECT_EQ(read.Fault().Kind, kind.Kind);
    EXPECT_EQ(read.Fault().Message, Path(kind.Name) + ": " + kind.Reason);
  }
  const Outcome<std::string> tooLarge = ReadWholeFile(Path("file"), 11);
  ASSERT_FALSE(tooLarge);
  EXPECT_EQ(tooLarge.Fault().Message, Path("file") + ": larger than 11 bytes");
  const Outcome<std::string> read = ReadWholeFile(Path("link"), 12);
  ASSERT_TRUE(read) << read.Fault().Message;
  EXPECT_EQ(*read, "twelve bytes");
}

TEST_F(RegularFileTest, WritersNeitherWaitForAReaderNorTruncateADevice) {
  for (const char* name : {"fifo", "zero", "folder"}) {
    SCOPED_TRACE(name);
    for (WriteStart start : {WriteStart::Append, WriteStart::Afresh}) {
      const Outcome<int> opened = OpenRegularFileForWriting(Path(name), start);
      ASSERT_FALSE(opened);
      EXPECT_NE(opened.Fault().Message.find(", not a regular file"), std::string::npos) << opened.Fault().Message;
    }
  }
  const Outcome<int> appended = OpenRegularFileForWriting(Path("link"), WriteStart::Append);
  ASSERT_TRUE(appended) << appended.Fault().Message;
  ASSERT_EQ(::write(*appended, "!", 1), 1);
  ::close(*appended);
  EXPECT_EQ(fs::file_size(Dir / "file"), 13u);
  const Outcome<int> afresh = OpenRegularFileForWriting(Path("file"), WriteStart::Afresh);
  ASSERT_TRUE(afresh) << afresh.Fault().Message;
  ::close(*afresh);
  EXPECT_EQ(fs::file_size(Dir / "file"), 0u);
}

TEST(ShownText, ControlCharactersAreSpelledOutAndOtherTextStays) {
  EXPECT_EQ(ShownText("model \x1b]0;x\a\x1b[2J\r\n\x7F"), "model \\x1B]0;x\\x07\\x1B[2J\\x0D\\x0A\\x7F");
  EXPECT_EQ(ShownText("C1 \xC2\x9B" "31m"), "C1 \\x9B31m");  // the one-byte CSI as UTF-8 spells it
  EXPECT_EQ(ShownText("Caf\xC3\xA9 \xC4\x81 \xE2\x82\xAC \xF0\x9F\x96\xA8"), "Caf\xC3\xA9 \xC4\x81 \xE2\x82\xAC \xF0\x9F\x96\xA8");
  // Bytes that are no UTF-8: the lone CSI a terminal in an 8-bit mode obeys, a cut-off sequence.
  EXPECT_EQ(ShownText("\x9B" "31m \xFF \xC3"), "\\x9B31m \\xFF \\xC3");
}

}  // namespace
