// Copying, moving and removing on a host board's disks: the space and path
// rules, hostile names, and that nothing partial ever sits under a final name.
#include "browser/file_copy.h"

#include <filesystem>
#include <iterator>
#include <string>
#include <thread>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "browser/copy_journal.h"
#include "core/base/activity.h"
#include "platform/board.h"
#include "platform/host/host_board.h"
#include "tests/support/test_support.h"

namespace fs = std::filesystem;

TEST(FileCopyRules, DiskFullArithmetic) {
  EXPECT_TRUE(CopyWouldFillDisk(10 * 1024, 40));   // 10 + 31 >= 40
  EXPECT_FALSE(CopyWouldFillDisk(10 * 1024, 50));
  EXPECT_TRUE(CopyWouldFillDisk(9 * 1024 + 1, 41));  // a started KiB counts whole
  EXPECT_FALSE(CopyWouldFillDisk(0, 32));
  EXPECT_TRUE(CopyWouldFillDisk(0, 31));
}

TEST(FileCopyRules, SameOrInsideByWholeComponents) {
  EXPECT_TRUE(IsSameOrInside("/mnt/emmc/A", "/mnt/emmc/a"));
  EXPECT_TRUE(IsSameOrInside("/mnt/emmc/A", "/mnt/emmc/a/sub/A"));
  // A sibling that only shares a prefix is not inside.
  EXPECT_FALSE(IsSameOrInside("/mnt/emmc/a", "/mnt/emmc/ab/a"));
  EXPECT_FALSE(IsSameOrInside("/mnt/emmc/a/b", "/mnt/emmc/a"));
}

TEST(FileCopyRules, PathsStayOnTheDisks) {
  EXPECT_STREQ(DiskOfPath("/mnt/emmc/x"), "/mnt/emmc");
  EXPECT_STREQ(DiskOfPath("/mnt/microsd/a/-rf"), "/mnt/microsd");
  EXPECT_EQ(DiskOfPath("/mnt/emmc"), nullptr);
  EXPECT_EQ(DiskOfPath("/mnt/emmc/../settings/x"), nullptr);
  EXPECT_EQ(DiskOfPath("/mnt/emmc/a/.."), nullptr);
  EXPECT_EQ(DiskOfPath("/mnt/emmcx/a"), nullptr);
  EXPECT_EQ(DiskOfPath("/mnt/settings/system.config.xml"), nullptr);
  EXPECT_STREQ(DiskOfPath("/mnt/emmc/..hidden"), "/mnt/emmc");
}

class FileCopyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(board::CreateHostLayout(dir_.path()), 0);
    board::Install(board::MakeHostBoard(dir_.path()));
    fs::create_directories(board::Path("/mnt/emmc"));
    fs::create_directories(board::Path("/mnt/microsd"));
  }
  void TearDown() override { board::Install(nullptr); }
  std::string Real(const std::string& p) { return board::Path(p); }
  void Write(const std::string& p, const std::string& bytes) {
    fs::create_directories(fs::path(Real(p)).parent_path());
    dtbtest::WriteFile(Real(p), bytes);
  }
  bool Exists(const std::string& p) { return fs::exists(fs::symlink_status(Real(p))); }
  dtbtest::TempDir dir_;
};

TEST_F(FileCopyTest, HostileNamesAreCopiedMovedAndDeletedLiterally) {
  const std::string names[] = {"it's \"q\".txt", "$(touch pwned)", "`touch pwned`", "a\nb", "-rf", "--help"};
  for (const std::string& n : names) {
    SCOPED_TRACE(n);
    Write("/mnt/emmc/src/" + n, "data of " + n);
    ASSERT_EQ(CopyEntry(("/mnt/emmc/src/" + n).c_str(), ("/mnt/microsd/" + n).c_str(), nullptr), FOP_DONE);
    EXPECT_EQ(dtbtest::ReadFile(Real("/mnt/microsd/" + n)), "data of " + n);
    ASSERT_EQ(MoveEntry(("/mnt/microsd/" + n).c_str(), ("/mnt/emmc/" + n).c_str(), nullptr), FOP_DONE);
    EXPECT_FALSE(Exists("/mnt/microsd/" + n));
    EXPECT_EQ(dtbtest::ReadFile(Real("/mnt/emmc/" + n)), "data of " + n);
    EXPECT_EQ(force_remove_file(("/mnt/emmc/" + n).c_str()), 0);
    EXPECT_FALSE(Exists("/mnt/emmc/" + n));
  }
  EXPECT_FALSE(fs::exists(dir_ / "pwned"));
  EXPECT_FALSE(fs::exists("pwned"));
  EXPECT_EQ(force_remove_file("/mnt/emmc/../settings"), -1);
}

