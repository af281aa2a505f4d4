// The streaming decoder on real and generated files.
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/mem.h>
}

#include "audio/decoder.h"
#include "tests/audio/audio_test_util.h"

namespace dtbtest {
namespace {

class FfAudioTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(0, ff_audio_init()); }
  void TearDown() override { ff_audio_close(); }
  TempDir dir_;
};

// A WAV whose sample i (per channel) is i mod 20000: easy to locate in time.
std::string RampWav(TempDir& dir, unsigned rate, unsigned channels, unsigned frames) {
  std::vector<int16_t> s(frames * channels);
  for (unsigned f = 0; f < frames; f++)
    for (unsigned c = 0; c < channels; c++) s[f * channels + c] = static_cast<int16_t>(f % 20000 + c);
  std::string path = dir / ("ramp" + std::to_string(rate) + "_" + std::to_string(channels) + ".wav");
  WriteWav(path, rate, channels, s);
  return path;
}

TEST_F(FfAudioTest, EveryCorpusFormatPlaysToItsEnd) {
  DTB_REQUIRE_CORPUS(dir, "audio");
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    std::string path = e.path().string();
    SCOPED_TRACE(path);
    int rate = 0, channels = 0, total = 0;
    ASSERT_EQ(0, ff_audio_open_file(path.c_str(), &rate, &channels, &total));
    EXPECT_GT(rate, 0);
    EXPECT_TRUE(channels == 1 || channels == 2);
    std::vector<int16_t> pcm = ReadAllStreaming();
    double seconds = static_cast<double>(pcm.size()) / channels / rate;
    // Decoded length agrees with the container's duration.
    EXPECT_NEAR(total / 1000.0, seconds, 0.06 + total / 1000.0 * 0.02);
    EXPECT_EQ(total, ff_audio_get_cur_ms());
    EXPECT_EQ(0, ff_audio_close());
  }
}

TEST_F(FfAudioTest, WavIsBitExactAndTimeFollowsTheReads) {
  std::string path = RampWav(dir_, 8000, 2, 16000);
  int rate, channels, total;
  ASSERT_EQ(0, ff_audio_open_file(path.c_str(), &rate, &channels, &total));
  EXPECT_EQ(8000, rate);
  EXPECT_EQ(2, channels);
  EXPECT_EQ(2000, total);
  std::vector<int16_t> buf(1600);  // 800 frames = 100 ms
  int cur = -1;
  ASSERT_EQ(3200, ff_audio_read2(buf.data(), 3200, &cur));
  EXPECT_EQ(100, cur);
  EXPECT_EQ(0, buf[0]);
  EXPECT_EQ(1, buf[1]);
  EXPECT_EQ(799, buf[1598]);
  ASSERT_EQ(3200, ff_audio_read2(buf.data(), 3200, &cur));
  EXPECT_EQ(200, cur);
  EXPECT_EQ(800, buf[0]);
}

TEST_F(FfAudioTest, ReadAfterTheEnd) {
  std::string path = RampWav(dir_, 8000, 1, 4000);
  ASSERT_EQ(0, ff_audio_open_file(path.c_str(), nullptr, nullptr, nullptr));
  std::vector<int16_t> pcm = ReadAllStreaming(999);  // odd sizes: whole samples only
  EXPECT_EQ(4000u, pcm.size());
  EXPECT_EQ(3999, pcm.back());
  char b[16];
  int cur = -1;
  EXPECT_EQ(0, ff_audio_read2(b, sizeof b, &cur));
  EXPECT_EQ(500, cur);  // the duration
  EXPECT_EQ(0, ff_audio_read(b, sizeof b));
  EXPECT_EQ(-1, ff_audio_read(nullptr, 16));
  EXPECT_EQ(-1, ff_audio_read(b, 0));
}

