#include "sim/random_keys.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <deque>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <vector>

#include "sim/random_files.h"
#include "sim/random_follow.h"
#include "sim/random_run.h"
#include "sim/sim_text.h"
#include "sim/simulator.h"

namespace sim {
namespace {

const char* const c_Keys[] = {"radio", "music", "voldown", "info", "bookmark", "menu", "left",
                              "down",  "back",  "volup",   "record", "right",   "up",   "play"};
constexpr int kKeyCount = sizeof c_Keys / sizeof c_Keys[0];
// How often each key comes: play and the arrows most, so that the run goes
// down into folders and books as a user does; the volume keys and the keys
// that leave for another mode less.
const double c_KeyWeights[kKeyCount] = {0.5, 0.7, 0.5, 1, 1, 1, 1.5, 2, 1, 0.5, 0.5, 1.5, 2, 3};

std::vector<Silence> LoadSilences(const std::string& path) {
  std::vector<Silence> out;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    std::vector<std::string> w = Words(Trim(line));
    if (w.size() < 2 || w[0][0] == '#') continue;
    std::string why;
    for (size_t i = 2; i < w.size(); ++i) why += (why.empty() ? "" : " ") + w[i];
    out.push_back({w[0], w[1], why});
  }
  return out;
}

long RssKb(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  for (std::string l; std::getline(in, l);)
    if (l.compare(0, 6, "VmRSS:") == 0) return atol(l.c_str() + 6);
  return -1;
}

int Depth(const std::string& window) { return window.empty() ? -1 : atoi(window.c_str()); }
std::string ClassOf(const std::string& window) {
  size_t sp = window.find(' ');
  if (sp == std::string::npos) return "?";
  std::string c = window.substr(sp + 1);
  const std::string anon = "(anonymous namespace)::";
  for (size_t p; (p = c.find(anon)) != std::string::npos;) c.erase(p, anon.size());
  return c;
}

}  // namespace

Run::Run(const RandomOptions& o, Simulator& s, Follower& f)
    : o_(o), s_(s), f_(f), rng_(o.seed), silences_(LoadSilences(o.silences)), files_(o.root) {}

// The board revision for the next start: the node the player looks for.
static void SetBoardRevision(const std::string& root, int rev) {
  std::string node = root + "/dev/amp_en";
  if (rev == 1) {
    FILE* f = fopen(node.c_str(), "a");
    if (f) fclose(f);
  } else {
    unlink(node.c_str());
  }
}

void Run::ChooseBoard() {
  int rev = o_.board_rev >= 0 ? o_.board_rev : Pick(2);
  SetBoardRevision(o_.root, rev);
  ++st_.board_starts[rev];
  last_.push_back("# the next start is on board revision " + std::to_string(rev) + " (dtbsim --board-rev " +
                  std::to_string(rev) + ")");
}

