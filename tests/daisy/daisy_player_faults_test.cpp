// Faults found with real books: a repeat range that plays nothing, a step
// past the end, pause in text books and narration said twice.
#include <cstring>
#include <future>
#include <random>

#include "tests/daisy/daisy_player_fixture.h"

namespace daisytest {
namespace {

class DaisyFaultTest : public DaisyPlayerTest {
 protected:
  // Runs a key on a helper thread: a frozen play thread must fail the test,
  // not hang it.
  bool TapAnswered(int code, int maxMs = 3000) {
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> f = done->get_future();
    std::thread([this, code, done] {
      Tap(code);
      done->set_value();
    }).detach();
    return f.wait_for(std::chrono::milliseconds(maxMs)) == std::future_status::ready;
  }
  // A text book whose every second piece is punctuation ("...").
  void WritePunctuationBook() {
    std::string body;
    std::string smil;
    for (int i = 0; i < 40; ++i) {
      const std::string id = "t" + std::to_string(i);
      body += "<p id=\"" + id + "\">" +
              (i % 2 ? std::string("...") : "Sentence number " + std::to_string(i) + " is read.") +
              "</p>";
      smil += "<par id=\"p" + std::to_string(i) + "\"><text src=\"c.html#" + id + "\"/></par>";
    }
    dtbtest::WriteFile(Host(book_) + "/ncc.html",
                       "<html><head><title>T</title></head><body>"
                       "<h1><a href=\"s.smil#p0\">T</a></h1></body></html>\n");
    dtbtest::WriteFile(Host(book_) + "/s.smil", "<smil><body><seq>" + smil + "</seq></body></smil>\n");
    dtbtest::WriteFile(Host(book_) + "/c.html", "<html><body>" + body + "</body></html>\n");
  }
  int Reads(const std::string& what) {
    int n = 0;
    for (const std::string& l : Lines()) n += l == "read: " + what;
    return n;
  }
};

TEST_F(DaisyFaultTest, ZeroLengthHighlightRepeatsItsPieceAndKeysAreAnswered) {
  MakeBook(false);
  // Objects of the text book: 0 seq | 1 par 2 text | 3 par 4 text | ...
  DaisyPlayer* p = OpenBook(4, 0, 4, 0);
  ASSERT_NE(p, nullptr);
  EXPECT_TRUE(TickUntil([&] { return Reads("First words of the book.") >= 2; }, 15000))
      << AllLines();
  ASSERT_TRUE(TapAnswered(KEY_PLAY)) << "the play thread no longer takes commands";
  EXPECT_EQ(State(), DAISY_STATE_PAUSED);
  EXPECT_FALSE(Said("read: Section"));
  Tap(KEY_BACK);

  // The same range kept as a bookmark and played from the list.
  g_bookmark.AddDaisy((book_ + "/ncc.html").c_str(), 3, 0, 3, 0, "Test Book", -1, -1, "1", "1");
  p = OpenBook(0, 0, -1, -1);
  ASSERT_NE(p, nullptr);
  g_DaisyBookmarkMenuIndex = 1;
  ASSERT_TRUE(TapAnswered(KEY_BOOKMARK));
  Settle();
  ASSERT_TRUE(TapAnswered(KEY_PLAY));  // selects the bookmark
  Settle();
  ClearLines();
  ASSERT_TRUE(TapAnswered(KEY_PLAY));  // plays it
  EXPECT_TRUE(TickUntil([&] { return Reads("First words of the book.") >= 2; }, 15000))
      << AllLines();
  ASSERT_TRUE(TapAnswered(KEY_PLAY));
  EXPECT_EQ(State(), DAISY_STATE_PAUSED);
}

TEST_F(DaisyFaultTest, RangeOverObjectsThatMakeNoSoundIsDroppedNotLooped) {
  MakeBook(false);
  // Object 0 and 1 are a seq and a par: no sound between them.
  DaisyPlayer* p = OpenBook(0, 0, 1, 0);
  ASSERT_NE(p, nullptr);
  EXPECT_TRUE(WaitSaid("read: Chapter One", 15000)) << AllLines();
  EXPECT_TRUE(WaitSaid("say: end of file", 30000)) << AllLines();
}

TEST_F(DaisyFaultTest, StepPastTheEndKeepsTheLastPlaceForTheNextOpening) {
  MakeBook();
  fake_->pace = 1;
  DaisyPlayer* p = OpenBook();
  ASSERT_NE(p, nullptr);
  ASSERT_TRUE(TickUntil([&] { return State() == DAISY_STATE_PLAYING; }));
  Tap(KEY_DOWN);
  Tap(KEY_DOWN);
  Settle();
  ASSERT_EQ(p->CurMode(), DAISY_NAV_PAGE);
  Tap(KEY_RIGHT);
  Tap(KEY_RIGHT);
  Settle();
  ClearLines();
  Tap(KEY_RIGHT);  // past page 3, the last
  EXPECT_TRUE(WaitSaid("say: end of file")) << AllLines();
  EXPECT_EQ(Pos().object, 16);
  EXPECT_EQ(Pos().place, 12000);
  Tap(KEY_BACK);
  int h = g_History.Find(EM_HISTORY_DAISY, (book_ + "/ncc.html").c_str());
  ASSERT_GE(h, 0);
  EXPECT_EQ(g_History.GetAt(h)->object, 16);
  p = OpenBook();
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(Pos().object, 16);
  EXPECT_TRUE(WaitSaid("say: end of file")) << AllLines();
  // Play there starts the book again.
  Settle();
  Tap(KEY_PLAY);
  EXPECT_TRUE(TickUntil([&] { return State() == DAISY_STATE_PLAYING; }));
  EXPECT_LT(Pos().object, 5);
}

TEST_F(DaisyFaultTest, AudioBookMovesLeaveHeadingsAndPagesToTheNarration) {
  MakeBook();
  fake_->pace = 1;
  DaisyPlayer* p = OpenBook();
  ASSERT_NE(p, nullptr);
  ASSERT_TRUE(TickUntil([&] { return State() == DAISY_STATE_PLAYING; }));
  ClearLines();
  Tap(KEY_RIGHT);  // level 1: chapter two, object 11 to 13
  EXPECT_GE(Pos().object, 11);
  EXPECT_TRUE(TickUntil([&] { return State() == DAISY_STATE_PLAYING; }));
  Settle();
  EXPECT_FALSE(Said("say: Chapter Two")) << AllLines();
  Tap(KEY_DOWN);
  Tap(KEY_DOWN);
  Settle();
  ASSERT_EQ(p->CurMode(), DAISY_NAV_PAGE);
  ClearLines();
  Tap(KEY_LEFT);
  EXPECT_TRUE(TickUntil([&] { return State() == DAISY_STATE_PLAYING; }));
  Settle();
  EXPECT_FALSE(Said("say: page 2")) << AllLines();
  Tap(KEY_BACK);

  // A text book is still told the page it lands on.
  book_ += "t";
  MakeBook(false);
  p = OpenBook();
  ASSERT_NE(p, nullptr);
  Tap(KEY_DOWN);
  Tap(KEY_DOWN);
  Settle();
  ASSERT_EQ(p->CurMode(), DAISY_NAV_PAGE);
  ClearLines();
  Tap(KEY_RIGHT);
  EXPECT_TRUE(WaitSaid("say: page 2")) << AllLines();
}

// Pause, play and stop at random moments of a text book whose pieces are
// partly punctuation (no samples): every pause silences it, and the state
// follows the last key.
TEST_F(DaisyFaultTest, PausePlayAndStopAtRandomAlwaysAnswerInATextBook) {
  WritePunctuationBook();
  // The leading silence of player speech goes through the callback, as on
  // the device.
  RecordingSink<> quiet;
  quiet.keep = false;
  SoundSink* old = SetTtsOutput(&quiet);
  fake_->pace = 1;
  DaisyPlayThread& t = DaisyThread();
  DaisyPlayer* p = OpenBook();
  ASSERT_NE(p, nullptr);
  std::mt19937 rng(13);
  PlayCommand last = PlayCommand::kPlay;
  int badPauses = 0;
  for (int i = 0; i < 200; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10 + rng() % 291));
    const auto cmd = static_cast<PlayCommand>(static_cast<int>(PlayCommand::kPlay) + static_cast<int>(rng() % 3));
    if (cmd == PlayCommand::kPlay) {
      if (t.State() == DAISY_STATE_END) t.SetPosition({0, 0});
      t.CmdPlay();
    } else if (cmd == PlayCommand::kPause) {
      // Silent within 300 ms of the key: the pause is taken, and nothing
      // reaches the card afterwards.
      const auto key = std::chrono::steady_clock::now();
      if (t.CmdPause() != 0 && t.State() == DAISY_STATE_PLAYING) ++badPauses;
      const size_t before = fake_->WrittenFrames();
      if (std::chrono::steady_clock::now() - key > std::chrono::milliseconds(300)) ++badPauses;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      if (t.State() == DAISY_STATE_PLAYING || fake_->WrittenFrames() != before) ++badPauses;
    } else {
      t.CmdStop();
    }
    last = cmd;
  }
  const int st = t.State();
  if (last == PlayCommand::kPlay)
    EXPECT_TRUE(st == DAISY_STATE_PLAYING || st == DAISY_STATE_END) << st;
  else if (last == PlayCommand::kPause)
    EXPECT_TRUE(st == DAISY_STATE_PAUSED || st == DAISY_STATE_STOPPED) << st;
  else
    EXPECT_EQ(st, DAISY_STATE_STOPPED);
  EXPECT_EQ(badPauses, 0);
  t.CmdStop();
  SetTtsOutput(old);
}


