// The bookmark menu through its keys: the remembered list and file, the
// list wrap, deleting an entry's last bookmark or everything from inside an
// entry, keeping a missing file's history when the user says no.
#include "positions/menu/bookmark_menu.h"

#include <glib.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "core/ui/window.h"
#include "platform/board.h"
#include "platform/host/host_board.h"
#include "positions/bookmark.h"
#include "positions/history.h"
#include "speech/ux_language.h"
#include "tests/core/window_fixture.h"
#include "tests/support/test_support.h"

namespace {

// Answers the question the next KeyDown opens.
void Answer(int key) {
  static int s_key;
  s_key = key;
  g_idle_add(
      [](gpointer) -> gboolean {
        KeyDown(s_key);
        return FALSE;
      },
      nullptr);
}

class BookmarkMenuTest : public coretest::WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    ASSERT_EQ(board::CreateHostLayout(dir_.path()), 0);
    board::Install(board::MakeHostBoard(dir_.path()));
    g_pUxLanguage = GetUxLanguage(UX_LANGUAGE_ENGLISH);
    g_bookmark.Clean();
    g_History.Clean();
    g_BookmarkFunSelectSub = 0;
    g_BookmarkIndex = 0;
    coretest::Push("root");
  }
  void TearDown() override {
    WindowTest::TearDown();
    g_bookmark.Clean();
    g_History.Clean();
    board::Install(nullptr);
  }
  static void Press(int code, int times = 1) {
    for (int i = 0; i < times; ++i) KeyPress(code);
  }
  std::string Make(const std::string& devicePath) {
    std::filesystem::create_directories(std::filesystem::path(board::Path(devicePath)).parent_path());
    dtbtest::WriteFile(board::Path(devicePath), "x");
    return devicePath;
  }
  dtbtest::TempDir dir_;
};

TEST_F(BookmarkMenuTest, RemembersListAndFileAndWrapsTheLists) {
  for (const char* p : {"/mnt/emmc/Daisy/1/ncc.html", "/mnt/emmc/Daisy/2/ncc.html", "/mnt/emmc/Daisy/3/ncc.html"})
    g_bookmark.AddDaisy(p, 0, 0, "title", 0, "");
  g_bookmark.AddMusic("/mnt/emmc/a.mp3", 0, -1);
  ASSERT_EQ(CreateBookMarkMenu(), 0);
  Press(KEY_RIGHT, 3);  // daisy bookmarks list
  Press(KEY_DOWN, 2);   // its third file
  KeyDown(KEY_BACK);
  EXPECT_EQ(g_TotalWindows, 1);
  EXPECT_EQ(g_BookmarkFunSelectSub, 3);
  EXPECT_EQ(g_BookmarkIndex, 2);

  ASSERT_EQ(CreateBookMarkMenu(), 0);
  Press(KEY_UP);  // from the remembered third file back to the second
  KeyDown(KEY_BACK);
  EXPECT_EQ(g_BookmarkIndex, 1);

  ASSERT_EQ(CreateBookMarkMenu(), 0);
  Press(KEY_RIGHT, 2);  // audio book list, then around to all
  KeyDown(KEY_BACK);
  EXPECT_EQ(g_BookmarkFunSelectSub, 0);
}

TEST_F(BookmarkMenuTest, DeletingTheLastBookmarkRemovesTheEntry) {
  g_bookmark.AddMusic(Make("/mnt/emmc/a.mp3").c_str(), 1000, -1);
  ASSERT_EQ(CreateBookMarkMenu(), 0);
  KeyDown(KEY_PLAY);  // into the entry, on its bookmark
  KeyDown(KEY_MENU);  // delete menu: this bookmark
  Answer(KEY_PLAY);
  KeyDown(KEY_PLAY);
  EXPECT_EQ(g_bookmark.GetCount(), 0);
  ASSERT_EQ(g_TotalWindows, 2);
  KeyDown(KEY_BACK);  // at the entry level again: back closes
  EXPECT_EQ(g_TotalWindows, 1);
}

// At the list, "delete" takes the whole entry; nothing of it is read after
// the store freed it (the sanitizers catch the read).
TEST_F(BookmarkMenuTest, DeletingAnEntryFromTheListRemovesItWhole) {
  g_bookmark.AddMusic(Make("/mnt/emmc/a.mp3").c_str(), 1000, -1);
  g_bookmark.AddMusic("/mnt/emmc/a.mp3", 2000, -1);
  g_bookmark.AddMusic(Make("/mnt/emmc/b.mp3").c_str(), 3000, -1);
  ASSERT_EQ(CreateBookMarkMenu(), 0);
  KeyDown(KEY_MENU);  // delete menu at the list: this entry
  Answer(KEY_PLAY);
  KeyDown(KEY_PLAY);
  EXPECT_EQ(g_bookmark.GetCount(), 1);
  Press(KEY_DOWN);
  ASSERT_EQ(g_TotalWindows, 2);
  KeyDown(KEY_BACK);
  EXPECT_EQ(g_TotalWindows, 1);
}

// Everything deleted from inside an entry: the menu is at the (empty) list,
// holding nothing of the store; the arrows and back act on the list.
TEST_F(BookmarkMenuTest, DeletingAllFromInsideAnEntryLeavesNothingHeld) {
  g_bookmark.AddMusic(Make("/mnt/emmc/a.mp3").c_str(), 1000, -1);
  g_bookmark.AddMusic("/mnt/emmc/a.mp3", 2000, -1);
  ASSERT_EQ(CreateBookMarkMenu(), 0);
  KeyDown(KEY_PLAY);  // into the entry
  KeyDown(KEY_MENU);
  KeyDown(KEY_DOWN);  // "Delete all bookmarks"
  Answer(KEY_PLAY);
  KeyDown(KEY_PLAY);
  EXPECT_EQ(g_bookmark.GetCount(), 0);
  Press(KEY_DOWN);
  Press(KEY_LEFT);
  Press(KEY_RIGHT);
  ASSERT_EQ(g_TotalWindows, 2);
  KeyDown(KEY_BACK);  // at the list: back closes
  EXPECT_EQ(g_TotalWindows, 1);
}

TEST_F(BookmarkMenuTest, MissingFileHistoryStaysWhenTheAnswerIsNo) {
  g_History.AddMusic("/mnt/emmc/gone.mp3", 5000);
  g_bookmark.AddMusic("/mnt/emmc/gone.mp3", 1000, -1);
  ASSERT_EQ(CreateBookMarkMenu(), 0);
  KeyDown(KEY_BOOKMARK);  // history
  Answer(KEY_BACK);
  KeyDown(KEY_PLAY);
  EXPECT_EQ(g_History.GetCount(), 1);
  KeyDown(KEY_BOOKMARK);  // bookmarks: the missing file's entry, answered yes
  Answer(KEY_PLAY);
  KeyDown(KEY_PLAY);
  EXPECT_EQ(g_bookmark.GetCount(), 0);
  EXPECT_EQ(g_TotalWindows, 2);
}

}  // namespace
