// Opening a 20 MB KF8 (AZW3) book, generated on first use from public-domain
// Polish prose by tests/ebook/kf8_maker.h: a chapter per XHTML file, each
// kept as its skeleton and a fragment.
//
//   bench_ebook_azw3                   Google Benchmark timings
//   bench_ebook_azw3 --make=DIR        writes book20.azw3 into DIR
//   bench_ebook_azw3 --open=FILE       opens FILE and reads a few sentences
//                                      (for /usr/bin/time -v and callgrind)
//   bench_ebook_azw3 --parts=FILE      counts the HTML files the book holds
//   bench_ebook_azw3 --sentences=FILE  prints every sentence of any e-book
//                                      with its paragraph, heading and page,
//                                      to compare readings before and after
//                                      a change
#include <benchmark/benchmark.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/lib/mobi/book.h"
#include "bench/bench_prose.h"
#include "ebook/ebook.h"
#include "tests/ebook/kf8_maker.h"

namespace {

using benchprose::Write;
using benchprose::c_Sentences;

// The book's chapters: each an XHTML file of `bytes` of paragraphs.
std::vector<std::string> Chapters(size_t bytes) {
  std::vector<std::string> out;
  size_t total = 0;
  for (unsigned i = 0; total < bytes; ++i) {
    std::string body = "<h1>Rozdział " + std::to_string(i + 1) + "</h1>";
    for (unsigned p = 0; p < 40; ++p) {
      body += "<p>";
      for (unsigned k = 0; k < 5; ++k) body += c_Sentences[(p * 5 + k + i) % 6];
      body += "</p>\n";
    }
    total += body.size();
    out.push_back(body);
  }
  return out;
}

bool MakeAzw3(const std::string& path, size_t bytes) { return Write(path, kf8maker::Make(Chapters(bytes))); }

std::string Dir() {
  const char* d = getenv("DTB_BENCH_DIR");
  return d && *d ? d : "/tmp/dtb_bench_ebook";
}

bool Make(const std::string& dir) {
  struct stat st;
  if (stat((dir + "/book20.azw3").c_str(), &st) == 0) return true;
  if (system(("mkdir -p '" + dir + "'").c_str()) != 0) return false;
  return MakeAzw3(dir + "/book20.azw3", 20u << 20);
}

int OpenOnce(const std::string& path, bool print) {
  std::unique_ptr<iCEbook> b(GetEbookClass("azw3"));
  if (!b) return -1;
  int r = b->Open(path.c_str());
  unsigned short* text = nullptr;
  int len = 0;
  for (int i = 0; r == 0 && i < 50; ++i) b->ReadCurSentence(&text, &len), b->SeekToNextSentence();
  if (print)
    printf("%s: open %d, %d units, %d sentences, %d headings, %d pages\n", path.c_str(), r, b->GetUnicodeLength(),
           b->GetTotalSentences(), b->GetTotalHeadings(), b->GetTotalPages());
  return r;
}

// The book's files as the library rebuilds them from skeletons and
// fragments (one per chapter; 0 would mean the raw markup fallback).
int Parts(const char* path) {
  mobi::Book book;
  int parts = 0;
  if (book.Open(path) == 0 && book.Rebuild() == 0) book.ForEachHtmlPart([&](const char*, size_t) { return ++parts, 0; });
  printf("%d HTML parts\n", parts);
  return parts > 0 ? 0 : 1;
}

void PutUtf8(unsigned c) {
  if (c < 0x80) putchar(static_cast<int>(c));
  else if (c < 0x800) putchar(static_cast<int>(0xC0 | c >> 6)), putchar(static_cast<int>(0x80 | (c & 0x3F)));
  else
    putchar(static_cast<int>(0xE0 | c >> 12)), putchar(static_cast<int>(0x80 | ((c >> 6) & 0x3F))),
        putchar(static_cast<int>(0x80 | (c & 0x3F)));
}

int Sentences(const char* path) {
  const char* dot = strrchr(path, '.');
  std::unique_ptr<iCEbook> b(GetEbookClass(dot ? dot + 1 : ""));
  int r = b ? b->Open(path) : -1;
  printf("open %d, %d units, %d sentences, %d paragraphs, %d headings, %d pages, depth %d\n", r,
         b ? b->GetUnicodeLength() : 0, b ? b->GetTotalSentences() : 0, b ? b->GetTotalParagraphs() : 0,
         b ? b->GetTotalHeadings() : 0, b ? b->GetTotalPages() : 0, b ? b->GetLevelDepth() : 0);
  for (int s = 0; r == 0 && s < b->GetTotalSentences(); ++s) {
    b->SeekToSentence(s);
    unsigned short* text = nullptr;
    int len = 0;
    b->ReadCurSentence(&text, &len);
    printf("%d %d %d %d|", b->GetCurPlace(), b->GetCurParagraph(), b->GetCurHeading(), b->GetCurPage());
    for (int i = 0; i < len; ++i) text[i] == '\n' ? (void)fputs("\\n", stdout) : PutUtf8(text[i]);
    putchar('\n');
  }
  return r == 0 ? 0 : 1;
}

void BM_Open(benchmark::State& state) {
  std::string dir = Dir();
  if (!Make(dir)) return state.SkipWithError("cannot make the book");
  for (auto _ : state) benchmark::DoNotOptimize(OpenOnce(dir + "/book20.azw3", false));
}
BENCHMARK(BM_Open)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (strncmp(argv[i], "--make=", 7) == 0) return Make(argv[i] + 7) ? 0 : 1;
    if (strncmp(argv[i], "--open=", 7) == 0) return OpenOnce(argv[i] + 7, true) == 0 ? 0 : 1;
    if (strncmp(argv[i], "--parts=", 8) == 0) return Parts(argv[i] + 8);
    if (strncmp(argv[i], "--sentences=", 12) == 0) return Sentences(argv[i] + 12);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