TEST_F(DaisyFaultTest, ClipOfAFileThatCannotBeMeasuredIsAnnouncedOnce) {
  dtbtest::WriteFile(Host(book_) + "/ncc.html",
                     "<html><head><title>T</title></head><body>"
                     "<h1><a href=\"s.smil#p1\">T</a></h1></body></html>\n");
  // Two clips without an end in a file that is not there, then a good one.
  dtbtest::WriteFile(Host(book_) + "/s.smil",
                     "<smil><body><seq><par id=\"p1\"><audio src=\"gone.mp3\" clip-begin=\"0s\"/>"
                     "</par><par id=\"p2\"><audio src=\"gone.mp3\" clip-begin=\"2s\"/></par>"
                     "<par id=\"p3\"><audio src=\"a.mp3\" clip-begin=\"0s\" clip-end=\"1s\"/>"
                     "</par></seq></body></smil>\n");
  fake_->files[book_ + "/a.mp3"] = {8000, 1, 20000, 400};
  DaisyPlayer* p = OpenBook();
  ASSERT_NE(p, nullptr);
  EXPECT_TRUE(WaitSaid("say: can not open file")) << AllLines();
  EXPECT_TRUE(WaitSaid("end of file")) << AllLines();
  int told = 0;
  for (const std::string& l : Lines()) told += l.find("can not open file") != std::string::npos;
  EXPECT_EQ(told, 1) << AllLines();
}

}  // namespace
}  // namespace daisytest