TEST_F(FileCopyTest, FolderCopyAndReplaceKeepOldUntilNewIsWhole) {
  Write("/mnt/emmc/Books/a.txt", "a");
  Write("/mnt/emmc/Books/sub/b.txt", "bb");
  Write("/mnt/microsd/Books/old.txt", "old");
  ASSERT_EQ(CopyOneDir("/mnt/emmc/Books", "/mnt/microsd/Books", nullptr), FOP_DONE);
  EXPECT_EQ(dtbtest::ReadFile(Real("/mnt/microsd/Books/sub/b.txt")), "bb");
  EXPECT_FALSE(Exists("/mnt/microsd/Books/old.txt"));  // replaced, not merged
  EXPECT_FALSE(Exists(PartialName("/mnt/microsd/Books")));
  // A file over a folder of the same name.
  Write("/mnt/emmc/x", "file");
  fs::create_directories(Real("/mnt/microsd/x/y"));
  ASSERT_EQ(CopyOneFile("/mnt/emmc/x", "/mnt/microsd/x", nullptr), FOP_DONE);
  EXPECT_EQ(dtbtest::ReadFile(Real("/mnt/microsd/x")), "file");
}

TEST_F(FileCopyTest, CancelLeavesSourceAndNoPartial) {
  Write("/mnt/emmc/big.bin", std::string(4 << 20, 'x'));
  Write("/mnt/microsd/big.bin", "previous");
  CopyControl control;
  control.cancel = true;
  EXPECT_EQ(MoveEntry("/mnt/emmc/big.bin", "/mnt/microsd/big.bin", &control), FOP_CANCELED);
  EXPECT_EQ(fs::file_size(Real("/mnt/emmc/big.bin")), 4u << 20);
  EXPECT_EQ(dtbtest::ReadFile(Real("/mnt/microsd/big.bin")), "previous");
  EXPECT_FALSE(Exists(PartialName("/mnt/microsd/big.bin")));
}

