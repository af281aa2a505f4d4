// dtbrandom --root DIR [--seed N] [--events N] [--corpus DIR] [--silences FILE]
//           [--player PATH] [--rss-growth-kb N] [--cuts N]
//           [--answer-seconds S] [--board-rev 0|1|any] [--long-ops SHARE]
//           [--replay SCRIPT]
#include <limits.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "sim/random_keys.h"

#ifndef DTB_SOURCE_DIR
#define DTB_SOURCE_DIR "."
#endif

namespace {

std::string Absolute(const std::string& p) {
  if (p.empty() || p[0] == '/') return p;
  char cwd[PATH_MAX];
  return getcwd(cwd, sizeof cwd) ? std::string(cwd) + "/" + p : p;
}

void Usage() {
  fprintf(stderr,
          "usage: dtbrandom --root DIR [--seed N] [--events N] [--corpus DIR] [--silences FILE]\n"
          "                 [--player PATH] [--rss-growth-kb N] [--cuts N]\n"
          "                 [--answer-seconds S] [--board-rev 0|1|any] [--long-ops SHARE]\n"
          "                 [--replay SCRIPT]\n");
}

}  // namespace

int main(int argc, char** argv) {
  sim::RandomOptions o;
  o.source = DTB_SOURCE_DIR;
  o.corpus = o.source + "/../shared/corpus";
  o.seed = static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (i + 1 >= argc) {
      Usage();
      return 2;
    }
    std::string v = argv[++i];
    if (a == "--root") o.root = Absolute(v);
    else if (a == "--seed") o.seed = strtoull(v.c_str(), nullptr, 10);
    else if (a == "--events") o.events = atol(v.c_str());
    else if (a == "--corpus") o.corpus = Absolute(v);
    else if (a == "--silences") o.silences = Absolute(v);
    else if (a == "--player") o.player = Absolute(v);
    else if (a == "--answer-seconds") o.answer_seconds = atof(v.c_str());
    else if (a == "--cuts") o.cuts = atol(v.c_str());
    else if (a == "--rss-growth-kb") o.rss_growth_kb = atol(v.c_str());
    else if (a == "--board-rev") o.board_rev = v == "0" ? 0 : v == "1" ? 1 : -1;
    else if (a == "--replay") o.replay = Absolute(v);
    else if (a == "--long-ops") o.long_ops = atof(v.c_str());
    else {
      Usage();
      return 2;
    }
  }
  if (o.root.empty() || o.events < 1 || o.answer_seconds <= 0) {
    Usage();
    return 2;
  }
  if (o.silences.empty()) o.silences = o.source + "/sim/documented-silences.txt";
  setenv("TZ", "UTC0", 1);
  tzset();
  if (!o.replay.empty())
    printf("dtbrandom: replaying %s, root %s\n", o.replay.c_str(), o.root.c_str());
  else
    printf("dtbrandom: seed %llu, %ld %s, root %s\n", static_cast<unsigned long long>(o.seed),
           o.cuts > 0 ? o.cuts : o.events, o.cuts > 0 ? "power cuts" : "events", o.root.c_str());
  fflush(stdout);
  return sim::RunRandomKeys(o);
}
