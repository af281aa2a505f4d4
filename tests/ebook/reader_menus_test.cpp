// The reader's settings and bookmark menus, and the background music.
#include <cmath>

#include "tests/ebook/reader_fixture.h"

namespace {

class EbookMenusTest : public ReaderTest {
 protected:
  void SetUp() override {
    ReaderTest::SetUp();
    io_->paceMs = 15;
    io_->blocks = 8;
  }
  // Presses a key in a menu (down, then the press that moves).
  void Press(int key, int times = 1) {
    for (int i = 0; i < times; ++i) Tap(key);
  }
  std::string ReadAfterResume(size_t before) {
    EXPECT_TRUE(SpokenAtLeast(before + 1));
    auto texts = io_->SpokenTexts();
    return texts.size() > before ? texts[before] : std::string();
  }
};

TEST_F(EbookMenusTest, GoToPageTakesANumberAndReadsFromThatPage) {
  std::string book = NumberedBook("pages.txt", 150);
  std::string text = dtbtest::ReadFile(book);
  OpenAndRead(book);
  Tap(KEY_MENU);
  EXPECT_TRUE(Reader()->InMenu());
  EXPECT_EQ(io_->Said().back(), "go to page");
  // Reading waits while the menu is open.
  size_t before = io_->SpokenCount();
  TickUntil([] { return false; }, 100);
  EXPECT_EQ(io_->SpokenCount(), before);
  Tap(KEY_PLAY);
  EXPECT_EQ(io_->Said().back(), "0");
  Press(KEY_RIGHT, 4);
  EXPECT_EQ(io_->Said().back(), "4");
  // Back clears the number first, then leaves.
  Tap(KEY_BACK);
  EXPECT_EQ(io_->Said().back(), "go to page");
  EXPECT_TRUE(Reader()->InMenu());
  Press(KEY_LEFT);  // from nothing, left wraps to the last page
  int pages = 0;
  WithEbook([&](iCEbook* b) { pages = b->GetTotalPages(); });
  EXPECT_EQ(io_->Said().back(), std::to_string(pages));
  Press(KEY_RIGHT, 2);  // round past the last page
  EXPECT_EQ(io_->Said().back(), "2");
  Press(KEY_RIGHT);
  Tap(KEY_PLAY);
  EXPECT_FALSE(Reader()->InMenu());
  EXPECT_EQ(io_->Said().back(), "going to page 3");
  size_t pos = text.find("sentence number", 2000);
  int n = std::atoi(text.c_str() + pos + 16);
  EXPECT_EQ(ReadAfterResume(before), Sentence(n));
  EXPECT_EQ(PagePlace().first, 2);
  // The menu opens at the item used last.
  Tap(KEY_MENU);
  EXPECT_EQ(io_->Said().back(), "go to page");
  Tap(KEY_MENU);
}

TEST_F(EbookMenusTest, VoiceSpeedAndMusicSettingsAreStoredAndApplied) {
  std::string book = NumberedBook("settings.txt", 40);
  OpenAndRead(book);
  Tap(KEY_MENU);
  Press(KEY_DOWN, 2);
  EXPECT_EQ(io_->Said().back().rfind("voice: ", 0), 0u) << io_->Said().back();
  Press(KEY_LEFT, 1);  // role 0 -> system
  EXPECT_EQ(io_->Said().back(), "voice: system");
  Tap(KEY_PLAY);
  EXPECT_EQ(io_->Said().back(), "Setting done.");
  EXPECT_EQ(g_EbookSettings.role, -1);
  EXPECT_FALSE(Reader()->InMenu());

  Tap(KEY_MENU);  // back at "voice"
  Press(KEY_DOWN);
  EXPECT_EQ(io_->Said().back(), "Speed: 0");
  Press(KEY_LEFT, 12);  // clamps at -10
  EXPECT_EQ(io_->Said().back(), "Speed: minus 10");
  Tap(KEY_PLAY);
  EXPECT_EQ(g_EbookSettings.speed, -10);

  Tap(KEY_MENU);
  Press(KEY_DOWN);
  EXPECT_EQ(io_->Said().back(), "Background music volume: disable");
  Press(KEY_RIGHT, 3);
  EXPECT_EQ(io_->Said().back(), "Background music volume: 3:7");
  Tap(KEY_PLAY);
  EXPECT_EQ(g_EbookSettings.background_music_volume, 3);
  // No music file: the music stays off, reading goes on.
  EXPECT_FALSE(BgMusic_IsOn());
  EXPECT_EQ(io_->musicPath, "/home/backgroundmusic/01.mp3");

  Tap(KEY_MENU);
  Press(KEY_DOWN);
  EXPECT_EQ(io_->Said().back(), "Select background music 01");
  Press(KEY_LEFT);
  EXPECT_EQ(io_->Said().back(), "Select background music 15");
  Tap(KEY_PLAY);
  EXPECT_EQ(g_EbookSettings.background_music_file_select, 15);
  size_t before = io_->SpokenCount();
  ASSERT_TRUE(SpokenAtLeast(before + 1));
  // The bookmark key goes from the settings menu to the bookmark menu.
  Tap(KEY_MENU);
  Tap(KEY_BOOKMARK);
  EXPECT_EQ(io_->Said().back(), "add bookmark");
  Tap(KEY_BACK);
  EXPECT_FALSE(Reader()->InMenu());
}

TEST_F(EbookMenusTest, GoToHeadingRefusesABookWithoutHeadings) {
  OpenAndRead(NumberedBook("plain.txt", 10));
  Tap(KEY_MENU);
  Press(KEY_DOWN);
  EXPECT_EQ(io_->Said().back(), "go to heading");
  Tap(KEY_PLAY);
  EXPECT_EQ(io_->Said().back(), "0");
  Press(KEY_RIGHT);
  EXPECT_EQ(io_->Said().back(), "no such heading");
  Tap(KEY_PLAY);
  EXPECT_EQ(io_->Said().back(), "no such heading");
  EXPECT_TRUE(Reader()->InMenu());
  Tap(KEY_BACK);
  Tap(KEY_BACK);
  EXPECT_FALSE(Reader()->InMenu());
}

TEST_F(EbookMenusTest, AddedBookmarksAreStoredSpokenAndListed) {
  std::string book = NumberedBook("bm.txt", 80);
  std::string text = dtbtest::ReadFile(book);
  OpenAndRead(book);
  Tap(KEY_BOOKMARK);
  EXPECT_EQ(io_->Said().back(), "add bookmark");
  auto where = PagePlace();
  Tap(KEY_PLAY);
  EXPECT_EQ(io_->Said().back(), "Bookmark 1 added, This is sentence number 1 of the test book., page 1.");
  EXPECT_FALSE(Reader()->InMenu());
  int idx = g_bookmark.Find(EM_BM_EBOOK, book.c_str());
  ASSERT_GE(idx, 0);
  auto* item = static_cast<EbookBmFileItem*>(g_bookmark.GetAt(idx));
  ASSERT_EQ(item->GetCount(), 1);
  EXPECT_EQ(item->GetAt(0)->startPage, where.first);
  EXPECT_EQ(item->GetAt(0)->startPlace, where.second);
  EXPECT_EQ(item->GetAt(0)->endPage, -1);

  // A second one further on; the list starts at the newest and goes back
  // to the first, which is read from again.
  size_t before = io_->SpokenCount();
  ASSERT_TRUE(SpokenAtLeast(before + 3));
  Tap(KEY_BOOKMARK);
  Tap(KEY_PLAY);
  EXPECT_EQ(item->GetCount(), 2);
  EXPECT_EQ(io_->Said().back().rfind("Bookmark 2 added, ", 0), 0u) << io_->Said().back();
  Tap(KEY_BOOKMARK);
  Press(KEY_DOWN);
  EXPECT_EQ(io_->Said().back(), "bookmark list");
  Tap(KEY_PLAY);
  EXPECT_EQ(io_->Said().back().rfind("Bookmark 2, page 1., This is sentence number ", 0), 0u) << io_->Said().back();
  Press(KEY_LEFT);
  EXPECT_EQ(io_->Said().back(), "Bookmark 1, page 1., This is sentence number 1 of the test book.");
  before = io_->SpokenCount();
  Tap(KEY_PLAY);
  EXPECT_FALSE(Reader()->InMenu());
  EXPECT_EQ(ReadAfterResume(before), Sentence(1));
  EXPECT_FALSE(EbookHasRepeat());
  (void)text;
}

TEST_F(EbookMenusTest, AHighlightIsMarkedStoredAndRepeatedFromTheList) {
  io_->paceMs = 10;
  io_->blocks = 4;
  std::string book = NumberedBook("hl.txt", 60);
  OpenAndRead(book);
  // Start mark at the first sentence.
  Tap(KEY_BOOKMARK);
  Press(KEY_DOWN, 2);
  EXPECT_EQ(io_->Said().back(), "Start mark highlight bookmark");
  Tap(KEY_PLAY);
  EXPECT_EQ(io_->Said().back(), "mark start place");
  // Read on a few sentences, then the end mark.
  size_t before = io_->SpokenCount();
  ASSERT_TRUE(SpokenAtLeast(before + 3));
  Tap(KEY_BOOKMARK);
  EXPECT_EQ(io_->Said().back(), "End mark highlight bookmark");
  Tap(KEY_PLAY);
  EXPECT_EQ(io_->Said().back().rfind("Highlight bookmark 1 added, This is sentence number 1 of the test book., from page 1 to page 1.", 0), 0u)
      << io_->Said().back();
  int idx = g_bookmark.Find(EM_BM_EBOOK, book.c_str());
  ASSERT_GE(idx, 0);
  EbookBmItem* hl = static_cast<EbookBmFileItem*>(g_bookmark.GetAt(idx))->GetAt(0);
  EXPECT_EQ(hl->startPlace, 0);
  EXPECT_GT(hl->endPlace, 0);
  EXPECT_FALSE(EbookHasRepeat());

  // From the list it becomes the repeated range.
  Tap(KEY_BOOKMARK);
  Press(KEY_UP);  // the list
  Tap(KEY_PLAY);
  EXPECT_EQ(io_->Said().back(), "Highlight bookmark 1, from page 1 to page 1, This is sentence number 1 of the test book.");
  before = io_->SpokenCount();
  Tap(KEY_PLAY);
  EXPECT_FALSE(Reader()->InMenu());
  EXPECT_TRUE(EbookHasRepeat());
  ASSERT_TRUE(SpokenAtLeast(before + 12));
  auto texts = io_->SpokenTexts();
  int firsts = 0;
  for (size_t i = before; i < texts.size(); ++i) firsts += texts[i] == Sentence(1);
  EXPECT_GE(firsts, 2) << "the range was not repeated";
  // The highlight item now stops the repetition.
  Tap(KEY_BOOKMARK);
  Press(KEY_DOWN);
  EXPECT_EQ(io_->Said().back(), "Stop playing highlight bookmark");
  Tap(KEY_PLAY);
  EXPECT_FALSE(EbookHasRepeat());
}

TEST_F(EbookMenusTest, BackgroundMusicIsMixedUnderTheVoiceAndLoops) {
  // A short track: 32 kHz stereo, left and right at 3000 and 5000.
  io_->music.assign(2 * 1000, 0);
  for (size_t i = 0; i < io_->music.size(); i += 2) {
    io_->music[i] = 3000;
    io_->music[i + 1] = 5000;
  }
  io_->musicRate = 32000;
  io_->musicChannels = 2;
  io_->keep = true;
  io_->voiceLevel = 1000;
  io_->paceMs = 0;
  g_EbookSettings.background_music_volume = 8;
  g_EbookSettings.background_music_file_select = 7;
  OpenAndRead(NumberedBook("music.txt", 2));
  EXPECT_EQ(io_->musicPath, "/home/backgroundmusic/07.mp3");
  ASSERT_TRUE(TickUntil([&] { return io_->CountSaid("end of file") == 1; }));
  auto s = io_->Samples();
  ASSERT_GE(s.size(), 4u * FakeEbookIo::kBlock);
  // Voice 1000 and music (3000 + 5000) / 2: 20 % voice, 80 % music.
  EXPECT_EQ(s[0], 1000 + 8 * (4000 - 1000) / 10);
  // 1000 stereo frames at 32 kHz give 500 samples at 16 kHz; the block in
  // which the track runs out is partly unmixed and the track starts again.
  int mixed = 0, plain = 0;
  for (short v : s) {
    if (v == 3400) ++mixed;
    if (v == 1000) ++plain;
  }
  EXPECT_GT(plain, 0);
  EXPECT_GT(mixed, static_cast<int>(s.size()) / 2);
  EXPECT_GT(io_->musicSeeks, 0);
  CloseAllChildWindow();
  EXPECT_FALSE(io_->musicOpen);
  EXPECT_FALSE(BgMusic_IsOn());
}

TEST_F(EbookMenusTest, WordsAreSpokenWithoutMusic) {
  io_->music.assign(16000, 2000);
  io_->keep = true;
  g_EbookSettings.background_music_volume = 5;
  std::string book = WriteBook("quiet.txt", "Alpha beta.\n");
  OpenAndRead(book);
  ASSERT_TRUE(TickUntil([&] { return io_->CountSaid("end of file") == 1; }));
  while (Reader()->NavMode() != EB_NAV_WORD) Tap(KEY_DOWN);
  size_t samples = io_->Samples().size();
  size_t before = io_->SpokenCount();
  Tap(KEY_LEFT);
  ASSERT_TRUE(TickUntil([&] { return io_->SpokenCount() > before && EbookState() == EB_STATE_STOPPED; }));
  EXPECT_EQ(io_->SpokenList().back().text, "beta");
  auto s = io_->Samples();
  ASSERT_GT(s.size(), samples);
  for (size_t i = samples; i < s.size(); ++i) ASSERT_EQ(s[i], 1000) << i;
}

TEST_F(EbookMenusTest, RestoreDefaultsResetsTheReadersSettingsAndResumes) {
  g_EbookSettings.speed = 5;
  g_EbookSettings.role = 2;
  OpenAndRead(NumberedBook("defaults.txt", 30));
  Tap(KEY_BOOKMARK);
  size_t before = io_->SpokenCount();
  KeyDown(EV_RESTORE_DEFAULTS);
  EXPECT_FALSE(Reader()->InMenu());
  EXPECT_EQ(g_EbookSettings.role, -1);
  EXPECT_EQ(g_EbookSettings.speed, 0);
  ASSERT_TRUE(SpokenAtLeast(before + 1));
}

}  // namespace
