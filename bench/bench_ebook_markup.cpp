// Opening large markup and packaged books, generated from public-domain
// Polish prose on first use: a 5 MB HTML page, a 5 MB MHT (quoted-printable),
// a 10 MB EPUB and a 10 MB DOCX (members stored, so the size is text), and a
// 20 MB MOBI (uncompressed text records).
//
//   bench_ebook_markup                 Google Benchmark timings
//   bench_ebook_markup --make=DIR      writes the five books into DIR
//   bench_ebook_markup --open=FILE     opens FILE by its extension and reads a
//                                      few sentences (for /usr/bin/time -v and callgrind)
//   bench_ebook_markup --first=FILE    opens FILE and reads its first sentence, no more
#include <benchmark/benchmark.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_prose.h"
#include "ebook/ebook.h"
#include "tests/ebook/kf8_maker.h"

namespace {

using benchprose::Write;
using benchprose::c_Sentences;

// Paragraphs of prose in a markup frame until `bytes` are written.
std::string Prose(size_t bytes, const char* open, const char* close, const char* heading, const char* headingEnd) {
  std::string out;
  for (unsigned i = 0; out.size() < bytes; ++i) {
    if (i % 40 == 0) out += heading + ("Rozdział " + std::to_string(i / 40 + 1)) + headingEnd;
    out += open;
    for (unsigned k = 0; k < 5; ++k) out += c_Sentences[(i * 5 + k) % 6];
    out += close;
  }
  return out;
}

std::string QuotedPrintable(const std::string& s) {
  std::string out;
  int col = 0;
  for (unsigned char c : s) {
    char buf[4];
    if (c == '=' || c >= 128) snprintf(buf, sizeof buf, "=%02X", c);
    else buf[0] = static_cast<char>(c), buf[1] = 0;
    if (col + strlen(buf) > 75) out += "=\r\n", col = 0;
    out += buf;
    col += static_cast<int>(strlen(buf));
  }
  return out;
}

// A folder zipped with the system's zip, every member stored.
bool Zip(const std::string& dir, const std::string& out, const char* first) {
  std::string cmd = "cd '" + dir + "' && rm -f '" + out + "' && zip -X -0 -q '" + out + "' " + first +
                    " && zip -X -0 -r -q '" + out + "' . -x " + first;
  return system(cmd.c_str()) == 0;
}

bool MakeEpub(const std::string& dir) {
  std::string d = dir + "/epub_src";
  if (system(("mkdir -p '" + d + "/META-INF' '" + d + "/OEBPS'").c_str()) != 0) return false;
  Write(d + "/mimetype", "application/epub+zip");
  Write(d + "/META-INF/container.xml",
        "<container xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\" version=\"1.0\"><rootfiles>"
        "<rootfile full-path=\"OEBPS/p.opf\" media-type=\"application/oebps-package+xml\"/></rootfiles></container>");
  std::string manifest, spine;
  for (int c = 0; c < 20; ++c) {
    std::string n = "c" + std::to_string(c);
    manifest += "<item id=\"" + n + "\" href=\"" + n + ".xhtml\" media-type=\"application/xhtml+xml\"/>";
    spine += "<itemref idref=\"" + n + "\"/>";
    Write(d + "/OEBPS/" + n + ".xhtml",
          "<?xml version=\"1.0\"?><html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>x</title></head><body>" +
              Prose(512 * 1024, "<p>", "</p>\n", "<h2>", "</h2>") + "</body></html>");
  }
  Write(d + "/OEBPS/p.opf", "<package xmlns=\"http://www.idpf.org/2007/opf\" version=\"2.0\"><metadata/><manifest>" +
                                manifest + "</manifest><spine>" + spine + "</spine></package>");
  return Zip(d, dir + "/book10.epub", "mimetype");
}

bool MakeDocx(const std::string& dir) {
  std::string d = dir + "/docx_src";
  if (system(("mkdir -p '" + d + "/word/_rels' '" + d + "/_rels'").c_str()) != 0) return false;
  // The parts and relationships a word processor writes, so that peers read it too.
  Write(d + "/[Content_Types].xml",
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/><Override PartName=\"/word/"
        "document.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
        "</Types>");
  Write(d + "/_rels/.rels",
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship Id=\"rId1\" "
        "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
        "Target=\"word/document.xml\"/></Relationships>");
  Write(d + "/word/_rels/document.xml.rels",
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"></Relationships>");
  std::string body = Prose(10 * 1024 * 1024, "<w:p><w:r><w:t>", "</w:t></w:r></w:p>\n",
                           "<w:p><w:pPr><w:outlineLvl w:val=\"0\"/></w:pPr><w:r><w:t>", "</w:t></w:r></w:p>");
  Write(d + "/word/document.xml",
        "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body>" + body +
            "</w:body></w:document>");
  return Zip(d, dir + "/book10.docx", "'[Content_Types].xml'");
}

// A MOBI 6 book of uncompressed UTF-8 text records.
bool MakeMobi(const std::string& path) {
  std::string html = "<html><body>" + Prose(20 * 1024 * 1024, "<p>", "</p>", "<h1>", "</h1>") + "</body></html>";
  const size_t rec = 4096;
  size_t texts = (html.size() + rec - 1) / rec;
  auto be32 = [](std::string& s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>(v >> (24 - 8 * i));
  };
  auto be16 = [](std::string& s, size_t at, uint32_t v) {
    s[at] = static_cast<char>(v >> 8), s[at + 1] = static_cast<char>(v);
  };
  std::string mobi(232, '\0');
  memcpy(&mobi[0], "MOBI", 4);
  be32(mobi, 4, 232), be32(mobi, 8, 2), be32(mobi, 12, 65001), be32(mobi, 16, 1), be32(mobi, 20, 6);
  for (size_t o = 24; o < 64; o += 4) be32(mobi, o, 0xFFFFFFFF);
  be32(mobi, 64, static_cast<uint32_t>(texts + 1)), be32(mobi, 68, 248), be32(mobi, 72, 5), be32(mobi, 88, 6);
  be32(mobi, 92, 0xFFFFFFFF), be32(mobi, 152, 0xFFFFFFFF);
  be16(mobi, 176, 1), be16(mobi, 178, static_cast<uint32_t>(texts)), be32(mobi, 180, 1);
  be32(mobi, 184, 0xFFFFFFFF), be32(mobi, 192, 0xFFFFFFFF), be32(mobi, 208, 0xFFFFFFFF);
  be32(mobi, 216, 0xFFFFFFFF), be32(mobi, 220, 0xFFFFFFFF), be32(mobi, 228, 0xFFFFFFFF);
  std::string rec0(16, '\0');
  be16(rec0, 0, 1), be32(rec0, 4, static_cast<uint32_t>(html.size())), be16(rec0, 8, static_cast<uint32_t>(texts));
  be16(rec0, 10, rec);
  rec0 += mobi + "Bench" + std::string(3, '\0');
  std::vector<std::string> records{rec0};
  for (size_t i = 0; i < texts; ++i) records.push_back(html.substr(i * rec, rec));
  return Write(path, kf8maker::Database(records));
}

bool Make(const std::string& dir) {
  struct stat st;
  if (stat((dir + "/book20.mobi").c_str(), &st) == 0) return true;
  if (system(("mkdir -p '" + dir + "'").c_str()) != 0) return false;
  std::string page = Prose(5 * 1024 * 1024, "<p>", "</p>\n", "<h2>", "</h2>");
  std::string html = "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>x</title></head><body>" + page + "</body></html>";
  return Write(dir + "/page5.html", html) &&
         Write(dir + "/page5.mht",
               "MIME-Version: 1.0\r\nContent-Type: multipart/related; boundary=\"b\"\r\n\r\n--b\r\nContent-Type: "
               "text/html; charset=\"utf-8\"\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n" +
                   QuotedPrintable(html) + "\r\n--b--\r\n") &&
         MakeEpub(dir) && MakeDocx(dir) && MakeMobi(dir + "/book20.mobi");
}

std::string Dir() {
  const char* d = getenv("DTB_BENCH_DIR");
  return d && *d ? d : "/tmp/dtb_bench_ebook";
}

int OpenOnce(const std::string& path, bool print) {
  std::unique_ptr<iCEbook> b(GetEbookClass(path.substr(path.rfind('.') + 1).c_str()));
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

void BM_Open(benchmark::State& state, const char* name) {
  std::string dir = Dir();
  if (!Make(dir)) return state.SkipWithError("cannot make the books");
  for (auto _ : state) benchmark::DoNotOptimize(OpenOnce(dir + "/" + name, false));
}
BENCHMARK_CAPTURE(BM_Open, html5, "page5.html")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Open, mht5, "page5.mht")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Open, epub10, "book10.epub")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Open, docx10, "book10.docx")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Open, mobi20, "book20.mobi")->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (strncmp(argv[i], "--make=", 7) == 0) return Make(argv[i] + 7) ? 0 : 1;
    if (strncmp(argv[i], "--first=", 8) == 0) return benchprose::FirstSentence(argv[i] + 8);
    if (strncmp(argv[i], "--open=", 7) == 0) return OpenOnce(argv[i] + 7, true) == 0 ? 0 : 1;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
