// Opening a 20 MB KF8 (AZW3) book, generated on first use from public-domain
// Polish prose: one HTML file split into its skeleton and fragments as the
// format keeps them, in uncompressed text records, with the flow table.
//
//   bench_ebook_azw3                   Google Benchmark timings
//   bench_ebook_azw3 --make=DIR        writes book20.azw3 into DIR
//   bench_ebook_azw3 --open=FILE       opens FILE and reads a few sentences
//                                      (for /usr/bin/time -v and callgrind)
//   bench_ebook_azw3 --parts=FILE      counts the HTML files the book holds
#include <benchmark/benchmark.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/lib/mobi/book.h"
#include "ebook/ebook.h"

namespace {

const char* const c_Sentences[] = {
    "Pewnego razu zdarzyło się, że latarnik w Aspinwall, niedaleko Panamy, przepadł bez wieści. ",
    "Ponieważ stało się to wśród burzy, przypuszczano, że nieszczęśliwy musiał podejść nad sam brzeg. ",
    "Przypuszczenie to było tym prawdopodobniejsze, że na drugi dzień nie znaleziono jego łódki; ",
    "zawakowało tedy miejsce latarnika, które trzeba było jak najprędzej obsadzić. ",
    "Latarnia ma niepoślednie znaczenie zarówno dla miejscowego ruchu, jak i dla statków, ",
    "które z Nowego Jorku idą do Panamy. Cena biletu wynosiła 3.50 dolara! ",
};

void Be32(std::string& s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + static_cast<size_t>(i)] = static_cast<char>(v >> (24 - 8 * i));
}
void Be16(std::string& s, size_t at, uint32_t v) {
  s[at] = static_cast<char>(v >> 8), s[at + 1] = static_cast<char>(v);
}
std::string Be32s(uint32_t v) {
  std::string s(4, '\0');
  Be32(s, 0, v);
  return s;
}

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

// The palm database around the records.
std::string Database(const std::vector<std::string>& records) {
  size_t n = records.size();
  std::string head(78, '\0');
  memcpy(&head[0], "Bench", 5);
  memcpy(&head[60], "BOOKMOBI", 8);
  Be16(head, 76, static_cast<uint32_t>(n));
  size_t offset = 78 + 8 * n + 2;
  std::string table(8 * n, '\0');
  for (size_t i = 0; i < n; ++i) {
    Be32(table, 8 * i, static_cast<uint32_t>(offset)), Be32(table, 8 * i + 4, static_cast<uint32_t>(2 * i));
    offset += records[i].size();
  }
  std::string out = head + table + std::string(2, '\0');
  for (const std::string& r : records) out += r;
  return out;
}

// Record 0: the text's size and records, and the version 8 header naming the
// flow table and the indexes.
std::string Header(size_t textBytes, size_t textRecords, uint32_t fdst, uint32_t frag, uint32_t skel) {
  std::string mobi(264, '\0');
  memcpy(&mobi[0], "MOBI", 4);
  Be32(mobi, 4, 264), Be32(mobi, 8, 2), Be32(mobi, 12, 65001), Be32(mobi, 16, 1), Be32(mobi, 20, 8);
  for (size_t o = 24; o < 64; o += 4) Be32(mobi, o, 0xFFFFFFFF);
  for (size_t o = 148; o < 264; o += 4) Be32(mobi, o, 0xFFFFFFFF);
  Be32(mobi, 64, static_cast<uint32_t>(textRecords + 1)), Be32(mobi, 68, 16 + 264), Be32(mobi, 72, 5);
  Be32(mobi, 88, 8), Be32(mobi, 92, 0xFFFFFFFF), Be32(mobi, 96, 0), Be32(mobi, 100, 0), Be32(mobi, 112, 0);
  Be32(mobi, 176, fdst), Be32(mobi, 180, 1), Be32(mobi, 188, 0), Be32(mobi, 196, 0), Be32(mobi, 212, 0);
  Be32(mobi, 224, 0), Be32(mobi, 232, frag), Be32(mobi, 236, skel);
  std::string rec0(16, '\0');
  Be16(rec0, 0, 1), Be32(rec0, 4, static_cast<uint32_t>(textBytes)), Be16(rec0, 8, static_cast<uint32_t>(textRecords));
  Be16(rec0, 10, 4096);
  return rec0 + mobi + "Bench" + std::string(3, '\0');
}

bool Write(const std::string& path, const std::string& bytes) {
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return false;
  fwrite(bytes.data(), 1, bytes.size(), f);
  return fclose(f) == 0;
}

// A value of an index entry: seven bits a byte, the last byte marked.
std::string Varlen(uint32_t v) {
  std::string out(1, static_cast<char>(0x80 | (v & 0x7F)));
  while (v >>= 7) out.insert(out.begin(), static_cast<char>(v & 0x7F));
  return out;
}

struct Entry {
  std::string label;
  unsigned char control;
  std::vector<uint32_t> values;
};

