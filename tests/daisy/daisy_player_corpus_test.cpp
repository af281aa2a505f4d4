// The DAISY player on real books of the corpus, decoded by the firmware's
// streaming decoder, with what would reach the sound card recorded.
#include <gmock/gmock.h>

#include <cmath>

#include "tests/daisy/daisy_player_fixture.h"
#include "core/ui/keypad_idle.h"

namespace daisytest {
namespace {

using ::testing::Contains;
using ::testing::Not;

double Rms(const std::vector<short>& s, size_t from, size_t to) {
  double sum = 0;
  size_t n = 0;
  for (size_t i = from; i < to && i < s.size(); ++i, ++n) sum += double(s[i]) * s[i];
  return n ? std::sqrt(sum / n) : 0;
}

class DaisyCorpusTest : public DaisyPlayerTest {
 protected:
  void SetUp() override {
    DaisyPlayerTest::SetUp();
    if (IsSkipped()) return;
    rec_ = env_->recorder;
    rec_->pace = 0;
    env_->route->to = rec_;
  }
  DaisyPlayer* OpenCorpus(const std::string& folder, const std::string& file, int so = -1,
                          int sp = -1) {
    book_ = folder;
    EXPECT_EQ(0, CreateDaisyPlayer(folder.c_str(), file.c_str(), so, sp, -1, -1));
    DaisyPlayer* p = Player();
    EXPECT_NE(p, nullptr);
    if (!p) return nullptr;
    TickUntil([&] { return !p->IsOpening(); }, 20000);
    EXPECT_FALSE(p->IsOpenFailed());
    return p->IsOpenFailed() ? nullptr : p;
  }
  DecoderRecorder* rec_ = nullptr;
};

TEST_F(DaisyCorpusTest, Daisy202FullTextBookPlaysAndNavigates) {
  DTB_REQUIRE_CORPUS(dir, "daisy202/dontworrybehappy");
  rec_->pace = 4;
  DaisyPlayer* p = OpenCorpus(dir, "ncc.html");
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->OfferedModes(), (std::vector<int>{0, 1, DAISY_NAV_PAGE, DAISY_NAV_PHRASE,
                                                 DAISY_NAV_TIME, DAISY_NAV_BOOKMARK}));
  ASSERT_TRUE(TickUntil([&] { return rec_->Out().size() > 22050; }));
  EXPECT_EQ(rec_->Rate(), 22050);
  std::vector<short> out = rec_->Out();
  EXPECT_GT(Rms(out, 0, out.size()), 300) << "the narration is heard";
  // Next level-1 heading: "Introductio", the second chapter, which its
  // narration names.
  Tap(KEY_RIGHT);
  EXPECT_GE(Pos().object, 23);  // playing on at once
  EXPECT_LT(Pos().object, 71);
  Settle();
  ASSERT_TRUE(TickUntil([&] { return State() == DAISY_STATE_PLAYING; }));
  // Page 2 by number.
  Tap(KEY_MENU);
  Tap(KEY_RIGHT);
  Tap(KEY_UP);
  Tap(KEY_PLAY);
  EXPECT_TRUE(WaitSaid("say: going to page 2")) << AllLines();
  EXPECT_EQ(Pos().object, 71);
  Settle();
  EXPECT_TRUE(TickUntil([&] { return State() == DAISY_STATE_PLAYING; }));
  // The information names the book from its NCC.
  ClearLines();
  g_InfoKeyDownTimes = 1;
  Tap(KEY_INFO);
  EXPECT_TRUE(WaitSaid("Creator: Bobby McFerrin")) << AllLines();
  EXPECT_TRUE(Said("Total time: 0 hours 3 minutes 2 seconds") ||
              Said("Total time: 3 minutes 2 seconds"))
      << AllLines();
}

TEST_F(DaisyCorpusTest, Daisy3AudioBookPagesHeadingsAndTimeJump) {
  DTB_REQUIRE_CORPUS(dir, "daisy3/chimpanzees_audio_ncx");
  std::string opf;
  for (const auto& e : std::filesystem::directory_iterator(dir))
    if (e.path().extension() == ".opf") opf = e.path().filename();
  ASSERT_FALSE(opf.empty());
  rec_->pace = 4;
  DaisyPlayer* p = OpenCorpus(dir, opf, 113, 0);  // "Great Apes"
  ASSERT_NE(p, nullptr);
  EXPECT_THAT(p->OfferedModes(), Contains(int(DAISY_NAV_PAGE)));
  EXPECT_THAT(p->OfferedModes(), Contains(int(DAISY_NAV_TIME)));
  EXPECT_EQ(p->OfferedModes()[0], 0);
  EXPECT_EQ(p->OfferedModes()[1], 1);
  ASSERT_TRUE(TickUntil([&] { return rec_->Out().size() > 44100; }));
  EXPECT_EQ(rec_->Rate(), 44100);
  ASSERT_FALSE(rec_->Opened().empty());
  const std::string first = rec_->Opened().back();
  // The time-jump mode is the fourth: levels 1 and 2, page, phrase, time.
  for (int i = 0; i < 4; ++i) {
    Tap(KEY_DOWN);
    Settle();
  }
  ASSERT_EQ(p->CurMode(), DAISY_NAV_TIME);
  Tap(KEY_PLAY);  // pause to read the position
  const DaisyPos before = Pos();
  const DaisyBookView& v = DaisyThread().View();
  const int64_t at = DaisyElapsedMs(v, before);
  // Jump until another file plays: each lands 30 s of audio further.
  Tap(KEY_RIGHT);
  const DaisyPos after = Pos();
  EXPECT_NEAR(double(DaisyElapsedMs(v, after) - at), 30000, 1100);
  EXPECT_GT(after.object, before.object);
  ASSERT_TRUE(TickUntil([&] { return rec_->Opened().back() != first; }));
  // Back again lands near where it was.
  Tap(KEY_PLAY);
  const DaisyPos mid = Pos();
  Tap(KEY_LEFT);
  EXPECT_NEAR(double(DaisyElapsedMs(v, Pos())), double(DaisyElapsedMs(v, mid) - 30000), 1100);
  // Page 10 by number.
  Tap(KEY_MENU);
  Tap(KEY_RIGHT);
  Tap(KEY_RIGHT);
  Tap(KEY_PLAY);
  EXPECT_TRUE(WaitSaid("say: going to page 10")) << AllLines();
  EXPECT_EQ(Pos().object, 188);
}

TEST_F(DaisyCorpusTest, FastestSpeedShortensTheOutputOfTheSameBook) {
  DTB_REQUIRE_CORPUS(dir, "daisy3/minimal_30sec");
  auto playAll = [&](int speed) {
    g_Speed = speed;
    g_History.Clean();  // a finished book would resume at its end
    rec_->Reset();
    DaisyPlayer* p = OpenCorpus(dir, "book.opf");
    EXPECT_NE(p, nullptr);
    EXPECT_TRUE(TickUntil([&] { return p && p->IsPaused(); }, 30000));
    size_t n = rec_->Out().size();
    int rate = rec_->Rate();
    Tap(KEY_BACK);
    return double(n) / rate;
  };
  const double normal = playAll(0);
  const double fastest = playAll(20);
  g_Speed = 0;
  EXPECT_NEAR(normal, 30.0, 0.6);
  EXPECT_NEAR(fastest, normal / 4, 0.6);
}

TEST_F(DaisyCorpusTest, Daisy202SkippabilityBookOffersThreeLevels) {
  DTB_REQUIRE_CORPUS(dir, "daisy202/mountains_skip");
  rec_->pace = 4;
  DaisyPlayer* p = OpenCorpus(dir, "ncc.html");
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->OfferedModes(), (std::vector<int>{0, 1, 2, DAISY_NAV_PAGE, DAISY_NAV_PHRASE,
                                                 DAISY_NAV_TIME, DAISY_NAV_BOOKMARK}));
  ASSERT_TRUE(TickUntil([&] { return rec_->Out().size() > 44100; }));
  std::vector<short> out = rec_->Out();
  EXPECT_GT(Rms(out, 0, out.size()), 300);
  // Level 3 from the start: the first level-3 heading ("Getting up to the peak").
  Tap(KEY_DOWN);
  Tap(KEY_DOWN);
  Settle();
  ClearLines();
  const int before = Pos().object;
  Tap(KEY_RIGHT);
  EXPECT_GT(Pos().object, before);
  Settle();
  EXPECT_FALSE(Said("say: Chapter 1")) << "the narration names it";
}

