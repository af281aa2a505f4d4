// CWordDoc: the main text streamed piece by piece into the text model.
#include "ebook/word_doc.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <set>
#include <vector>

#include "core/base/diag.h"
#include "ebook/compound_file.h"
#include "ebook/docx.h"
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

  void SetStyles(std::vector<Style> styles, std::vector<ParagraphRun> runs, Lists lists) {
    m_Styles = std::move(styles);
    m_Lists = std::move(lists);
    m_Runs = std::move(runs);
    std::sort(m_Runs.begin(), m_Runs.end(),
              [](const ParagraphRun& a, const ParagraphRun& b) { return a.fcStart < b.fcStart; });
  }

  void SetPieces(std::vector<Piece> pieces, uint32_t ccpText) {
    m_Pieces = std::move(pieces);
    m_CcpText = ccpText;
  }

  // Reads on about `budget` characters: 1 while the text goes on, else 0 at
  // its end or a failure.
  int Read(size_t budget) {
    for (; m_Piece < m_Pieces.size(); ++m_Piece, m_InPiece = false) {
      const Piece& p = m_Pieces[m_Piece];
      if (!m_InPiece) m_Cp = p.cpStart, m_InPiece = true;
      uint32_t end = std::min(p.cpEnd, m_CcpText);
      for (; m_Cp < end && m_Error == 0; ++m_Cp) {
        if (budget-- == 0) return 1;
        uint32_t cp = m_Cp;
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

  const ParagraphRun* RunAt(uint64_t fc) const {
    auto it = std::upper_bound(m_Runs.begin(), m_Runs.end(), fc,
                               [](uint64_t v, const ParagraphRun& r) { return v < r.fcStart; });
    if (it == m_Runs.begin()) return nullptr;
    --it;
    return fc < it->fcEnd ? &*it : nullptr;
  }

  int LevelAt(const ParagraphRun* run) const {
    if (!run) return 0;
    if (run->outline >= 0 && run->outline < 9) return run->outline + 1;
    return run->istd < m_Styles.size() ? m_Styles[run->istd].level : 0;
  }

  // The paragraph's own list, else its style's or a base style's.
  ListRef ListOf(const ParagraphRun* run) const {
    if (!run) return {};
    if (run->list.set) return run->list;
    size_t istd = run->istd;
    for (int step = 0; step < 10 && istd < m_Styles.size(); ++step) {
      if (m_Styles[istd].list.set) return m_Styles[istd].list;
      istd = m_Styles[istd].base;
    }
    return {};
  }

  // The list number of the paragraph followed by a space, counted per list;
  // nothing for bullets and paragraphs outside lists.
  std::vector<unsigned short> ListNumber(ListRef ref) {
    std::vector<unsigned short> out;
    if (ref.ilfo == 0 || ref.ilfo > m_Lists.instances.size()) return out;
    const ListInstance& inst = m_Lists.instances[ref.ilfo - 1u];
    auto list = std::find_if(m_Lists.lists.begin(), m_Lists.lists.end(),
                             [&](const List& l) { return l.lsid == inst.lsid; });
    if (list == m_Lists.lists.end()) return out;
    const std::vector<ListLevel>& levels = list->levels;
    size_t ilvl = std::min<size_t>(ref.ilvl, levels.size() - 1);
    std::vector<int>& count = m_Counters[inst.lsid];
    if (count.empty()) count.assign(9, -1);
    if (m_Used.insert(ref.ilfo).second)
      for (auto& s : inst.starts) count[s.first] = s.second - 1;
    count[ilvl] = count[ilvl] < 0 ? levels[ilvl].start : count[ilvl] + 1;
    for (size_t k = ilvl + 1; k < 9; ++k) count[k] = -1;
    const ListLevel& lvl = levels[ilvl];
    if (!strcmp(lvl.format, "bullet") || !strcmp(lvl.format, "none")) return out;
    for (unsigned short u : lvl.text) {
      if (u >= 9 || u >= levels.size()) {
        if (u >= 0x20) out.push_back(u);
        continue;
      }
      int n = count[u] < 0 ? levels[u].start : count[u];
      for (char c : CDocx::FormatNumber(n, lvl.legal ? "decimal" : levels[u].format))
        out.push_back(static_cast<unsigned char>(c));
    }
    if (!out.empty()) out.push_back(' ');
    return out;
  }

  void EndParagraph(uint64_t fc) {
    if (m_Para.empty()) return;
    const ParagraphRun* run = RunAt(fc);
    int level = LevelAt(run);
    std::vector<unsigned short> number = ListNumber(ListOf(run));
    Check(m_B.AddParagraphFlag(0));
    if (level > 0) Check(m_B.AddHeadingFlag(level, 0));
    if (!number.empty()) Check(m_B.AddTextW(number.data(), static_cast<int>(number.size())));
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
  std::vector<Style> m_Styles;
  std::vector<ParagraphRun> m_Runs;
  Lists m_Lists;
  std::map<uint32_t, std::vector<int>> m_Counters;  // by list
  std::set<uint16_t> m_Used;                         // instances met so far
  std::vector<Piece> m_Pieces;
  uint32_t m_CcpText = 0;
  size_t m_Piece = 0;     // the piece being read
  bool m_InPiece = false;  // m_Cp is inside it
  uint32_t m_Cp = 0;
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

// Characters read per step as reading reaches the end of what was read: a
// few milliseconds on the device.
constexpr size_t c_Step = 65536;

}  // namespace

// The document and the reader between steps (the reader refers to both).
struct CWordDoc::Steps {
  cfb::CompoundFile cf;
  cfb::CompoundFile::Stream main;
  std::unique_ptr<WordText> text;
};

namespace {

int ReadDocument(CWordDoc& book, CWordDoc::Steps& st) {
  const cfb::CompoundFile& cf = st.cf;
  if (cf.OpenStream(cf.Find("WordDocument"), &st.main) != 0) return -4;
  unsigned char head[1024] = {0};
  int n = cf.Read(st.main, 0, head, sizeof head);
  Fib fib;
  if (n < 0 || ParseFib(head, static_cast<size_t>(n), &fib) != 0) {
    DiagPrintf("not a Word 97-2003 document, or an encrypted one");
    return -4;
  }
  std::vector<unsigned char> table;
  if (cf.ReadAll(cf.Find(fib.tableOne ? "1Table" : "0Table"), &table, c_MaxTableStream) != 0) return -4;
  std::vector<Piece> pieces;
  if (ParsePieces(table, fib, &pieces) != 0) return -4;
  st.text.reset(new (std::nothrow) WordText(book, cf, st.main));
  if (!st.text) return -3;
  Lists lists;
  ParseLists(table, fib, &lists);
  st.text->SetStyles(ParseStyles(table, fib), ReadRuns(cf, st.main, table, fib), std::move(lists));
  st.text->SetPieces(std::move(pieces), fib.ccpText);
  return st.text->Read(c_Step);
}

}  // namespace

CWordDoc::CWordDoc() = default;

CWordDoc::~CWordDoc() { Close(); }

void CWordDoc::EndSteps() { m_Steps.reset(); }

int CWordDoc::ReadMore() {
  int r = m_Steps && m_Steps->text ? m_Steps->text->Read(c_Step) : 0;
  if (r == 1) return 1;
  EndSteps();
  // A failure part way through closes the book with what was read: its
  // start is being read aloud already.
  return FinishBuilding(true);
}

int CWordDoc::Open(const char* path) {
  if (!path) return -2;
  Close();
  m_Steps.reset(new (std::nothrow) Steps);
  if (!m_Steps) return -3;
  int r = m_Steps->cf.Open(path);
  if (r == 0) r = ReadDocument(*this, *m_Steps);
  return EndOpen(r);
}
