// The recording engine: the ring under a stalled writer, what a stop keeps,
// and the WAV header at every moment of a recording.
#include "record/engine/record.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include <sys/resource.h>
#include <csignal>

#include "tests/support/root_board.h"
#include "tests/support/test_support.h"

namespace {

uint32_t Le32(const std::string& s, size_t at) {
  return static_cast<unsigned char>(s[at]) | static_cast<unsigned char>(s[at + 1]) << 8 |
         static_cast<unsigned char>(s[at + 2]) << 16 | static_cast<uint32_t>(static_cast<unsigned char>(s[at + 3])) << 24;
}

// Capture that hands out numbered blocks (every sample = the block's number)
// up to a limit, and a writer that can be held.
class FakeRecord : public Record {
 public:
  std::atomic<int> produced{0};
  std::atomic<int> limit{0};
  std::atomic<int> write_delay_ms{0};

  void Hold() {
    std::lock_guard<std::mutex> l(m_);
    held_ = true;
  }
  void Release() {
    std::lock_guard<std::mutex> l(m_);
    held_ = false;
    cv_.notify_all();
  }
  bool WaitProduced(int n) {
    for (int i = 0; i < 500 && produced < n; i++) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return produced >= n;
  }

 protected:
  int OpenCapture(int) override { return 0; }
  void CloseCapture() override {}
  void SetCaptureInput(int, int) override {}
  int ReadCapture(short* samples, int frames) override {
    if (frames != kBlockFrames) return frames;  // warm-up
    if (produced >= limit) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      return -1;
    }
    int n = produced;
    for (int i = 0; i < frames * 2; i++) samples[i] = static_cast<short>(n);
    ++produced;
    return frames;
  }
  int Write(const short* samples, int frames) override {
    {
      std::unique_lock<std::mutex> l(m_);
      cv_.wait(l, [this] { return !held_; });
    }
    if (write_delay_ms) std::this_thread::sleep_for(std::chrono::milliseconds(write_delay_ms));
    return Record::Write(samples, frames);
  }

 private:
  std::mutex m_;
  std::condition_variable cv_;
  bool held_ = false;
};

// The block numbers in a stereo WAV file of whole blocks.
std::vector<int> Blocks(const std::string& wav) {
  std::vector<int> out;
  const size_t block = Record::kBlockFrames * 4;
  for (size_t at = 44; at + block <= wav.size(); at += block) {
    short v;
    memcpy(&v, wav.data() + at, 2);
    out.push_back(v);
  }
  return out;
}

class RecordTest : public ::testing::Test {
 protected:
  dtbtest::TempDir dir;
  dtbtest::ScopedRootBoard board{dir.path()};
  FakeRecord rec;
  std::string path = "/rec.wav";
  std::string Contents() { return dtbtest::ReadFile(dir / "rec.wav"); }
};

TEST_F(RecordTest, FullRingDropsTheNewestBlocksAndKeepsTheEarlierFifteen) {
  rec.Hold();
  ASSERT_EQ(0, rec.Start(path.c_str(), 3, 0, RecordFile::kWav, 16000, 64, false));
  rec.limit = 20;
  ASSERT_EQ(0, rec.Start2());
  ASSERT_TRUE(rec.WaitProduced(20));
  // The last block is counted once the capture thread is past it.
  for (int i = 0; i < 500 && rec.DroppedBlocks() < 5; i++) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(5, rec.DroppedBlocks());
  rec.Release();
  ASSERT_EQ(0, rec.Stop());
  std::vector<int> expected;
  for (int i = 0; i < 15; i++) expected.push_back(i);
  EXPECT_EQ(expected, Blocks(Contents()));
}

TEST_F(RecordTest, StopAndPauseKeepEveryBlockCapturedBeforeThem) {
  rec.write_delay_ms = 40;
  ASSERT_EQ(0, rec.Start(path.c_str(), 4, 0, RecordFile::kWav, 16000, 64, false));
  rec.limit = 4;
  ASSERT_EQ(0, rec.Start2());
  ASSERT_TRUE(rec.WaitProduced(4));
  ASSERT_EQ(0, rec.Pause());
  EXPECT_EQ(0, rec.Continue());
  rec.limit = 7;
  ASSERT_EQ(0, rec.Start2());
  ASSERT_TRUE(rec.WaitProduced(7));
  ASSERT_EQ(0, rec.Stop());
  EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 4, 5, 6}), Blocks(Contents()));
  EXPECT_EQ(0, rec.GetErrorCode());
  EXPECT_FALSE(rec.IsRecording());
}

TEST_F(RecordTest, RefusesASecondStartAndBadParameters) {
  ASSERT_EQ(0, rec.Start(path.c_str(), 1, 0, RecordFile::kMp3, 16000, 32, true));
  EXPECT_EQ(-1, rec.Start("/other.wav", 1, 0, RecordFile::kWav, 16000, 64, false));
  EXPECT_EQ(0, rec.Stop());
  EXPECT_EQ(-1, rec.Stop());
  EXPECT_EQ(-1, rec.Start(nullptr, 1, 0, RecordFile::kWav, 16000, 64, false));
  EXPECT_EQ(-1, rec.Start(path.c_str(), 1, 0, RecordFile::kWav, 15000, 64, false));
  EXPECT_EQ(-2, rec.Start("/no/such/folder/x.wav", 1, 0, RecordFile::kWav, 16000, 64, false));
}

// A capture stream that counts the calls made from the test's own thread,
// and hands out one block after each (re)open so that the writer has work.
// Nothing here orders the calls: the thread sanitizer sees any open, read
// or close of the stream that the engine itself does not order.
class StreamRecord : public Record {
 public:
  const std::thread::id test_thread = std::this_thread::get_id();
  std::atomic<int> foreign_calls{0}, opens{0}, closes{0}, closed_reads{0};
  bool fail_open = false;

