// What the random-key driver hears from outside the player: the root's
// transcript (speech, beeps, the window on top) and the samples reaching the
// sound card, each stamped with the driver's own steady clock when it shows
// up (the transcript's own times follow the device clock, which the run
// moves about).
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sim/sim_text.h"

namespace sim {

double NowSeconds();  // steady clock

struct Heard {
  double at;
  std::string channel;  // "say", "read", "beep", "window"
  std::string text;
};

class Follower {
 public:
  Follower(const std::string& transcript, const std::string& wav);
  ~Follower();
  void Start();
  void Stop();

  // First utterance (say, read or beep) in (from, to]; null when none.
  bool FirstAnswer(double from, double to, Heard* out);
  // Time of the first audible block handed to the card in [from, to], or -1.
  double FirstLoud(double from, double to);
  bool LoudIn(double from, double to) { return FirstLoud(from, to) >= 0; }
  // The window on top at `at`: "depth class", or "" before the first.
  std::string WindowAt(double at);
  // The window on top at `from` and every one that came up to `to`.
  std::vector<std::string> WindowsBetween(double from, double to);
  // Any utterance after `from`.
  bool SpokeSince(double from);
  // Every utterance in (from, to].
  std::vector<Heard> HeardBetween(double from, double to);

 private:
  void Run();
  void PollTranscript();
  void PollAudio();

  std::string wav_;
  TranscriptTail tail_;
  long long apos_ = -1;
  std::mutex m_;
  std::vector<Heard> heard_;
  std::vector<Heard> windows_;
  std::vector<std::pair<double, bool>> audio_;  // (time, a loud block arrived)
  std::atomic<bool> stop_{false};
  std::thread t_;
};

}  // namespace sim
