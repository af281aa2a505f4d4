// A device root for speech tests: the host board with the build's /home
// (voices, beep), the transcript it keeps, and a sound output that records
// what speech plays, paced like a card so that stops land mid-text.
#pragma once

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace speechtest {

struct Captured {
  std::vector<short> samples;
  std::vector<std::chrono::steady_clock::time_point> putTimes;
  int flushes = 0;
  int inits = 0;
  unsigned lastRate = 0, lastChannels = 0, lastLatency = 0;
};

class SpeechEnv {
 public:
  // The environment of this process; `withVoices` false gives a /home
  // without voice data. Created once, on first use.
  static SpeechEnv& Get(bool withVoices = true);

  // Utterances so far, "channel text" each.
  std::vector<std::string> Transcript() const;
  std::string LastUtterance() const;

  // Snapshot of what reached the sound output.
  Captured Output();
  void ResetOutput();
  // Real-time pacing of the output (a card without buffer); off plays at once.
  void SetPaced(bool paced);
  // What the output reports as queued frames.
  void SetHwLevel(int frames);

  const std::string& root() const { return root_.path(); }

 private:
  explicit SpeechEnv(bool withVoices);
  dtbtest::TempDir root_;
};

// Waits until the speech thread is idle, with a limit; false on timeout.
bool WaitIdle(int ms);

}  // namespace speechtest
