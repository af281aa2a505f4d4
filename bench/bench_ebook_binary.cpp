// Opening large binary documents: a 5 MB RTF and a 10 MB Word 97-2003 file
// of Polish prose with headings, and a 500-page PDF, generated on first use.
//
//   bench_ebook_binary                   Google Benchmark timings
//   bench_ebook_binary --make=DIR        writes DIR/pl5.rtf, DIR/pl10.doc, DIR/pages500.pdf
//   bench_ebook_binary --open=FILE       opens FILE and reads its first sentence
//                                        (for /usr/bin/time -v and callgrind)
//   bench_ebook_binary --first=FILE      reads the first sentence only: no count, no page
//   bench_ebook_binary --text=FILE       prints the whole text as read
#include <benchmark/benchmark.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

#include "bench/bench_prose.h"
#include "core/lib/iconv/converter.h"
#include "ebook/ebook.h"
#include "tests/ebook/pdf_maker.h"
#include "tests/ebook/word_doc_maker.h"

namespace {

const char* const c_Sentences[] = {
    "Pewnego razu zdarzyło się, że latarnik w Aspinwall, niedaleko Panamy, przepadł bez wieści. ",
    "Ponieważ stało się to wśród burzy, przypuszczano, że nieszczęśliwy musiał podejść nad sam brzeg. ",
    "Przypuszczenie to było tym prawdopodobniejsze, że na drugi dzień nie znaleziono jego łódki; ",
    "zawakowało tedy miejsce latarnika, które trzeba było jak najprędzej obsadzić. ",
    "Latarnia ma niepoślednie znaczenie zarówno dla miejscowego ruchu, jak i dla statków. ",
    "„Czy to prawda?” – zapytał konsul. ",
    "Żółć, gęś, łąka, jaźń i źdźbło – wszystko to brzmiało obco w jego uszach. ",
};
constexpr int c_SentenceCount = sizeof c_Sentences / sizeof c_Sentences[0];

// The i-th paragraph of prose (UTF-8), five to seven sentences.
std::string Prose(int i) {
  std::string p;
  for (int k = 0; k < 5 + i % 3; ++k) p += c_Sentences[(i * 3 + k) % c_SentenceCount];
  return p;
}

bool Exists(const std::string& path, long long size) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && st.st_size >= size;
}

bool Write(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
  return static_cast<bool>(out);
}

// As a word processor writes it: Windows-1250 bytes as hexadecimal escapes,
// a style sheet with two heading levels, a heading every twenty paragraphs.
bool MakeRtf(const std::string& path) {
  const long long target = 5LL << 20;
  if (Exists(path, target)) return true;
  conv::Converter cd("CP1250", "UTF-8");
  std::string out =
      "{\\rtf1\\ansi\\ansicpg1250\\deff0{\\fonttbl{\\f0\\froman\\fcharset238 Times New Roman;}}"
      "{\\stylesheet{\\ql Normal;}{\\s1\\outlinelevel0\\b\\fs32 heading 1;}{\\s2\\outlinelevel1\\b\\fs28 heading 2;}}\n";
  for (int i = 0; static_cast<long long>(out.size()) < target; ++i) {
    if (i % 20 == 0) out += "\\pard\\s" + std::to_string(i % 100 == 0 ? 1 : 2) + " Rozdzia\\'b3 " + std::to_string(i / 20 + 1) + "\\par\n";
    std::string bytes;
    cd.Convert(Prose(i).data(), Prose(i).size(), &bytes);
    out += "\\pard\\plain\\f0\\fs24 ";
    for (unsigned char c : bytes) {
      if (c >= 0x80) {
        char hex[8];
        snprintf(hex, sizeof hex, "\\'%02x", c);
        out += hex;
      } else {
        out += static_cast<char>(c);
      }
    }
    out += "\\par\n";
  }
  out += "}";
  return Write(path, out);
}

std::u16string Utf16(const std::string& utf8) {
  conv::Converter cd("UTF-16LE", "UTF-8");
  std::string b;
  cd.Convert(utf8.data(), utf8.size(), &b);
  return std::u16string(reinterpret_cast<const char16_t*>(b.data()), b.size() / 2);
}

