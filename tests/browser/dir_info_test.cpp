#include "browser/dir_info.h"

#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "browser/logical_strcmp.h"
#include "tests/support/test_support.h"

namespace {

using dtbtest::TempDir;
using dtbtest::WriteFile;

class DirInfoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(
        0, LoadChnCharIndexFrom((std::string(DTB_BINARY_DIR) + "/home/ChnCharIndexs.bin").c_str()));
  }
  void TearDown() override { FreeChnCharIndex(); }

  std::vector<std::string> Listing(const DirInfo& d) {
    std::vector<std::string> out;
    for (int i = 0; i < d.GetDirCount(); i++)
      out.push_back(std::string(d.GetChildDirName(i)) + "/");
    for (int i = 0; i < d.GetFileCount(); i++) out.push_back(d.GetFileName(i));
    return out;
  }
  TempDir dir_;
};

TEST_F(DirInfoTest, ListsFoldersThenFilesInLogicalOrderWithoutHiddenEntries) {
  for (const char* f :
       {"track10.mp3", "track2.mp3", "track1.mp3", ".hidden", "Łąka.txt", "ab.txt", "a-b.txt"})
    WriteFile(dir_ / f, "x");
  mkdir((dir_ / "Rozdział 10").c_str(), 0755);
  mkdir((dir_ / "Rozdział 9").c_str(), 0755);
  mkdir((dir_ / ".Trash").c_str(), 0755);
  mkfifo((dir_ / "pipe").c_str(), 0644);
  DirInfo d;
  ASSERT_EQ(0, d.LoadDir(dir_.path().c_str()));
  EXPECT_EQ((std::vector<std::string>{"Rozdział 9/", "Rozdział 10/", "ab.txt", "a-b.txt",
                                      "Łąka.txt", "track1.mp3", "track2.mp3", "track10.mp3"}),
            Listing(d));
  EXPECT_EQ(2, d.GetDirCount());
  EXPECT_EQ(6, d.GetFileCount());
  EXPECT_STREQ(dir_.path().c_str(), d.GetPath());
  EXPECT_EQ(dir_.path().size(), d.GetPathLength());
  EXPECT_EQ(1, d.Find("ROZDZIAł 10"));  // ASCII letters only fold
  EXPECT_EQ(7, d.Find("TRACK10.MP3"));
  EXPECT_EQ(-1, d.Find(".hidden"));
  EXPECT_EQ(-1, d.Find(nullptr));
  EXPECT_EQ(nullptr, d.GetChildDirName(2));
  EXPECT_EQ(nullptr, d.GetFileName(6));
}

TEST_F(DirInfoTest, NamesAComputerMayWriteAreListedAsTheyAre) {
  std::vector<std::string> names = {
      "quote\"s'.txt",           "$(reboot).txt", "`rm -rf`.txt",        "new\nline.txt",
      "latin1 \xb3\xf3\xbf.txt", "cut \xe0",      std::string(255, 'n'), "tab\tname"};
  for (auto& n : names) WriteFile(dir_ / n, "x");
  DirInfo d;
  ASSERT_EQ(0, d.LoadDir(dir_.path().c_str()));
  ASSERT_EQ(static_cast<int>(names.size()), d.GetFileCount());
  for (auto& n : names) EXPECT_GE(d.Find(n.c_str()), 0) << n;
  // Sorted means each neighbour pair is in order.
  for (int i = 1; i < d.GetFileCount(); i++)
    EXPECT_LT(LogicalStrCmp(d.GetFileName(i - 1), d.GetFileName(i)), 0);
}