TEST_F(DaisyCorpusTest, TextOnlyBooksAreReadByPlayerSpeech) {
  DTB_REQUIRE_CORPUS(d3, "daisy3/mathml_sample2_textonly");
  DTB_REQUIRE_CORPUS(d2, "daisy202/wipo_treaty_textonly");
  DaisyPlayer* p = OpenCorpus(d3, "MathML_Sample2.opf");
  ASSERT_NE(p, nullptr);
  EXPECT_THAT(p->OfferedModes(), Not(Contains(int(DAISY_NAV_TIME))));
  EXPECT_TRUE(WaitSaid("read: 5-9", 15000)) << AllLines();
  Tap(KEY_BACK);
  ClearLines();
  p = OpenCorpus(d2, "ncc.html");
  ASSERT_NE(p, nullptr);
  EXPECT_THAT(p->OfferedModes(), Not(Contains(int(DAISY_NAV_TIME))));
  EXPECT_TRUE(WaitSaid("read: WIPO Treaty", 15000)) << AllLines();
  // Next heading: "WIPO Treaty for Visually Impaired", read, not announced.
  ClearLines();
  Tap(KEY_RIGHT);
  EXPECT_EQ(Pos().object, 9);
  EXPECT_TRUE(WaitSaid("read: WIPO Treaty for Visually Impaired", 15000)) << AllLines();
  EXPECT_FALSE(Said("say: WIPO"));
}

}  // namespace
}  // namespace daisytest
