// Where the DAISY player's moves land, over small object lists.
#include "daisy/player/daisy_player_nav.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using libDaisy::_DaisyObject;

// Builds a view over a list: 'S' seq, 'P' par, 'T' text, 'A' audio (with
// its length in ms, clips of one file back to back).
struct Book {
  std::vector<_DaisyObject> objects;
  std::vector<char> playable;
  std::vector<int64_t> before;
  std::vector<int> headingObjects, headingLevels, pageObjects;
  DaisyBookView view;

  void Add(char kind, int ms = 0, bool plays = true) {
    _DaisyObject o{};
    o.kind = kind == 'S' ? 0 : kind == 'P' ? 1 : kind == 'T' ? 2 : 3;
    o.depth = kind == 'S' ? 3 : kind == 'P' ? 4 : 5;
    o.file = kind == 'A' || kind == 'T' ? 0 : -1;
    int start = before.empty() ? 0 : static_cast<int>(before.back());
    o.start = kind == 'A' ? start : -1;
    o.end = kind == 'A' ? start + ms : -1;
    objects.push_back(o);
    playable.push_back((kind == 'A' || kind == 'T') && plays ? 1 : 0);
    if (before.empty()) before.push_back(0);
    before.push_back(before.back() + (kind == 'A' && plays ? ms : 0));
  }
  DaisyBookView& View() {
    view.objects = objects.data();
    view.count = static_cast<int>(objects.size());
    view.playable = playable.data();
    view.audioBefore = before.data();
    view.headingObjects = headingObjects.data();
    view.headingLevels = headingLevels.data();
    view.headings = static_cast<int>(headingObjects.size());
    view.pageObjects = pageObjects.data();
    view.pages = static_cast<int>(pageObjects.size());
    return view;
  }
};

DaisyPos P(int object, int place = 0) { return DaisyPos{object, place}; }

// seq | par text audio(20 s) | par text audio(20 s) | par text audio(3 s) | par text audio(20 s)
Book FourClips() {
  Book b;
  b.Add('S');
  for (int ms : {20000, 20000, 3000, 20000}) {
    b.Add('P');
    b.Add('T', 0, false);  // its par has audio: not spoken
    b.Add('A', ms);
  }
  return b;
}

TEST(DaisyNav, TimeJumpWalksThroughClipsBothWays) {
  Book b = FourClips();
  const DaisyBookView& v = b.View();  // audio objects 3, 6, 9, 12
  // 30 s forward from 5 s into a 20 s clip lands 15 s into the next one.
  EXPECT_EQ(DaisyTimeJump(v, P(3, 5000), 30, 1), P(6, 15000));
  // Inside one clip.
  EXPECT_EQ(DaisyTimeJump(v, P(3, 5000), 10, 1), P(3, 15000));
  // A landing less than a second before a clip's end goes to the next clip.
  EXPECT_EQ(DaisyTimeJump(v, P(6, 0), 19, 1), P(6, 19000));
  EXPECT_EQ(DaisyTimeJump(v, P(6, 500), 19, 1), P(9, 0));
  // The 3 s clip is passed over on the way.
  EXPECT_EQ(DaisyTimeJump(v, P(6, 10000), 20, 1), P(12, 7000));
  // Past the last clip: the end of the book.
  EXPECT_EQ(DaisyTimeJump(v, P(12, 5000), 30, 1), P(v.count));
  // From a structure object, the next clip counts from its start.
  EXPECT_EQ(DaisyTimeJump(v, P(0), 30, 1), P(6, 10000));
  // Back within the clip, then through earlier clips.
  EXPECT_EQ(DaisyTimeJump(v, P(6, 15000), 10, -1), P(6, 5000));
  EXPECT_EQ(DaisyTimeJump(v, P(6, 5000), 10, -1), P(3, 15000));
  EXPECT_EQ(DaisyTimeJump(v, P(12, 1000), 4, -1), P(9, 0));
  EXPECT_EQ(DaisyTimeJump(v, P(6, 5000), 60, -1), P(0));
  EXPECT_EQ(DaisyTimeJump(v, P(v.count), 10, -1), P(12, 10000));
}