TEST_F(FfAudioTest, SeekRules) {
  std::string path = RampWav(dir_, 8000, 1, 8000 * 4);
  ASSERT_EQ(0, ff_audio_open_file(path.c_str(), nullptr, nullptr, nullptr));
  int16_t s[2];
  int cur;
  ASSERT_EQ(0, ff_audio_seek(1500, 0));
  EXPECT_EQ(1500, ff_audio_get_cur_ms());
  ASSERT_EQ(4, ff_audio_read2(s, 4, &cur));
  EXPECT_NEAR(12000, s[0], 8);  // frame 12000 of the ramp
  ASSERT_EQ(0, ff_audio_seek(-10, -1));
  EXPECT_EQ(0, ff_audio_get_cur_ms());
  ASSERT_EQ(4, ff_audio_read(s, 4));
  EXPECT_EQ(0, s[0]);
  // Into the last second: the file ends at once.
  ASSERT_EQ(0, ff_audio_seek(4000 - 500, 1));
  EXPECT_EQ(4000, ff_audio_get_cur_ms());
  EXPECT_EQ(0, ff_audio_read2(s, 4, &cur));
  EXPECT_EQ(4000, cur);
  // A seek back clears the end.
  ASSERT_EQ(0, ff_audio_seek(2000, -1));
  EXPECT_EQ(4, ff_audio_read(s, 4));
  ff_audio_close();
  EXPECT_EQ(-1, ff_audio_seek(0, 0));
  EXPECT_EQ(-1, ff_audio_get_cur_ms());
}

TEST_F(FfAudioTest, SeekInACompressedFile) {
  DTB_REQUIRE_CORPUS(path, "audio/kolibre_dtb_10s.mp3");
  int rate, channels, total;
  ASSERT_EQ(0, ff_audio_open_file(path.c_str(), &rate, &channels, &total));
  std::vector<int16_t> buf(4096);
  for (int dir : {-1, 0, 1}) {
    ASSERT_EQ(0, ff_audio_seek(5000, dir));
    int cur = -1;
    ASSERT_GT(ff_audio_read2(buf.data(), 8192, &cur), 0);
    EXPECT_NEAR(5000, cur, 150) << dir;  // the position follows the packets' time stamps
  }
  ASSERT_EQ(0, ff_audio_seek(total - 999, 0));
  EXPECT_EQ(0, ff_audio_read(buf.data(), 8192));
  // Resuming at a start time begins exactly there.
  ff_audio_close();
  ASSERT_EQ(0, ff_audio_open(path.c_str(), 5000, 0, -1));
  int cur = -1;
  ASSERT_EQ(882, ff_audio_read2(buf.data(), 882, &cur));  // 441 mono frames
  EXPECT_EQ(5010, cur);
}

TEST_F(FfAudioTest, OpeningRules) {
  std::string path = RampWav(dir_, 8000, 1, 800);
  EXPECT_EQ(-4, ff_audio_open((dir_ / "missing.mp3").c_str(), -1, 0, -1));
  ASSERT_EQ(0, ff_audio_open(path.c_str(), -1, 0, -1));
  EXPECT_EQ(-2, ff_audio_open(path.c_str(), -1, 0, -1));
  EXPECT_EQ(-2, get_audio_total_ms(path.c_str()));  // the single instance is busy
  ff_audio_close();
  EXPECT_EQ(0, ff_audio_close());
  EXPECT_EQ(100, get_audio_total_ms(path.c_str()));
  // A null name reopens the remembered file, here at a start time.
  ASSERT_EQ(0, ff_audio_open(nullptr, 50, 0, -1));
  EXPECT_EQ(50, ff_audio_get_cur_ms());
  int16_t s;
  ASSERT_EQ(2, ff_audio_read(&s, 2));
  EXPECT_NEAR(400, s, 2);
  ff_audio_close();
  // Not an audio file.
  WriteFile(dir_ / "text.mp3", std::string(5000, 'x'));
  EXPECT_LT(ff_audio_open((dir_ / "text.mp3").c_str(), -1, 0, -1), 0);
  EXPECT_EQ(-1, ff_audio_get_total_audio_streams());
}

