// A scripted decoder over the recording sink, for the play-thread tests:
// "files" are sine tones of a given length, and everything written to the
// card is kept.
#pragma once

#include <cmath>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "players/kit/play_backend.h"
#include "tests/players/fake_sound.h"

struct FakeTone {
  int rate = 8000;
  int channels = 1;
  int durationMs = 1000;
  double hz = 440;
};

class FakeBackend : public RecordingSink<PlayBackend> {
 public:
  std::map<std::string, FakeTone> files;
  int streams = 1;

  int Open(const char* path, int* rate, int* channels, int* totalMs) override {
    std::lock_guard<std::mutex> l(m_);
    auto it = files.find(path);
    if (it == files.end() || open_) return -4;
    open_ = true;
    stream_ = 0;
    cur_ = it->second;
    pos_ = 0;
    ended_ = false;
    opened.push_back(path);
    *rate = cur_.rate;
    *channels = cur_.channels;
    *totalMs = cur_.durationMs;
    return 0;
  }
  int Close() override {
    std::lock_guard<std::mutex> l(m_);
    open_ = false;
    return 0;
  }
  int Read(void* buf, int bytes, int* curMs) override {
    std::lock_guard<std::mutex> l(m_);
    if (!open_) return -1;
    const long long total = static_cast<long long>(cur_.durationMs) * cur_.rate / 1000;
    if (ended_ || pos_ >= total) {
      ended_ = true;
      *curMs = cur_.durationMs;
      return 0;
    }
    long long frames = bytes / (2 * cur_.channels);
    if (frames > total - pos_) frames = total - pos_;
    short* out = static_cast<short*>(buf);
    for (long long i = 0; i < frames; ++i) {
      short v = static_cast<short>(10000 * std::sin(2 * M_PI * cur_.hz * (pos_ + i) / cur_.rate));
      for (int c = 0; c < cur_.channels; ++c) out[i * cur_.channels + c] = v;
    }
    pos_ += frames;
    *curMs = static_cast<int>(pos_ * 1000 / cur_.rate);
    return static_cast<int>(frames * 2 * cur_.channels);
  }
  int Seek(int ms, int) override {
    std::lock_guard<std::mutex> l(m_);
    if (!open_) return -1;
    seeks.push_back(ms);
    if (ms < 0) ms = 0;
    ended_ = ms >= cur_.durationMs - 1000;
    pos_ = static_cast<long long>(ms) * cur_.rate / 1000;
    return 0;
  }
  int CurMs() override {
    std::lock_guard<std::mutex> l(m_);
    if (!open_) return -1;
    return ended_ ? cur_.durationMs : static_cast<int>(pos_ * 1000 / cur_.rate);
  }
  int StreamCount() override { return open_ ? streams : -1; }
  int CurStream() override { return open_ ? stream_ : -1; }
  // Other streams of every file, as their own tones; the time is kept.
  std::vector<FakeTone> otherStreams;
  int SelectStream(int ordinal) override {
    std::lock_guard<std::mutex> l(m_);
    if (!open_ || ordinal < 1 || ordinal > static_cast<int>(otherStreams.size())) return -1;
    long long ms = pos_ * 1000 / cur_.rate;
    cur_ = otherStreams[static_cast<size_t>(ordinal) - 1];
    pos_ = ms * cur_.rate / 1000;
    stream_ = ordinal;
    return 0;
  }
  int Format(int* rate, int* channels) override {
    std::lock_guard<std::mutex> l(m_);
    if (!open_) return -1;
    *rate = cur_.rate;
    *channels = cur_.channels;
    return 0;
  }

  int DurationMs(const char* path) override {
    std::lock_guard<std::mutex> l(m_);
    if (open_) return -2;
    auto it = files.find(path);
    return it == files.end() ? -4 : it->second.durationMs;
  }

  std::vector<std::string> Opened() {
    std::lock_guard<std::mutex> l(m_);
    return opened;
  }
  std::vector<int> Seeks() {
    std::lock_guard<std::mutex> l(m_);
    return seeks;
  }
  void Reset() {
    std::lock_guard<std::mutex> l(m_);
    opened.clear();
    seeks.clear();
    ClearWritten();
  }

  std::vector<std::string> opened;
  std::vector<int> seeks;

 private:
  std::mutex m_;
  bool open_ = false;
  int stream_ = 0;
  bool ended_ = false;
  FakeTone cur_;
  long long pos_ = 0;
};
