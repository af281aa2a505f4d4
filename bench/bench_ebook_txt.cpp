// Opening large plain text books: a 30 MB UTF-8 file and a 30 MB Windows-1250
// file of Polish prose, generated on first use.
//
//   bench_ebook_txt                      Google Benchmark timings
//   bench_ebook_txt --make=DIR           writes DIR/pl30_utf8.txt, DIR/pl30_cp1250.txt
//   bench_ebook_txt --open=FILE          opens FILE once and reads a few sentences
//                                        (for /usr/bin/time -v and callgrind)
//   bench_ebook_txt --first=FILE         opens FILE and reads its first sentence, no more
#include <benchmark/benchmark.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/bench_prose.h"
#include "core/lib/iconv/converter.h"
#include "ebook/sentence_rules.h"
#include "ebook/txt.h"

namespace {

constexpr long long c_TargetBytes = 30LL * 1024 * 1024;

const char* const c_Sentences[] = {
    "Pewnego razu zdarzyło się, że latarnik w Aspinwall, niedaleko Panamy, przepadł bez wieści. ",
    "Ponieważ stało się to wśród burzy, przypuszczano, że nieszczęśliwy musiał podejść nad sam brzeg. ",
    "Przypuszczenie to było tym prawdopodobniejsze, że na drugi dzień nie znaleziono jego łódki; ",
    "zawakowało tedy miejsce latarnika, które trzeba było jak najprędzej obsadzić. ",
    "Latarnia ma niepoślednie znaczenie zarówno dla miejscowego ruchu, jak i dla statków, ",
    "które z Nowego Jorku idą do Panamy… Cena biletu wynosiła 3.50 dolara! ",
    "„Czy to prawda?” – zapytał konsul. ",
    "Żółć, gęś, łąka, jaźń i źdźbło – wszystko to brzmiało obco w jego uszach.\n",
};

// Streams Polish prose into a file in UTF-8 or, through iconv, Windows-1250.
bool MakeFile(const std::string& path, bool cp1250) {
  struct stat st;
  if (stat(path.c_str(), &st) == 0 && st.st_size >= c_TargetBytes) return true;
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return false;
  conv::Converter cd;
  if (cp1250) cd.Open("CP1250", "UTF-8");
  long long written = 0;
  for (unsigned i = 0; written < c_TargetBytes; ++i) {
    const char* s = c_Sentences[(i * 7 + i / 8) % 8];
    size_t n = strlen(s);
    if (cp1250) {
      std::string text;
      cd.Convert(s, n, &text);
      n = text.size();
      fwrite(text.data(), 1, n, f);
    } else {
      fwrite(s, 1, n, f);
    }
    written += static_cast<long long>(n);
    if (i % 5 == 4) {
      fputc('\n', f);
      ++written;
    }
  }
  return fclose(f) == 0;
}

std::string Dir() {
  const char* d = getenv("DTB_BENCH_DIR");
  std::string dir = d && *d ? d : "/tmp/dtb_bench_ebook";
  mkdir(dir.c_str(), 0755);
  return dir;
}

int OpenAndRead(const char* path) {
  CTxt t;
  int r = t.Open(path);
  if (r != 0) return r;
  unsigned short* text;
  int length, total = 0;
  for (int i = 0; i < 50; ++i) {
    t.ReadCurSentence(&text, &length);
    total += length;
    t.SeekToNextSentence();
  }
  t.SeekToPage(t.GetTotalPages() / 2);
  t.ReadCurSentence(&text, &length);
  printf("%s: %d units, %d sentences, %d paragraphs, %d pages, %d chunks\n", path, t.GetUnicodeLength(),
         t.GetTotalSentences(), t.GetTotalParagraphs(), t.GetTotalPages(), t.GetChunkCount());
  return total > 0 ? 0 : -1;
}

void BM_OpenTxt(benchmark::State& state, bool cp1250) {
  std::string path = Dir() + (cp1250 ? "/pl30_cp1250.txt" : "/pl30_utf8.txt");
  if (!MakeFile(path, cp1250)) {
    state.SkipWithError("cannot write the test file");
    return;
  }
  for (auto _ : state) {
    CTxt t;
    if (t.Open(path.c_str()) != 0) {
      state.SkipWithError("open failed");
      return;
    }
    benchmark::DoNotOptimize(t.GetTotalSentences());
  }
}

void BM_ReadSentences(benchmark::State& state) {
  std::string path = Dir() + "/pl30_utf8.txt";
  if (!MakeFile(path, false)) {
    state.SkipWithError("cannot write the test file");
    return;
  }
  CTxt t;
  if (t.Open(path.c_str()) != 0) {
    state.SkipWithError("open failed");
    return;
  }
  int step = t.GetTotalSentences() / 1000 + 1;
  int i = 0;
  for (auto _ : state) {
    // Jumps far apart: every read goes to the file.
    t.SeekToSentence((i += step) % t.GetTotalSentences());
    unsigned short* text;
    int length;
    benchmark::DoNotOptimize(t.ReadCurSentence(&text, &length));
  }
}

BENCHMARK_CAPTURE(BM_OpenTxt, utf8_30MB, false)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_OpenTxt, cp1250_30MB, true)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ReadSentences);

}  // namespace

int main(int argc, char** argv) {
  // The shipped abbreviation lists, as the device reads them from /home.
  SetSentenceRulesFolder(DTB_SOURCE_DIR "/res/ebook/abbrev");
  for (int i = 1; i < argc; ++i) {
    if (strncmp(argv[i], "--make=", 7) == 0) {
      std::string dir = argv[i] + 7;
      bool ok = MakeFile(dir + "/pl30_utf8.txt", false) && MakeFile(dir + "/pl30_cp1250.txt", true);
      return ok ? 0 : 1;
    }
    if (strncmp(argv[i], "--first=", 8) == 0) return benchprose::FirstSentence(argv[i] + 8);
    if (strncmp(argv[i], "--open=", 7) == 0) return OpenAndRead(argv[i] + 7) == 0 ? 0 : 1;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
