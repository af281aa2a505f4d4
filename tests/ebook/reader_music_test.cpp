// The background music tracks the build makes, through the real streaming
// decoder.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <vector>

#include "ebook/reader/ebook_io.h"
#include "ebook/reader/ebook_music.h"
#include "tests/support/root_board.h"
#include "tests/support/test_support.h"

namespace {

double Rms(const std::vector<short>& s, size_t from, size_t to) {
  double sum = 0;
  for (size_t i = from; i < to; ++i) sum += double(s[i]) * s[i];
  return to > from ? std::sqrt(sum / double(to - from)) : 0;
}

TEST(EbookBackgroundMusic, EveryTrackOpensAndLoopsUnderTheVoice) {
  const std::string home = std::string(DTB_BINARY_DIR) + "/home";
  if (access((home + "/backgroundmusic/15.mp3").c_str(), R_OK) != 0) GTEST_SKIP() << "tracks not built";
  dtbtest::TempDir dir;
  ASSERT_EQ(symlink(home.c_str(), (dir / "home").c_str()), 0);
  dtbtest::ScopedRootBoard board(dir.path());
  SetEbookIo(nullptr);

  BgMusic_SetVolume(5);
  for (int track = 1; track <= 15; ++track) {
    SCOPED_TRACE(track);
    ASSERT_EQ(BgMusic_Open(track), 0);
    EXPECT_TRUE(BgMusic_IsOn());
    std::vector<short> block(16000, 0);
    BgMusic_Mix(block.data(), static_cast<int>(block.size()));
    EXPECT_GT(Rms(block, 0, block.size()), 300.0);
  }
  // A minute of voice: the 15 s track runs out, starts again and goes on.
  std::vector<short> voice(60 * 16000, 0);
  for (size_t at = 0; at < voice.size(); at += 2000) BgMusic_Mix(voice.data() + at, 2000);
  EXPECT_GT(Rms(voice, 50 * 16000, 60 * 16000), 300.0);
  BgMusic_Close();
  EXPECT_FALSE(BgMusic_IsOn());
  // No such track.
  EXPECT_NE(BgMusic_Open(16), 0);
  EXPECT_NE(BgMusic_Open(0), 0);
  EXPECT_FALSE(BgMusic_IsOn());
  BgMusic_SetVolume(0);
}

}  // namespace
