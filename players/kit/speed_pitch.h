// Tempo and pitch change of the players' audio through SoundTouch: 16-bit
// frames go in, processed frames come out in blocks of 2048 / channels.
#pragma once

#include <functional>
#include <memory>
#include <vector>

namespace soundtouch {
class SoundTouch;
}

// Tempo change in percent for a player speed step (-10..30): 5 % slower per
// step below 0, 10 % faster per step above.
double SpeedStepToTempoChange(int step);
// Seconds of listening that `ms` of audio take at a tempo change in percent
// (a change of -100 or below counts as none).
int ListeningSeconds(long long ms, double tempoPercent);

class SpeedPitch {
 public:
  // Receives one processed block (frames of the configured channel count).
  // A non-zero result stops the drain early.
  using Sink = std::function<int(short* pcm, int frames)>;

  SpeedPitch();
  ~SpeedPitch();
  SpeedPitch(const SpeedPitch&) = delete;
  SpeedPitch& operator=(const SpeedPitch&) = delete;

  // Stream format: rate in Hz, channels 1 or 2 (anything else is taken as 2).
  void SetFormat(int rate, int channels);
  void SetTempoChange(double percent);
  void SetPitchSemiTones(int semitones);
  // Feeds frames and hands every block that is ready to the sink.
  int Process(const short* pcm, int frames, const Sink& sink);
  // Pushes out what is still inside (end of a file).
  int Flush(const Sink& sink);
  // Drops everything inside (seek, pause).
  void Clear();
  int Channels() const { return channels_; }
  // Tempo change in percent from which the splice point is sought quickly.
  static constexpr double kQuickSeekFrom = 100;

 private:
  int Drain(const Sink& sink);
  // SoundTouch's settings for the tempo and pitch set.
  void Tune();
  std::unique_ptr<soundtouch::SoundTouch> st_;
  int channels_ = 2;
  double tempo_ = 0;
  int pitch_ = 0;
  std::vector<float> in_;
  std::vector<float> out_;
  std::vector<short> block_;
};
