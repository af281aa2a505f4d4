// The random-key run's engine, shared by the random-key mode and the
// power-cut harness of dtbrandom.
#pragma once

#include <sys/types.h>

#include <deque>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "sim/random_files.h"
#include "sim/random_follow.h"
#include "sim/random_keys.h"
#include "sim/simulator.h"

namespace sim {

constexpr size_t kReplayEvents = 50;

// A window that documents no answer for a key: "<class part|*> <key|*> why".
struct Silence {
  std::string window, key, why;
};

struct PendingKey {
  long event;
  std::string key;
  double t0;
  std::string window;
  pid_t pid;
};

struct Stats {
  long keys = 0, answered = 0, by_sound = 0, overtaken = 0, documented = 0, unheard = 0;
  long starts = 0, cuts_in_writes = 0, file_checks = 0, probes = 0;
  long long_ops = 0, board_starts[2] = {0, 0};
  std::map<std::string, std::vector<double>> latency;  // window class -> seconds
};

class Run {
 public:
  Run(const RandomOptions& o, Simulator& s, Follower& f);
  int Go();
  int Cuts(long cuts);
  int Replay(const std::string& script);

 private:
  double U(double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng_); }
  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
  int PickKey();
  std::string NextEvent();
  std::string WorldEvent();
  std::string LongOperation();
  void ChooseBoard();
  int CheckFiles(long event, bool settle);
  std::string Gap();
  void Do(const std::string& lines, long event);
  void PressKey(const std::string& key, double hold, long event);
  int CheckKeys(bool final);
  int Judge(const PendingKey& k, double deadline, bool overtaken);
  int Probe(long event);
  int EnsureRunning(long event);
  void SampleRss();
  int Fail(const std::string& why);
  void Report(long events);
  // power cuts
  int CutOnce(long cut);
  int WatchAndKill(long cut, std::map<std::string, std::string>* before);
  int CheckAfterCut(const std::map<std::string, std::string>& before, const char* when, long cut);

  const RandomOptions& o_;
  Simulator& s_;
  Follower& f_;
  std::mt19937_64 rng_;
  std::vector<Silence> silences_;
  std::deque<std::string> last_;
  std::deque<PendingKey> pending_;
  std::deque<double> starts_;  // when each event began
  std::string usb_ = "none";
  int usb_left_ = 0;  // events until a computer's cable comes out
  bool card_ = false, phones_ = false;
  pid_t rss_pid_ = -1;
  long rss_first_ = -1, rss_last_ = -1, rss_growth_ = 0, rss_max_ = 0;
  long events_in_pid_ = 0;
  Stats st_;
  FileOracle files_;
  pid_t files_pid_ = -1;
};


}  // namespace sim