// Short of memory the open says so and leaves nothing open; once memory is
// back the decoder opens files again.
TEST_F(FfAudioTest, AnOpenShortOfMemoryFailsAloneAndTheNextOneWorks) {
  std::string path = RampWav(dir_, 8000, 1, 800);
  av_max_alloc(1);
  const int r = ff_audio_open(path.c_str(), -1, 0, -1);
  av_max_alloc(32u << 20);  // the decoder's own cap
  EXPECT_EQ(-3, r);
  EXPECT_EQ(-1, ff_audio_get_cur_ms());
  ASSERT_EQ(0, ff_audio_open(path.c_str(), -1, 0, -1));
  int16_t s;
  ASSERT_EQ(2, ff_audio_read(&s, 2));
  EXPECT_EQ(0, s);
}

TEST_F(FfAudioTest, FiveOneFloatIsMixedToStereo) {
  std::string path = dir_ / "surround.wav";
  ASSERT_TRUE(Ffmpeg("-f lavfi -i 'aevalsrc=0.1|0.05|0.2|0.9|0.15|0.025:c=5.1:s=48000:d=1' -c:a pcm_f32le " + path));
  int rate, channels, total;
  ASSERT_EQ(0, ff_audio_open_file(path.c_str(), &rate, &channels, &total));
  EXPECT_EQ(2, channels);
  std::vector<int16_t> pcm = ReadAllStreaming();
  ASSERT_EQ(2u * 48000, pcm.size());
  EXPECT_EQ(14745, pcm[0]);  // front left + centre + surround left
  EXPECT_EQ(9011, pcm[1]);
  EXPECT_EQ(14745, pcm[2 * 47999]);
}

TEST_F(FfAudioTest, PlanarFloatFiveOneFromACompressedFile) {
  std::string path = dir_ / "surround.ogg";
  ASSERT_TRUE(Ffmpeg("-f lavfi -i 'aevalsrc=0.1*sin(2*PI*440*t)|0|0.1*sin(2*PI*440*t)|0|0|0:c=5.1:s=48000:d=1' "
                     "-c:a libvorbis " + path));
  int rate, channels, total;
  ASSERT_EQ(0, ff_audio_open_file(path.c_str(), &rate, &channels, &total));
  EXPECT_EQ(2, channels);
  std::vector<int16_t> pcm = ReadAllStreaming();
  // Left carries front left and centre (0.2 peak), right only the centre (0.1).
  double l = 0, r = 0;
  for (size_t i = 4800; i + 1 < pcm.size() - 4800; i += 2) {
    l = std::max(l, std::fabs(pcm[i] / 32768.0));
    r = std::max(r, std::fabs(pcm[i + 1] / 32768.0));
  }
  EXPECT_NEAR(0.2, l, 0.03);
  EXPECT_NEAR(0.1, r, 0.02);
}

TEST_F(FfAudioTest, ThreeStreamsAndSwitching) {
  std::string path = dir_ / "three.mka";
  ASSERT_TRUE(Ffmpeg("-f lavfi -i 'aevalsrc=0.1:s=8000:d=6' -f lavfi -i 'aevalsrc=0.2:s=8000:d=6' "
                     "-f lavfi -i 'aevalsrc=0.3|0.3:c=stereo:s=8000:d=6' -map 0 -map 1 -map 2 -c:a pcm_s16le " + path));
  ASSERT_EQ(0, ff_audio_open(path.c_str(), -1, 0, -1));
  EXPECT_EQ(3, ff_audio_get_total_audio_streams());
  EXPECT_EQ(0, ff_audio_get_cur_select_stream());
  std::vector<int16_t> buf(8000);
  int cur;
  ASSERT_EQ(16000, ff_audio_read2(buf.data(), 16000, &cur));  // one second of mono
  EXPECT_NEAR(3277, buf[100], 2);
  EXPECT_EQ(1000, cur);
  EXPECT_EQ(-1, ff_audio_set_cur_select_stream(3));
  EXPECT_EQ(-1, ff_audio_set_cur_select_stream(-1));
  ASSERT_EQ(0, ff_audio_set_cur_select_stream(2));
  EXPECT_EQ(2, ff_audio_get_cur_select_stream());
  EXPECT_NEAR(1000, ff_audio_get_cur_ms(), 20);  // resumes at the same time
  ASSERT_EQ(16000, ff_audio_read2(buf.data(), 16000, &cur));
  EXPECT_NEAR(9830, buf[0], 2);  // the third stream, stereo now
  EXPECT_NEAR(9830, buf[1], 2);
  EXPECT_NEAR(1500, cur, 2);
  // Opening straight on a stream ordinal.
  ff_audio_close();
  ASSERT_EQ(0, ff_audio_open(path.c_str(), -1, 0, 1));
  ASSERT_EQ(16000, ff_audio_read(buf.data(), 16000));
  EXPECT_NEAR(6554, buf[0], 2);
  ff_audio_close();
  // One stream only: nothing to switch to.
  ASSERT_EQ(0, ff_audio_open(RampWav(dir_, 8000, 1, 800).c_str(), -1, 0, -1));
  EXPECT_EQ(1, ff_audio_get_total_audio_streams());
  EXPECT_EQ(-1, ff_audio_set_cur_select_stream(0));
}

