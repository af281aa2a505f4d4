// The reader's moves left and right in every navigation mode.
#include "tests/ebook/reader_fixture.h"

namespace {

class EbookMovesTest : public ReaderTest {
 protected:
  // Slow enough that a key lands inside the sentence being read.
  void SetUp() override {
    ReaderTest::SetUp();
    io_->paceMs = 15;
    io_->blocks = 8;
  }
  // Chooses a navigation mode by walking the list with the down key.
  void ChooseMode(int mode) {
    const auto& modes = Reader()->NavModes();
    ASSERT_FALSE(modes.empty());
    for (size_t i = 0; i < modes.size() && Reader()->NavMode() != mode; ++i) Tap(KEY_DOWN);
    ASSERT_EQ(Reader()->NavMode(), mode);
  }
  // Presses a key and returns the next text read after it.
  std::string ReadAfter(int key) {
    size_t before = io_->SpokenCount();
    Tap(key);
    EXPECT_TRUE(SpokenAtLeast(before + 1));
    auto texts = io_->SpokenTexts();
    return texts.size() > before ? texts[before] : std::string();
  }
  // The first sentence of the numbered book that starts at or after `place`.
  static int SentenceAtOrAfter(const std::string& text, int place) {
    for (int n = 1;; ++n) {
      size_t at = text.find(Sentence(n));
      if (at == std::string::npos) return -1;
      if (static_cast<int>(at) >= place) return n;
    }
  }
};

TEST_F(EbookMovesTest, UpAndDownWalkTheModesWithWrapAroundAndNameThem) {
  OpenAndRead(NumberedBook("modes.txt", 30));
  EXPECT_EQ(Reader()->NavModes(), (std::vector<int>{0, 1, 2, 3, 4, 14, 15, 16, 17}));
  Tap(KEY_UP);
  EXPECT_EQ(Reader()->NavMode(), EB_NAV_BOOKMARK);
  EXPECT_EQ(io_->Said().back(), "bookmark");
  Tap(KEY_DOWN);
  Tap(KEY_DOWN);
  EXPECT_EQ(Reader()->NavMode(), EB_NAV_ONE_PERCENT);
  EXPECT_EQ(io_->Said().back(), "one percent");
  // The mode prompt only paused the reading.
  size_t n = io_->SpokenCount();
  ASSERT_TRUE(SpokenAtLeast(n + 1));
}

TEST_F(EbookMovesTest, SentenceParagraphAndPageMoves) {
  std::string book = NumberedBook("moves.txt", 90, 3);
  std::string text = dtbtest::ReadFile(book);
  OpenAndRead(book);
  ChooseMode(EB_NAV_SENTENCE);
  EXPECT_EQ(ReadAfter(KEY_RIGHT), Sentence(2));
  EXPECT_EQ(ReadAfter(KEY_RIGHT), Sentence(3));
  EXPECT_EQ(ReadAfter(KEY_LEFT), Sentence(2));

  ChooseMode(EB_NAV_PARAGRAPH);
  EXPECT_EQ(ReadAfter(KEY_RIGHT), Sentence(4));
  EXPECT_EQ(ReadAfter(KEY_RIGHT), Sentence(7));
  EXPECT_EQ(ReadAfter(KEY_LEFT), Sentence(4));

  ChooseMode(EB_NAV_PAGE);
  const int page1 = SentenceAtOrAfter(text, 1000), page2 = SentenceAtOrAfter(text, 2000);
  EXPECT_EQ(ReadAfter(KEY_RIGHT), Sentence(page1));
  EXPECT_EQ(ReadAfter(KEY_RIGHT), Sentence(page2));
  EXPECT_EQ(PagePlace().first, 2);
  EXPECT_EQ(ReadAfter(KEY_LEFT), Sentence(page1));
  // Reading was resumed every time: no key paused it.
  EXPECT_FALSE(Reader()->IsUserPaused());
}

TEST_F(EbookMovesTest, TenPercentStepsByATenthOfThePagesAndOnePageWhenThatIsLess) {
  // About 15 pages.
  std::string book = NumberedBook("fifteen.txt", 320);
  std::string text = dtbtest::ReadFile(book);
  OpenAndRead(book);
  WithEbook([](iCEbook* b) { ASSERT_EQ(b->GetTotalPages(), 15); });
  ChooseMode(EB_NAV_TEN_PERCENT);
  // Forward: 15 / 10 = 1 page a step.
  EXPECT_EQ(ReadAfter(KEY_RIGHT), Sentence(SentenceAtOrAfter(text, 1000)));
  ChooseMode(EB_NAV_PAGE);
  for (int i = 0; i < 4; ++i) ReadAfter(KEY_RIGHT);
  ASSERT_EQ(PagePlace().first, 5);
  ChooseMode(EB_NAV_TEN_PERCENT);
  // Backward at page 5: the step (1) is below 2, so one page back.
  EXPECT_EQ(ReadAfter(KEY_LEFT), Sentence(SentenceAtOrAfter(text, 4000)));
  EXPECT_EQ(PagePlace().first, 4);
}

TEST_F(EbookMovesTest, PercentStepsOnALongerBookAndTheStartOfTheBook) {
  // About 30 pages: ten per cent is 3 pages, one per cent is less than one.
  std::string book = NumberedBook("thirty.txt", 680);
  std::string text = dtbtest::ReadFile(book);
  OpenAndRead(book);
  int pages = 0;
  WithEbook([&](iCEbook* b) { pages = b->GetTotalPages(); });
  ASSERT_GE(pages, 30);
  ChooseMode(EB_NAV_TEN_PERCENT);
  const int step = pages / 10;
  EXPECT_EQ(ReadAfter(KEY_RIGHT), Sentence(SentenceAtOrAfter(text, 1000 * step)));
  EXPECT_EQ(ReadAfter(KEY_RIGHT), Sentence(SentenceAtOrAfter(text, 2000 * step)));
  EXPECT_EQ(ReadAfter(KEY_LEFT), Sentence(SentenceAtOrAfter(text, 1000 * step)));
  ChooseMode(EB_NAV_ONE_PERCENT);
  EXPECT_EQ(ReadAfter(KEY_RIGHT), Sentence(SentenceAtOrAfter(text, 1000 * (step + 1))));
  ChooseMode(EB_NAV_TEN_PERCENT);
  EXPECT_EQ(ReadAfter(KEY_LEFT), Sentence(SentenceAtOrAfter(text, 1000)));
  // A step back past the first page stops there.
  EXPECT_EQ(ReadAfter(KEY_LEFT), Sentence(1));
  EXPECT_EQ(io_->CountSaid("beginning of file"), 0);
  // Already on the first page: it starts again and says where it is.
  EXPECT_EQ(ReadAfter(KEY_LEFT), Sentence(1));
  EXPECT_EQ(io_->CountSaid("beginning of file"), 1);
}

TEST_F(EbookMovesTest, BookmarkModeJumpsBetweenTheBooksBookmarks) {
  std::string book = NumberedBook("marks.txt", 60);
  std::string text = dtbtest::ReadFile(book);
  auto at = [&](int n) { return static_cast<int>(text.find(Sentence(n))); };
  OpenAndRead(book);
  ChooseMode(EB_NAV_BOOKMARK);
  // None yet.
  size_t n = io_->SpokenCount();
  Tap(KEY_RIGHT);
  EXPECT_EQ(io_->Said().back(), "no bookmarks");
  ASSERT_TRUE(SpokenAtLeast(n + 1));
  CloseAllChildWindow();

  // Bookmarks of another file do not count.
  g_bookmark.AddEbook((dir_ / "other.txt").c_str(), 0, at(3), -1, -1, "");
  g_bookmark.AddEbook(book.c_str(), at(40) / 1000, at(40), -1, -1, "forty");
  g_bookmark.AddEbook(book.c_str(), at(10) / 1000, at(10), -1, -1, "ten");
  io_->Reset();
  io_->paceMs = 15;
  io_->blocks = 8;
  g_SystemSettings.ebook_resume_play = false;
  OpenAndRead(book);
  ChooseMode(EB_NAV_BOOKMARK);
  EXPECT_EQ(ReadAfter(KEY_RIGHT), Sentence(10));
  EXPECT_EQ(ReadAfter(KEY_RIGHT), Sentence(40));
  EXPECT_EQ(ReadAfter(KEY_LEFT), Sentence(10));
  // Before the first bookmark lies the start of the book.
  EXPECT_EQ(ReadAfter(KEY_LEFT), Sentence(1));
  EXPECT_EQ(io_->CountSaid("beginning of file"), 1);
  // After the last one lies the end.
  ReadAfter(KEY_RIGHT);
  ReadAfter(KEY_RIGHT);
  Tap(KEY_RIGHT);
  ASSERT_TRUE(TickUntil([&] { return io_->CountSaid("end of file") == 1; }));
}

TEST_F(EbookMovesTest, WordsAreSpokenOneByOneAcrossSentencesAndPlayGoesBackToReading) {
  std::string book = WriteBook("words.txt", "Don't pay 3.50 now!\nZażółć gęślą jaźń.\n");
  OpenAndRead(book);
  ChooseMode(EB_NAV_WORD);
  // The key stops the reading; each press speaks one word.
  auto word = [&](int key) {
    size_t before = io_->SpokenCount();
    Tap(key);
    EXPECT_TRUE(TickUntil([&] { return io_->SpokenCount() > before && EbookState() == EB_STATE_STOPPED; }));
    auto list = io_->SpokenList();
    EXPECT_EQ(list.back().mode, EB_PLAY_WORD);
    return list.back().text;
  };
  EXPECT_EQ(word(KEY_RIGHT), "Don't");
  EXPECT_EQ(word(KEY_RIGHT), "pay");
  EXPECT_EQ(word(KEY_RIGHT), "3.50");
  EXPECT_EQ(word(KEY_RIGHT), "now");
  EXPECT_EQ(word(KEY_RIGHT), "Zażółć");
  EXPECT_EQ(word(KEY_RIGHT), "gęślą");
  EXPECT_EQ(word(KEY_LEFT), "Zażółć");
  EXPECT_EQ(word(KEY_LEFT), "now");
  // Nothing is read aloud between the words.
  TickUntil([] { return false; }, 100);
  EXPECT_EQ(EbookState(), EB_STATE_STOPPED);
  // Play reads on from the sentence of the word.
  size_t before = io_->SpokenCount();
  Tap(KEY_PLAY);
  ASSERT_TRUE(SpokenAtLeast(before + 1));
  EXPECT_EQ(io_->SpokenList()[before].mode, EB_PLAY_BOOK);
  EXPECT_EQ(io_->SpokenTexts()[before], "Don't pay 3.50 now!");
}

TEST_F(EbookMovesTest, TheEndsOfTheBookStopWordMoves) {
  std::string book = WriteBook("two.txt", "One two.\n");
  OpenAndRead(book);
  ChooseMode(EB_NAV_SPELL);
  size_t before = io_->SpokenCount();
  Tap(KEY_RIGHT);
  ASSERT_TRUE(TickUntil([&] { return io_->SpokenCount() > before && EbookState() == EB_STATE_STOPPED; }));
  EXPECT_EQ(io_->SpokenList().back().mode, EB_PLAY_SPELL);
  EXPECT_EQ(io_->SpokenList().back().text, "O n e  One");
  Tap(KEY_RIGHT);
  ASSERT_TRUE(TickUntil([&] { return io_->SpokenCount() > before + 1 && EbookState() == EB_STATE_STOPPED; }));
  Tap(KEY_RIGHT);
  EXPECT_EQ(io_->Said().back(), "end of file");
  Tap(KEY_LEFT);
  ASSERT_TRUE(TickUntil([&] { return io_->SpokenCount() > before + 2 && EbookState() == EB_STATE_STOPPED; }));
  EXPECT_EQ(io_->SpokenList().back().text, "t w o  two");
  Tap(KEY_LEFT);
  ASSERT_TRUE(TickUntil([&] { return io_->SpokenCount() > before + 3 && EbookState() == EB_STATE_STOPPED; }));
  Tap(KEY_LEFT);
  EXPECT_EQ(io_->Said().back(), "beginning of file");
}

TEST_F(EbookMovesTest, LettersSpeakCharactersTheirNamesAndRunsOfBlanks) {
  std::string book = WriteBook("letters.txt", "Hi!  Ok\r\n\r\nŁ");
  OpenAndRead(book);
  ChooseMode(EB_NAV_LETTER);
  std::vector<FakeEbookIo::Spoken> got;
  for (int i = 0; i < 7; ++i) {
    size_t before = io_->SpokenCount();
    Tap(KEY_RIGHT);
    ASSERT_TRUE(TickUntil([&] { return io_->SpokenCount() > before && EbookState() == EB_STATE_STOPPED; }));
    got.push_back(io_->SpokenList().back());
  }
  std::vector<std::string> texts;
  for (const auto& s : got) texts.push_back(s.text);
  EXPECT_EQ(texts, (std::vector<std::string>{"H", "i", "exclamation mark", "space", "O", "k", "line feed"}));
  // A letter is read letter by letter; a name is read as words.
  EXPECT_EQ(got[0].mode, EB_PLAY_LETTER);
  EXPECT_TRUE(got[0].letterByLetter);
  EXPECT_EQ(got[2].mode, EB_PLAY_WORD);
  EXPECT_FALSE(got[2].letterByLetter);
  size_t before = io_->SpokenCount();
  Tap(KEY_RIGHT);
  ASSERT_TRUE(TickUntil([&] { return io_->SpokenCount() > before && EbookState() == EB_STATE_STOPPED; }));
  EXPECT_EQ(io_->SpokenList().back().text, "Ł");
  // Back over the line breaks in one step.
  before = io_->SpokenCount();
  Tap(KEY_LEFT);
  ASSERT_TRUE(TickUntil([&] { return io_->SpokenCount() > before && EbookState() == EB_STATE_STOPPED; }));
  EXPECT_EQ(io_->SpokenList().back().text, "line feed");
  before = io_->SpokenCount();
  Tap(KEY_LEFT);
  ASSERT_TRUE(TickUntil([&] { return io_->SpokenCount() > before && EbookState() == EB_STATE_STOPPED; }));
  EXPECT_EQ(io_->SpokenList().back().text, "k");
}

}  // namespace