TEST_F(DirInfoTest, SelectionFollowsTheRules) {
  for (int i = 0; i < 20; i++) WriteFile(dir_ / ("f" + std::to_string(i)), "x");
  for (int i = 0; i < 5; i++) mkdir((dir_ / ("d" + std::to_string(i))).c_str(), 0755);
  DirInfo d;
  unsigned loads = d.GetLoadCount();
  ASSERT_EQ(0, d.LoadDir(dir_.path().c_str()));
  EXPECT_EQ(loads + 1, d.GetLoadCount());
  ASSERT_EQ(25, d.GetTotal());

  // A jump of a tenth of 25 entries from the last one wraps to the first.
  d.SetCurSel(24);
  EXPECT_EQ(0, d.MoveSelect(2));
  EXPECT_EQ(24, d.MoveSelect(-1));
  EXPECT_EQ(23, d.MoveSelect(-1));
  d.SetCurSel(1);
  EXPECT_EQ(24, d.MoveSelect(-2));
  d.SetCurSel(25);
  EXPECT_EQ(0, d.GetCurSel());
  d.SetCurSelFile(3);
  EXPECT_EQ(8, d.GetCurSel());
  EXPECT_STREQ("f3", d.GetCurSelName());
  EXPECT_FALSE(d.IsCurSelDir());
  d.SetCurSelFile(20);
  EXPECT_EQ(0, d.GetCurSel());
  EXPECT_TRUE(d.IsCurSelDir());

  // Reloading the same folder keeps the selection while it still exists.
  d.SetCurSel(20);
  ASSERT_EQ(0, d.LoadDir(nullptr));
  EXPECT_EQ(20, d.GetCurSel());
  ASSERT_EQ(0, d.LoadDir(dir_.path().c_str()));
  EXPECT_EQ(20, d.GetCurSel());
  // New entries in front of it do not move the selection to another entry.
  mkdir((dir_ / "a new folder").c_str(), 0755);
  WriteFile(dir_ / "e new file", "x");
  ASSERT_EQ(0, d.LoadDir(nullptr));
  EXPECT_STREQ("f15", d.GetCurSelName());
  unlink((dir_ / "e new file").c_str());
  rmdir((dir_ / "a new folder").c_str());
  for (int i = 10; i < 20; i++) unlink((dir_ / ("f" + std::to_string(i))).c_str());
  ASSERT_EQ(0, d.LoadDir(nullptr));
  EXPECT_EQ(0, d.GetCurSel());

  // Another folder starts at its first entry.
  d.SetCurSel(5);
  mkdir((dir_ / "d0/x").c_str(), 0755);
  ASSERT_EQ(0, d.LoadDir((dir_ / "d0").c_str()));
  EXPECT_EQ(0, d.GetCurSel());
  EXPECT_EQ(1, d.GetTotal());
}

TEST_F(DirInfoTest, AFolderThatCannotBeOpenedKeepsThePreviousListing) {
  WriteFile(dir_ / "kept.mp3", "x");
  DirInfo d;
  EXPECT_EQ(-1, d.LoadDir(nullptr));
  ASSERT_EQ(0, d.LoadDir(dir_.path().c_str()));
  unsigned loads = d.GetLoadCount();
  EXPECT_EQ(-3, d.LoadDir((dir_ / "missing").c_str()));
  EXPECT_EQ(-3, d.LoadDir((dir_ / "kept.mp3").c_str()));
  EXPECT_EQ(loads, d.GetLoadCount());
  EXPECT_STREQ(dir_.path().c_str(), d.GetPath());
  EXPECT_STREQ("kept.mp3", d.GetFileName(0));
  // Its own path handed back reloads it.
  ASSERT_EQ(0, d.LoadDir(d.GetPath()));
  EXPECT_EQ(1, d.GetTotal());
  d.Cls();
  EXPECT_EQ(0, d.GetTotal());
  EXPECT_EQ(nullptr, d.GetCurSelName());
  EXPECT_EQ(0, d.MoveSelect(1));
}

TEST_F(DirInfoTest, LinksListAsWhatTheyPointTo) {
  TempDir elsewhere;
  mkdir((elsewhere / "book").c_str(), 0755);
  WriteFile(elsewhere / "song.mp3", "x");
  symlink((elsewhere / "book").c_str(), (dir_ / "Book").c_str());
  symlink((elsewhere / "song.mp3").c_str(), (dir_ / "song.mp3").c_str());
  symlink((elsewhere / "gone").c_str(), (dir_ / "dangling").c_str());
  DirInfo d;
  ASSERT_EQ(0, d.LoadDir(dir_.path().c_str()));
  EXPECT_EQ((std::vector<std::string>{"Book/", "song.mp3"}), Listing(d));
}

}  // namespace
