// Opening a large generated narrated EPUB: 20 hours in 300 chapters, 3000
// headings on 2 levels, 1500 pages, 60 000 pars, every clip a range of one
// short audio file (the open never decodes it).
//
//   bench_narrated                     Google Benchmark runs (book made in /tmp)
//   bench_narrated --generate DIR      writes DIR/narrated.epub
//   bench_narrated --open-once EPUB    opens it once (for callgrind and time -v)
#include <benchmark/benchmark.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/bench_main.h"
#include "daisy/daisy.h"

namespace {

constexpr int kChapters = 300;
constexpr int kParsPerChapter = 200;  // 60 000 pars
constexpr int kHeadingEvery = 20;     // 3000 headings: each chapter's first an h1
constexpr int kPageEvery = 40;        // 1500 pages
constexpr int kClipMs = 1200;         // 60 000 x 1.2 s = 20 hours
constexpr int kAudioMs = 6000;        // the one audio file, used over and over

void Put(const std::string& path, const std::string& text) {
  FILE* f = fopen(path.c_str(), "wb");
  if (!f || fwrite(text.data(), 1, text.size(), f) != text.size()) {
    fprintf(stderr, "cannot write %s\n", path.c_str());
    exit(1);
  }
  fclose(f);
}

std::string Clock(int ms) {
  char buf[32];
  snprintf(buf, sizeof buf, "%d:%02d:%02d.%03d", ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms % 1000);
  return buf;
}

// One chapter's text and overlay; its headings and pages go to the nav lists.
void Chapter(const std::string& dir, int c, std::string* toc, std::string* pages) {
  std::string x = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" "
                  "xmlns:epub=\"http://www.idpf.org/2007/ops\"><head><title>c</title></head><body>\n";
  std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<smil xmlns=\"http://www.w3.org/ns/SMIL\" "
                  "xmlns:epub=\"http://www.idpf.org/2007/ops\" version=\"3.0\"><body>\n<seq epub:textref=\"c" +
                  std::to_string(c) + ".xhtml\">\n";
  char buf[512];
  for (int p = 0; p < kParsPerChapter; p++) {
    const int g = c * kParsPerChapter + p;
    if (g % kPageEvery == 10) {
      snprintf(buf, sizeof buf, "<span epub:type=\"pagebreak\" id=\"pg%d\" title=\"%d\"/>\n", g, g / kPageEvery + 1);
      x += buf;
      snprintf(buf, sizeof buf, "<li><a href=\"c%d.xhtml#pg%d\">%d</a></li>\n", c, g, g / kPageEvery + 1);
      *pages += buf;
    }
    if (g % kHeadingEvery == 0) {
      const int level = p == 0 ? 1 : 2;
      snprintf(buf, sizeof buf, "<h%d id=\"t%d\">Heading %d</h%d>\n", level, g, g / kHeadingEvery, level);
      x += buf;
      if (level == 2 && p == kHeadingEvery) *toc += "<ol>\n";
      snprintf(buf, sizeof buf, "<li><a href=\"c%d.xhtml#t%d\">Heading %d</a>%s\n", c, g, g / kHeadingEvery,
               level == 1 ? "" : "</li>");
      *toc += buf;
    } else {
      snprintf(buf, sizeof buf, "<p id=\"t%d\">Sentence number %d of the large narrated book, read aloud.</p>\n", g, g);
      x += buf;
    }
    const int begin = (g * kClipMs) % (kAudioMs - kClipMs);
    snprintf(buf, sizeof buf,
             "<par id=\"p%d\"><text src=\"c%d.xhtml#t%d\"/><audio src=\"audio/a.mp3\" clipBegin=\"%s\" "
             "clipEnd=\"%s\"/></par>\n",
             g, c, g, Clock(begin).c_str(), Clock(begin + kClipMs).c_str());
    s += buf;
  }
  *toc += "</ol></li>\n";
  Put(dir + "/OEBPS/c" + std::to_string(c) + ".xhtml", x + "</body></html>\n");
  Put(dir + "/OEBPS/c" + std::to_string(c) + ".smil", s + "</seq></body></smil>\n");
}

void Generate(const std::string& out) {
  const std::string dir = out + "/tree";
  mkdir(out.c_str(), 0755);
  mkdir(dir.c_str(), 0755);
  for (const char* d : {"/META-INF", "/OEBPS", "/OEBPS/audio"}) mkdir((dir + d).c_str(), 0755);
  Put(dir + "/mimetype", "application/epub+zip");
  Put(dir + "/META-INF/container.xml",
      "<?xml version=\"1.0\"?><container version=\"1.0\" xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\">"
      "<rootfiles><rootfile full-path=\"OEBPS/package.opf\" media-type=\"application/oebps-package+xml\"/>"
      "</rootfiles></container>\n");
  Put(dir + "/OEBPS/audio/a.mp3", std::string(4096, '\xff'));
  std::string toc, pages, manifest, spine;
  for (int c = 0; c < kChapters; c++) {
    Chapter(dir, c, &toc, &pages);
    const std::string n = std::to_string(c);
    manifest += "<item id=\"c" + n + "\" href=\"c" + n + ".xhtml\" media-type=\"application/xhtml+xml\" media-overlay=\"m" + n +
                "\"/>\n<item id=\"m" + n + "\" href=\"c" + n + ".smil\" media-type=\"application/smil+xml\"/>\n";
    spine += "<itemref idref=\"c" + n + "\"/>\n";
  }
  Put(dir + "/OEBPS/nav.xhtml",
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" "
      "xmlns:epub=\"http://www.idpf.org/2007/ops\"><head><title>n</title></head><body>\n<nav epub:type=\"toc\"><ol>\n" +
          toc + "</ol></nav>\n<nav epub:type=\"page-list\"><ol>\n" + pages + "</ol></nav></body></html>\n");
  Put(dir + "/OEBPS/package.opf",
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<package xmlns=\"http://www.idpf.org/2007/opf\" version=\"3.0\">"
      "<metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:title>Large narrated book</dc:title>"
      "<meta property=\"media:duration\">20:00:00</meta></metadata>\n<manifest>"
      "<item id=\"nav\" href=\"nav.xhtml\" media-type=\"application/xhtml+xml\" properties=\"nav\"/>\n"
      "<item id=\"a\" href=\"audio/a.mp3\" media-type=\"audio/mpeg\"/>\n" +
          manifest + "</manifest><spine>\n" + spine + "</spine></package>\n");
  // The archive as EPUB readers expect it: mimetype first and stored.
  const std::string zip = "cd '" + dir + "' && python3 -c \"import os,zipfile;z=zipfile.ZipFile('../narrated.epub','w');"
                          "z.write('mimetype');[z.write(os.path.join(r,f),compress_type=zipfile.ZIP_DEFLATED) "
                          "for r,_,fs in os.walk('.') for f in sorted(fs) if f!='mimetype'];z.close()\"";
  if (std::system(zip.c_str()) != 0) {
    fprintf(stderr, "cannot zip %s\n", dir.c_str());
    exit(1);
  }
  std::system(("rm -rf '" + dir + "'").c_str());
}

const std::string& Book() {
  static std::string path = [] {
    char tmpl[] = "/tmp/bench_narrated.XXXXXX";
    std::string d = mkdtemp(tmpl);
    Generate(d);
    return d + "/narrated.epub";
  }();
  return path;
}

int OpenOnce(const char* path) {
  libDaisy::Daisy book;
  int rc = book.Open(path, 0);
  const libDaisy::_DaisyObject* objects;
  int count = 0;
  book.GetObjects(&objects, &count);
  fprintf(stderr, "open %d: %d objects, %d headings, %d pages, %lld ms, %d warnings\n", rc, count,
          book.GetTotalHeadings(), book.GetTotalPages(), static_cast<long long>(book.GetTotalAudioMs()),
          book.GetTotalWarnings());
  return rc == 0 ? 0 : 1;
}

void BM_OpenLargeNarratedEpub(benchmark::State& state) {
  for (auto _ : state) {
    libDaisy::Daisy book;
    if (book.Open(Book().c_str(), 0) != 0) state.SkipWithError("open failed");
    benchmark::DoNotOptimize(book.GetTotalHeadings());
  }
}

BENCHMARK(BM_OpenLargeNarratedEpub)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return BookBenchMain(argc, argv, Generate, OpenOnce); }