 protected:
  int OpenCapture(int) override {
    Note();
    if (fail_open) return -1;
    open_ = fresh_ = true;
    opens.fetch_add(1, std::memory_order_relaxed);
    return 0;
  }
  void CloseCapture() override {
    Note();
    if (open_) closes.fetch_add(1, std::memory_order_relaxed);
    open_ = false;
  }
  int ReadCapture(short* samples, int frames) override {
    Note();
    if (!open_) {
      closed_reads.fetch_add(1, std::memory_order_relaxed);
      return -1;
    }
    if (frames == kBlockFrames && !fresh_) return -1;  // nothing more until the next open
    if (frames == kBlockFrames) fresh_ = false;
    memset(samples, 0, static_cast<size_t>(frames) * 4);
    return frames;
  }
  void SetCaptureInput(int, int) override {}

 private:
  void Note() {
    if (std::this_thread::get_id() == test_thread) foreign_calls.fetch_add(1, std::memory_order_relaxed);
  }
  bool open_ = false;
  bool fresh_ = false;
};

// The stream is opened, read and closed by the capture thread alone, so a
// pause, a resume or the fresh start after the beep never closes it under a
// read.
TEST_F(RecordTest, OnlyTheCaptureThreadTouchesTheStreamThroughPausesAndResumes) {
  StreamRecord s;
  ASSERT_EQ(0, s.Start(path.c_str(), 4, 0, RecordFile::kWav, 16000, 64, false));
  ASSERT_EQ(0, s.Start2());
  for (int i = 0; i < 25; i++) {
    ASSERT_EQ(0, s.Pause());
    ASSERT_EQ(0, s.Continue());
    ASSERT_EQ(0, s.Start2());
  }
  ASSERT_EQ(0, s.Stop());
  EXPECT_EQ(0, s.foreign_calls);
  EXPECT_EQ(2 + 25 * 2, s.opens);  // at each start or resume, and afresh after each beep
  EXPECT_EQ(s.opens, s.closes);
  EXPECT_EQ(0, s.closed_reads);
}

TEST_F(RecordTest, AStreamThatDoesNotOpenRefusesTheStart) {
  StreamRecord s;
  s.fail_open = true;
  EXPECT_EQ(-1, s.Start(path.c_str(), 1, 0, RecordFile::kWav, 16000, 64, false));
  EXPECT_FALSE(s.IsRecording());
  EXPECT_FALSE(s.IsOpen());
  s.fail_open = false;
  EXPECT_EQ(0, s.Start(path.c_str(), 1, 0, RecordFile::kWav, 16000, 64, false));
  EXPECT_EQ(0, s.Stop());
}

TEST(RecordFileTest, WavHeaderIsPlayableAtEveryMoment) {
  dtbtest::TempDir dir;
  dtbtest::ScopedRootBoard board(dir.path());
  RecordFile f;
  ASSERT_EQ(0, f.SetChannels(2));
  ASSERT_EQ(0, f.SetSampleRate(22050));
  ASSERT_EQ(-1, f.SetSampleRate(22000));
  ASSERT_EQ(0, f.Open("/a.wav"));
  EXPECT_EQ(-1, f.SetChannels(1));  // not while open
  std::string empty = dtbtest::ReadFile(dir / "a.wav");
  ASSERT_EQ(44u, empty.size());
  EXPECT_EQ(36u, Le32(empty, 4));
  EXPECT_EQ(0u, Le32(empty, 40));
  EXPECT_EQ(22050u * 4, Le32(empty, 28));
  std::vector<short> pcm(1000 * 2, 7);
  ASSERT_EQ(0, f.Write(pcm.data(), 1000));
  EXPECT_EQ(-1, f.Write(nullptr, 10));
  // Not closed, as after a power cut: the sizes already cover the data.
  std::string cut = dtbtest::ReadFile(dir / "a.wav");
  ASSERT_EQ(44u + 4000, cut.size());
  EXPECT_EQ(4000u + 36, Le32(cut, 4));
  EXPECT_EQ(4000u, Le32(cut, 40));
  EXPECT_EQ(0, f.Close());
  EXPECT_EQ(-1, f.Close());
  EXPECT_EQ(cut, dtbtest::ReadFile(dir / "a.wav"));
}

}  // namespace

namespace {

// A disk that fills up in the middle of a block (the file size limit stands
// in for it): the recording reports it, and what was written plays.
TEST(RecordFileTest, AFullDiskEndsWithAWholeFileOfWhatFitted) {
  dtbtest::TempDir dir;
  dtbtest::ScopedRootBoard board(dir.path());
  RecordFile f;
  ASSERT_EQ(0, f.SetChannels(2));
  ASSERT_EQ(0, f.Open("/full.wav"));
  struct rlimit old;
  getrlimit(RLIMIT_FSIZE, &old);
  void (*oldHandler)(int) = signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 44 + 3002;
  setrlimit(RLIMIT_FSIZE, &small);
  std::vector<short> pcm(1000 * 2, 5);
  int first = f.Write(pcm.data(), 1000);
  int second = f.Write(pcm.data(), 1000);
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(-3, first);
  EXPECT_EQ(-3, second);
  EXPECT_EQ(0, f.Close());
  std::string wav = dtbtest::ReadFile(dir / "full.wav");
  EXPECT_EQ(3000u, Le32(wav, 40));  // whole frames only
  EXPECT_EQ(3036u, Le32(wav, 4));
}

}  // namespace
