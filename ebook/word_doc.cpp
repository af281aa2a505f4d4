// CWordDoc: the main text streamed piece by piece into the text model.
#include "ebook/word_doc.h"

#include <algorithm>
#include <vector>

#include "core/base/diag.h"
#include "ebook/compound_file.h"
#include "ebook/word_doc_tables.h"

namespace {

using namespace worddoc;

constexpr size_t c_MaxTableStream = 64u << 20;
constexpr int c_MaxFieldDepth = 64;

// The units of Windows-1252 bytes 0x80 to 0x9F (the rest are Latin-1).
const unsigned short c_Cp1252High[32] = {
    0x20AC, 0x20, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x20,  0x017D, 0x20,   0x20,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x20,  0x017E, 0x0178};

class WordText {
 public:
  WordText(CWordDoc& book, const cfb::CompoundFile& cf, const cfb::CompoundFile::Stream& main)
      : m_B(book), m_Cf(cf), m_Main(main), m_Window(CWordDoc::c_WindowBytes) {}

  void SetStyles(std::vector<int8_t> levels, std::vector<ParagraphRun> runs) {
    m_Levels = std::move(levels);
    m_Runs = std::move(runs);
    std::sort(m_Runs.begin(), m_Runs.end(),
              [](const ParagraphRun& a, const ParagraphRun& b) { return a.fcStart < b.fcStart; });
  }

  int Read(const std::vector<Piece>& pieces, uint32_t ccpText) {
    for (const Piece& p : pieces) {
      uint32_t end = std::min(p.cpEnd, ccpText);
      for (uint32_t cp = p.cpStart; cp < end && m_Error == 0; ++cp) {
        uint64_t fc = p.compressed ? static_cast<uint64_t>(p.fc) + (cp - p.cpStart)
                                   : static_cast<uint64_t>(p.fc) + 2ull * (cp - p.cpStart);
        int b0 = Byte(fc);
        if (b0 < 0) return m_Error ? m_Error : -4;
        unsigned short u;
        if (p.compressed) {
          u = b0 >= 0x80 && b0 < 0xA0 ? c_Cp1252High[b0 - 0x80] : static_cast<unsigned short>(b0);
        } else {
          int b1 = Byte(fc + 1);
          if (b1 < 0) return m_Error ? m_Error : -4;
          u = static_cast<unsigned short>(b0 | b1 << 8);
        }
        Character(u, fc);
      }
    }
    if (m_Error == 0 && !m_Para.empty()) EndParagraph(UINT32_MAX);
    return m_Error;
  }

 private:
  // The byte at an offset of the main stream, through the read window; -1
  // past its end or when it cannot be read.
  int Byte(uint64_t at) {
    if (at < m_WindowStart || at >= m_WindowStart + m_WindowLength) {
      int n = m_Cf.Read(m_Main, at, m_Window.data(), m_Window.size());
      if (n < 0) m_Error = -4;
      if (n <= 0) return -1;
      m_WindowStart = at;
      m_WindowLength = static_cast<uint64_t>(n);
    }
    return m_Window[static_cast<size_t>(at - m_WindowStart)];
  }

  void Character(unsigned short u, uint64_t fc) {
    switch (u) {
      case 0x13:  // field start: its code is hidden up to the separator
        if (m_Fields.size() < c_MaxFieldDepth) m_Fields.push_back(false), ++m_Hidden;
        return;
      case 0x14:
        if (!m_Fields.empty() && !m_Fields.back()) m_Fields.back() = true, --m_Hidden;
        return;
      case 0x15:
        if (m_Fields.empty()) return;
        if (!m_Fields.back()) --m_Hidden;
        m_Fields.pop_back();
        return;
      default: break;
    }
    if (m_Hidden > 0) return;
    if (u == 0x0D || u == 0x07 || u == 0x0C) return EndParagraph(fc);
    if (u == 0x0B) u = 10;
    if (u == 0x1E) u = '-';
    if (u < 0x20 && u != 9 && u != 10) return;  // objects, notes' marks, optional hyphens
    if (m_Para.empty() && (u == ' ' || u == 9 || u == 10)) return;
    m_Para.push_back(u);
  }

  int LevelAt(uint64_t fc) const {
    auto it = std::upper_bound(m_Runs.begin(), m_Runs.end(), fc,
                               [](uint64_t v, const ParagraphRun& r) { return v < r.fcStart; });
    if (it == m_Runs.begin()) return 0;
    --it;
    if (fc >= it->fcEnd) return 0;
    if (it->outline >= 0 && it->outline < 9) return it->outline + 1;
    return it->istd < m_Levels.size() ? m_Levels[it->istd] : 0;
  }

  void EndParagraph(uint64_t fc) {
    if (m_Para.empty()) return;
    int level = LevelAt(fc);
    Check(m_B.AddParagraphFlag(0));
    if (level > 0) Check(m_B.AddHeadingFlag(level, 0));
    Check(m_B.AddTextW(m_Para.data(), static_cast<int>(m_Para.size())));
    Check(m_B.AddCharW(10));
    m_Para.clear();
  }

  void Check(int r) {
    if (r < 0 && m_Error == 0) m_Error = r;
  }

  CWordDoc& m_B;
  const cfb::CompoundFile& m_Cf;
  const cfb::CompoundFile::Stream& m_Main;
  std::vector<unsigned char> m_Window;
  uint64_t m_WindowStart = 0, m_WindowLength = 0;
  std::vector<bool> m_Fields;  // open fields: past the separator or not
  int m_Hidden = 0;             // fields still in their code
  std::vector<unsigned short> m_Para;
  std::vector<int8_t> m_Levels;
  std::vector<ParagraphRun> m_Runs;
  int m_Error = 0;
};

// The runs of every page of paragraph properties.
std::vector<ParagraphRun> ReadRuns(const cfb::CompoundFile& cf, const cfb::CompoundFile::Stream& main,
                                   const std::vector<unsigned char>& table, const Fib& fib) {
  std::vector<ParagraphRun> runs;
  unsigned char page[512];
  for (uint32_t pn : PapxPages(table, fib))
    if (cf.Read(main, static_cast<uint64_t>(pn) * 512, page, sizeof page) == 512) ParsePapxPage(page, &runs);
  return runs;
}

int ReadDocument(CWordDoc& book, const cfb::CompoundFile& cf) {
  cfb::CompoundFile::Stream main;
  if (cf.OpenStream(cf.Find("WordDocument"), &main) != 0) return -4;
  unsigned char head[1024] = {0};
  int n = cf.Read(main, 0, head, sizeof head);
  Fib fib;
  if (n < 0 || ParseFib(head, static_cast<size_t>(n), &fib) != 0) {
    DiagPrintf("not a Word 97-2003 document, or an encrypted one");
    return -4;
  }
  std::vector<unsigned char> table;
  if (cf.ReadAll(cf.Find(fib.tableOne ? "1Table" : "0Table"), &table, c_MaxTableStream) != 0) return -4;
  std::vector<Piece> pieces;
  if (ParsePieces(table, fib, &pieces) != 0) return -4;
  WordText text(book, cf, main);
  text.SetStyles(ParseStyleLevels(table, fib), ReadRuns(cf, main, table, fib));
  return text.Read(pieces, fib.ccpText);
}

}  // namespace

int CWordDoc::Open(const char* path) {
  if (!path) return -2;
  Close();
  cfb::CompoundFile cf;
  int r = cf.Open(path);
  if (r == 0) r = ReadDocument(*this, cf);
  if (r == 0) r = FinishBuilding(true);
  if (r != 0) Close();
  return r;
}