// A long operation, then the world strikes it: the power key, a timer, the
// card, the cable, a kill, the clock jumping to an alarm or a reminder (the
// root has two daily alarms and a daily reminder).
std::string Run::LongOperation() {
  ++st_.long_ops;
  static const char* const c_Start[] = {
      "key radio 0.010\nwait 1.200\nkey menu 0.010\nwait 0.300\nkey down 0.010\nwait 0.300\nkey play 0.010",  // scan
      "key radio 0.010\nwait 1.200\nkey right 0.010",                                                 // seek
      "key radio 0.010\nwait 1.500\nkey record 0.010",                                                // radio recording
      "key record 0.010",                                                                            // recording
      // Send the entry to the other disk, the card put in first (and replace).
      "sd in\nwait 1.500\nkey menu 0.010\nwait 0.200\nkey menu 0.010\nwait 0.400\nkey up 0.010\nwait 0.300\n"
      "key play 0.010\nwait 0.600\nkey play 0.010",
      // Copy or cut the entry, up one folder, paste there (and replace).
      "key menu 0.010\nwait 0.200\nkey menu 0.010\nwait 0.400\nkey down 0.010\nwait 0.300\nkey down 0.010\n"
      "wait 0.300\nkey play 0.010\nwait 0.500\nkey back 0.010\nwait 0.500\nkey menu 0.010\nwait 0.200\n"
      "key menu 0.010\nwait 0.400\nkey play 0.010\nwait 0.600\nkey play 0.010",
      "key menu 0.010\nwait 0.200\nkey menu 0.010\nwait 0.400\nkey down 0.010\nwait 0.300\nkey play 0.010\n"
      "wait 0.500\nkey back 0.010\nwait 0.500\nkey menu 0.010\nwait 0.200\nkey menu 0.010\nwait 0.400\n"
      "key play 0.010\nwait 0.600\nkey play 0.010",
      "key menu 0.010",                                                                              // the main menu
      "key play 0.010\nwait 1.500\nkey bookmark 0.010",                                                // a bookmark entry
      "key play 0.010\nwait 1.500\nkey right 1.800",                                                  // a long seek in a book
      "key menu 0.010\nwait 0.200\nkey menu 0.010\nwait 0.400\nkey play 0.010",                          // the delete question
  };
  static const char* const c_Strike[] = {
      "power hold 3", "power click", "clock +86400", "clock +43200", "clock +3600", "sd out", "sd in",
      "usb in", "usb charger", "kill", "battery 0", "headphones in",
  };
  std::string out;
  if (Pick(4) == 0) out += "power click\nwait 0.400\nkey right 0.010\nwait 0.300\nkey play 0.010\nwait 0.300\n";  // auto power-off armed
  std::string start = c_Start[Pick(sizeof c_Start / sizeof *c_Start)];
  if (start.compare(0, 5, "sd in") == 0) card_ = true;
  out += start;
  char wait[32];
  snprintf(wait, sizeof wait, "\nwait %.3f\n", U(0.05, 2.5));
  std::string strike = c_Strike[Pick(sizeof c_Strike / sizeof *c_Strike)];
  if (strike == "usb in") {
    usb_ = "computer";
    usb_left_ = 3 + Pick(10);
  } else if (strike == "sd out" || strike == "sd in") {
    card_ = strike == "sd in";
  }
  return out + wait + strike + "\n" + Gap();
}

int Run::CheckFiles(long event, bool settle) {
  pid_t pid = s_.PlayerPid();
  if (pid != files_pid_) {
    if (files_pid_ != -1) files_.NewProcess();
    files_pid_ = pid;
  }
  for (double t = NowSeconds(); settle && NowSeconds() - t < 60; usleep(100000)) {
    files_.Listen();
    if (!files_.Busy()) break;
  }
  std::string why = files_.Check();
  if (why.empty()) return 0;
  return Fail(why + " (event " + std::to_string(event) + ")");
}

int Run::Replay(const std::string& script) {
  std::ifstream in(script);
  if (!in) return Fail("cannot read " + script);
  double t = NowSeconds();
  while (!f_.SpokeSince(t - 30) && NowSeconds() - t < 20) usleep(20000);
  if (CheckFiles(0, true)) return 1;
  long n = 0;
  for (std::string line; std::getline(in, line);) {
    line = Trim(line);
    if (line.empty() || line[0] == '#') continue;
    ++n;
    std::vector<std::string> w = Words(line);
    if (w[0] == "expect") {
      last_.push_back(line);
      if (s_.Command(line) != 0) return Fail("replay line " + std::to_string(n) + ": " + line + " was not heard");
    } else if (w[0] == "key" && w.size() == 2) {
      Do(line + " 0.010", n);
    } else {
      Do(line, n);
    }
    if (s_.Failed()) return Fail("dtbplayer crashed or ended unexpectedly (replay line " + std::to_string(n) + ")");
    if (CheckFiles(n, false)) return 1;
  }
  if (CheckFiles(n, true)) return 1;
  printf("dtbrandom: replayed %ld lines of %s: no user file lost (%ld file checks, %ld deletes, %ld pastes)\n", n,
         script.c_str(), files_.checks(), files_.deletes(), files_.pastes());
  return 0;
}

int Run::PickKey() {
  std::discrete_distribution<int> d(std::begin(c_KeyWeights), std::end(c_KeyWeights));
  return d(rng_);
}