TEST(DaisyNav, HeadingsPagesAndPhrases) {
  Book b = FourClips();
  // Chapter (level 1) at 1, section (level 2) at 4, chapter at 7, section at 10.
  b.headingObjects = {1, 4, 7, 10};
  b.headingLevels = {1, 2, 1, 2};
  b.pageObjects = {1, 7};
  const DaisyBookView& v = b.View();
  EXPECT_EQ(DaisyDeepestLevel(v), 2);
  EXPECT_EQ(DaisyHeadingAt(v, 0), -1);
  EXPECT_EQ(DaisyHeadingAt(v, 6), 1);
  // Level 1 skips sections; level 2 stops at them.
  EXPECT_EQ(DaisyNextHeading(v, P(3, 100), 1), P(7));
  EXPECT_EQ(DaisyNextHeading(v, P(3, 100), 2), P(4));
  EXPECT_EQ(DaisyNextHeading(v, P(0), 1), P(1));
  EXPECT_EQ(DaisyNextHeading(v, P(11), 2), P(v.count));
  // Back goes to the heading before the one that holds the position...
  EXPECT_EQ(DaisyPrevHeading(v, P(9, 500), 1), P(1));
  EXPECT_EQ(DaisyPrevHeading(v, P(12, 500), 2), P(7));
  // ...which at level 1 inside a section is the chapter around it.
  EXPECT_EQ(DaisyPrevHeading(v, P(6, 500), 1), P(1));
  EXPECT_EQ(DaisyPrevHeading(v, P(3), 1), P(0));
  EXPECT_EQ(DaisyNextPage(v, P(3)), P(7));
  EXPECT_EQ(DaisyNextPage(v, P(9)), P(v.count));
  EXPECT_EQ(DaisyPrevPage(v, P(9)), P(1));
  EXPECT_EQ(DaisyPrevPage(v, P(3)), P(0));
  // A phrase is the next thing that sounds: the texts of pars with audio
  // are passed over, so a step never lands on silence.
  EXPECT_EQ(DaisyNextPhrase(v, P(3, 700)), P(6));
  EXPECT_EQ(DaisyPrevPhrase(v, P(6, 700)), P(3));
  EXPECT_EQ(DaisyPrevPhrase(v, P(3)), P(0));
  EXPECT_EQ(DaisyNextPhrase(v, P(12)), P(v.count));
}

TEST(DaisyNav, ElapsedTimeAndBookmarks) {
  Book b = FourClips();
  const DaisyBookView& v = b.View();
  EXPECT_TRUE(v.HasAudio());
  EXPECT_EQ(v.TotalAudioMs(), 63000);
  EXPECT_EQ(DaisyElapsedMs(v, P(6, 2500)), 22500);
  EXPECT_EQ(DaisyElapsedMs(v, P(5)), 20000);
  EXPECT_EQ(DaisyElapsedMs(v, P(v.count)), 63000);

  std::vector<DaisyPos> marks = {P(3, 1000), P(6, 0), P(12, 5000)};
  DaisyPos to;
  ASSERT_TRUE(DaisyNextBookmark(marks, P(3, 1000), true, &to));
  EXPECT_EQ(to, P(6, 0));
  EXPECT_FALSE(DaisyNextBookmark(marks, P(12, 5000), true, &to));
  // Back skips a mark just passed (less than 2 s behind) while audio plays.
  ASSERT_TRUE(DaisyPrevBookmark(marks, P(6, 1500), true, &to));
  EXPECT_EQ(to, P(3, 1000));
  ASSERT_TRUE(DaisyPrevBookmark(marks, P(6, 2500), true, &to));
  EXPECT_EQ(to, P(6, 0));
  EXPECT_FALSE(DaisyPrevBookmark(marks, P(3, 2000), true, &to));
}

TEST(DaisyNav, BookWithoutAudio) {
  Book b;
  b.Add('S');
  b.Add('T');
  b.Add('T');
  const DaisyBookView& v = b.View();
  EXPECT_FALSE(v.HasAudio());
  EXPECT_EQ(DaisyNextPhrase(v, P(1)), P(2));
  EXPECT_EQ(DaisyTimeJump(v, P(1), 30, 1), P(v.count));
  EXPECT_EQ(DaisyDeepestLevel(v), 0);
}

}  // namespace