TEST_F(FfAudioTest, GeneratedFormatsPlay) {
  struct Case {
    const char* name;
    const char* codec;
  } cases[] = {{"a.mp3", "libmp3lame"}, {"a.ogg", "libvorbis"}, {"a.opus", "libopus"}, {"a.flac", "flac"},
               {"a.m4a", "aac"},        {"a.wma", "wmav2"},      {"a.aac", "aac"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = dir_ / c.name;
    ASSERT_TRUE(Ffmpeg("-f lavfi -i 'sine=f=440:r=48000:d=2' -ac 2 -c:a " + std::string(c.codec) + " " + path));
    int rate, channels, total;
    ASSERT_EQ(0, ff_audio_open_file(path.c_str(), &rate, &channels, &total));
    std::vector<int16_t> pcm = ReadAllStreaming();
    EXPECT_NEAR(2.0, static_cast<double>(pcm.size()) / channels / rate, 0.1);
    ff_audio_close();
  }
}

TEST_F(FfAudioTest, AmrPlaysWhereTheDecoderExists) {
  // AMR-NB storage format: magic, then 4.75 kbit/s frames (header byte + 12 bytes).
  std::string amr = "#!AMR\n";
  srand(7);
  for (int f = 0; f < 100; f++) {
    amr += '\x04';
    for (int i = 0; i < 12; i++) amr += static_cast<char>(rand());
  }
  WriteFile(dir_ / "a.amr", amr);
  int rate, channels, total;
  int r = ff_audio_open_file((dir_ / "a.amr").c_str(), &rate, &channels, &total);
  if (r == -7) GTEST_SKIP() << "no AMR decoder in this FFmpeg";
  ASSERT_EQ(0, r);
  EXPECT_EQ(8000, rate);
  EXPECT_EQ(1, channels);
  EXPECT_EQ(100u * 160, ReadAllStreaming().size());  // 20 ms per frame
}

// Truncated and corrupted files end cleanly: no crash, no endless loop.
TEST_F(FfAudioTest, DamagedFilesEndCleanly) {
  DTB_REQUIRE_CORPUS(dir, "audio");
  for (const char* name : {"kolibre_dtb_10s.mp3", "kolibre_dtb_10s.ogg", "tika_testWMA.wma", "tika_testMP4.m4a",
                           "tika_testFLAC.flac", "kolibre_dtb_10s.wav"}) {
    std::string bytes = ReadFile(dir + "/" + name);
    std::vector<std::string> damaged = {bytes.substr(0, bytes.size() / 2), bytes.substr(0, 200)};
    std::string noisy = bytes;
    srand(11);
    for (size_t i = noisy.size() / 3; i < noisy.size(); i += 97) noisy[i] = static_cast<char>(rand());
    damaged.push_back(noisy);
    for (size_t k = 0; k < damaged.size(); k++) {
      SCOPED_TRACE(std::string(name) + " variant " + std::to_string(k));
      std::string path = dir_ / ("damaged_" + std::to_string(k) + "_" + name);
      WriteFile(path, damaged[k]);
      if (ff_audio_open(path.c_str(), -1, 0, -1) != 0) continue;  // refused outright: fine
      ReadAllStreaming(4096, 100000);
      int16_t s[2];
      EXPECT_EQ(0, ff_audio_read(s, 4));
      ff_audio_close();
    }
  }
}

}  // namespace
}  // namespace dtbtest
