// Finding a word in a 30 MB plain text book: the word occurs once, near the
// end, so the search streams through almost the whole file before it finds it.
//
//   bench_ebook_find                     Google Benchmark timings
//   bench_ebook_find --make=DIR          writes DIR/find30_utf8.txt
//   bench_ebook_find --find=FILE         opens FILE, finds the word forward
//                                        from the start, backward from the end,
//                                        and a word that is not there
//   bench_ebook_find --first=FILE        only the forward search (for callgrind:
//   valgrind --tool=callgrind --toggle-collect='FindInEbook*' bench_ebook_find --first=FILE)
#include <benchmark/benchmark.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ebook/sentence_rules.h"
#include "ebook/text_find.h"
#include "ebook/txt.h"

namespace {

constexpr long long c_Bytes = 30LL * 1024 * 1024;
// Where the only match lies, as a share of the file.
constexpr double c_MatchAt = 0.95;
const char c_Word[] = "Zanzibarem";

const char* const c_Prose[] = {
    "Stary latarnik siedział na galerii i patrzył na morze, które szumiało pod nim bez końca. ",
    "Wieczorem zapalał światło, rano je gasił, a w południe czytał książkę przywiezioną z kraju. ",
    "Mewy krzyczały nad skałami; statki przepływały daleko, ledwie widoczne na horyzoncie. ",
    "Czasem przypominał sobie rodzinną wieś, łąki, lasy i źdźbła traw pochylone od wiatru.\n",
};

bool Make(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) == 0 && st.st_size >= c_Bytes) return true;
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return false;
  long long written = 0;
  bool marked = false;
  for (unsigned i = 0; written < c_Bytes; ++i) {
    const char* s = c_Prose[i % 4];
    if (!marked && written >= static_cast<long long>(c_Bytes * c_MatchAt)) {
      s = "Płynął statkiem przed Zanzibarem, gdy zobaczył światło latarni. ";
      marked = true;
    }
    written += static_cast<long long>(fwrite(s, 1, strlen(s), f));
  }
  return fclose(f) == 0;
}

std::string Dir() {
  const char* d = getenv("DTB_BENCH_DIR");
  std::string dir = d && *d ? d : "/tmp/dtb_bench_ebook";
  mkdir(dir.c_str(), 0755);
  return dir;
}

TextFinder Finder(const char* ascii) {
  std::vector<unsigned short> w(ascii, ascii + strlen(ascii));
  return TextFinder(w.data(), static_cast<int>(w.size()));
}

int FindOnce(const char* path, bool firstOnly) {
  CTxt t;
  if (t.Open(path) != 0) return -1;
  // The scan behind the reading ends here, so that the search is measured
  // alone (DTB_FIND_FRESH=1: the search of a book still being scanned).
  const char* fresh = getenv("DTB_FIND_FRESH");
  if (!fresh || *fresh != '1') t.GetTotalSentences();
  if (firstOnly) {
    int place = -1;
    int r = FindInEbook(&t, Finder(c_Word), 0, true, &place);
    printf("%s: %d units; found %d at %d\n", path, t.GetUnicodeLength(), r, place);
    return r == 0 ? 0 : 1;
  }
  int forward = -1, backward = -1, none = -1;
  int r1 = FindInEbook(&t, Finder("zanzibarem"), 0, true, &forward);
  int r2 = FindInEbook(&t, Finder(c_Word), t.GetUnicodeLength(), false, &backward);
  int r3 = FindInEbook(&t, Finder("wieloryb"), 0, true, &none);
  printf("%s: %d units; forward %d at %d, backward %d at %d, absent word %d\n", path, t.GetUnicodeLength(),
         r1, forward, r2, backward, r3);
  return r1 == 0 && r2 == 0 && forward == backward && r3 == 1 ? 0 : 1;
}

void BM_FindNearTheEnd(benchmark::State& state) {
  std::string path = Dir() + "/find30_utf8.txt";
  CTxt t;
  if (!Make(path) || t.Open(path.c_str()) != 0) {
    state.SkipWithError("cannot make or open the test file");
    return;
  }
  const TextFinder f = Finder(c_Word);
  for (auto _ : state) {
    int place = -1;
    benchmark::DoNotOptimize(FindInEbook(&t, f, 0, true, &place));
  }
}

BENCHMARK(BM_FindNearTheEnd)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  SetSentenceRulesFolder(DTB_SOURCE_DIR "/res/ebook/abbrev");
  for (int i = 1; i < argc; ++i) {
    if (strncmp(argv[i], "--make=", 7) == 0) return Make(std::string(argv[i] + 7) + "/find30_utf8.txt") ? 0 : 1;
    if (strncmp(argv[i], "--find=", 7) == 0) return FindOnce(argv[i] + 7, false);
    if (strncmp(argv[i], "--first=", 8) == 0) return FindOnce(argv[i] + 8, true);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