std::string Run::Gap() {
  char buf[32];
  snprintf(buf, sizeof buf, "wait %.3f", U(0, 1) < 0.99 ? U(0.0, 0.01) : U(0.1, 0.4));
  return buf;
}

std::string Run::WorldEvent() {
  switch (Pick(16)) {
    case 0: case 1: usb_ = usb_ != "none" ? "none" : Pick(2) ? "computer" : "charger";
      usb_left_ = 5 + Pick(40);
      return usb_ == "none" ? (Pick(4) ? "usb out" : "usb eject\nusb out") : usb_ == "computer" ? "usb in" : "usb charger";
    case 2: case 3: card_ = !card_;
      return card_ ? (Pick(6) ? "sd in" : Pick(2) ? "sd in whole" : "sd in unformatted") : "sd out";
    case 4: case 5: phones_ = !phones_;
      return phones_ ? "headphones in" : "headphones out";
    case 6: case 7: case 8: {
      // Mostly ordinary states; an empty battery now and then, then charged again.
      int b = Pick(20) == 0 ? Pick(2) : 2 + Pick(6);
      return "battery " + std::to_string(b);
    }
    case 9: case 10: case 11: {
      static const char* const c_Jumps[] = {"clock +60", "clock +600", "clock +3600", "clock -3600",
                                            "clock +86400", "clock -60"};
      return c_Jumps[Pick(6)];
    }
    case 12: case 13: case 14: return "power click";
    default: return Pick(4) ? "power click" : "power hold 3";
  }
}

std::string Run::NextEvent() {
  double r = U(0, 1);
  char buf[96];
  if (usb_ == "computer" && --usb_left_ <= 0) {
    // A computer is soon unplugged again: keys do little in USB-disk mode.
    usb_ = "none";
    return "usb out\n" + Gap();
  }
  if (U(0, 1) < o_.long_ops) return LongOperation();
  if (r < 0.003) {
    // A key on its own: the burst before it may finish, then 2 s for its answer.
    snprintf(buf, sizeof buf, "wait 1.000\nkey %s 0.010\nwait %.3f", c_Keys[PickKey()], o_.answer_seconds + 0.1);
    return buf;
  }
  if (r < 0.955) {
    snprintf(buf, sizeof buf, "key %s %.3f", c_Keys[PickKey()], U(0.005, 0.015));
  } else if (r < 0.9565) {
    snprintf(buf, sizeof buf, "key %s %.3f", c_Keys[PickKey()], U(1.6, 2.0));
  } else {
    return WorldEvent() + "\n" + Gap();
  }
  return std::string(buf) + "\n" + Gap();
}

void Run::PressKey(const std::string& key, double hold, long event) {
  if (s_.PlayerRunning()) {
    double t0 = NowSeconds();
    s_.Command("down " + key);
    pending_.push_back({event, key, t0, f_.WindowAt(t0), s_.PlayerPid()});
    if (getenv("DTB_RANDOM_DEBUG")) printf("%.3f event %ld key %s window %s\n", t0, event, key.c_str(), pending_.back().window.c_str());
    ++st_.keys;
  }
  s_.Command("wait " + std::to_string(hold));
  s_.Command("up " + key);
}

// Runs one event's lines; "key NAME HOLD" is a press of that length.
void Run::Do(const std::string& lines, long event) {
  std::istringstream in(lines);
  for (std::string line; std::getline(in, line);) {
    std::vector<std::string> w = Words(line);
    if (w.empty()) continue;
    if (w[0] != "wait") starts_.push_back(NowSeconds());
    if (w[0] == "key" && w.size() == 3) {
      last_.push_back("down " + w[1] + "\nwait " + w[2] + "\nup " + w[1]);
      PressKey(w[1], atof(w[2].c_str()), event);
    } else {
      last_.push_back(line);
      s_.Command(line);
    }
    if (last_.size() > 3 * kReplayEvents) last_.pop_front();
  }
}

