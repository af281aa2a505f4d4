// Opening a large generated DAISY book: 3000 headings on 6 levels, 1500 pages,
// 400 SMIL files with 60 000 audio clips (DAISY 2.02 and DAISY 3).
//
//   bench_daisy                          Google Benchmark runs (book made in /tmp)
//   bench_daisy --generate DIR           writes both books under DIR
//   bench_daisy --open-once CONTROLFILE  opens one book once (for callgrind and time -v)
#include <benchmark/benchmark.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/bench_main.h"
#include "daisy/daisy.h"

namespace {

constexpr int kSmilFiles = 400;
constexpr int kClipsPerFile = 150;  // 60 000 clips
constexpr int kHeadingEvery = 20;   // 3000 headings
constexpr int kPageEvery = 40;      // 1500 pages
constexpr int kClipMs = 2500;

bool IsHeading(int clip) { return clip % kHeadingEvery == 0; }
bool IsPage(int clip) { return clip % kPageEvery == 10; }
int Level(int heading) { return 1 + heading % 6; }

std::string Clock2(int ms) {
  char buf[32];
  snprintf(buf, sizeof buf, "npt=%d.%03ds", ms / 1000, ms % 1000);
  return buf;
}

std::string Clock3(int ms) {
  char buf[32];
  snprintf(buf, sizeof buf, "%d:%02d:%02d.%03d", ms / 3600000, ms / 60000 % 60, ms / 1000 % 60,
           ms % 1000);
  return buf;
}

void Put(const std::string& path, const std::string& text) {
  FILE* f = fopen(path.c_str(), "wb");
  if (!f || fwrite(text.data(), 1, text.size(), f) != text.size()) {
    fprintf(stderr, "cannot write %s\n", path.c_str());
    exit(1);
  }
  fclose(f);
}

void GenerateDaisy202(const std::string& dir) {
  mkdir(dir.c_str(), 0755);
  std::string ncc =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
      "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\" "
      "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">\n"
      "<html xmlns=\"http://www.w3.org/1999/xhtml\">\n<head>\n<title>Large book</title>\n"
      "<meta name=\"dc:title\" content=\"Large book\"/>\n"
      "<meta name=\"ncc:totalTime\" content=\"41:40:00\"/>\n</head>\n<body>\n";
  int heading = 0, page = 0;
  for (int f = 0; f < kSmilFiles; f++) {
    std::string smil =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        "<!DOCTYPE smil PUBLIC \"-//W3C//DTD SMIL 1.0//EN\" "
        "\"http://www.w3.org/TR/REC-smil/SMIL10.dtd\">\n<smil>\n<head>\n"
        "<meta name=\"dc:format\" content=\"Daisy 2.02\"/>\n"
        "<layout><region id=\"txtView\"/></layout>\n</head>\n<body>\n<seq dur=\"375.000s\">\n";
    char name[32];
    snprintf(name, sizeof name, "f%04d.smil", f);
    for (int c = 0; c < kClipsPerFile; c++) {
      int g = f * kClipsPerFile + c;
      char buf[512];
      std::string text;
      if (IsHeading(g) || IsPage(g)) {
        if (IsHeading(g))
          snprintf(buf, sizeof buf, "<h%d id=\"e%d\"><a href=\"%s#c%d\">Heading %d</a></h%d>\n",
                   Level(heading), g, name, g, heading, Level(heading));
        else
          snprintf(buf, sizeof buf,
                   "<span class=\"page-normal\" id=\"e%d\"><a href=\"%s#c%d\">%d</a></span>\n", g,
                   name, g, page + 1);
        ncc += buf;
        if (IsHeading(g)) heading++;
        if (IsPage(g)) page++;
        snprintf(buf, sizeof buf, "<text src=\"ncc.html#e%d\" id=\"t%d\"/>\n", g, g);
        text = buf;
      }
      int begin = c * kClipMs;
      snprintf(buf, sizeof buf,
               "<par endsync=\"last\" id=\"c%d\">\n%s<audio src=\"a%04d.mp3\" clip-begin=\"%s\" "
               "clip-end=\"%s\" id=\"a%d\"/>\n</par>\n",
               g, text.c_str(), f, Clock2(begin).c_str(), Clock2(begin + kClipMs).c_str(), g);
      smil += buf;
    }
    smil += "</seq>\n</body>\n</smil>\n";
    Put(dir + "/" + name, smil);
    snprintf(name, sizeof name, "a%04d.mp3", f);
    Put(dir + "/" + name, "");
  }
  ncc += "</body>\n</html>\n";
  Put(dir + "/ncc.html", ncc);
}

void GenerateDaisy3(const std::string& dir) {
  mkdir(dir.c_str(), 0755);
  std::string opf =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
      "<package xmlns=\"http://openebook.org/namespaces/oeb-package/1.0/\" unique-identifier=\"uid\">\n"
      "<metadata><dc-metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n"
      "<dc:Title>Large book</dc:Title><dc:Identifier id=\"uid\">large</dc:Identifier>\n"
      "</dc-metadata><x-metadata><meta name=\"dtb:totalTime\" content=\"41:40:00\"/></x-metadata>"
      "</metadata>\n<manifest>\n"
      "<item id=\"ncx\" href=\"navigation.ncx\" media-type=\"application/x-dtbncx+xml\"/>\n";
  std::string spine = "<spine>\n";
  std::string ncx =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
      "<ncx xmlns=\"http://www.daisy.org/z3986/2005/ncx/\" version=\"2005-1\">\n"
      "<head><meta name=\"dtb:depth\" content=\"6\"/></head>\n"
      "<docTitle><text>Large book</text></docTitle>\n<navMap>\n";
  std::string pages = "<pageList>\n";
  int heading = 0, page = 0, open = 0;
  for (int f = 0; f < kSmilFiles; f++) {
    char name[32], buf[512];
    snprintf(name, sizeof name, "f%04d.smil", f);
    snprintf(buf, sizeof buf,
             "<item id=\"s%d\" href=\"%s\" media-type=\"application/smil\"/>\n"
             "<item id=\"m%d\" href=\"a%04d.mp3\" media-type=\"audio/mpeg\"/>\n",
             f, name, f, f);
    opf += buf;
    snprintf(buf, sizeof buf, "<itemref idref=\"s%d\"/>\n", f);
    spine += buf;
    std::string smil =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        "<smil xmlns=\"http://www.w3.org/2001/SMIL20/\">\n<head>\n"
        "<meta name=\"dtb:uid\" content=\"large\"/>\n</head>\n<body>\n<seq id=\"root\">\n";
    for (int c = 0; c < kClipsPerFile; c++) {
      int g = f * kClipsPerFile + c;
      if (IsHeading(g)) {
        // Levels cycle 1..6: each point nests in the one before, a level-1
        // point closes them all.
        int level = Level(heading);
        for (; open >= level; open--) ncx += "</navPoint>\n";
        snprintf(buf, sizeof buf,
                 "<navPoint id=\"n%d\" playOrder=\"%d\"><navLabel><text>Heading %d</text>"
                 "</navLabel><content src=\"%s#c%d\"/>\n",
                 g, heading + 1, heading, name, g);
        ncx += buf;
        open = level;
        heading++;
      }
      if (IsPage(g)) {
        snprintf(buf, sizeof buf,
                 "<pageTarget id=\"p%d\" type=\"normal\" value=\"%d\"><navLabel><text>%d</text>"
                 "</navLabel><content src=\"%s#c%d\"/></pageTarget>\n",
                 g, page + 1, page + 1, name, g);
        pages += buf;
        page++;
      }
      int begin = c * kClipMs;
      snprintf(buf, sizeof buf,
               "<par id=\"c%d\">\n<audio src=\"a%04d.mp3\" clipBegin=\"%s\" clipEnd=\"%s\"/>\n</par>\n",
               g, f, Clock3(begin).c_str(), Clock3(begin + kClipMs).c_str());
      smil += buf;
    }
    smil += "</seq>\n</body>\n</smil>\n";
    Put(dir + "/" + name, smil);
    snprintf(name, sizeof name, "a%04d.mp3", f);
    Put(dir + "/" + name, "");
  }
  for (; open > 0; open--) ncx += "</navPoint>\n";
  ncx += "</navMap>\n" + pages + "</pageList>\n</ncx>\n";
  Put(dir + "/navigation.ncx", ncx);
  Put(dir + "/package.opf", opf + "</manifest>\n" + spine + "</spine>\n</package>\n");
}

void Generate(const std::string& dir) {
  mkdir(dir.c_str(), 0755);
  GenerateDaisy202(dir + "/d202");
  GenerateDaisy3(dir + "/d3");
}

// The generated books, made once per process.
const std::string& BookDir() {
  static std::string dir = [] {
    char tmpl[] = "/tmp/bench_daisy.XXXXXX";
    std::string d = mkdtemp(tmpl);
    Generate(d);
    return d;
  }();
  return dir;
}

int OpenOnce(const char* path) {
  libDaisy::Daisy book;
  int rc = book.Open(path, 0);
  const libDaisy::_DaisyObject* objects;
  int count = 0;
  book.GetObjects(&objects, &count);
  fprintf(stderr, "open %d: %d objects, %d headings, %d pages, %d audio files, %d warnings\n", rc,
          count, book.GetTotalHeadings(), book.GetTotalPages(), book.GetTotalAudioFiles(),
          book.GetTotalWarnings());
  return rc == 0 ? 0 : 1;
}

void OpenBook(benchmark::State& state, const char* control) {
  std::string path = BookDir() + control;
  for (auto _ : state) {
    libDaisy::Daisy book;
    if (book.Open(path.c_str(), 0) != 0) state.SkipWithError("open failed");
    benchmark::DoNotOptimize(book.GetTotalHeadings());
  }
}

void BM_OpenLargeDaisy202(benchmark::State& state) { OpenBook(state, "/d202/ncc.html"); }
void BM_OpenLargeDaisy3(benchmark::State& state) { OpenBook(state, "/d3/package.opf"); }

void BM_TitleOfLargeBook(benchmark::State& state) {
  std::string path = BookDir() + "/d202/ncc.html";
  char title[512];
  for (auto _ : state) libDaisy::GetTitle(path.c_str(), title, sizeof title, 0);
}

BENCHMARK(BM_OpenLargeDaisy202)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenLargeDaisy3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TitleOfLargeBook)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) { return BookBenchMain(argc, argv, Generate, OpenOnce); }
