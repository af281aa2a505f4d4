#include "players/kit/book_time.h"

#include <gtest/gtest.h>

namespace {

BookTimeline ThreeMinutes() {
  BookTimeline tl;
  tl.SetDurations({60000, 60000, 60000});
  return tl;
}

TEST(BookTime, BookTimeAcrossFilesAndCorrectedIndex) {
  BookTimeline tl = ThreeMinutes();
  BookTimeInfo i = tl.GetCurTimeInfo(1, 10500);
  EXPECT_EQ(i.bookSec, 70);
  EXPECT_EQ(i.totalSec, 180);
  EXPECT_EQ(i.file, 1);
  EXPECT_EQ(i.fileSec, 10);
  i = tl.GetCurTimeInfo(7, 0);  // beyond the last file: its end
  EXPECT_EQ(i.file, 2);
  EXPECT_EQ(i.fileSec, 60);
  EXPECT_EQ(i.bookSec, 180);
  // An unreadable duration counts as 0 and adds nothing.
  BookTimeline gap;
  gap.SetDurations({30000, -3, 45000});
  EXPECT_EQ(gap.GetCurTimeInfo(2, 5000).bookSec, 35);
  EXPECT_EQ(gap.GetCurTimeInfo(2, 5000).totalSec, 75);
}

TEST(BookTime, StepsCrossFileBoundaries) {
  BookTimeline tl = ThreeMinutes();
  BookPlace p = tl.StepBackward(1, 10, 30);
  EXPECT_EQ(p.file, 0);
  EXPECT_EQ(p.ms, 40000);
  p = tl.StepBackward(2, 10, 100);  // through two boundaries
  EXPECT_EQ(p.file, 0);
  EXPECT_EQ(p.ms, 30000);
  p = tl.StepBackward(0, 5, 10);  // before the book: its start
  EXPECT_EQ(p.file, 0);
  EXPECT_EQ(p.ms, 0);
  p = tl.StepForward(0, 40, 30);
  EXPECT_EQ(p.file, 1);
  EXPECT_EQ(p.ms, 10000);
  p = tl.StepForward(2, 30, 60);  // past the end: last file, duration + 1 s
  EXPECT_EQ(p.file, 2);
  EXPECT_EQ(p.ms, 61000);
  p = tl.StepForward(0, 50, 10);  // exactly the end of a file stays in it
  EXPECT_EQ(p.file, 0);
  EXPECT_EQ(p.ms, 60000);
  BookTimeline gap;
  gap.SetDurations({60000, 0, 60000});
  p = gap.StepForward(0, 50, 20);  // an empty file is passed over
  EXPECT_EQ(p.file, 2);
  EXPECT_EQ(p.ms, 10000);
}

TEST(BookTime, PositionTextsRoundTrip) {
  BookTimeline tl = ThreeMinutes();
  std::string t = FormatBookPosition(tl.GetCurTimeInfo(1, 10000));
  EXPECT_EQ(t, "cur_time=70, total_time=180, cur_file=1, cur_file_time=10");
  std::string h = FormatBookHighlight(tl.GetCurTimeInfo(1, 20000), tl.GetCurTimeInfo(2, 50000));
  EXPECT_EQ(h,
            "cur_time=80, total_time=180, cur_file=1, cur_file_time=20, end_time=170, "
            "end_file=2, end_file_time=50");
  BookPositionFields f = ParseBookPosition(h.c_str());
  EXPECT_EQ(f.curFile, 1);
  EXPECT_EQ(f.curFileTime, 20);
  EXPECT_EQ(f.endFile, 2);
  EXPECT_EQ(f.endFileTime, 50);
  f = ParseBookPosition("cur_file=3");
  EXPECT_EQ(f.curFile, 3);
  EXPECT_EQ(f.curFileTime, -1);
  EXPECT_EQ(f.endFile, -1);
  f = ParseBookPosition("garbage cur_file=x");
  EXPECT_EQ(f.curFile, -1);
}

TEST(BookTime, ResolvingStoredPositions) {
  BookTimeline four;
  four.SetDurations({60000, 60000, 60000, 45000});
  BookStart s = ResolveBookPosition(four, "cur_time=0, total_time=0, cur_file=7, cur_file_time=3", false);
  EXPECT_EQ(s.file, 3);
  EXPECT_EQ(s.startMs, 45000);
  EXPECT_FALSE(s.segment.Active());
  s = ResolveBookPosition(four, nullptr, false);
  EXPECT_EQ(s.file, 0);
  EXPECT_EQ(s.startMs, -1);
  s = ResolveBookPosition(four, "cur_file=-2, cur_file_time=30", false);
  EXPECT_EQ(s.file, 0);
  EXPECT_EQ(s.startMs, -1);
  // A highlight marked backwards plays forwards.
  s = ResolveBookPosition(four,
                          "cur_time=170, total_time=225, cur_file=2, cur_file_time=50, "
                          "end_time=80, end_file=1, end_file_time=20",
                          true);
  EXPECT_EQ(s.file, 1);
  EXPECT_EQ(s.startMs, 20000);
  EXPECT_EQ(s.segment.startFile, 1);
  EXPECT_EQ(s.segment.startMs, 20000);
  EXPECT_EQ(s.segment.endFile, 2);
  EXPECT_EQ(s.segment.endMs, 50000);
  // Same file, end before start.
  s = ResolveBookPosition(four, "cur_file=1, cur_file_time=40, end_file=1, end_file_time=10", true);
  EXPECT_EQ(s.segment.startMs, 10000);
  EXPECT_EQ(s.segment.endMs, 40000);
  // From a bookmark list, missing times count as 0.
  s = ResolveBookPosition(four, "cur_file=2", true);
  EXPECT_EQ(s.file, 2);
  EXPECT_EQ(s.startMs, 0);
}

}  // namespace