TEST_F(FileCopyTest, SameDiskMoveRenamesAndRefusesOutsideDestinations) {
  Write("/mnt/emmc/a/f.txt", "f");
  struct stat before, after;
  ASSERT_EQ(stat(Real("/mnt/emmc/a/f.txt").c_str(), &before), 0);
  ASSERT_EQ(MoveEntry("/mnt/emmc/a", "/mnt/emmc/b", nullptr), FOP_DONE);
  EXPECT_FALSE(Exists("/mnt/emmc/a"));
  EXPECT_EQ(dtbtest::ReadFile(Real("/mnt/emmc/b/f.txt")), "f");
  // Renamed, not copied and removed.
  ASSERT_EQ(stat(Real("/mnt/emmc/b/f.txt").c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(CopyEntry("/mnt/emmc/b", "/mnt/settings/b", nullptr), FOP_NO_DESTINATION);
  EXPECT_EQ(CopyEntry("/mnt/emmc/nothing", "/mnt/microsd/nothing", nullptr), FOP_SOURCE_UNREADABLE);
  EXPECT_EQ(CopyEntry("/mnt/emmc/b", "/mnt/microsd/no/such/b", nullptr), FOP_NO_DESTINATION);
}

// A folder holding the source cannot be replaced by it, by a move or a
// copy: that would remove the source with the folder. Nothing is touched.
TEST_F(FileCopyTest, NothingReplacesAFolderThatHoldsTheSource) {
  Write("/mnt/emmc/A/X/keep.txt", "keep");
  Write("/mnt/emmc/A/X/X/inner.txt", "inner");
  EXPECT_EQ(MoveEntry("/mnt/emmc/A/X/X", "/mnt/emmc/A/X", nullptr), FOP_NO_DESTINATION);
  EXPECT_EQ(CopyEntry("/mnt/emmc/A/X/X", "/mnt/emmc/A/x", nullptr), FOP_NO_DESTINATION);
  EXPECT_EQ(MoveEntry("/mnt/emmc/A/X/X/inner.txt", "/mnt/emmc/A/X", nullptr), FOP_NO_DESTINATION);
  EXPECT_EQ(MoveEntry("/mnt/emmc/A/X", "/mnt/emmc/A/X/X/X", nullptr), FOP_NO_DESTINATION);
  EXPECT_EQ(dtbtest::ReadFile(Real("/mnt/emmc/A/X/keep.txt")), "keep");
  EXPECT_EQ(dtbtest::ReadFile(Real("/mnt/emmc/A/X/X/inner.txt")), "inner");
  // Replacing on one disk: a folder over a file and a file over a folder,
  // nothing hidden left behind.
  Write("/mnt/emmc/B/X", "a file");
  ASSERT_EQ(MoveEntry("/mnt/emmc/A/X/X", "/mnt/emmc/B/X", nullptr), FOP_DONE);
  EXPECT_EQ(dtbtest::ReadFile(Real("/mnt/emmc/B/X/inner.txt")), "inner");
  ASSERT_EQ(MoveEntry("/mnt/emmc/A/X/keep.txt", "/mnt/emmc/B/X", nullptr), FOP_DONE);
  EXPECT_EQ(dtbtest::ReadFile(Real("/mnt/emmc/B/X")), "keep");
  EXPECT_EQ(std::distance(fs::directory_iterator(Real("/mnt/emmc/B")), fs::directory_iterator()), 1);
  EXPECT_FALSE(Exists("/mnt/settings/copies.journal"));
}

// A replace cut off after the old entry was set aside: the old one goes
// back when the new one never took its name, and goes once it did.
TEST_F(FileCopyTest, CutOffReplaceIsPutBackOrFinished) {
  const std::string back = "/mnt/emmc/B/.replaced-old", done = "/mnt/emmc/B/.replaced-new";
  for (const std::string& p : {back, done}) {
    NoteCopyStarted(p);
    Write(p + "/f.txt", "old " + p);
    NoteCopyEnded(p, true);
  }
  Write("/mnt/emmc/B/new", "the replacement");
  EXPECT_EQ(ClearCutOffCopies(nullptr), 2);
  EXPECT_EQ(dtbtest::ReadFile(Real("/mnt/emmc/B/old/f.txt")), "old " + back);
  EXPECT_EQ(dtbtest::ReadFile(Real("/mnt/emmc/B/new")), "the replacement");
  EXPECT_FALSE(Exists(back));
  EXPECT_FALSE(Exists(done));
  EXPECT_FALSE(Exists("/mnt/settings/copies.journal"));
}

// A copy that could not remove its partial (the power or the card went)
// leaves a note; start-up clears the partial, and a card's waits for the
// card's next mount. Only noted partials go, never the running copy's, and
// a finished copy leaves no note.
TEST_F(FileCopyTest, CutOffCopiesAreClearedAtStartUpAndAtTheCardsMount) {
  dtbtest::WriteFile(dir_ / "dev/mmcblk1", "card\n");
  dtbtest::WriteFile(dir_ / "dev/mmcblk1p1", "vfat\n");
  const std::string mountCard = "mount -t vfat -o utf8 /dev/mmcblk1p1 /mnt/microsd";
  ASSERT_EQ(board::System(mountCard), 0);
  const std::string folder = "/mnt/emmc/Books/.partial-big", card = "/mnt/microsd/.partial-a\nb.mp3",
                    running = "/mnt/emmc/.partial-now.mp3";
  for (const std::string& p : {folder, card}) {
    NoteCopyStarted(p);
    Write(p == folder ? p + "/part1" : p, "half");
    NoteCopyEnded(p, true);
  }
  NoteCopyStarted(running);
  Write(running, "being written");
  Write("/mnt/emmc/Books/.partial-mine", "the user's own");
  ASSERT_EQ(board::System("umount /mnt/microsd"), 0);
  EXPECT_EQ(ClearCutOffCopies(nullptr), 1);
  EXPECT_FALSE(Exists(folder));
  EXPECT_TRUE(Exists("/mnt/emmc/Books/.partial-mine"));
  EXPECT_TRUE(Exists(running));
  ASSERT_EQ(board::System(mountCard), 0);
  ASSERT_TRUE(Exists(card));
  EXPECT_EQ(ClearCutOffCopies("/mnt/emmc"), 0);
  EXPECT_EQ(ClearCutOffCopies("/mnt/microsd"), 1);
  EXPECT_FALSE(Exists(card));
  ASSERT_EQ(force_remove_file(running.c_str()), 0);
  NoteCopyEnded(running, false);
  EXPECT_FALSE(Exists("/mnt/settings/copies.journal"));
  Write("/mnt/emmc/song.mp3", "song");
  ASSERT_EQ(CopyEntry("/mnt/emmc/song.mp3", "/mnt/microsd/song.mp3", nullptr), FOP_DONE);
  EXPECT_FALSE(Exists("/mnt/settings/copies.journal"));
}
