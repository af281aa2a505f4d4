// The players on the firmware's streaming decoder, with what would go to the
// sound card recorded, and audio files made with ffmpeg for each test.
#pragma once

#include <filesystem>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <mutex>
#include <string>
#include <unistd.h>
#include <vector>

#include "players/kit/play_backend.h"
#include "tests/players/fake_sound.h"
#include "tests/support/test_support.h"

class DecoderRecorder : public RecordingSink<PlayBackend> {
 public:
  int Open(const char* path, int* rate, int* channels, int* totalMs) override {
    int r = real().Open(path, rate, channels, totalMs);
    if (r >= 0) {
      std::lock_guard<std::mutex> l(m_);
      opened.push_back(path);
    }
    return r;
  }
  int Close() override { return real().Close(); }
  int Read(void* buf, int bytes, int* curMs) override { return real().Read(buf, bytes, curMs); }
  int Seek(int ms, int direction) override {
    {
      std::lock_guard<std::mutex> l(m_);
      seeks.push_back(ms);
    }
    return real().Seek(ms, direction);
  }
  int CurMs() override { return real().CurMs(); }
  int StreamCount() override { return real().StreamCount(); }
  int CurStream() override { return real().CurStream(); }
  int SelectStream(int ordinal) override { return real().SelectStream(ordinal); }
  int DurationMs(const char* path) override { return real().DurationMs(path); }
  int PutSamples(short* s, int frames) override {
    int r;
    {
      std::lock_guard<std::mutex> l(sinkMutex_);
      // Everything is kept as mono so that files of any layout compare.
      const int channels = cardChannels > 0 ? cardChannels : 1;
      for (int i = 0; i < frames; ++i) {
        int sum = 0;
        for (int c = 0; c < channels; ++c) sum += s[i * channels + c];
        out.push_back(static_cast<short>(sum / channels));
      }
      r = cardRate;
    }
    const double p = pace;
    if (p > 0 && r > 0) usleep(static_cast<useconds_t>(frames * 1e6 / r / p));
    return 0;
  }

  std::vector<short> Out() {
    std::lock_guard<std::mutex> l(sinkMutex_);
    return out;
  }
  std::vector<std::string> Opened() {
    std::lock_guard<std::mutex> l(m_);
    return opened;
  }
  std::vector<int> Seeks() {
    std::lock_guard<std::mutex> l(m_);
    return seeks;
  }
  int Rate() {
    std::lock_guard<std::mutex> l(sinkMutex_);
    return cardRate;
  }
  void Reset() {
    {
      std::lock_guard<std::mutex> l(sinkMutex_);
      out.clear();
    }
    std::lock_guard<std::mutex> l(m_);
    opened.clear();
    seeks.clear();
  }

 private:
  static PlayBackend& real() { return DefaultPlayBackend(); }
  std::mutex m_;
  std::vector<short> out;
  std::vector<std::string> opened;
  std::vector<int> seeks;
};

inline DecoderRecorder& SharedRecorder() {
  static DecoderRecorder* r = [] {
    auto* d = new DecoderRecorder;
    SetPlayersBackend(d);
    return d;
  }();
  return *r;
}

// Makes a sine tone file with ffmpeg; false when ffmpeg is missing or fails.
inline bool MakeTone(const std::string& path, double hz, double seconds, int rate = 44100,
                     int channels = 2) {
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
  char cmd[1024];
  snprintf(cmd, sizeof cmd,
           "ffmpeg -nostdin -v error -y -f lavfi -i 'sine=frequency=%g:duration=%g:sample_rate=%d' "
           "-ac %d '%s' 2>/dev/null",
           hz, seconds, rate, channels, path.c_str());
  return system(cmd) == 0;
}

// Runs ffmpeg with `args` (quiet, overwriting); false when it fails.
inline bool Ffmpeg(const std::string& args) {
  return system(("ffmpeg -nostdin -v error -y " + args + " 2>/dev/null").c_str()) == 0;
}

// A file of 4 s tones, one per chapter (440, 660, 880 Hz), whose chapters
// are named "Chapter One" and on; false when ffmpeg cannot make it.
inline bool MakeChaptered(const std::string& dir, const std::string& name, const std::string& opts) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  const std::string meta = dir + "/.chapters.txt";
  FILE* f = fopen(meta.c_str(), "w");
  if (!f) return false;
  fputs(";FFMETADATA1\n", f);
  const char* titles[] = {"Chapter One", "Chapter Two", "Chapter Three"};
  for (int i = 0; i < 3; ++i)
    fprintf(f, "[CHAPTER]\nTIMEBASE=1/1000\nSTART=%d\nEND=%d\ntitle=%s\n", i * 4000,
            (i + 1) * 4000, titles[i]);
  fclose(f);
  std::string in;
  for (int hz : {440, 660, 880})
    in += "-f lavfi -i 'sine=frequency=" + std::to_string(hz) + ":duration=4:sample_rate=44100' ";
  bool ok = Ffmpeg(in + "-i '" + meta + "' -filter_complex '[0][1][2]concat=n=3:v=0:a=1' " +
                   "-map_metadata 3 -map_chapters 3 -ac 1 " + opts + " '" + dir + "/" + name + "'");
  std::filesystem::remove(meta, ec);
  return ok;
}

// Power of one frequency in a stretch of mono samples (Goertzel).
inline double TonePower(const std::vector<short>& s, size_t from, size_t to, int rate, double hz) {
  const double w = 2 * M_PI * hz / rate, c = 2 * std::cos(w);
  double s1 = 0, s2 = 0;
  for (size_t i = from; i < to && i < s.size(); ++i) {
    double s0 = s[i] + c * s1 - s2;
    s2 = s1;
    s1 = s0;
  }
  return (s1 * s1 + s2 * s2 - c * s1 * s2) / double(to - from) / double(to - from);
}

// The strongest of the candidate frequencies in a stretch.
inline double DominantTone(const std::vector<short>& s, size_t from, size_t to, int rate,
                           const std::vector<double>& candidates) {
  double best = 0, bestHz = 0;
  for (double hz : candidates) {
    double p = TonePower(s, from, to, rate, hz);
    if (p > best) best = p, bestHz = hz;
  }
  return bestHz;
}

// Zero crossings per second / 2 of a stretch of a pure tone.
inline double ZeroCrossingHz(const std::vector<short>& s, size_t from, size_t to, int rate) {
  int n = 0;
  for (size_t i = from + 1; i < to && i < s.size(); ++i)
    if ((s[i - 1] < 0) != (s[i] < 0)) ++n;
  return n / 2.0 / (double(to - from) / rate);
}
