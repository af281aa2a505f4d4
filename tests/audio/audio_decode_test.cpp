// The packet decoder through AudioDecode, and the synchronous prompt player.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "audio/decoder.h"
#include "audio/soundcard.h"
#include "tests/audio/audio_test_util.h"

namespace dtbtest {
namespace {

std::vector<int16_t> ReadAll(AudioDecode& d, unsigned chunk = 2048, std::vector<int>* times = nullptr) {
  std::vector<int16_t> all, buf(chunk);
  for (int i = 0; i < 1000000; i++) {
    int cur = -1;
    int n = d.Read(buf.data(), chunk, cur);
    if (times) times->push_back(cur);
    if (n <= 0) {
      EXPECT_EQ(0, n);
      return all;
    }
    all.insert(all.end(), buf.begin(), buf.begin() + n);
  }
  ADD_FAILURE() << "never ended";
  return all;
}

class AudioDecodeTest : public ::testing::Test {
 protected:
  TempDir dir_;
};

TEST_F(AudioDecodeTest, RatesAbove96kHzAreHalved) {
  const unsigned frames = 192000 / 2;  // half a second
  std::vector<int16_t> s(frames * 2);
  for (unsigned f = 0; f < frames; f++) {
    s[2 * f] = static_cast<int16_t>(f % 30000);
    s[2 * f + 1] = static_cast<int16_t>(-(int)(f % 30000));
  }
  WriteWav(dir_ / "hi.wav", 192000, 2, s);
  AudioDecode d;
  unsigned rate, channels, total;
  ASSERT_EQ(0, d.Open((dir_ / "hi.wav").c_str(), rate, channels, total));
  EXPECT_EQ(96000u, rate);
  EXPECT_EQ(2u, channels);
  EXPECT_EQ(500u, total);
  std::vector<int16_t> out = ReadAll(d, 1000);  // 500 frames per read
  ASSERT_EQ(frames, out.size());  // half the frames, two samples each
  for (unsigned k = 0; k < frames / 2; k++) {
    ASSERT_EQ(static_cast<int16_t>((2 * k) % 30000), out[2 * k]) << k;  // every second frame
    ASSERT_EQ(static_cast<int16_t>(-(int)((2 * k) % 30000)), out[2 * k + 1]) << k;
  }
  // Mono keeps every second sample.
  std::vector<int16_t> m(1000);
  for (int i = 0; i < 1000; i++) m[i] = static_cast<int16_t>(i);
  WriteWav(dir_ / "mono.wav", 176400, 1, m);
  AudioDecode dm;
  ASSERT_EQ(0, dm.Open((dir_ / "mono.wav").c_str(), rate, channels, total));
  EXPECT_EQ(88200u, rate);
  std::vector<int16_t> mo = ReadAll(dm, 333);  // odd reads keep the phase
  ASSERT_EQ(500u, mo.size());
  for (int i = 0; i < 500; i++) ASSERT_EQ(2 * i, mo[i]);
}

TEST_F(AudioDecodeTest, ReadsTimesAndEnd) {
  std::vector<int16_t> s(24000);
  for (int i = 0; i < 24000; i++) s[i] = static_cast<int16_t>(i);
  WriteWav(dir_ / "a.wav", 8000, 1, s);
  AudioDecode d;
  short b[4];
  int cur = 0;
  EXPECT_EQ(-1, d.Read(nullptr, 4, cur));
  EXPECT_EQ(-1, d.Read(b, 0, cur));
  unsigned rate, channels, total;
  ASSERT_EQ(0, d.Open((dir_ / "a.wav").c_str(), rate, channels, total));
  EXPECT_EQ(3000u, total);
  std::vector<int> times;
  std::vector<int16_t> all = ReadAll(d, 800, &times);
  EXPECT_EQ(s, all);
  ASSERT_GE(times.size(), 3u);
  EXPECT_EQ(0, times[0]);
  EXPECT_EQ(100, times[1]);  // time of the first sample of each read
  EXPECT_EQ(3000, times.back());  // at the end: the duration
  ASSERT_EQ(0, d.Seek(1500));
  ASSERT_EQ(4, d.Read(b, 4, cur));
  EXPECT_NEAR(12000, b[0], 1);
  EXPECT_NEAR(1500, cur, 1);
  ASSERT_EQ(0, d.Seek(2100));  // into the last second
  EXPECT_EQ(0, d.Read(b, 4, cur));
}

TEST_F(AudioDecodeTest, ResamplesToTheRequestedFormat) {
  std::string path = dir_ / "tone.wav";
  ASSERT_TRUE(Ffmpeg("-f lavfi -i 'sine=f=440:r=44100:d=1' -ac 2 " + path));
  AudioDecode d;
  d.SetSwr(16000, 1);
  unsigned rate, channels, total;
  ASSERT_EQ(0, d.Open(path.c_str(), rate, channels, total));
  EXPECT_EQ(16000u, rate);
  EXPECT_EQ(1u, channels);
  std::vector<int16_t> pcm = ReadAll(d);
  EXPECT_NEAR(16000, static_cast<double>(pcm.size()), 200);
  // Still a 440 Hz tone: count rising zero crossings.
  int crossings = 0;
  for (size_t i = 1; i < pcm.size(); i++) crossings += pcm[i - 1] < 0 && pcm[i] >= 0;
  EXPECT_NEAR(440, crossings, 3);
  // Up-sampling mono to stereo.
  AudioDecode up;
  up.SetSwr(48000, 2);
  ASSERT_EQ(0, up.Open(path.c_str(), rate, channels, total));
  EXPECT_EQ(48000u, rate);
  EXPECT_NEAR(96000, static_cast<double>(ReadAll(up).size()), 600);
}

struct Memory {
  std::string bytes;
  size_t pos = 0;
};

int MemRead(void* opaque, unsigned char* buf, int size) {
  auto* m = static_cast<Memory*>(opaque);
  size_t n = std::min<size_t>(size, m->bytes.size() - m->pos);
  if (n == 0) return 0;
  memcpy(buf, m->bytes.data() + m->pos, n);
  m->pos += n;
  return static_cast<int>(n);
}

long long MemSeek(void* opaque, long long offset, int whence) {
  auto* m = static_cast<Memory*>(opaque);
  long long base = whence == SEEK_CUR ? static_cast<long long>(m->pos) : whence == SEEK_END ? m->bytes.size() : 0;
  long long to = base + offset;
  if (to < 0 || to > static_cast<long long>(m->bytes.size())) return -1;
  m->pos = static_cast<size_t>(to);
  return to;
}

TEST_F(AudioDecodeTest, ReadsThroughCallerCallbacks) {
  DTB_REQUIRE_CORPUS(path, "audio/kolibre_dtb_10s.ogg");
  AudioDecode fromFile;
  unsigned rate, channels, total, rate2, channels2, total2;
  ASSERT_EQ(0, fromFile.Open(path.c_str(), rate, channels, total));
  std::vector<int16_t> expected = ReadAll(fromFile);

  Memory mem{ReadFile(path)};
  AudioDecode fromMemory;
  fromMemory.SetUserReadFileFun(1, &mem, MemRead, MemSeek);
  ASSERT_EQ(0, fromMemory.Open("memory.ogg", rate2, channels2, total2));
  EXPECT_EQ(rate, rate2);
  EXPECT_EQ(total, total2);
  EXPECT_EQ(expected, ReadAll(fromMemory));
}

TEST_F(AudioDecodeTest, PacketDecoderRules) {
  EXPECT_EQ(-1, FFMpegDecode_Open(nullptr, "x", -1, 0));
  FFMpegDecode* ctx = FFMpegDecode_New();
  ASSERT_NE(nullptr, ctx);
  EXPECT_EQ(-1, FFMpegDecode_Open(ctx, nullptr, -1, 0));
  EXPECT_EQ(-4, FFMpegDecode_Open(ctx, (dir_ / "missing.wav").c_str(), -1, 0));
  short* pcm;
  int samples, ms;
  EXPECT_EQ(-1, FFMpegDecode_DecodeOnePacket(ctx, &pcm, &samples, &ms));
  std::string path = dir_ / "three.mka";
  ASSERT_TRUE(Ffmpeg("-f lavfi -i 'aevalsrc=0.1:s=8000:d=4' -f lavfi -i 'aevalsrc=0.2:s=8000:d=4' "
                     "-map 0 -map 1 -c:a pcm_s16le " + path));
  ASSERT_EQ(0, FFMpegDecode_Open(ctx, path.c_str(), -1, 0));
  EXPECT_EQ(-2, FFMpegDecode_Open(ctx, path.c_str(), -1, 0));
  int rate, channels;
  int64_t duration;
  unsigned count, current;
  ASSERT_EQ(0, FFMpegDecode_GetInfo(ctx, &rate, &channels, &duration, &count, &current));
  EXPECT_EQ(8000, rate);
  EXPECT_EQ(2u, count);
  EXPECT_EQ(0u, current);
  EXPECT_EQ(4000000, duration);
  ASSERT_EQ(0, FFMpegDecode_DecodeOnePacket(ctx, &pcm, &samples, &ms));
  EXPECT_EQ(0, ms);
  EXPECT_NEAR(3277, pcm[0], 2);
  ASSERT_EQ(0, FFMpegDecode_Seek(ctx, 1000));
  ASSERT_EQ(0, FFMpegDecode_SetStreamIndex(ctx, 1));
  ASSERT_EQ(0, FFMpegDecode_DecodeOnePacket(ctx, &pcm, &samples, &ms));
  EXPECT_NEAR(6554, pcm[0], 2);
  EXPECT_NEAR(1000, ms, 130);
  EXPECT_EQ(-1, FFMpegDecode_SetStreamIndex(ctx, 2));
  ASSERT_EQ(0, FFMpegDecode_Seek(ctx, 3500));
  EXPECT_EQ(-3, FFMpegDecode_DecodeOnePacket(ctx, &pcm, &samples, &ms));
  EXPECT_EQ(0, FFMpegDecode_Close(ctx));
  EXPECT_EQ(0, FFMpegDecode_Delete(ctx));

  EXPECT_EQ(0, FFMpegDecode_GetInfoFromFile(path.c_str(), &rate, nullptr, nullptr, &count, nullptr));
  EXPECT_EQ(2u, count);
}

class PromptTest : public SoundCardTest {};

TEST_F(PromptTest, PlaysAFileToTheEndAtTheRequestedRate) {
  // Device paths live under the board's root.
  ASSERT_TRUE(Ffmpeg("-f lavfi -i 'sine=f=1000:r=22050:d=0.3' " + (dir_ / "root/beep.wav")));
  EXPECT_EQ(-1, PlayAudioAndWaitEnd(nullptr, 16000, 1));
  EXPECT_EQ(-2, PlayAudioAndWaitEnd("/missing.wav", 16000, 1));
  ASSERT_EQ(0, PlayAudioAndWaitEnd("/beep.wav", 44100, 1));
  SoundCard_Release();
  Wav wav;
  ASSERT_TRUE(ReadWav(OutWav(), &wav));
  EXPECT_EQ(44100u, wav.rate);
  EXPECT_EQ(1u, wav.channels);
  // The whole prompt, then the padding silence.
  size_t last = 0;
  for (size_t i = 0; i < wav.samples.size(); i++)
    if (wav.samples[i] > 1000 || wav.samples[i] < -1000) last = i;
  EXPECT_NEAR(0.3 * 44100, static_cast<double>(last), 300);
}

}  // namespace
}  // namespace dtbtest
