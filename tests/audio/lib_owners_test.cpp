// The FFmpeg and ALSA owners: every failed open leaves nothing behind (the
// sanitizer build checks for leaks), and errors come out as our results.
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "audio/alsa_board.h"
#include "core/lib/alsa/alsa.h"
#include "core/lib/ffmpeg/ffmpeg.h"
#include "tests/audio/audio_test_util.h"

namespace dtbtest {
namespace {

std::string Bytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

void Put(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

struct Memory {
  std::string data;
  size_t pos = 0;
};

ff::Io MemoryIo(Memory* m) {
  ff::Io io;
  io.opaque = m;
  io.read = [](void* o, unsigned char* buf, int size) {
    auto* m = static_cast<Memory*>(o);
    size_t n = std::min(m->data.size() - m->pos, (size_t)size);
    memcpy(buf, m->data.data() + m->pos, n);
    m->pos += n;
    return (int)n;
  };
  io.seek = [](void* o, long long offset, int whence) -> long long {
    auto* m = static_cast<Memory*>(o);
    long long to = offset + (whence == SEEK_CUR ? (long long)m->pos : whence == SEEK_END ? (long long)m->data.size() : 0);
    if (to < 0 || to > (long long)m->data.size()) return -1;
    m->pos = (size_t)to;
    return to;
  };
  return io;
}

// Decodes every frame; the sample count.
long DecodeAll(ff::Input& in) {
  ff::Packet pkt;
  ff::Frame frame;
  long samples = 0;
  bool draining = false;
  for (;;) {
    int r = in.Receive(frame);
    if (r == 0) {
      samples += frame.Samples();
      frame.Unref();
    } else if (r == ff::kAgain && !draining) {
      if (in.ReadPacket(pkt) < 0) {
        draining = true;
        in.Send(nullptr);
      } else {
        in.Send(&pkt);
        pkt.Unref();
      }
    } else {
      return samples;
    }
  }
}

class FfmpegOwnersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ff::Init();
    ff::Quiet();
    mp3_ = dir_ / "tone.mp3";
    ASSERT_TRUE(Ffmpeg("-f lavfi -i 'sine=f=440:r=22050:d=1' " + mp3_));
  }
  TempDir dir_;
  std::string mp3_;
};

TEST_F(FfmpegOwnersTest, BrokenFilesFailAndLeaveNothingOpen) {
  std::string whole = Bytes(mp3_);
  Put(dir_ / "empty.mp3", "");
  Put(dir_ / "junk.wav", std::string(4000, '\x55'));
  Put(dir_ / "header.wav", "RIFF\x24\x00\x00\x00WAVEfmt ");
  Put(dir_ / "half.mp3", whole.substr(0, whole.size() / 2));
  ff::Input in;
  for (const char* name : {"missing.mp3", "empty.mp3", "junk.wav", "header.wav"}) {
    int r = in.Open((dir_ / name).c_str(), ff::Io(), -1, false, -1);
    EXPECT_LE(r, -4) << name;
    EXPECT_FALSE(in.IsOpen()) << name;
  }
  // Truncated mid-stream: what is there plays, then it ends.
  ASSERT_EQ(0, in.Open((dir_ / "half.mp3").c_str(), ff::Io(), -1, false, -1));
  long half = DecodeAll(in);
  ASSERT_EQ(0, in.Open(mp3_.c_str(), ff::Io(), -1, false, -1));  // reopening closes the old one
  long full = DecodeAll(in);
  EXPECT_GT(half, 22050 / 4);
  EXPECT_LT(half, full);
  // An ordinal past the audio streams falls back to the best one.
  ASSERT_EQ(0, in.Open(mp3_.c_str(), ff::Io(), -1, false, 99));
  EXPECT_EQ(1, in.stream_count());
  EXPECT_EQ(0, in.selected());
  in.Close();
  in.Close();
  ff::Packet pkt;
  ff::Frame frame;
  EXPECT_LT(in.ReadPacket(pkt), 0);
  EXPECT_EQ(-1, in.Receive(frame));
}

TEST_F(FfmpegOwnersTest, ReadingThroughTheCaller) {
  Memory whole{Bytes(mp3_)}, cut{whole.data.substr(0, 300)}, junk{std::string(5000, '\x7f')};
  ff::Input in;
  ASSERT_EQ(0, in.Open("memory", MemoryIo(&whole), -1, false, -1));
  EXPECT_EQ(22050, in.rate());
  EXPECT_EQ(1, in.src_channels());
  long from_memory = DecodeAll(in);
  ASSERT_EQ(0, in.Open(mp3_.c_str(), ff::Io(), -1, false, -1));
  EXPECT_EQ(DecodeAll(in), from_memory);
  // Broken input through the caller: its I/O context goes with the failure.
  EXPECT_LE(in.Open("junk", MemoryIo(&junk), -1, false, -1), -4);
  EXPECT_FALSE(in.IsOpen());
  if (in.Open("cut", MemoryIo(&cut), -1, false, -1) == 0) DecodeAll(in);
  ff::Io no_read;
  no_read.opaque = &whole;
  EXPECT_NE(0, in.Open("memory", no_read, -1, false, -1));  // not a path: nothing to open
}

TEST(FfmpegResampler, ConvertsAndRefusesNonsense) {
  ff::Resampler swr;
  EXPECT_EQ(-1, swr.Open(0, 1, 16000, 1));
  EXPECT_FALSE(swr);
  EXPECT_EQ(-1, swr.Convert(nullptr, 0, nullptr, 0));
  ASSERT_EQ(0, swr.Open(8000, 1, 16000, 2));
  std::vector<int16_t> in(800, 1000), out(2 * 4000);
  int cap = swr.OutFrames(800);
  ASSERT_GE(cap, 1600);
  int got = swr.Convert(out.data(), 4000, in.data(), 800);
  EXPECT_GT(got, 1500);
  EXPECT_LE(got, cap);
  EXPECT_EQ(out[2 * 1000], out[2 * 1000 + 1]);  // mono reaches both channels
  swr.Reset();
  swr.Close();
  EXPECT_FALSE(swr);
}

class AlsaOwnersTest : public SoundCardTest {};

TEST_F(AlsaOwnersTest, ErrorsBecomeOurResults) {
  EXPECT_EQ(12, alsa::Result(12));
  EXPECT_EQ(alsa::kAgain, alsa::Result(-EAGAIN));
  EXPECT_EQ(alsa::kXrun, alsa::Result(-EPIPE));
  EXPECT_EQ(alsa::kSuspended, alsa::Result(-ESTRPIPE));
  EXPECT_EQ(alsa::kNoMemory, alsa::Result(-ENOMEM));
  EXPECT_EQ(alsa::kError, alsa::Result(-ENOENT));
  EXPECT_EQ(alsa::kError, alsa::Result(-EBUSY));

  alsa::Pcm pcm;
  short s[4] = {};
  EXPECT_EQ(alsa::kError, pcm.Write(s, 2));
  EXPECT_EQ(alsa::kError, pcm.Avail());
  EXPECT_EQ(alsa::kError, pcm.Open("no_such_device", alsa::Stream::Playback, true, AlsaBoardConfigText()));
  EXPECT_FALSE(pcm);
  EXPECT_STRNE("", pcm.LastError());

  alsa::Mixer mixer;
  EXPECT_EQ(alsa::kError, mixer.Write("HP Playback Switch", 1, nullptr));
  ASSERT_EQ(0, mixer.Open("default", AlsaBoardConfigText()));
  int applied = -1;
  EXPECT_EQ(alsa::kError, mixer.Write("No Such Control", 1, &applied));
  EXPECT_EQ(-1, applied);
  EXPECT_EQ(0, mixer.Write("HP Playback Switch", 3, &applied));
  EXPECT_EQ(1, applied);
}

TEST_F(AlsaOwnersTest, AStreamHasOneOwner) {
  alsa::Pcm a, b;
  ASSERT_EQ(0, a.Open("default", alsa::Stream::Playback, true, AlsaBoardConfigText()));
  ASSERT_EQ(0, a.SetParams(1, 16000, 100000));
  short s[160] = {7};
  EXPECT_EQ(160, a.Write(s, 160));
  b = std::move(a);
  EXPECT_FALSE(a);
  EXPECT_TRUE(b);
  EXPECT_EQ(alsa::kError, a.Write(s, 160));
  EXPECT_EQ(160, b.Write(s, 160));
  b.Close();
  Wav wav;
  ASSERT_TRUE(ReadWav(OutWav(), &wav));
  EXPECT_EQ(320u, wav.samples.size());
  // Capture opens in blocking mode and reads what the input holds (silence here).
  alsa::Pcm cap;
  ASSERT_EQ(0, cap.Open("hw:0,0", alsa::Stream::Capture, false, AlsaBoardConfigText()));
  ASSERT_EQ(0, cap.SetParams(2, 8000, 100000));
  short in[8] = {1, 1, 1, 1, 1, 1, 1, 1};
  EXPECT_EQ(4, cap.Read(in, 4));
  EXPECT_EQ(0, in[0]);
}

}  // namespace
}  // namespace dtbtest
