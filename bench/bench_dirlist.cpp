// Listing and sorting a folder of 20 000 generated names (numbers, Polish
// letters, hyphens), the largest folder a user is expected to open.
//
//   bench_dirlist                 Google Benchmark timings
//   bench_dirlist --once          one cold and one warm listing, for
//                                 valgrind --tool=callgrind --instr-atstart=no
#include <benchmark/benchmark.h>
#include <valgrind/callgrind.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "browser/dir_info.h"
#include "browser/logical_strcmp.h"
#include "browser/string_collection.h"

namespace {

constexpr int kEntries = 20000;

std::string g_TablePath;

std::vector<std::string> GenerateNames(int count) {
  static const char* const words[] = {
      "Rozdział", "część",  "Żółw",   "Łódź",  "ćma",      "źrebię",      "Ąkla",   "śnieg",
      "gęś",      "Zażółć", "jaźń",   "track", "Nagranie", "Pan Tadeusz", "Lalka",  "Chłopi",
      "audio",    "Księga", "Ósemka", "ŻABA",  "żaba",     "Ślimak",      "Ńlitwa", "Ewa"};
  const size_t nwords = sizeof(words) / sizeof(words[0]);
  std::mt19937 rng(2024);
  std::set<std::string> seen;
  std::vector<std::string> names;
  char buf[256];
  while (static_cast<int>(names.size()) < count) {
    const char* w1 = words[rng() % nwords];
    const char* w2 = words[rng() % nwords];
    unsigned a = rng() % 1000, b = rng() % 120;
    switch (rng() % 5) {
      case 0:
        snprintf(buf, sizeof buf, "%s %u - %s %u.mp3", w1, a, w2, b);
        break;
      case 1:
        snprintf(buf, sizeof buf, "%s%u.mp3", w1, a);
        break;
      case 2:
        snprintf(buf, sizeof buf, "%02u-%s-%s.txt", b, w1, w2);
        break;
      case 3:
        snprintf(buf, sizeof buf, "%s-%u-%u %s.wav", w1, a, b, w2);
        break;
      default:
        snprintf(buf, sizeof buf, "%u %s.epub", a * 1000 + b, w1);
        break;
    }
    if (seen.insert(buf).second) names.push_back(buf);
  }
  return names;
}

// The folder is made once per run and removed at exit.
struct Folder {
  std::string path;
  std::vector<std::string> names;
  Folder() {
    char tmpl[] = "/tmp/bench_dirlist.XXXXXX";
    path = mkdtemp(tmpl);
    names = GenerateNames(kEntries);
    for (const auto& n : names) {
      FILE* f = fopen((path + "/" + n).c_str(), "w");
      if (f) fclose(f);
    }
    for (int i = 0; i < 40; i++)
      std::filesystem::create_directory(path + "/Folder " + std::to_string(i));
  }
  ~Folder() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
};

Folder& TheFolder() {
  static Folder f;
  return f;
}

void LoadTable() {
  if (!g_ChnCharIndex && LoadChnCharIndexFrom(g_TablePath.c_str()) != 0)
    fprintf(stderr, "collation table %s not found: sorting without it\n", g_TablePath.c_str());
}

void BM_ListFolder(benchmark::State& state) {
  Folder& f = TheFolder();
  LoadTable();
  DirInfo d;
  for (auto _ : state) {
    if (d.LoadDir(f.path.c_str()) != 0) state.SkipWithError("listing failed");
    benchmark::DoNotOptimize(d.GetTotal());
  }
  state.SetItemsProcessed(state.iterations() * d.GetTotal());
}
BENCHMARK(BM_ListFolder)->Unit(benchmark::kMillisecond);

void BM_SortLogical(benchmark::State& state) {
  LoadTable();
  std::vector<std::string> names = GenerateNames(kEntries);
  std::shuffle(names.begin(), names.end(), std::mt19937(5));
  for (auto _ : state) {
    StringCollection c;
    for (const auto& n : names) c.Add(n.c_str());
    c.Sort(StringCollection::kSortLogical);
    benchmark::DoNotOptimize(c.Get(0));
  }
}
BENCHMARK(BM_SortLogical)->Unit(benchmark::kMillisecond);

void BM_MoveSelection(benchmark::State& state) {
  Folder& f = TheFolder();
  LoadTable();
  DirInfo d;
  d.LoadDir(f.path.c_str());
  for (auto _ : state) {
    d.MoveSelect(d.GetTotal() / 10);
    benchmark::DoNotOptimize(d.GetCurSelName());
    benchmark::DoNotOptimize(d.Find(d.GetCurSelName()));
  }
}
BENCHMARK(BM_MoveSelection);

// Instruction counts: the first listing (reads the collation table) and a
// second one, each between callgrind's start and stop.
int RunOnce() {
  Folder& f = TheFolder();
  DirInfo d;
  CALLGRIND_START_INSTRUMENTATION;
  CALLGRIND_TOGGLE_COLLECT;
  LoadTable();
  int r = d.LoadDir(f.path.c_str());
  CALLGRIND_TOGGLE_COLLECT;
  CALLGRIND_DUMP_STATS_AT("cold listing");
  CALLGRIND_TOGGLE_COLLECT;
  r |= d.LoadDir(f.path.c_str());
  CALLGRIND_TOGGLE_COLLECT;
  CALLGRIND_DUMP_STATS_AT("warm listing");
  CALLGRIND_STOP_INSTRUMENTATION;
  printf("%d entries listed (%d folders), first %s, last %s\n", d.GetTotal(), d.GetDirCount(),
         d.GetFileName(0), d.GetFileName(d.GetFileCount() - 1));
  return r == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string self = argv[0];
  g_TablePath = self.substr(0, self.find_last_of('/') + 1) + "../home/ChnCharIndexs.bin";
  if (argc > 1 && strcmp(argv[1], "--once") == 0) return RunOnce();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
