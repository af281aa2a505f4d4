// Disc and track tags and chapters as the FFmpeg wrapper reads them, in
// files ffmpeg writes at test time, and the audio book order they give.
#include <gtest/gtest.h>

#include "core/lib/ffmpeg/ffmpeg.h"
#include "media_fixture.h"
#include "players/kit/tag_order.h"

namespace {

TEST(MediaTags, TrackAndDiscTagsOfId3VorbisAndMp4) {
  dtbtest::TempDir dir;
  const std::string d = dir.path();
  if (!Ffmpeg("-f lavfi -i 'sine=duration=0.5' -metadata track=3/12 -metadata disc=2 -id3v2_version 3 '" +
              d + "/a.mp3'"))
    GTEST_SKIP() << "ffmpeg cannot make test files";
  ASSERT_TRUE(Ffmpeg("-f lavfi -i 'sine=duration=0.5' -c:a libvorbis -metadata TRACKNUMBER=07 '" +
                     d + "/b.ogg'"));
  ASSERT_TRUE(Ffmpeg("-f lavfi -i 'sine=duration=0.5' -c:a aac -metadata track=5 -metadata disc=1/2 '" +
                     d + "/c.m4a'"));
  ASSERT_TRUE(Ffmpeg("-f lavfi -i 'sine=duration=0.5' '" + d + "/none.mp3'"));
  ff::MediaTags t;
  ASSERT_EQ(ff::ReadTags((d + "/a.mp3").c_str(), &t), 0);
  EXPECT_EQ(t.track, 3);
  EXPECT_EQ(t.disc, 2);
  ASSERT_EQ(ff::ReadTags((d + "/b.ogg").c_str(), &t), 0);
  EXPECT_EQ(t.track, 7);
  EXPECT_EQ(t.disc, -1);
  ASSERT_EQ(ff::ReadTags((d + "/c.m4a").c_str(), &t), 0);
  EXPECT_EQ(t.track, 5);
  EXPECT_EQ(t.disc, 1);
  ASSERT_EQ(ff::ReadTags((d + "/none.mp3").c_str(), &t), 0);
  EXPECT_EQ(t.track, -1);
  EXPECT_TRUE(t.chapters.empty());
  EXPECT_EQ(ff::ReadTags((d + "/missing.mp3").c_str(), &t), -4);
}

TEST(MediaTags, ChaptersOfM4bAndMp3) {
  dtbtest::TempDir dir;
  const std::string d = dir.path();
  if (!MakeChaptered(d, "book.m4b", "-c:a aac")) GTEST_SKIP() << "ffmpeg cannot make test files";
  ASSERT_TRUE(MakeChaptered(d, "book.mp3", "-id3v2_version 3"));
  for (const char* name : {"book.m4b", "book.mp3"}) {
    ff::MediaTags t;
    ASSERT_EQ(ff::ReadTags((d + "/" + name).c_str(), &t), 0) << name;
    ASSERT_EQ(t.chapters.size(), 3u) << name;
    EXPECT_EQ(t.chapters[1].title, "Chapter Two") << name;
    EXPECT_NEAR(double(t.chapters[1].start_ms), 4000, 50) << name;
    EXPECT_NEAR(double(t.chapters[1].end_ms), 8000, 50) << name;
    EXPECT_NEAR(double(t.chapters[2].end_ms), 12000, 100) << name;
  }
}

TEST(MediaTags, BookOrderFollowsTagsOnlyWhenEveryFileHasATrack) {
  // Listing order a, b, c, d.
  std::vector<DiscTrack> tags = {{2, 1}, {1, 2}, {-1, 1}, {1, 2}};
  EXPECT_EQ(OrderByTags(tags), (std::vector<int>{2, 1, 3, 0}));  // equal tags keep their order
  tags[3].track = -1;
  EXPECT_EQ(OrderByTags(tags), (std::vector<int>{0, 1, 2, 3}));
  EXPECT_TRUE(OrderByTags({}).empty());
}

}  // namespace