int Run::Judge(const PendingKey& k, double deadline, bool overtaken) {
  Heard h;
  if (f_.FirstAnswer(k.t0, deadline, &h)) {
    ++st_.answered;
    double loud = f_.FirstLoud(h.at - 0.01, h.at + o_.answer_seconds);
    if (loud < 0) {
      ++st_.unheard;  // spoken while nothing is routed to an output, or at volume 0
      return 0;
    }
    st_.latency[ClassOf(k.window)].push_back(loud - k.t0);
    return 0;
  }
  double start = f_.FirstLoud(k.t0, deadline);
  bool before = f_.LoudIn(k.t0 - 0.4, k.t0);
  if (!before && start >= 0) {
    ++st_.by_sound;
    st_.latency[ClassOf(k.window)].push_back(start - k.t0);
    return 0;
  }
  if (overtaken) {
    ++st_.overtaken;
    return 0;
  }
  if (before && !f_.LoudIn(k.t0 + 0.6, deadline)) {
    ++st_.by_sound;  // the sound stopped: a pause
    return 0;
  }
  // A key pressed while the player says its farewell reaches a device that
  // is powering off: nothing is left to answer it.
  for (const Heard& h : f_.HeardBetween(k.t0 - 15, k.t0))
    if (h.channel == "say" && Says(h.text, 2)) {  // "shutting down."
      ++st_.overtaken;
      return 0;
    }
  // The key may have gone to a window that opened just after it arrived.
  for (const std::string& w : f_.WindowsBetween(k.t0, deadline))
    for (const Silence& s : silences_)
      if ((s.window == "*" || ClassOf(w).find(s.window) != std::string::npos) && (s.key == "*" || s.key == k.key)) {
        ++st_.documented;
        return 0;
      }
  return Fail("key \"" + k.key + "\" (event " + std::to_string(k.event) + ") in window " +
              (k.window.empty() ? "?" : ClassOf(k.window)) + " was not answered within 2 s" +
              (getenv("DTB_RANDOM_DEBUG") ? " t0 " + std::to_string(k.t0) + " deadline " + std::to_string(deadline) +
               " now " + std::to_string(NowSeconds()) : std::string()));
}

int Run::CheckKeys(bool final) {
  // At the end every key gets its full 2 s first.
  if (final && !pending_.empty()) {
    double wait = pending_.back().t0 + o_.answer_seconds + 0.1 - NowSeconds();
    if (wait > 0) usleep(static_cast<useconds_t>(wait * 1e6));
  }
  double now = NowSeconds();
  while (!pending_.empty()) {
    const PendingKey k = pending_.front();
    while (!starts_.empty() && starts_.front() <= k.t0) starts_.pop_front();
    double next = starts_.empty() ? 1e300 : starts_.front();
    double deadline = std::min(k.t0 + o_.answer_seconds, next);
    bool overtaken = next < k.t0 + o_.answer_seconds;
    // The follower polls every few ms: leave it a moment past the deadline.
    if (!final && now < deadline + 0.05) {
      Heard h;
      if (!f_.FirstAnswer(k.t0, deadline, &h)) break;
    }
    pending_.pop_front();
    if (s_.PlayerPid() != k.pid) continue;  // went off (and maybe on again): nothing to answer
    if (Judge(k, deadline, overtaken) != 0) return 1;
  }
  return 0;
}

int Run::Fail(const std::string& why) {
  printf("dtbrandom: FAILED: %s\n", why.c_str());
  if (!o_.replay.empty())
    printf("dtbrandom: replaying %s\n", o_.replay.c_str());
  else
    printf("dtbrandom: seed %llu; replay with --seed %llu (or the last events below as a dtbsim script)\n",
           static_cast<unsigned long long>(o_.seed), static_cast<unsigned long long>(o_.seed));
  printf("# the last %zu events\n", kReplayEvents);
  size_t from = last_.size() > kReplayEvents ? last_.size() - kReplayEvents : 0;
  for (size_t i = from; i < last_.size(); ++i) printf("%s\n", last_[i].c_str());
  std::ifstream log(o_.root + "/var/log/player.log");
  std::deque<std::string> tail;
  for (std::string l; std::getline(log, l);) {
    tail.push_back(l);
    if (tail.size() > 20) tail.pop_front();
  }
  printf("# the player's last output\n");
  for (auto& l : tail) printf("  | %s\n", l.c_str());
  fflush(stdout);
  return 1;
}

