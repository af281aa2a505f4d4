// What the other features ask of the browser's folder: a folder shown with
// an entry selected, the fallbacks of a folder that is gone, and a selection
// made without listing the folder anew.
#include "browser/browser_folder.h"

#include <sys/stat.h>

#include <memory>
#include <string>

#include "browser/logical_strcmp.h"
#include "tests/support/root_board.h"
#include "tests/support/test_support.h"

namespace {

class BrowserFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(
        0, LoadChnCharIndexFrom((std::string(DTB_BINARY_DIR) + "/home/ChnCharIndexs.bin").c_str()));
    board_ = std::make_unique<dtbtest::ScopedRootBoard>(dir_.path());  // the table read first
    for (const char* d : {"/mnt", "/mnt/emmc", "/mnt/emmc/Music", "/mnt/microsd"})
      mkdir((dir_.path() + d).c_str(), 0755);
    for (const char* f : {"a.mp3", "b.mp3", "c.mp3"}) dtbtest::WriteFile(dir_.path() + "/mnt/emmc/Music/" + f, "x");
    g_DirInfo.Cls();
  }
  void TearDown() override {
    g_DirInfo.Cls();
    board_.reset();
    FreeChnCharIndex();
  }
  static std::string Selected() {
    const char* name = BrowserListing().GetCurSelName();
    return name ? name : "";
  }
  dtbtest::TempDir dir_;
  std::unique_ptr<dtbtest::ScopedRootBoard> board_;
};

TEST_F(BrowserFolderTest, ShowsTheFolderWithTheEntrySelected) {
  EXPECT_EQ(1, BrowserShowFolder("/mnt/emmc/Music", "B.MP3"));
  EXPECT_STREQ("/mnt/emmc/Music", BrowserFolder());
  EXPECT_EQ("b.mp3", Selected());
  EXPECT_TRUE(BrowserShows("/MNT/emmc/music/"));
  EXPECT_FALSE(BrowserShows("/mnt/emmc"));

  // Listed again: the selection stays on its entry; a name the folder
  // lacks or no name changes nothing.
  EXPECT_EQ(0, BrowserShowFolder("/mnt/emmc/Music", "gone.mp3"));
  EXPECT_EQ("b.mp3", Selected());
  EXPECT_EQ(0, BrowserShowFolder("/mnt/emmc/Music", ""));
  EXPECT_EQ("b.mp3", Selected());
}

TEST_F(BrowserFolderTest, AFolderThatIsGoneLeavesTheBrowserOrFallsBackToItsDiskThenTheDiskChoice) {
  ASSERT_EQ(1, BrowserShowFolder("/mnt/emmc/Music", "c.mp3"));
  EXPECT_EQ(-1, BrowserShowFolder("/mnt/emmc/Gone", "a.mp3"));
  EXPECT_STREQ("/mnt/emmc/Music", BrowserFolder());
  EXPECT_EQ("c.mp3", Selected());

  EXPECT_EQ(-1, BrowserShowFolder("/mnt/microsd/Gone", "a.mp3", ShowFolder::kOrDiskRoot));
  EXPECT_STREQ("/mnt/microsd", BrowserFolder());
  EXPECT_EQ(-1, BrowserShowFolder("/mnt/emmc/Gone", "a.mp3", ShowFolder::kOrDiskRoot));
  EXPECT_STREQ("/mnt/emmc", BrowserFolder());
  rmdir((dir_.path() + "/mnt/microsd").c_str());
  EXPECT_EQ(-1, BrowserShowFolder("/mnt/microsd/Gone", "", ShowFolder::kOrDiskRoot));
  EXPECT_STREQ("/mnt", BrowserFolder());
}

// A player moving to another track: the browser's entry follows it only
// when the browser shows that folder, and the folder is not listed anew.
TEST_F(BrowserFolderTest, ASelectionInTheShownFolderListsNothingAnew) {
  ASSERT_EQ(1, BrowserShowFolder("/mnt/emmc/Music", "a.mp3"));
  const unsigned loads = BrowserListing().GetLoadCount();
  EXPECT_EQ(1, BrowserShowFolder("/mnt/emmc/Music/", "c.mp3", ShowFolder::kIfShown));
  EXPECT_EQ("c.mp3", Selected());
  EXPECT_EQ(-1, BrowserShowFolder("/mnt/emmc", "Music", ShowFolder::kIfShown));
  EXPECT_STREQ("/mnt/emmc/Music", BrowserFolder());
  EXPECT_EQ("c.mp3", Selected());
  EXPECT_EQ(loads, BrowserListing().GetLoadCount());
}

}  // namespace
