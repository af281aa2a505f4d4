// The keys the music player and the audio book player share, run on both.
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>

#include "core/ui/keypad_idle.h"
#include "players/play_thread.h"
#include "window_fixture.h"

namespace {

struct PlayerCase {
  const char* name;
  std::function<int(const std::string& dir, const char* file)> create;
  PlayThread& (*thread)();
  // The setting of the settings menu's second item.
  std::function<int&()> secondSetting;
  // Bookmarks stored for the file (music) or the book (audio book).
  int bmType;
  bool bmByFolder;
};

void PrintTo(const PlayerCase& c, std::ostream* os) { *os << c.name; }

int BookmarksOf(int type, const std::string& key) {
  int idx = g_bookmark.Find(type, key.c_str());
  return idx >= 0 ? g_bookmark.GetAt(idx)->GetCount() : 0;
}

class SharedKeysTest : public PlayerWindowTest, public ::testing::WithParamInterface<PlayerCase> {
 protected:
  bool Playing() { return GetParam().thread().State() == PLAY_STATE_PLAYING; }
  int Bookmarks() {
    const std::string key = GetParam().bmByFolder ? dir_.path() : dir_ / "a.mp3";
    return BookmarksOf(GetParam().bmType, key);
  }
};

// Until the tick finishes it the open is in progress, as a slow card keeps it.
TEST_P(SharedKeysTest, BackAndTheModeKeysActWhileAFileOpens) {
  AddFile("a.mp3", 60000);
  ASSERT_EQ(GetParam().create(dir_.path(), "a.mp3"), 0);
  KeyDown(KEY_PLAY);  // waits for the file
  ASSERT_EQ(g_TotalWindows, 2);
  KeyDown(KEY_BACK);
  EXPECT_EQ(g_TotalWindows, 1);
  ASSERT_EQ(GetParam().create(dir_.path(), "a.mp3"), 0);
  KeyDown(KEY_RADIO);
  EXPECT_EQ(g_TotalWindows, 1);
  EXPECT_EQ(root_->lastCode, KEY_RADIO);
}

// The menus pause the player, remember their item, apply on play, give way
// to each other with the bookmark key, refuse keys on a locked keypad, and
// play resumes once they are left.
TEST_P(SharedKeysTest, MenusRememberTheirItemApplyOnPlayAndResume) {
  fake_->pace = 1;
  AddFile("a.mp3", 60000);
  ASSERT_EQ(GetParam().create(dir_.path(), "a.mp3"), 0);
  ASSERT_TRUE(TickUntil([&] { return Playing(); }));
  const int before = GetParam().secondSetting();
  Tap(KEY_MENU);
  EXPECT_EQ(GetParam().thread().State(), PLAY_STATE_PAUSED);
  Tap(KEY_DOWN);  // the second item
  Tap(KEY_BACK);  // left without applying
  ASSERT_TRUE(TickUntil([&] { return Playing(); }));
  Tap(KEY_MENU);   // opens at the second item
  Tap(KEY_RIGHT);
  g_bKeyBoardLocked = true;
  Tap(KEY_PLAY);  // refused
  EXPECT_EQ(GetParam().secondSetting(), before);
  g_bKeyBoardLocked = false;
  Tap(KEY_PLAY);
  EXPECT_EQ(GetParam().secondSetting(), before + 1);
  ASSERT_TRUE(TickUntil([&] { return Playing(); }));

  Tap(KEY_MENU);
  Tap(KEY_BOOKMARK);  // from the settings to the bookmarks, on "add"
  Tap(KEY_BOOKMARK);  // not a bookmark menu key: goes to the root
  EXPECT_EQ(root_->lastCode, KEY_BOOKMARK);
}

TEST_P(SharedKeysTest, BookmarkMenuAddsAndListsWithTheArrows) {
  fake_->pace = 1;
  AddFile("a.mp3", 60000);
  ASSERT_EQ(GetParam().create(dir_.path(), "a.mp3"), 0);
  ASSERT_TRUE(TickUntil([&] { return Playing(); }));
  Tap(KEY_BOOKMARK);  // "add"
  Tap(KEY_PLAY);
  EXPECT_EQ(Bookmarks(), 1);
  ASSERT_TRUE(TickUntil([&] { return Playing(); }));
  Tap(KEY_BOOKMARK);  // remembered: "add" again
  Tap(KEY_PLAY);
  EXPECT_EQ(Bookmarks(), 2);
  Tap(KEY_BOOKMARK);
  Tap(KEY_RIGHT);  // the list
  Tap(KEY_PLAY);   // opens it
  Tap(KEY_LEFT);   // walks it
  Tap(KEY_PLAY);   // plays the bookmark and leaves
  ASSERT_TRUE(TickUntil([&] { return Playing(); }));
  EXPECT_EQ(Bookmarks(), 2);
}

INSTANTIATE_TEST_SUITE_P(
    Players, SharedKeysTest,
    ::testing::Values(
        PlayerCase{"Music",
                   [](const std::string& dir, const char* file) { return CreateAudioPlayer(dir.c_str(), file, -1, -1); },
                   MusicPlayThread, [] () -> int& { return g_AudioSettings.equalizer; }, EM_BM_MUSIC, false},
        PlayerCase{"AudioBook",
                   [](const std::string& dir, const char*) { return CreateAudioBookPlayer(dir.c_str(), nullptr); },
                   AudioBookPlayThread, [] () -> int& { return g_AudioBookSettings.pitch; }, EM_BM_AUDIOBOOK, true}),
    [](const ::testing::TestParamInfo<PlayerCase>& info) { return std::string(info.param.name); });

}  // namespace
