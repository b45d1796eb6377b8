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
  std::string contents;
  std::string error;
  const struct {
    const char* Name;
    const char* Reason;
  } refused[] = {{"fifo", "a FIFO, not a regular file"},
                 {"zero", "a character device, not a regular file"},
                 {"folder", "a folder, not a regular file"},
                 {"missing", "No such file or directory"}};
  for (const auto& kind : refused) {
    SCOPED_TRACE(kind.Name);
    EXPECT_FALSE(ReadWholeFile(Path(kind.Name), 1024, contents, error));
    EXPECT_EQ(error, Path(kind.Name) + ": " + kind.Reason);
  }
  EXPECT_FALSE(ReadWholeFile(Path("file"), 11, contents, error));
  EXPECT_EQ(error, Path("file") + ": larger than 11 bytes");
  ASSERT_TRUE(ReadWholeFile(Path("link"), 12, contents, error)) << error;
  EXPECT_EQ(contents, "twelve bytes");
}

TEST_F(RegularFileTest, WritersNeitherWaitForAReaderNorTruncateADevice) {
  std::string error;
  for (const char* name : {"fifo", "zero", "folder"}) {
    SCOPED_TRACE(name);
    for (WriteStart start : {WriteStart::Append, WriteStart::Afresh}) {
      EXPECT_EQ(OpenRegularFileForWriting(Path(name), start, error), -1);
      EXPECT_NE(error.find(", not a regular file"), std::string::npos) << error;
    }
  }
  const int appended = OpenRegularFileForWriting(Path("link"), WriteStart::Append, error);
  ASSERT_GE(appended, 0) << error;
  ASSERT_EQ(::write(appended, "!", 1), 1);
  ::close(appended);
  EXPECT_EQ(fs::file_size(Dir / "file"), 13u);
  const int afresh = OpenRegularFileForWriting(Path("file"), WriteStart::Afresh, error);
  ASSERT_GE(afresh, 0) << error;
  ::close(afresh);
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
