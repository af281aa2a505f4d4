// The sound seam for tests: a sink that keeps what is written to it (or
// drops it), optionally at the pace of a sound card, and reports a chosen
// buffer level. It stands in for the sound card wherever a player, speech or
// a backend built on the seam writes.
#pragma once

#include <unistd.h>

#include <atomic>
#include <mutex>
#include <vector>

#include "speech/tts_output.h"

template <class Base = SoundSink>
class RecordingSink : public Base {
 public:
  std::atomic<double> pace{0};  // 0: as fast as possible; 1: real time
  std::atomic<bool> keep{true};  // keep the samples written
  std::atomic<int> level{0};    // what BufferLevel reports

  int Init(unsigned channels, unsigned rate, unsigned) override {
    std::lock_guard<std::mutex> l(sinkMutex_);
    cardChannels = static_cast<int>(channels);
    cardRate = static_cast<int>(rate);
    ++inits;
    return 0;
  }
  int PutSamples(short* s, int frames) override {
    int rate;
    {
      std::lock_guard<std::mutex> l(sinkMutex_);
      if (keep && frames > 0) written.insert(written.end(), s, s + frames * cardChannels);
      rate = cardRate;
    }
    // Paced like a sound card, so that positions move in real time.
    const double p = pace;
    if (p > 0 && rate > 0 && frames > 0) usleep(static_cast<useconds_t>(frames * 1e6 / rate / p));
    return 0;
  }
  int Flush() override { return 0; }
  int WaitBufferFinished() override { return 0; }
  int BufferLevel() override { return level; }

  size_t WrittenFrames() {
    std::lock_guard<std::mutex> l(sinkMutex_);
    return cardChannels ? written.size() / cardChannels : 0;
  }
  std::vector<short> Written() {
    std::lock_guard<std::mutex> l(sinkMutex_);
    return written;
  }
  void ClearWritten() {
    std::lock_guard<std::mutex> l(sinkMutex_);
    written.clear();
  }

  std::vector<short> written;
  int cardChannels = 0;
  int cardRate = 0;
  int inits = 0;

 protected:
  std::mutex sinkMutex_;
};

// Speech heard nowhere: a sink that drops everything and reports `level`
// frames queued (0: nothing; a high one keeps player speech from feeding
// silence).
inline SoundSink* QuietSink(int level, double pace = 0) {
  auto* s = new RecordingSink<>;
  s->keep = false;
  s->level = level;
  s->pace = pace;
  return s;
}