void Run::SampleRss() {
  pid_t pid = s_.PlayerPid();
  if (pid <= 0) return;
  long kb = RssKb(pid);
  if (kb < 0) return;
  rss_max_ = std::max(rss_max_, kb);
  if (pid != rss_pid_) {
    rss_pid_ = pid;
    rss_first_ = -1;
    events_in_pid_ = 0;
  }
  // The first books opened fill the caches: the baseline is taken after them.
  if (rss_first_ < 0 && events_in_pid_ >= 300) rss_first_ = kb;
  rss_last_ = kb;
  if (rss_first_ >= 0) rss_growth_ = std::max(rss_growth_, kb - rss_first_);
}

// Brings a device that powered off (the power key held, an empty battery,
// a timer) back on; it must speak when it starts.
int Run::EnsureRunning(long event) {
  if (s_.Failed()) return Fail("dtbplayer crashed or ended unexpectedly (event " + std::to_string(event) + ")");
  if (s_.PlayerRunning()) return 0;
  usleep(300000);
  if (s_.PlayerRunning()) return 0;
  double t = NowSeconds();
  ChooseBoard();
  Do("battery 4\npower click", event);
  ++st_.starts;
  while (NowSeconds() - t < 20) {
    if (s_.Failed()) return Fail("dtbplayer crashed while starting (event " + std::to_string(event) + ")");
    if (f_.SpokeSince(t)) return 0;
    usleep(20000);
  }
  return Fail("the player did not speak within 20 s of being switched on (event " + std::to_string(event) + ")");
}

// Every window above the root must yield to some key. Back first; when it
// does not lower the stack, every other key in turn, back again after any
// that changed the stack or answered. A key is judged once it has had its
// answer time: a loaded device closes a window late, and a key that closed
// one and opened the same kind again (radio from the browser) still moved
// the stack.
int Run::Probe(long event) {
  if (!s_.PlayerRunning() || usb_ == "computer") return 0;
  ++st_.probes;
  std::set<int> tried;
  int last = -1;
  std::string stuck;
  double pressed = NowSeconds();
  for (int presses = 0; presses < 80; ++presses) {
    while (NowSeconds() - pressed < o_.answer_seconds && f_.WindowsBetween(pressed, NowSeconds()).size() < 2 &&
           !f_.SpokeSince(pressed))
      usleep(20000);
    usleep(600000);
    if (EnsureRunning(event)) return 1;
    double now = NowSeconds();
    std::string w = f_.WindowAt(now);
    if (Depth(w) <= 0) return 0;
    if (w != stuck || f_.WindowsBetween(pressed, now).size() > 1) {
      stuck = w;
      tried.clear();
    } else if (last != 8 && last >= 0 && f_.SpokeSince(pressed)) {
      // It answered: it may have opened a menu of the window's own (the
      // radio's), which back leaves first.
      tried.erase(8);
    }
    int k = 8;  // back
    if (tried.count(k)) {
      k = -1;
      for (int i = 0; i < kKeyCount && k < 0; ++i)
        if (!tried.count(i)) k = i;
      if (k < 0) return Fail("no key leaves window " + ClassOf(w) + " (depth " + std::to_string(Depth(w)) + ")");
    }
    tried.insert(k);
    last = k;
    pressed = NowSeconds();
    Do(std::string("key ") + c_Keys[k] + " 0.05", event);
  }
  return Fail("80 keys did not bring the stack down to the root; top: " + f_.WindowAt(NowSeconds()));
}