// Polish text is stored as Unicode pieces; 512-byte sectors, as Word writes
// them (the FAT then needs DIFAT sectors).
bool MakeDoc(const std::string& path) {
  const long long target = 10LL << 20;
  if (Exists(path, target)) return true;
  std::vector<docmaker::Paragraph> paras;
  long long bytes = 0;
  for (int i = 0; bytes < target; ++i) {
    if (i % 20 == 0) paras.push_back({Utf16("Rozdział " + std::to_string(i / 20 + 1)), i % 100 == 0 ? 1 : 2});
    paras.push_back({Utf16(Prose(i))});
    bytes += 2 * static_cast<long long>(paras.back().text.size()) + 40;
  }
  return Write(path, docmaker::Make(paras, false, false).bytes);
}

bool MakePdf(const std::string& path) {
  if (Exists(path, 1)) return true;
  std::vector<pdfmaker::Page> pages(500);
  for (size_t p = 0; p < pages.size(); ++p)
    for (int line = 0; line < 45; ++line)
      pages[p].push_back("Page " + std::to_string(p + 1) + " line " + std::to_string(line + 1) +
                         ": the lighthouse keeper of Aspinwall was lost without a trace.");
  // An outline as a book has: a chapter every 20 pages, a section every 5.
  pdfmaker::Extras outline;
  for (int p = 0; p < 500; p += 5)
    outline.outline.push_back({(p % 20 ? "Section " : "Chapter ") + std::to_string(p / 5 + 1), p % 20 ? 2 : 1, p});
  return Write(path, pdfmaker::Make(pages, outline));
}

std::string Dir() {
  const char* d = getenv("DTB_BENCH_DIR");
  std::string dir = d && *d ? d : "/tmp/dtb_bench_ebook";
  mkdir(dir.c_str(), 0755);
  return dir;
}

bool MakeAll(const std::string& dir) {
  return MakeRtf(dir + "/pl5.rtf") && MakeDoc(dir + "/pl10.doc") && MakePdf(dir + "/pages500.pdf");
}

std::unique_ptr<iCEbook> OpenBook(const char* path, int* r) {
  const char* dot = strrchr(path, '.');
  std::unique_ptr<iCEbook> b(GetEbookClass(dot ? dot + 1 : ""));
  *r = b ? b->Open(path) : -1;
  return b;
}

int OpenAndRead(const char* path) {
  int r;
  auto b = OpenBook(path, &r);
  if (r != 0) return printf("%s: cannot open (%d)\n", path, r), 1;
  unsigned short* text;
  int length = 0;
  b->ReadCurSentence(&text, &length);
  printf("%s: %d units, %d pages, %d headings, first sentence %d units\n", path, b->GetUnicodeLength(),
         b->GetTotalPages(), b->GetTotalHeadings(), length);
  return length > 0 ? 0 : 1;
}

int PrintText(const char* path) {
  int r;
  auto b = OpenBook(path, &r);
  if (r != 0) return printf("cannot open (%d)\n", r), 1;
  std::vector<unsigned short> u(static_cast<size_t>(b->GetUnicodeLength()) + 1);
  int n = b->GetUnicode(u.data(), static_cast<int>(u.size()));
  conv::Converter cd("UTF-8", "UTF-16LE");
  std::string out;
  cd.Convert(reinterpret_cast<const char*>(u.data()), static_cast<size_t>(std::max(n, 0)) * 2, &out, 2);
  fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}

void BM_Open(benchmark::State& state, const char* name) {
  std::string dir = Dir();
  if (!MakeAll(dir)) return state.SkipWithError("cannot write the test files");
  std::string path = dir + "/" + name;
  for (auto _ : state) {
    int r;
    auto b = OpenBook(path.c_str(), &r);
    if (r != 0) return state.SkipWithError("open failed");
    unsigned short* text;
    int length;
    benchmark::DoNotOptimize(b->ReadCurSentence(&text, &length));
  }
}

BENCHMARK_CAPTURE(BM_Open, rtf_5MB, "pl5.rtf")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_Open, doc_10MB, "pl10.doc")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_Open, pdf_500_pages, "pages500.pdf")->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (strncmp(argv[i], "--make=", 7) == 0) return MakeAll(argv[i] + 7) ? 0 : 1;
    if (strncmp(argv[i], "--first=", 8) == 0) return benchprose::FirstSentence(argv[i] + 8);
    if (strncmp(argv[i], "--open=", 7) == 0) return OpenAndRead(argv[i] + 7);
    if (strncmp(argv[i], "--text=", 7) == 0) return PrintText(argv[i] + 7);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
