// The reader window: opening, reading to the end, pausing, the repeated
// range, the history and resuming.
#include <random>

#include "tests/ebook/kf8_maker.h"
#include "tests/ebook/reader_fixture.h"

namespace {

using EbookReaderTest = ReaderTest;

TEST_F(EbookReaderTest, ReadsEverySentenceInOrderThenSaysEndOfFileOnceAndStaysPaused) {
  std::string book = NumberedBook("book.txt", 5, 2);
  OpenAndRead(book);
  ASSERT_TRUE(TickUntil([&] { return io_->CountSaid("end of file") > 0; }));
  EXPECT_EQ(io_->SpokenTexts(),
            (std::vector<std::string>{Sentence(1), Sentence(2), Sentence(3), Sentence(4), Sentence(5)}));
  // Ticks go on; nothing more is said and nothing more is read.
  TickUntil([] { return false; }, 200);
  EXPECT_EQ(io_->CountSaid("end of file"), 1);
  EXPECT_EQ(io_->SpokenCount(), 5u);
  EXPECT_TRUE(Reader()->IsUserPaused());
  EXPECT_EQ(EbookState(), EB_STATE_STOPPED);
  // Play at the end reads nothing and says so again.
  Tap(KEY_PLAY);
  ASSERT_TRUE(TickUntil([&] { return io_->CountSaid("end of file") == 2; }));
  EXPECT_EQ(io_->SpokenCount(), 5u);
}

TEST_F(EbookReaderTest, ClosingStoresThePlaceAndReopeningResumesAtTheSameSentence) {
  io_->paceMs = 10;
  io_->blocks = 5;
  std::string book = NumberedBook("resume.txt", 40, 3);
  OpenAndRead(book);
  ASSERT_TRUE(SpokenAtLeast(3));
  Tap(KEY_BACK);
  ASSERT_EQ(g_TotalWindows, 1);
  EXPECT_EQ(EbookState(), EB_STATE_IDLE);
  // The sentence being read when the window closed is the one stored.
  const std::string last = io_->SpokenTexts().back();
  int h = g_History.Find(EM_HISTORY_EBOOK, book.c_str());
  ASSERT_EQ(h, 0);
  HistoryItem* item = g_History.GetAt(h);
  EXPECT_GT(item->place, 0);
  EXPECT_EQ(item->page, 0);
  EXPECT_STREQ(item->text, "");

  io_->Reset();
  io_->paceMs = 10;
  io_->blocks = 5;
  OpenAndRead(book);
  EXPECT_EQ(io_->SpokenTexts().front(), last);
  CloseAllChildWindow();

  // Without "ebook resume play" the book starts from its beginning.
  g_SystemSettings.ebook_resume_play = false;
  io_->Reset();
  OpenAndRead(book);
  EXPECT_EQ(io_->SpokenTexts().front(), Sentence(1));
}

// A KF8 book long enough to be read in steps: chapters of 90 paragraphs,
// headings of two levels.
std::string LongKf8Book() {
  std::vector<std::string> chapters;
  for (int c = 0; c < 40; ++c) {
    std::string h = c % 2 ? "h2" : "h1";
    std::string ch = "<" + h + ">Chapter " + std::to_string(c) + "</" + h + ">";
    for (int p = 0; p < 90; ++p) ch += "<p>Paragraph " + std::to_string(p) + " of chapter " + std::to_string(c) + ".</p>";
    chapters.push_back(ch);
  }
  return kf8maker::Make(chapters);
}

// A long book is read aloud from its first steps: the heading levels are
// offered once the user turns to the modes, and closing before the book was
// read whole still stores the place it resumes at.
TEST_F(EbookReaderTest, ALongBookReadInStepsOffersItsLevelsAndResumes) {
  io_->paceMs = 10;
  io_->blocks = 5;
  std::string book = WriteBook("long.azw3", LongKf8Book());
  OpenAndRead(book);
  EXPECT_EQ(io_->SpokenTexts().front(), "Chapter 0");
  EXPECT_EQ(Reader()->NavModes().size(), 9u);  // no levels known yet
  ASSERT_TRUE(SpokenAtLeast(3));
  Tap(KEY_DOWN);
  EXPECT_EQ(Reader()->NavMode(), EB_NAV_ONE_PERCENT);
  EXPECT_EQ(Reader()->NavModes().size(), 11u);
  Tap(KEY_DOWN);
  EXPECT_EQ(Reader()->NavMode(), EB_NAV_LEVEL1);
  ASSERT_TRUE(SpokenAtLeast(io_->SpokenCount() + 2));  // the mode prompts only paused the reading
  Tap(KEY_BACK);
  const std::string last = io_->SpokenTexts().back();
  int h = g_History.Find(EM_HISTORY_EBOOK, book.c_str());
  ASSERT_GE(h, 0);
  EXPECT_GT(g_History.GetAt(h)->place, 0);
  io_->Reset();
  io_->paceMs = 10;
  io_->blocks = 5;
  OpenAndRead(book);
  EXPECT_EQ(io_->SpokenTexts().front(), last);
}

// Keys at random while a long book is still being read in steps (moves that
// reach past what was read, mode changes, the info key reading the rest on
// the key's thread): every one is taken, and the reader still answers.
TEST_F(EbookReaderTest, RandomKeysOverALongBookReadInSteps) {
  io_->paceMs = 2;
  OpenAndRead(WriteBook("random.azw3", LongKf8Book()));
  std::mt19937 rng(7);
  const int keys[] = {KEY_LEFT, KEY_RIGHT, KEY_UP, KEY_DOWN, KEY_PLAY, KEY_INFO};
  for (int i = 0; i < 150; ++i) {
    Tap(keys[rng() % 6]);
    TickUntil([] { return false; }, 3);
  }
  const size_t said = io_->Said().size();
  Tap(KEY_INFO);
  ASSERT_TRUE(TickUntil([&] { return io_->Said().size() > said; }));
  EXPECT_EQ(io_->Said().back().rfind("Current page: ", 0), 0u) << io_->Said().back();
}

TEST_F(EbookReaderTest, AStartPositionFromABookmarkWinsOverTheHistory) {
  std::string book = NumberedBook("start.txt", 60);
  // Sentence n starts at (n - 1) * 40 units ("This is sentence number n of the test book.\n").
  g_History.AddEbook(book.c_str(), 0, 80, "");
  io_->paceMs = 5;
  std::string text = dtbtest::ReadFile(book);
  int place = static_cast<int>(text.find(Sentence(30)));
  OpenAndRead(book, place / 1000, place);
  EXPECT_EQ(io_->SpokenTexts().front(), Sentence(30));
}

TEST_F(EbookReaderTest, FilesThatCannotBeOpenedAreReportedAndTheWindowCloses) {
  for (const std::string& name : {std::string("no_extension"), std::string("notes.odt"), std::string("gone.txt")}) {
    SCOPED_TRACE(name);
    io_->Reset();
    std::string path = dir_ / name;
    if (name != "gone.txt") dtbtest::WriteFile(path, "Some text.");
    ASSERT_EQ(CreateEbookPlayer(path.c_str(), -1, -1, -1, -1), 0);
    ASSERT_TRUE(TickUntil([] { return g_TotalWindows == 1; }));
    EXPECT_EQ(io_->CountSaid("can not open file"), 1);
    EXPECT_EQ(io_->SpokenCount(), 0u);
    EXPECT_EQ(EbookState(), EB_STATE_IDLE);
    EXPECT_EQ(g_History.GetCount(), 0);
  }
  EXPECT_EQ(CreateEbookPlayer(nullptr, -1, -1, -1, -1), -1);
}

TEST_F(EbookReaderTest, PlayPausesInTheMiddleOfASentenceAndResumesWithoutRepeatingIt) {
  io_->paceMs = 20;
  io_->blocks = 10;
  io_->keep = true;
  std::string book = NumberedBook("pause.txt", 3);
  OpenAndRead(book);
  ASSERT_TRUE(TickUntil([&] { return !io_->Samples().empty(); }));
  Tap(KEY_PLAY);
  EXPECT_TRUE(Reader()->IsUserPaused());
  EXPECT_EQ(EbookState(), EB_STATE_PAUSED);
  EXPECT_EQ(io_->Said().back(), "pause");
  size_t held = io_->Samples().size();
  TickUntil([] { return false; }, 150);
  EXPECT_EQ(io_->Samples().size(), held) << "samples went out while paused";
  EXPECT_EQ(io_->SpokenCount(), 1u);
  Tap(KEY_PLAY);
  EXPECT_FALSE(Reader()->IsUserPaused());
  ASSERT_TRUE(TickUntil([&] { return io_->CountSaid("end of file") == 1; }));
  // Every block of every sentence reached the card exactly once.
  EXPECT_EQ(io_->SpokenTexts(), (std::vector<std::string>{Sentence(1), Sentence(2), Sentence(3)}));
  EXPECT_EQ(io_->Samples().size(), 3u * 10 * FakeEbookIo::kBlock);
}

TEST_F(EbookReaderTest, PromptsPauseTheReadingAndItResumesAfterThem) {
  io_->paceMs = 10;
  io_->blocks = 4;
  std::string book = NumberedBook("prompt.txt", 6);
  OpenAndRead(book);
  // The information key: the page is spoken, reading goes on after it.
  Tap(KEY_INFO);
  EXPECT_EQ(io_->Said().back(), "Current page: 1, total pages: 1");
  ASSERT_TRUE(TickUntil([&] { return io_->CountSaid("end of file") == 1; }));
  EXPECT_EQ(io_->SpokenTexts().size(), 6u);
}

TEST_F(EbookReaderTest, ARepeatedRangeIsReadOverAndOverUntilItIsCleared) {
  std::string book = NumberedBook("range.txt", 20);
  std::string text = dtbtest::ReadFile(book);
  int start = static_cast<int>(text.find(Sentence(3)));
  int end = static_cast<int>(text.find(Sentence(5)));
  // The range's end comes first: the reader orders the two marks.
  OpenAndRead(book, 0, end, 0, start);
  ASSERT_TRUE(SpokenAtLeast(9));
  auto spoken = io_->SpokenTexts();
  EXPECT_EQ(spoken[0], Sentence(5));
  for (size_t i = 1; i + 3 <= spoken.size() && i < 7; i += 3) {
    EXPECT_EQ(spoken[i], Sentence(3));
    EXPECT_EQ(spoken[i + 1], Sentence(4));
    EXPECT_EQ(spoken[i + 2], Sentence(5));
  }
  EXPECT_TRUE(EbookHasRepeat());
  // Closing forgets the range: the next opening reads on to the end.
  CloseAllChildWindow();
  EXPECT_FALSE(EbookHasRepeat());
}

TEST_F(EbookReaderTest, ClosingFromOutsideWhileReadingOrPausedStopsAndClosesTheBook) {
  io_->paceMs = 20;
  io_->blocks = 10;
  std::string book = NumberedBook("outside.txt", 5);
  OpenAndRead(book);
  // Paused inside the sample callback, then closed by a mode key.
  Tap(KEY_PLAY);
  ASSERT_EQ(EbookState(), EB_STATE_PAUSED);
  EXPECT_EQ(KeyDown(KEY_RADIO), KEY_RADIO);
  EXPECT_EQ(g_TotalWindows, 1);
  EXPECT_EQ(EbookState(), EB_STATE_IDLE);
  EXPECT_EQ(g_History.Find(EM_HISTORY_EBOOK, book.c_str()), 0);
}

TEST_F(EbookReaderTest, ASpeechEngineThatRefusesEverySentenceStopsTheReading) {
  io_->failSpeech = true;
  std::string book = NumberedBook("mute.txt", 50);
  ASSERT_EQ(CreateEbookPlayer(book.c_str(), -1, -1, -1, -1), 0);
  ASSERT_TRUE(TickUntil([&] { return io_->CountSaid("can't play") == 1; }));
  EXPECT_LT(io_->SpokenCount(), 10u);
  EXPECT_TRUE(Reader()->IsUserPaused());
}

TEST_F(EbookReaderTest, AVeryLargeBookSaysPleaseWaitWhileItOpens) {
  // About 6 MB of text takes a while to scan.
  std::string line;
  for (int i = 0; i < 20; ++i) line += "Lorem ipsum dolor sit amet, consectetur adipiscing elit. ";
  line += "\n";
  std::string text;
  while (text.size() < 6u * 1024 * 1024) text += line;
  std::string book = WriteBook("big.txt", text);
  ASSERT_EQ(CreateEbookPlayer(book.c_str(), -1, -1, -1, -1), 0);
  // Keys while opening are answered, not acted on.
  Tap(KEY_RIGHT);
  EXPECT_EQ(io_->Said().back(), "opening file, please wait.");
  ASSERT_TRUE(SpokenAtLeast(1, 30000));
  EXPECT_FALSE(Reader()->IsOpening());
  EXPECT_EQ(Reader()->NavMode(), EB_NAV_TEN_PERCENT);
  CloseAllChildWindow();

  // Closed from outside while still opening: the book is closed as soon as
  // it is open, and no place is stored for it.
  g_History.Clean();
  io_->Reset();
  ASSERT_EQ(CreateEbookPlayer(book.c_str(), -1, -1, -1, -1), 0);
  ASSERT_TRUE(Reader()->IsOpening());
  CloseAllChildWindow();
  EXPECT_EQ(EbookState(), EB_STATE_IDLE);
  EXPECT_EQ(g_History.GetCount(), 0);
  EXPECT_EQ(io_->SpokenCount(), 0u);
}

}  // namespace