namespace daisytest {
namespace {

// An engine that makes no sound of punctuation, and takes its time over it.
int SilentPunctuation(const char* text, const short*, int count) {
  if (strcmp(text, "...") != 0) return count;
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  return 0;
}

// A stop taken while a piece without sound is synthesised ends the reading;
// play and pause work afterwards.
TEST_F(DaisyFaultTest, AStopDuringAPieceWithoutSoundEndsTheReading) {
  WritePunctuationBook();
  RecordingSink<> quiet;
  quiet.keep = false;
  SoundSink* old = SetTtsOutput(&quiet);
  PlayTtsBlockFilter oldFilter = SetPlayTtsBlockFilter(SilentPunctuation);
  fake_->pace = 1;
  DaisyPlayThread& t = DaisyThread();
  ASSERT_NE(OpenBook(), nullptr);
  ASSERT_TRUE(WaitSaid("read: ...", 15000)) << AllLines();
  EXPECT_EQ(t.CmdStop(), 0);
  const size_t frames = fake_->WrittenFrames();
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));
  EXPECT_EQ(t.State(), DAISY_STATE_STOPPED);
  EXPECT_EQ(Reads("Sentence number 2 is read."), 0) << AllLines();
  EXPECT_EQ(fake_->WrittenFrames(), frames);
  EXPECT_EQ(t.CmdPlay(), 0);
  EXPECT_TRUE(WaitSaid("read: Sentence number 2 is read.", 5000)) << AllLines();
  EXPECT_EQ(t.CmdPause(), 0);
  EXPECT_EQ(t.State(), DAISY_STATE_PAUSED);
  t.CmdStop();
  SetPlayTtsBlockFilter(oldFilter);
  SetTtsOutput(old);
}

}  // namespace
}  // namespace daisytest
