#include "ebook/word_doc_tables.h"

#include <algorithm>

namespace worddoc {

namespace {

constexpr uint16_t c_WordIdent = 0xA5EC;
// Word 97 and later; Word 6 and 95 write 101 to 105.
constexpr uint16_t c_FirstWord97Fib = 0xC0;
constexpr uint16_t c_OutlineLevelSprm = 0x2640;

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

int8_t OutlineLevel(const unsigned char* p, const unsigned char* end) {
  int8_t level = -1;
  while (end - p >= 2) {
    uint16_t sprm = Le16(p);
    p += 2;
    int n = OperandSize(sprm, p, end);
    if (n < 0 || n > end - p) break;
    if (sprm == c_OutlineLevelSprm) level = static_cast<int8_t>(*p);
    p += n;
  }
  return level;
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

std::vector<int8_t> ParseStyleLevels(const std::vector<unsigned char>& t, const Fib& fib) {
  std::vector<int8_t> levels;
  size_t at = fib.fcStshf, end = static_cast<size_t>(fib.fcStshf) + fib.lcbStshf;
  if (end > t.size() || fib.lcbStshf < 6) return levels;
  size_t cbStshi = Le16(&t[at]);
  if (cbStshi < 2 || at + 2 + cbStshi > end) return levels;
  size_t count = Le16(&t[at + 2]);
  at += 2 + cbStshi;
  for (size_t i = 0; i < count && at + 2 <= end; ++i) {
    size_t cb = Le16(&t[at]);
    at += 2;
    int8_t level = 0;
    if (cb >= 2 && at + cb <= end) {
      // Built-in style identifiers 1-9 are "heading 1" to "heading 9".
      int sti = Le16(&t[at]) & 0x0FFF;
      if (sti >= 1 && sti <= 9) level = static_cast<int8_t>(sti);
    }
    levels.push_back(level);
    at += cb;
  }
  return levels;
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
    ParagraphRun r{Le32(page + i * 4), Le32(page + i * 4 + 4), 0, -1};
    size_t off = static_cast<size_t>(page[bx + 13 * i]) * 2;
    if (off != 0 && off + 2 <= 511) {
      size_t cb = page[off], data = off + 1, len = cb * 2 - 1;
      if (cb == 0) {
        data = off + 2;
        len = static_cast<size_t>(page[off + 1]) * 2;
      }
      if (len >= 2 && data + len <= 511) {
        r.istd = Le16(page + data);
        r.outline = OutlineLevel(page + data + 2, page + data + len);
      }
    }
    if (r.fcEnd > r.fcStart) runs->push_back(r);
  }
}

}  // namespace worddoc
