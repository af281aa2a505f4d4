// Opening a 20 MB KF8 (AZW3) book, generated on first use from public-domain
// Polish prose by tests/ebook/kf8_maker.h: a chapter per XHTML file, each
// kept as its skeleton and a fragment.
//
//   bench_ebook_azw3                   Google Benchmark timings
//   bench_ebook_azw3 --make=DIR        writes book20.azw3 into DIR
//   bench_ebook_azw3 --open=FILE       opens FILE and reads a few sentences
//                                      (for /usr/bin/time -v and callgrind)
//   bench_ebook_azw3 --first=FILE      opens FILE and reads its first sentence
//   bench_ebook_azw3 --parts=FILE      counts the HTML files the book holds
//   bench_ebook_azw3 --sentences=FILE  prints every sentence of any e-book
//                                      with its paragraph, heading and page,
//                                      to compare readings before and after
//                                      a change, split by the shipped
//                                      abbreviation lists
//   bench_ebook_azw3 --interface=en --sentences=FILE
//                                      the same on an English device
//                                      (Polish without it)
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
#include "ebook/sentence_rules.h"
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
  const char* data = nullptr;
  size_t size = 0;
  if (book.Open(path) == 0 && book.Rebuild() == 0)
    while (book.NextHtmlPart(&data, &size)) ++parts;
  printf("%d HTML parts\n", parts);
  return parts > 0 ? 0 : 1;
}

void PutUtf8(unsigned c, std::string* out) {
  if (c < 0x80) {
    *out += static_cast<char>(c);
  } else if (c < 0x800) {
    *out += static_cast<char>(0xC0 | c >> 6);
    *out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    *out += static_cast<char>(0xE0 | c >> 12);
    *out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Every sentence with its place, paragraph, heading and page. The sentences
// are walked first as the reader walks them, before any count is asked for,
// so a book read in steps is read here the way it is read aloud.
int Sentences(const char* path) {
  const char* dot = strrchr(path, '.');
  std::unique_ptr<iCEbook> b(GetEbookClass(dot ? dot + 1 : ""));
  int r = b ? b->Open(path) : -1;
  std::vector<std::string> lines;
  for (int s = 0; r == 0; ++s) {
    b->SeekToSentence(s);
    unsigned short* text = nullptr;
    int len = 0;
    if (b->ReadCurSentence(&text, &len) != 0 || len <= 0) break;
    std::string line = std::to_string(b->GetCurPlace()) + " " + std::to_string(b->GetCurParagraph()) + " " +
                       std::to_string(b->GetCurHeading()) + " ";
    for (int i = 0; i < len; ++i) {
      if (text[i] == '\n')
        line += "\\n";
      else
        PutUtf8(text[i], &line);
    }
    lines.push_back(line);
  }
  printf("open %d, %d units, %d sentences, %d paragraphs, %d headings, %d pages, depth %d\n", r,
         b ? b->GetUnicodeLength() : 0, b ? b->GetTotalSentences() : 0, b ? b->GetTotalParagraphs() : 0,
         b ? b->GetTotalHeadings() : 0, b ? b->GetTotalPages() : 0, b ? b->GetLevelDepth() : 0);
  for (size_t s = 0; s < lines.size(); ++s) {
    b->SeekToSentence(static_cast<int>(s));
    const std::string& line = lines[s];
    size_t text = line.find(' ', line.find(' ', line.find(' ') + 1) + 1);
    printf("%s %d|%s\n", line.substr(0, text).c_str(), b->GetCurPage(), line.substr(text + 1).c_str());
  }
  return r == 0 ? 0 : 1;
}

// Opening and the first sentence only: what a reader pays before it speaks.
int First(const char* path) {
  std::unique_ptr<iCEbook> b(GetEbookClass("azw3"));
  int r = b ? b->Open(path) : -1;
  unsigned short* text = nullptr;
  int len = 0;
  if (r == 0) r = b->ReadCurSentence(&text, &len);
  std::string line;
  for (int i = 0; i < len; ++i) PutUtf8(text[i], &line);
  printf("open %d, first sentence: %s\n", r, line.c_str());
  return r == 0 && len > 0 ? 0 : 1;
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
    if (strcmp(argv[i], "--interface=en") == 0) SetFallbackBookLanguage(1);
    if (strncmp(argv[i], "--sentences=", 12) == 0) {
      SetSentenceRulesFolder(DTB_SOURCE_DIR "/res/ebook/abbrev");
      return Sentences(argv[i] + 12);
    }
    if (strncmp(argv[i], "--first=", 8) == 0) return First(argv[i] + 8);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
