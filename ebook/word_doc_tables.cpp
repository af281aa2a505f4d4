#include "ebook/word_doc_tables.h"

#include <algorithm>

namespace worddoc {

namespace {

constexpr uint16_t c_WordIdent = 0xA5EC;
// Word 97 and later; Word 6 and 95 write 101 to 105.
constexpr uint16_t c_FirstWord97Fib = 0xC0;
constexpr uint16_t c_OutlineLevelSprm = 0x2640;
constexpr uint16_t c_ListInstanceSprm = 0x460B;
constexpr uint16_t c_ListLevelSprm = 0x260A;
constexpr size_t c_LstfBytes = 28, c_LvlfBytes = 28, c_LfoBytes = 16, c_LfoLvlBytes = 8;

uint32_t Le32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
uint16_t Le16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

// Bytes of a property's operand at p (the property code before it), or -1.
int OperandSize(uint16_t sprm, const unsigned char* p, const unsigned char* end) {
  switch (sprm >> 13) {
    case 0:
    case 1: return 1;
    case 2:
    case 4:
    case 5: return 2;
    case 3: return 4;
    case 7: return 3;
    default: break;
  }
  if (sprm == 0xD608 || sprm == 0xD606) return end - p >= 2 ? Le16(p) + 1 : -1;
  return p < end ? *p + 1 : -1;
}

// The outline level and list of a run of paragraph properties.
void ReadProps(const unsigned char* p, const unsigned char* end, int8_t* outline, ListRef* list) {
  while (end - p >= 2) {
    uint16_t sprm = Le16(p);
    p += 2;
    int n = OperandSize(sprm, p, end);
    if (n < 0 || n > end - p) break;
    if (sprm == c_OutlineLevelSprm && outline) *outline = static_cast<int8_t>(*p);
    if (sprm == c_ListInstanceSprm) list->set = true, list->ilfo = Le16(p);
    if (sprm == c_ListLevelSprm) list->ilvl = *p;
    p += n;
  }
}

const char* NumberFormat(unsigned nfc) {
  switch (nfc) {
    case 1: return "upperRoman";
    case 2: return "lowerRoman";
    case 3: return "upperLetter";
    case 4: return "lowerLetter";
    case 22: return "decimalZero";
    case 23: return "bullet";
    case 255: return "none";
    default: return "decimal";
  }
}

// One level at t[at]; the offset past it, or 0 when it runs past the end.
size_t ParseLevel(const std::vector<unsigned char>& t, size_t at, size_t end, ListLevel* level) {
  if (at + c_LvlfBytes + 2 > end) return 0;
  const unsigned char* f = &t[at];
  level->start = static_cast<int32_t>(Le32(f));
  level->format = NumberFormat(f[4]);
  level->legal = (f[5] & 0x04) != 0;
  at += c_LvlfBytes + f[24] + f[25];  // past the character and paragraph properties
  if (at + 2 > end) return 0;
  size_t cch = Le16(&t[at]);
  at += 2;
  if (cch > 256 || at + cch * 2 > end) return 0;
  level->text.clear();
  for (size_t i = 0; i < cch; ++i) level->text.push_back(Le16(&t[at + i * 2]));
  return at + cch * 2;
}

// The instances and, behind them, their restarted levels.
void ParseInstances(const std::vector<unsigned char>& t, const Fib& fib, Lists* lists) {
  size_t at = fib.fcPlfLfo, end = t.size();
  if (fib.lcbPlfLfo < 4 || at + fib.lcbPlfLfo > end) return;
  size_t count = Le32(&t[at]);
  at += 4;
  if (count > (fib.lcbPlfLfo - 4) / c_LfoBytes) return;
  std::vector<size_t> overrides;
  for (size_t i = 0; i < count; ++i, at += c_LfoBytes) {
    lists->instances.push_back({Le32(&t[at]), {}});
    overrides.push_back(t[at + 12]);
  }
  for (size_t i = 0; i < count; ++i) {
    at += 4;  // a character position no reader needs
    for (size_t k = 0; k < overrides[i]; ++k) {
      if (at + c_LfoLvlBytes > end) return;
      int start = static_cast<int32_t>(Le32(&t[at]));
      uint32_t flags = Le32(&t[at + 4]);
      at += c_LfoLvlBytes;
      if ((flags & 0x10) && (flags & 0x0F) < 9)
        lists->instances[i].starts.emplace_back(static_cast<uint8_t>(flags & 0x0F), start);
      ListLevel skipped;
      if ((flags & 0x20) && (at = ParseLevel(t, at, end, &skipped)) == 0) return;
    }
  }
}

}  // namespace

int ParseFib(const unsigned char* d, size_t size, Fib* fib) {
  if (size < 34 || Le16(d) != c_WordIdent || Le16(d + 2) < c_FirstWord97Fib) return -4;
  uint16_t flags = Le16(d + 0x0A);
  if (flags & 0x0100) return -4;  // encrypted or obfuscated: nothing to read without the password
  fib->tableOne = (flags & 0x0200) != 0;
  size_t at = 32;
  size_t csw = Le16(d + at);
  at += 2 + csw * 2;
  if (at + 2 > size) return -4;
  size_t cslw = Le16(d + at);
  at += 2;
  if (cslw < 4 || at + cslw * 4 + 2 > size) return -4;
  fib->ccpText = Le32(d + at + 3 * 4);
  at += cslw * 4;
  size_t pairs = Le16(d + at);
  at += 2;
  if (pairs < 34 || at + 34 * 8 > size) return -4;
  auto pair = [&](int i, uint32_t* fc, uint32_t* lcb) {
    *fc = Le32(d + at + i * 8);
    *lcb = Le32(d + at + i * 8 + 4);
  };
  pair(1, &fib->fcStshf, &fib->lcbStshf);
  pair(13, &fib->fcBtePapx, &fib->lcbBtePapx);
  pair(33, &fib->fcClx, &fib->lcbClx);
  if (pairs > 74 && at + 75 * 8 <= size) {
    pair(73, &fib->fcPlfLst, &fib->lcbPlfLst);
    pair(74, &fib->fcPlfLfo, &fib->lcbPlfLfo);
  }
  return 0;
}

int ParsePieces(const std::vector<unsigned char>& t, const Fib& fib, std::vector<Piece>* pieces) {
  pieces->clear();
  size_t at = fib.fcClx, end = static_cast<size_t>(fib.fcClx) + fib.lcbClx;
  if (fib.lcbClx == 0 || end > t.size()) return -4;
  // Property groups of the pieces come first; the piece table follows.
  while (at < end && t[at] == 1) {
    if (at + 3 > end) return -4;
    at += 3 + Le16(&t[at + 1]);
  }
  if (at + 5 > end || t[at] != 2) return -4;
  size_t lcb = Le32(&t[at + 1]);
  at += 5;
  if (lcb < 4 || lcb > end - at || (lcb - 4) % 12 != 0) return -4;
  size_t n = (lcb - 4) / 12;
  const unsigned char* cps = &t[at];
  const unsigned char* pcds = cps + (n + 1) * 4;
  for (size_t i = 0; i < n; ++i) {
    Piece p;
    p.cpStart = Le32(cps + i * 4);
    p.cpEnd = Le32(cps + i * 4 + 4);
    if (p.cpEnd < p.cpStart) return -4;
    uint32_t fc = Le32(pcds + i * 8 + 2);
    p.compressed = (fc & 0x40000000) != 0;
    p.fc = p.compressed ? (fc & 0x3FFFFFFF) / 2 : fc;
    pieces->push_back(p);
  }
  return pieces->empty() ? -4 : 0;
}

std::vector<Style> ParseStyles(const std::vector<unsigned char>& t, const Fib& fib) {
  std::vector<Style> styles;
  size_t at = fib.fcStshf, end = static_cast<size_t>(fib.fcStshf) + fib.lcbStshf;
  if (end > t.size() || fib.lcbStshf < 6) return styles;
  size_t cbStshi = Le16(&t[at]);
  if (cbStshi < 2 || at + 2 + cbStshi > end) return styles;
  size_t count = Le16(&t[at + 2]);
  size_t baseBytes = cbStshi >= 4 ? Le16(&t[at + 4]) : 10;
  at += 2 + cbStshi;
  for (size_t i = 0; i < count && at + 2 <= end; ++i) {
    size_t cb = Le16(&t[at]);
    at += 2;
    Style style;
    if (cb >= 2 && at + cb <= end) {
      // Built-in style identifiers 1-9 are "heading 1" to "heading 9".
      int sti = Le16(&t[at]) & 0x0FFF;
      if (sti >= 1 && sti <= 9) style.level = static_cast<int8_t>(sti);
    }
    if (cb >= 4 && at + cb <= end) {
      style.base = Le16(&t[at + 2]) >> 4;
      bool paragraph = (Le16(&t[at + 2]) & 0x0F) == 1;
      // Behind the base: the name (count, units, a NUL), then the paragraph
      // style's paragraph properties (their size, the style index, sprms).
      size_t name = at + baseBytes, stop = at + cb;
      if (paragraph && name + 2 <= stop) {
        size_t upx = name + 2 + (Le16(&t[name]) + 1) * 2;
        if (upx + 2 <= stop) {
          size_t cbUpx = Le16(&t[upx]);
          if (cbUpx >= 2 && upx + 2 + cbUpx <= stop)
            ReadProps(t.data() + upx + 4, t.data() + upx + 2 + cbUpx, nullptr, &style.list);
        }
      }
    }
    styles.push_back(style);
    at += cb;
  }
  return styles;
}

void ParseLists(const std::vector<unsigned char>& t, const Fib& fib, Lists* lists) {
  lists->lists.clear();
  lists->instances.clear();
  size_t at = fib.fcPlfLst, end = t.size();
  if (fib.lcbPlfLst >= 2 && at + fib.lcbPlfLst <= end) {
    size_t count = static_cast<int16_t>(Le16(&t[at])) > 0 ? Le16(&t[at]) : 0;
    at += 2;
    if (at + count * c_LstfBytes > end) count = 0;
    // The levels of every list follow the list definitions, in their order.
    size_t levels = at + count * c_LstfBytes;
    for (size_t i = 0; i < count && levels; ++i) {
      const unsigned char* lstf = &t[at + i * c_LstfBytes];
      List list;
      list.lsid = Le32(lstf);
      list.levels.resize((lstf[26] & 1) ? 1 : 9);
      for (ListLevel& level : list.levels)
        if (levels && (levels = ParseLevel(t, levels, end, &level)) == 0) break;
      if (levels) lists->lists.push_back(std::move(list));
    }
  }
  ParseInstances(t, fib, lists);
}

std::vector<uint32_t> PapxPages(const std::vector<unsigned char>& t, const Fib& fib) {
  std::vector<uint32_t> pages;
  size_t at = fib.fcBtePapx, lcb = fib.lcbBtePapx;
  if (lcb < 12 || at + lcb > t.size() || (lcb - 4) % 8 != 0) return pages;
  size_t n = (lcb - 4) / 8;
  for (size_t i = 0; i < n; ++i) pages.push_back(Le32(&t[at + (n + 1) * 4 + i * 4]) & 0x3FFFFF);
  return pages;
}

void ParsePapxPage(const unsigned char* page, std::vector<ParagraphRun>* runs) {
  size_t crun = page[511];
  size_t bx = 4 * (crun + 1);
  if (bx + 13 * crun > 511) return;
  for (size_t i = 0; i < crun; ++i) {
    ParagraphRun r{Le32(page + i * 4), Le32(page + i * 4 + 4), 0, -1, {}};
    size_t off = static_cast<size_t>(page[bx + 13 * i]) * 2;
    if (off != 0 && off + 2 <= 511) {
      size_t cb = page[off], data = off + 1, len = cb * 2 - 1;
      if (cb == 0) {
        data = off + 2;
        len = static_cast<size_t>(page[off + 1]) * 2;
      }
      if (len >= 2 && data + len <= 511) {
        r.istd = Le16(page + data);
        ReadProps(page + data + 2, page + data + len, &r.outline, &r.list);
      }
    }
    if (r.fcEnd > r.fcStart) runs->push_back(r);
  }
}

}  // namespace worddoc