int Run::Go() {
  double t = NowSeconds();
  while (!f_.SpokeSince(t - 30) && NowSeconds() - t < 20) usleep(20000);
  if (!f_.SpokeSince(t - 30)) return Fail("the player did not speak at start");
  if (CheckFiles(0, true)) return 1;
  for (long i = 1; i <= o_.events; ++i) {
    Do(NextEvent(), i);
    ++events_in_pid_;
    if (EnsureRunning(i) || CheckKeys(false)) return 1;
    if (i % 20 == 0 && CheckFiles(i, false)) return 1;
    if (i % 50 == 0) SampleRss();
    if (i % 100 == 0) {
      ++st_.file_checks;
      std::string bad = UnparsableSettings(o_.root);
      if (!bad.empty()) return Fail("settings or list files do not parse: " + bad);
      if (rss_growth_ > o_.rss_growth_kb)
        return Fail("resident memory grew by " + std::to_string(rss_growth_) + " kB");
    }
    if (i % 1000 == 0 && (CheckKeys(true) || Probe(i))) return 1;
    if (i % 1000 == 0) printf("dtbrandom: %ld events\n", i), fflush(stdout);
    if (i % 10000 == 0) Report(i);  // a long run stopped early still has its figures
  }
  usleep(static_cast<useconds_t>(o_.answer_seconds * 1e6 + 300000));
  if (EnsureRunning(o_.events) || CheckKeys(true) || Probe(o_.events) || CheckFiles(o_.events, true)) return 1;
  std::string bad = UnparsableSettings(o_.root);
  if (!bad.empty()) return Fail("settings or list files do not parse: " + bad);
  Report(o_.events);
  return 0;
}

namespace {

double Quantile(std::vector<double> v, double q) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[std::min(v.size() - 1, static_cast<size_t>(q * static_cast<double>(v.size())))];
}

}  // namespace

void Run::Report(long events) {
  printf("dtbrandom: seed %llu, %ld events, %ld keys: %ld answered in speech or beeps, %ld by sound "
         "starting or stopping, %ld overtaken by the next event, %ld documented silences, %ld answered "
         "while no output was audible\n",
         static_cast<unsigned long long>(o_.seed), events, st_.keys, st_.answered, st_.by_sound, st_.overtaken,
         st_.documented, st_.unheard);
  printf("dtbrandom: crashes 0, hangs 0, restarts %ld, stack probes %ld, settings checks %ld (all parsed)\n",
         st_.starts, st_.probes, st_.file_checks);
  printf("dtbrandom: %ld long operations struck by the world, starts on board revision 0: %ld, 1: %ld\n",
         st_.long_ops, st_.board_starts[0], st_.board_starts[1]);
  printf("dtbrandom: user files %ld, file checks %ld (none lost), deletes %ld, finished pastes %ld\n", files_.files(),
         files_.checks(), files_.deletes(), files_.pastes());
  printf("dtbrandom: resident memory %ld kB at the end, %ld kB at most, growth %ld kB (allowed %ld kB)\n",
         rss_last_, rss_max_, rss_growth_, o_.rss_growth_kb);
  printf("dtbrandom: answer latency, key to the first sample of its answer at the sound card (ms)\n");
  printf("  %-40s %7s %8s %8s\n", "window", "keys", "median", "p99");
  std::vector<double> all;
  for (auto& e : st_.latency) {
    all.insert(all.end(), e.second.begin(), e.second.end());
    printf("  %-40s %7zu %8.0f %8.0f\n", e.first.c_str(), e.second.size(), 1000 * Quantile(e.second, 0.5),
           1000 * Quantile(e.second, 0.99));
  }
  printf("  %-40s %7zu %8.0f %8.0f\n", "(all)", all.size(), 1000 * Quantile(all, 0.5), 1000 * Quantile(all, 0.99));
  fflush(stdout);
}

int RunRandomKeys(const RandomOptions& o) {
  int r = PrepareBookRoot(o);
  if (r != 0) return r;
  // The first start's board revision; later ones are drawn at each start.
  SetBoardRevision(o.root, o.board_rev >= 0 ? o.board_rev : static_cast<int>(o.seed & 1));
  Options so;
  so.root = o.root;
  so.quiet = true;
  so.player = o.player;
  so.audio_out = o.root + "/var/log/audio.wav";
  Follower f(o.root + "/var/log/transcript", so.audio_out);
  f.Start();
  Simulator s(so);
  if (s.Start() != 0) return 2;
  int result;
  {
    Run run(o, s, f);
    result = !o.replay.empty() ? run.Replay(o.replay) : o.cuts > 0 ? run.Cuts(o.cuts) : run.Go();
  }
  s.Finish();
  f.Stop();
  return result;
}

}  // namespace sim
