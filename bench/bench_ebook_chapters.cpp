// Opening an EPUB of 2,000 chapters (about 36 MB unpacked, members stored,
// an NCX entry per chapter), generated from public-domain Polish prose on
// first use, and the first sentence of any book read in steps.
//
//   bench_ebook_chapters                 Google Benchmark timings
//   bench_ebook_chapters --make=DIR      writes chapters2000.epub into DIR
//   bench_ebook_chapters --first=FILE    opens FILE and reads its first sentence
//   bench_ebook_chapters --whole=FILE    the same, then reads the rest behind
//                                        the speech, step by step, to its end
#include <benchmark/benchmark.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "bench/bench_prose.h"
#include "ebook/ebook.h"

namespace {

using benchprose::c_Sentences;
using benchprose::Write;

constexpr int c_Chapters = 2000;

std::string Chapter(int c) {
  std::string out = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<html xmlns=\"http://www.w3.org/1999/xhtml\"><head>"
                    "<title>Rozdział</title></head><body><h2 id=\"r\">Rozdział " + std::to_string(c + 1) + "</h2>\n";
  for (unsigned i = 0; out.size() < 18000; ++i) {
    out += "<p>";
    for (unsigned k = 0; k < 5; ++k) out += c_Sentences[(c + i * 5 + k) % 6];
    out += "</p>\n";
  }
  return out + "</body></html>\n";
}

bool Make(const std::string& dir) {
  struct stat st;
  if (stat((dir + "/chapters2000.epub").c_str(), &st) == 0) return true;
  std::string d = dir + "/chapters_src";
  if (system(("mkdir -p '" + d + "/META-INF' '" + d + "/OEBPS/text'").c_str()) != 0) return false;
  Write(d + "/mimetype", "application/epub+zip");
  Write(d + "/META-INF/container.xml",
        "<?xml version=\"1.0\"?><container xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\" version=\"1.0\">"
        "<rootfiles><rootfile full-path=\"OEBPS/content.opf\" media-type=\"application/oebps-package+xml\"/>"
        "</rootfiles></container>");
  std::string manifest, spine, nav;
  for (int c = 0; c < c_Chapters; ++c) {
    std::string n = "ch" + std::to_string(c);
    manifest += "<item id=\"" + n + "\" href=\"text/" + n + ".xhtml\" media-type=\"application/xhtml+xml\"/>\n";
    spine += "<itemref idref=\"" + n + "\"/>\n";
    nav += "<navPoint id=\"n" + std::to_string(c) + "\"><navLabel><text>Rozdział " + std::to_string(c + 1) +
           "</text></navLabel><content src=\"text/" + n + ".xhtml\"/></navPoint>\n";
    if (!Write(d + "/OEBPS/text/" + n + ".xhtml", Chapter(c))) return false;
  }
  Write(d + "/OEBPS/toc.ncx", "<?xml version=\"1.0\"?><ncx xmlns=\"http://www.daisy.org/z3986/2005/ncx/\" version=\"2005-1\">"
                              "<head/><docTitle><text>Latarnik</text></docTitle><navMap>" + nav + "</navMap></ncx>");
  Write(d + "/OEBPS/content.opf",
        "<?xml version=\"1.0\"?><package xmlns=\"http://www.idpf.org/2007/opf\" version=\"2.0\" unique-identifier=\"id\">"
        "<metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:title>Latarnik</dc:title><dc:language>pl</dc:language>"
        "<dc:identifier id=\"id\">bench-2000</dc:identifier></metadata><manifest>"
        "<item id=\"ncx\" href=\"toc.ncx\" media-type=\"application/x-dtbncx+xml\"/>\n" + manifest +
        "</manifest><spine toc=\"ncx\">" + spine + "</spine></package>");
  std::string out = dir + "/chapters2000.epub";
  std::string cmd = "cd '" + d + "' && rm -f '" + out + "' && zip -X -0 -q '" + out + "' mimetype && zip -X -9 -r -q '" +
                    out + "' META-INF OEBPS";
  return system(cmd.c_str()) == 0;
}

std::string Dir() {
  const char* d = getenv("DTB_BENCH_DIR");
  return d && *d ? d : "/tmp/dtb_bench_ebook";
}

// Opens a book and reads its first sentence; with `whole`, then reads on
// behind the speech, a step at a time, as the reader does between sentences.
int OpenFirst(const std::string& path, bool whole, bool print) {
  std::unique_ptr<iCEbook> b(GetEbookClass(path.substr(path.rfind('.') + 1).c_str()));
  if (!b) return -1;
  int r = b->Open(path.c_str());
  unsigned short* text = nullptr;
  int len = 0;
  if (r == 0) r = b->ReadCurSentence(&text, &len);
  int steps = 0;
  while (r == 0 && whole && !b->Settled()) b->ReadAhead(), ++steps;
  if (print)
    printf("%s: open %d, first sentence %d units, %d steps%s\n", path.c_str(), r, len, steps,
           whole ? (", " + std::to_string(b->GetTotalSentences()) + " sentences, " +
                    std::to_string(b->GetTotalHeadings()) + " headings").c_str()
                 : "");
  return r;
}

void BM_FirstSentence(benchmark::State& state) {
  std::string dir = Dir();
  if (!Make(dir)) return state.SkipWithError("cannot make the book");
  for (auto _ : state) benchmark::DoNotOptimize(OpenFirst(dir + "/chapters2000.epub", false, false));
}
BENCHMARK(BM_FirstSentence)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (strncmp(argv[i], "--make=", 7) == 0) return Make(argv[i] + 7) ? 0 : 1;
    if (strncmp(argv[i], "--first=", 8) == 0) return OpenFirst(argv[i] + 8, false, true) == 0 ? 0 : 1;
    if (strncmp(argv[i], "--whole=", 8) == 0) return OpenFirst(argv[i] + 8, true, true) == 0 ? 0 : 1;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