// An index: its header record (with the tag table) and one data record.
// `tags` holds (tag, values per entry, control mask) triples.
std::vector<std::string> Index(const std::vector<unsigned char>& tags, const std::vector<Entry>& entries,
                               uint32_t cncxRecords) {
  const size_t headLen = 192;
  std::string tagx = "TAGX" + Be32s(static_cast<uint32_t>(12 + 4 * (tags.size() / 3 + 1))) + Be32s(1);
  for (size_t i = 0; i < tags.size(); i += 3) tagx += std::string{char(tags[i]), char(tags[i + 1]), char(tags[i + 2]), 0};
  tagx += std::string{0, 0, 0, 1};
  std::string data(headLen, '\0');
  std::vector<uint32_t> offsets;
  for (const Entry& e : entries) {
    offsets.push_back(static_cast<uint32_t>(data.size()));
    data += static_cast<char>(e.label.size()) + e.label + static_cast<char>(e.control);
    for (uint32_t v : e.values) data += Varlen(v);
  }
  if (data.size() % 2) data += '\0';
  size_t idxt = data.size();
  data += "IDXT";
  for (uint32_t o : offsets) data += std::string(2, '\0'), Be16(data, data.size() - 2, o);
  memcpy(&data[0], "INDX", 4);
  Be32(data, 4, headLen), Be32(data, 8, 1), Be32(data, 20, static_cast<uint32_t>(idxt));
  Be32(data, 24, static_cast<uint32_t>(entries.size())), Be32(data, 28, 0xFFFFFFFF), Be32(data, 32, 0xFFFFFFFF);
  std::string head(headLen, '\0');
  memcpy(&head[0], "INDX", 4);
  head += tagx;
  size_t geometry = head.size();
  const std::string& last = entries.back().label;
  head += static_cast<char>(last.size()) + last + std::string(2, '\0');
  Be16(head, head.size() - 2, static_cast<uint32_t>(entries.size()));
  if (head.size() % 2) head += '\0';
  size_t headIdxt = head.size();
  head += "IDXT" + std::string(2, '\0');
  Be16(head, head.size() - 2, static_cast<uint32_t>(geometry));
  Be32(head, 4, headLen), Be32(head, 20, static_cast<uint32_t>(headIdxt)), Be32(head, 24, 1);
  Be32(head, 28, 65001), Be32(head, 32, 0xFFFFFFFF), Be32(head, 36, static_cast<uint32_t>(entries.size()));
  Be32(head, 52, cncxRecords);
  return {head, data};
}

// The chapters as KF8 keeps them: each file's skeleton followed by its one
// fragment (the body's content), the fragment's insert place in the
// skeleton's coordinates of the text.
bool MakeAzw3(const std::string& path, size_t bytes) {
  std::vector<std::string> chapters = Chapters(bytes);
  std::string text;
  std::vector<Entry> skel, frag;
  for (size_t i = 0; i < chapters.size(); ++i) {
    std::string skeleton = "<?xml version=\"1.0\" encoding=\"utf-8\"?><html xmlns=\"http://www.w3.org/1999/xhtml\">"
                           "<head><title>Rozdzia\xC5\x82</title></head><body aid=\"" + std::to_string(i) + "\"></body></html>";
    uint32_t start = static_cast<uint32_t>(text.size());
    uint32_t insert = start + static_cast<uint32_t>(skeleton.find("</body>"));
    char label[32];
    snprintf(label, sizeof label, "SKEL%010zu", i);
    skel.push_back({label, 0x05, {1, start, static_cast<uint32_t>(skeleton.size())}});
    snprintf(label, sizeof label, "%010u", insert);
    frag.push_back({label, 0x0F, {0, static_cast<uint32_t>(i), static_cast<uint32_t>(i), 0,
                                  static_cast<uint32_t>(chapters[i].size())}});
    text += skeleton + chapters[i];
  }
  const size_t rec = 4096;
  size_t texts = (text.size() + rec - 1) / rec;
  uint32_t fdst = static_cast<uint32_t>(texts + 1), fragIndex = fdst + 1, skelIndex = fdst + 4;
  std::vector<std::string> records;
  records.push_back(Header(text.size(), texts, fdst, fragIndex, skelIndex));
  for (size_t i = 0; i < texts; ++i) records.push_back(text.substr(i * rec, rec));
  records.push_back("FDST" + Be32s(12) + Be32s(1) + Be32s(0) + Be32s(static_cast<uint32_t>(text.size())));
  for (std::string& r : Index({2, 1, 0x01, 3, 1, 0x02, 4, 1, 0x04, 6, 2, 0x08}, frag, 1)) records.push_back(r);
  records.push_back(Varlen(11).substr(0) + "P-//*[@aid]");  // the fragments' one selector
  for (std::string& r : Index({1, 1, 0x03, 6, 2, 0x0C}, skel, 0)) records.push_back(r);
  return Write(path, Database(records));
}

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
  if (book.Open(path) == 0) book.ForEachHtmlPart([&](const char*, size_t) { return ++parts, 0; });
  printf("%d HTML parts\n", parts);
  return parts > 0 ? 0 : 1;
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
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
