// Appending to a file that only grows: whole additions or none, on a disk that fills up and on
// things that are no regular file.
#include "platform/AppendedFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class AppendedFileTest : public testing::Test {
protected:
  void SetUp() override {
    char pattern[] = "/tmp/arvana-append-XXXXXX";
    Folder = mkdtemp(pattern);
  }
  void TearDown() override {
    if (Mounted) ::umount(Folder.c_str());
    fs::remove_all(Folder);
  }
  static std::string Read(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  }
  fs::path Folder;
  bool Mounted = false;
};

TEST_F(AppendedFileTest, AdditionsGoAtTheEndAndMakeTheFolder) {
  const fs::path file = Folder / "records/a.jsonl";
  ASSERT_TRUE(AppendAndSync(file, "{\"a\": 1}\n"));
  ASSERT_TRUE(AppendAndSync(file, "{\"b\": 2}\n"));
  EXPECT_EQ(Read(file), "{\"a\": 1}\n{\"b\": 2}\n");
  EXPECT_EQ(FolderBytes((Folder / "records").string()), 18u);
  EXPECT_EQ(FolderBytes((Folder / "none").string()), 0u);
}

TEST_F(AppendedFileTest, WhatIsNoRegularFileIsRefusedAtOnce) {
  fs::create_directories(Folder / "folder.jsonl");
  const Outcome<void> folder = AppendAndSync(Folder / "folder.jsonl", "x\n");
  ASSERT_FALSE(folder);
  EXPECT_NE(folder.Fault().Message.find("a folder, not a regular file"), std::string::npos) << folder.Fault().Message;
  ASSERT_EQ(::mkfifo((Folder / "fifo.jsonl").c_str(), 0600), 0);
  EXPECT_FALSE(AppendAndSync(Folder / "fifo.jsonl", "x\n"));  // no reader: refused, not waited for
}

// A full disk: a tiny file system of its own, where the system lets this test mount one.
TEST_F(AppendedFileTest, ADiskThatFillsUpLeavesTheFileAsItWasBefore) {
  if (::mount("tmpfs", Folder.c_str(), "tmpfs", 0, "size=64k") != 0) GTEST_SKIP() << "no tmpfs can be mounted here";
  Mounted = true;
  const fs::path file = Folder / "a.jsonl";
  ASSERT_TRUE(AppendAndSync(file, "{\"first\": 1}\n"));
  const Outcome<void> full = AppendAndSync(file, std::string(256 * 1024, 'x') + "\n");
  ASSERT_FALSE(full);
  EXPECT_NE(full.Fault().Message.find("No space left on device"), std::string::npos) << full.Fault().Message;
  EXPECT_EQ(Read(file), "{\"first\": 1}\n");
  ASSERT_TRUE(AppendAndSync(file, "{\"second\": 2}\n"));
  EXPECT_EQ(Read(file), "{\"first\": 1}\n{\"second\": 2}\n");
}

}  // namespace
