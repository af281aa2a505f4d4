// dtbsim --root DIR [--fresh] [--lang en|pl] [--audio-out FILE.wav] [--audio-in FILE.wav]
//        [--script FILE|-] [--player PATH] [--supervisor [PATH]] [--board-rev 0|1]
//        [--compass hmc|qmc|none] [--verbose]
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>

#include "sim/simulator.h"

namespace {

void Usage() {
  fprintf(stderr,
          "usage: dtbsim --root DIR [--fresh] [--lang en|pl] [--audio-out FILE.wav]\n"
          "              [--audio-in FILE.wav]\n"
          "              [--script FILE|-] [--player PATH] [--supervisor [PATH]]\n"
          "              [--board-rev 0|1] [--compass hmc|qmc|none] [--verbose]\n");
}

bool PcHasSoundCard() {
  std::ifstream in("/proc/asound/cards");
  for (std::string l; std::getline(in, l);)
    if (l.find('[') != std::string::npos && l.find("no soundcards") == std::string::npos) return true;
  return false;
}

std::string Absolute(const std::string& p) {
  if (p.empty() || p[0] == '/') return p;
  char cwd[PATH_MAX];
  return getcwd(cwd, sizeof cwd) ? std::string(cwd) + "/" + p : p;
}

// Reads the options into *o; false on a word it does not know.
bool ParseArgs(int argc, char** argv, sim::Options* o) {
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&](std::string* out) {
      if (i + 1 >= argc) return false;
      *out = argv[++i];
      return true;
    };
    std::string rev;
    if (a == "--root" && value(&o->root)) continue;
    if (a == "--fresh") {
      o->fresh = true;
      continue;
    }
    if (a == "--lang" && value(&o->lang) && (o->lang == "en" || o->lang == "pl")) continue;
    if (a == "--audio-out" && value(&o->audio_out)) continue;
    if (a == "--audio-in" && value(&o->audio_in)) continue;
    if (a == "--script" && value(&o->script)) continue;
    if (a == "--player" && value(&o->player)) continue;
    if (a == "--board-rev" && value(&rev) && (rev == "0" || rev == "1")) {
      o->amplifier = rev == "1";
      continue;
    }
    if (a == "--compass" && value(&o->compass) &&
        (o->compass == "hmc" || o->compass == "qmc" || o->compass == "none"))
      continue;
    if (a == "--supervisor") {
      // An optional path: the next word unless it is another option.
      o->supervisor = i + 1 < argc && argv[i + 1][0] != '-' ? argv[++i] : "";
      continue;
    }
    if (a == "--verbose") {
      o->verbose = true;
      continue;
    }
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  sim::Options o;
  if (!ParseArgs(argc, argv, &o) || o.root.empty()) {
    Usage();
    return sim::kExitUsage;
  }
  o.root = Absolute(o.root);
  o.audio_out = Absolute(o.audio_out);
  o.audio_in = Absolute(o.audio_in);
  if (!o.player.empty()) o.player = Absolute(o.player);
  if (o.supervisor != "-") o.supervisor = Absolute(o.supervisor);
  // The simulated device keeps its local time as UTC; the clock offset
  // (set at --fresh to the PC's zone) makes it read like the PC's clock.
  setenv("TZ", "UTC0", 1);
  tzset();
  if (sim::PrepareRoot(o) != 0) return sim::kExitUsage;
  if (o.audio_out.empty() && !PcHasSoundCard()) o.audio_out = o.root + "/var/log/audio.wav";

  std::istream* in = nullptr;
  std::ifstream file;
  if (o.script == "-") {
    in = &std::cin;
  } else if (!o.script.empty()) {
    file.open(o.script);
    if (!file) {
      fprintf(stderr, "dtbsim: can't read script %s\n", o.script.c_str());
      return sim::kExitUsage;
    }
    in = &file;
  } else if (!isatty(0)) {
    fprintf(stderr, "dtbsim: interactive mode needs a terminal (or give --script FILE|-)\n");
    return sim::kExitUsage;
  }

  sim::PrivateMounts();  // without it (not root) only `disk ... free` is refused
  sim::Simulator s(o);
  if (s.Start() != 0) return sim::kExitUsage;
  bool malformed = false;
  if (in) {
    for (std::string line; std::getline(*in, line);) {
      int r = s.Command(line);
      if (r == 2) break;
      if (r < 0) {
        malformed = true;
        break;
      }
    }
  } else {
    sim::RunInteractive(s);
  }
  int status = s.Finish();
  if (malformed) return sim::kExitUsage;
  if (status != sim::kExitOk) s.Print(status == sim::kExitPlayerFailed ? "sim: FAILED (dtbplayer failed)"
                                                                        : "sim: FAILED (an expect was not met)");
  return status;
}
