// CRtf: the group-stack reader over the whole file.
#include "ebook/rtf.h"

#include <algorithm>
#include <cstdint>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "core/base/diag.h"
#include "core/lib/fd/unique_fd.h"
#include "ebook/iconv_converter.h"
#include "ebook/rtf_keywords.h"
#include "platform/board.h"

namespace {

using namespace rtf;

enum Dest : unsigned char { dText, dSkip, dFontTable, dStyleSheet, dUnicodePair };

struct Group {
  Dest dest = dText;
  int uc = 1;
  int font = -1;
  int fontCodePage = 0;  // 0: the document's
  int level = 0;         // heading level of the paragraph, 0 none
};

// Real documents nest a few dozen groups; the stack is bounded all the same.
constexpr size_t c_MaxDepth = 4096;
constexpr int c_MaxFallback = 16;

// One code page's decoding: a byte table for single-byte pages, iconv for
// the others; without a converter the bytes are the units.
struct CodePageDecoder {
  IconvConverter conv;
  unsigned short table[256];
  bool hasTable = false;
};

bool IsSurrogateHigh(unsigned short u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsSurrogateLow(unsigned short u) { return u >= 0xDC00 && u <= 0xDFFF; }

int HexValue(int c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "heading 3" (any case) names a level-3 heading style.
int LevelFromStyleName(const std::string& name) {
  std::string n;
  for (char c : name)
    if (c != ';') n += static_cast<char>(tolower(static_cast<unsigned char>(c)));
  while (!n.empty() && n.front() == ' ') n.erase(0, 1);
  if (n.compare(0, 8, "heading ") != 0 || n.size() < 9) return 0;
  int l = n[8] - '0';
  return l >= 1 && l <= 9 && (n.size() == 9 || n[9] == ' ') ? l : 0;
}

// The bytes of the document, from memory or read from a file a block at a
// time (a whole file in memory would cost as much as its text).
class RtfInput {
 public:
  RtfInput(const unsigned char* data, size_t size) : m_D(data), m_Len(size) {}
  explicit RtfInput(FILE* f) : m_File(f), m_Buf(c_Block) { m_D = m_Buf.data(); }

  // The byte k places ahead (k < 8), or -1 at the end.
  int Peek(size_t k = 0) {
    if (m_Pos + k >= m_Len && !Fill(k)) return -1;
    return m_D[m_Pos + k];
  }
  int Next() {
    int c = Peek();
    if (c >= 0) ++m_Pos;
    return c;
  }
  void Skip(size_t n) {
    while (n > 0 && Peek() >= 0) {
      size_t take = std::min(n, m_Len - m_Pos);
      m_Pos += take;
      n -= take;
    }
  }
  bool Failed() const { return m_Failed; }

 private:
  static constexpr size_t c_Block = 65536;

  bool Fill(size_t k) {
    if (!m_File) return false;
    memmove(m_Buf.data(), m_Buf.data() + m_Pos, m_Len - m_Pos);
    m_Len -= m_Pos;
    m_Pos = 0;
    while (m_Len <= k) {
      size_t n = fread(m_Buf.data() + m_Len, 1, m_Buf.size() - m_Len, m_File);
      if (n == 0) {
        m_Failed = ferror(m_File) != 0;
        return false;
      }
      m_Len += n;
    }
    return true;
  }

  FILE* m_File = nullptr;
  std::vector<unsigned char> m_Buf;
  const unsigned char* m_D = nullptr;
  size_t m_Len = 0;
  size_t m_Pos = 0;
  bool m_Failed = false;
};

class RtfReader {
 public:
  RtfReader(CRtf& book, RtfInput& in) : m_B(book), m_In(in) {}

  // 0, or -6 when the bytes do not start an RTF document.
  int Start() {
    for (size_t i = 0; i < 5; ++i)
      if (m_In.Peek(i) != "{\\rtf"[i]) return -6;
    return 0;
  }

  // Reads on about `budget` bytes: 1 while the document goes on, else 0 at
  // its end or a failure.
  int Run(size_t budget) {
    for (int c; m_Error == 0;) {
      if (budget-- == 0) return 1;
      if ((c = m_In.Next()) < 0) break;
      if (c == '{') {
        Push();
      } else if (c == '}') {
        if (!Pop()) break;  // the document's group closed: what follows is not RTF
      } else if (c == '\\') {
        Control();
      } else if (c != '\r' && c != '\n') {
        Byte(static_cast<unsigned char>(c));
      }
    }
    if (m_In.Failed()) return -4;
    if (m_Error == 0) EndParagraph();
    return m_Error;
  }

 private:
  void Check(int r) {
    if (r < 0 && m_Error == 0) m_Error = r;
  }

  void Push() {
    if (m_Stack.size() >= c_MaxDepth) {
      m_Error = -6;
      return;
    }
    m_Stack.push_back(m_Cur);
    if (m_Cur.dest == dStyleSheet && m_Stack.size() == m_SheetDepth + 1) {
      m_InEntry = true;
      m_EntryStyle = 0;
      m_EntryLevel = -1;
      m_EntryPara = true;
      m_EntryName.clear();
    }
    m_Star = false;
  }

  bool Pop() {
    if (m_Stack.empty()) return false;
    FlushBytes();
    if (m_InEntry && m_Stack.size() == m_SheetDepth + 1) EndEntry();
    m_Cur = m_Stack.back();
    m_Stack.pop_back();
    m_UcSkip = 0;
    m_Star = false;
    return true;
  }

  void EndEntry() {
    m_InEntry = false;
    int level = m_EntryLevel >= 0 ? m_EntryLevel : LevelFromStyleName(m_EntryName);
    if (m_EntryPara) m_StyleLevels[m_EntryStyle] = level;
  }

  void Control() {
    int c = m_In.Peek();
    if (c < 0) return;
    if (!isalpha(c)) {
      m_In.Next();
      Symbol(static_cast<unsigned char>(c));
      return;
    }
    char name[33];
    int n = 0;
    for (; isalpha(m_In.Peek()); m_In.Next())
      if (n < 32) name[n++] = static_cast<char>(m_In.Peek());
    name[n] = 0;
    bool negative = m_In.Peek() == '-' && isdigit(m_In.Peek(1));
    if (negative) m_In.Next();
    bool hasParam = isdigit(m_In.Peek());
    long long param = 0;
    for (; isdigit(m_In.Peek()); m_In.Next())
      if (param < 1000000000) param = param * 10 + (m_In.Peek() - '0');
    if (negative) param = -param;
    if (m_In.Peek() == ' ') m_In.Next();
    Word(name, hasParam, static_cast<int>(param));
  }

  void Word(const char* name, bool hasParam, int param) {
    const Keyword* kw = FindKeyword(name);
    if (kw && kw->kind == kSpecial && kw->value == aBin) {
      // Binary data is never text, whatever the group.
      m_In.Skip(hasParam && param > 0 ? static_cast<size_t>(param) : 0);
      return;
    }
    if (m_UcSkip > 0) {
      --m_UcSkip;
      return;
    }
    if (m_Star) {
      m_Star = false;
      if (!kw || kw->kind == kDestination) m_Cur.dest = dSkip;
    }
    if (!kw || m_Cur.dest == dSkip) return;
    switch (kw->kind) {
      case kCharacter:
        if (m_Cur.dest == dText) Unit(kw->value);
        break;
      case kDestination:
        FlushBytes();
        m_Cur.dest = dSkip;
        break;
      case kSpecial:
        if (kw->value == aFontTable) m_Cur.dest = dFontTable;
        if (kw->value == aStyleSheet) {
          m_Cur.dest = dStyleSheet;
          m_SheetDepth = m_Stack.size();
        }
        break;
      case kProperty:
        Property(static_cast<Action>(kw->value), hasParam, param);
        break;
    }
  }

  int FontCodePage(int font) {
    auto it = m_FontCodePages.find(font);
    return it == m_FontCodePages.end() ? 0 : it->second;
  }

  void Property(Action a, bool hasParam, int param) {
    bool text = m_Cur.dest == dText;
    switch (a) {
      case aUnicode:
        if (text && hasParam) Unit(static_cast<unsigned short>(param & 0xFFFF));
        if (text) m_UcSkip = m_Cur.uc;
        break;
      case aUnicodeSkip:
        m_Cur.uc = hasParam && param >= 0 && param <= c_MaxFallback ? param : 1;
        break;
      case aAnsiCodePage:
        if (param > 0) m_DocCodePage = param;
        break;
      case aMac: m_DocCodePage = 10000; break;
      case aPc: m_DocCodePage = 437; break;
      case aPca: m_DocCodePage = 850; break;
      case aFont:
        if (m_Cur.dest == dFontTable) {
          m_FontEntry = param;
        } else {
          m_Cur.font = param;
          m_Cur.fontCodePage = FontCodePage(param);
        }
        break;
      case aDefaultFont: m_DefaultFont = param; break;
      case aCharset:
        if (m_Cur.dest == dFontTable && CharsetCodePage(param)) m_FontCodePages[m_FontEntry] = CharsetCodePage(param);
        break;
      case aFontCodePage:
        if (m_Cur.dest == dFontTable && param > 0) m_FontCodePages[m_FontEntry] = param;
        break;
      case aPlain:
        m_Cur.font = m_DefaultFont;
        m_Cur.fontCodePage = FontCodePage(m_DefaultFont);
        break;
      default:
        Paragraph(a, param);
    }
  }

  void Paragraph(Action a, int param) {
    bool text = m_Cur.dest == dText;
    switch (a) {
      case aParagraphDefault: m_Cur.level = 0; break;
      case aStyle:
        if (m_InEntry) {
          m_EntryStyle = param;
        } else if (text) {
          auto it = m_StyleLevels.find(param);
          m_Cur.level = it == m_StyleLevels.end() ? 0 : it->second;
        }
        break;
      case aOtherStyle:
        if (m_InEntry) m_EntryPara = false;
        break;
      case aOutlineLevel: {
        int level = param >= 0 && param < 9 ? param + 1 : 0;
        if (m_InEntry) m_EntryLevel = level;
        if (text) m_Cur.level = level;
        break;
      }
      case aParagraph:
        if (text) EndParagraph();
        break;
      case aLine:
      case aCell:
        FlushBytes();
        if (text && m_ParaOpen) Emit(a == aLine ? 10 : 9);
        break;
      case aUnicodePair: m_Cur.dest = dUnicodePair; break;
      case aUnicodeText:
        if (m_Cur.dest == dUnicodePair) m_Cur.dest = dText;
        break;
      default: break;
    }
  }

  void Symbol(unsigned char c) {
    if (c == '\'') {
      int hi = HexValue(m_In.Peek()), lo = HexValue(m_In.Peek(1));
      if (hi < 0 || lo < 0) return;
      m_In.Skip(2);
      Byte(static_cast<unsigned char>(hi * 16 + lo));
      return;
    }
    if (c == '*') {
      m_Star = true;
      return;
    }
    if (c == '{' || c == '}' || c == '\\') return Byte(c);
    if (m_UcSkip > 0) {
      --m_UcSkip;
      return;
    }
    if (m_Cur.dest != dText) return;
    if (c == '~') Unit(0xA0);
    if (c == '_') Unit('-');
    if (c == '\t') Unit(9);
    if (c == '\n' || c == '\r') EndParagraph();
  }

  void Byte(unsigned char c) {
    if (m_UcSkip > 0) {
      --m_UcSkip;
      return;
    }
    if (m_Cur.dest == dStyleSheet && m_InEntry) {
      if (m_EntryName.size() < 256) m_EntryName += static_cast<char>(c);
      return;
    }
    if (m_Cur.dest != dText || (c < 32 && c != '\t')) return;
    int cp = m_Cur.fontCodePage ? m_Cur.fontCodePage : m_DocCodePage;
    if (!m_Bytes.empty() && cp != m_BytesCodePage) FlushBytes();
    m_BytesCodePage = cp;
    m_Bytes += static_cast<char>(c);
  }

  CodePageDecoder* Decoder(int cp) {
    if (cp <= 0) return nullptr;
    auto it = m_Decoders.find(cp);
    if (it != m_Decoders.end()) return it->second.get();
    std::unique_ptr<CodePageDecoder> d(new CodePageDecoder);
    char buf[24];
    if (!d->conv.Open(CodePageName(cp, buf, sizeof buf))) {
      DiagPrintf("iconv_open() failed: code page %d", cp);
      d.reset();
    } else {
      d->hasTable = d->conv.BuildByteTable(d->table);
    }
    CodePageDecoder* p = d.get();
    m_Decoders[cp] = std::move(d);
    return p;
  }

  void FlushBytes() {
    if (m_Bytes.empty()) return;
    const unsigned char* b = reinterpret_cast<const unsigned char*>(m_Bytes.data());
    int n = static_cast<int>(m_Bytes.size());
    CodePageDecoder* d = Decoder(m_BytesCodePage);
    if (!d || d->hasTable) {
      for (int i = 0; i < n; ++i) Emit(d ? d->table[b[i]] : b[i]);
    } else {
      m_Units.resize(static_cast<size_t>(n) * 2 + 2);
      int used = 0;
      int units = d->conv.ToUtf16(b, n, m_Units.data(), static_cast<int>(m_Units.size()), &used);
      for (int i = 0; i < units; ++i) Emit(m_Units[i]);
      if (used < n) Emit(' ');  // a lead byte cut by the end of the run
    }
    m_Bytes.clear();
  }

  void Unit(unsigned short u) {
    FlushBytes();
    Emit(u);
  }

  // A surrogate reaches the text only as half of a whole pair.
  void Emit(unsigned short u) {
    if (IsSurrogateHigh(u)) {
      m_High = u;
      return;
    }
    if (IsSurrogateLow(u)) {
      if (m_High) {
        Put(m_High);
        Put(u);
      }
      m_High = 0;
      return;
    }
    m_High = 0;
    Put(u);
  }

  void Put(unsigned short u) {
    if (!m_ParaOpen) {
      if (u == ' ' || u == 9 || u == 10 || u == 0xA0) return;
      Check(m_B.AddParagraphFlag(0));
      if (m_Cur.level > 0) Check(m_B.AddHeadingFlag(m_Cur.level, 0));
      m_ParaOpen = true;
    }
    Check(m_B.AddCharW(u));
  }

  void EndParagraph() {
    FlushBytes();
    m_High = 0;
    if (m_ParaOpen) Check(m_B.AddCharW(10));
    m_ParaOpen = false;
  }

  CRtf& m_B;
  RtfInput& m_In;
  int m_Error = 0;
  std::vector<Group> m_Stack;
  Group m_Cur;
  bool m_Star = false;
  int m_UcSkip = 0;
  unsigned short m_High = 0;
  bool m_ParaOpen = false;
  int m_DocCodePage = 0;
  int m_DefaultFont = -1;
  int m_FontEntry = -1;
  std::map<int, int> m_FontCodePages;
  std::map<int, int> m_StyleLevels;
  size_t m_SheetDepth = 0;
  bool m_InEntry = false;
  int m_EntryStyle = 0;
  int m_EntryLevel = -1;
  bool m_EntryPara = true;
  std::string m_EntryName;
  std::string m_Bytes;
  int m_BytesCodePage = 0;
  std::map<int, std::unique_ptr<CodePageDecoder>> m_Decoders;
  std::vector<unsigned short> m_Units;
};

// Bytes read per step as reading reaches the end of what was read: a few
// milliseconds on the device.
constexpr size_t c_Step = 65536;

}  // namespace

// The file and the reader between steps.
struct CRtf::Steps {
  explicit Steps(CRtf& book, FILE* f) : file(f), in(f), reader(book, in) {}
  fd::UniqueFile file;
  RtfInput in;
  RtfReader reader;
};

CRtf::CRtf() = default;

CRtf::~CRtf() { Close(); }

void CRtf::EndSteps() { m_Steps.reset(); }

int CRtf::ReadMore() {
  int r = m_Steps ? m_Steps->reader.Run(c_Step) : 0;
  if (r == 1) return 1;
  EndSteps();
  // A failure part way through closes the book with what was read: its
  // start is being read aloud already.
  return FinishBuilding(true);
}

int CRtf::OpenMemory(const char* data, size_t size) {
  if (!data) return -2;
  Close();
  RtfInput in(reinterpret_cast<const unsigned char*>(data), size);
  RtfReader reader(*this, in);
  int r = reader.Start();
  if (r == 0) r = reader.Run(SIZE_MAX);
  if (r == 0) r = FinishBuilding(true);
  if (r != 0) Close();
  return r;
}

int CRtf::Open(const char* path) {
  if (!path) return -2;
  Close();
  FILE* f = BFopen(path, "rb");
  if (!f) return -4;
  m_Steps.reset(new (std::nothrow) Steps(*this, f));
  if (!m_Steps) {
    fclose(f);
    return -3;
  }
  int r = m_Steps->reader.Start();
  if (r == 0) r = m_Steps->reader.Run(c_Step);
  return EndOpen(r);
}
