// Streaming word search over any source: blocks of text are read through
// GetUnicodeAt and the last units of each block are carried into the next,
// so a match across a block boundary is found all the same.
#include "ebook/text_find.h"

#include <algorithm>
#include <cstring>

#include "ebook/ebook.h"

namespace ebookfind {

namespace {

constexpr int kTableUnits = 0x500;

struct FoldTable {
  unsigned short t[kTableUnits];
  FoldTable() {
    for (int c = 0; c < kTableUnits; ++c) t[c] = static_cast<unsigned short>(c);
    for (int c = 0; c <= 32; ++c) t[c] = ' ';
    t[0xA0] = ' ';
    for (int c = 'A'; c <= 'Z'; ++c) t[c] = static_cast<unsigned short>(c + 32);
    for (int c = 0xC0; c <= 0xDE; ++c)
      if (c != 0xD7) t[c] = static_cast<unsigned short>(c + 32);
    // Latin Extended-A pairs capital and small letters side by side, the
    // capital first, except where the pairs shift by one (0x139-0x148,
    // 0x179-0x17E).
    for (int c = 0x100; c <= 0x137; c += 2) t[c] = static_cast<unsigned short>(c + 1);
    t[0x130] = 'i';
    for (int c = 0x139; c <= 0x147; c += 2) t[c] = static_cast<unsigned short>(c + 1);
    for (int c = 0x14A; c <= 0x177; c += 2) t[c] = static_cast<unsigned short>(c + 1);
    t[0x178] = 0xFF;
    for (int c = 0x179; c <= 0x17D; c += 2) t[c] = static_cast<unsigned short>(c + 1);
    for (int c = 0x391; c <= 0x3A9; ++c)
      if (c != 0x3A2) t[c] = static_cast<unsigned short>(c + 32);
    for (int c = 0x400; c <= 0x40F; ++c) t[c] = static_cast<unsigned short>(c + 0x50);
    for (int c = 0x410; c <= 0x42F; ++c) t[c] = static_cast<unsigned short>(c + 0x20);
  }
};

const FoldTable& Table() {
  static const FoldTable table;
  return table;
}

inline unsigned short FoldHigh(unsigned short c) {
  if ((c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x3000) return ' ';
  return c;
}

}  // namespace

unsigned short Fold(unsigned short c) { return c < kTableUnits ? Table().t[c] : FoldHigh(c); }

}  // namespace ebookfind

using ebookfind::Fold;

namespace {

// Fold with the table already at hand (the loops below run per unit).
inline unsigned short FoldWith(const unsigned short* table, unsigned short c) {
  return c < ebookfind::kTableUnits ? table[c] : ebookfind::FoldHigh(c);
}

}  // namespace

TextFinder::TextFinder(const unsigned short* word, int count) {
  if (!word || count <= 0) return;
  m_Word.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) m_Word.push_back(Fold(word[i]));
  // Skips of the search either way, by the unit at the far end of the
  // window (units share a slot by their low byte; a slot keeps its shortest).
  const int m = count;
  for (int c = 0; c < 256; ++c) m_Skip[c] = m_BackSkip[c] = static_cast<unsigned short>(std::min(m, 0xFFFF));
  for (int k = 0; k < m - 1; ++k) m_Skip[m_Word[k] & 0xFF] = static_cast<unsigned short>(std::min(m - 1 - k, 0xFFFF));
  for (int k = m - 1; k >= 1; --k) m_BackSkip[m_Word[k] & 0xFF] = static_cast<unsigned short>(std::min(k, 0xFFFF));
}

bool TextFinder::MatchAt(const unsigned short* text) const {
  const unsigned short* table = ebookfind::Table().t;
  const size_t m = m_Word.size();
  for (size_t k = 0; k < m; ++k)
    if (FoldWith(table, text[k]) != m_Word[k]) return false;
  return true;
}

int TextFinder::FindFirst(const unsigned short* text, int n, int from) const {
  const int m = Length();
  if (m == 0 || !text || from < 0) return -1;
  const unsigned short* table = ebookfind::Table().t;
  const unsigned short last = m_Word[static_cast<size_t>(m - 1)];
  // Most windows are left after one look at their last unit.
  for (int i = from; i <= n - m;) {
    const unsigned short t = FoldWith(table, text[i + m - 1]);
    if (t == last && MatchAt(text + i)) return i;
    i += m_Skip[t & 0xFF];
  }
  return -1;
}

int TextFinder::FindLast(const unsigned short* text, int n, int before) const {
  const int m = Length();
  if (m == 0 || !text) return -1;
  const unsigned short* table = ebookfind::Table().t;
  const unsigned short first = m_Word[0];
  for (int i = std::min(before - 1, n - m); i >= 0;) {
    const unsigned short t = FoldWith(table, text[i]);
    if (t == first && MatchAt(text + i)) return i;
    i -= m_BackSkip[t & 0xFF];
  }
  return -1;
}

// --- Over a source ---------------------------------------------------------

// Where a source has no faster way, its text is walked sentence by sentence.
int iCEbook::GetUnicodeAt(int place, unsigned short* buffer, int count, int* start) {
  if (!buffer || count <= 0) return -2;
  const int saved = GetCurPlace();
  SeekToPlace(place);
  int done = 0, at = -1;
  while (done < count) {
    const int here = GetCurPlace();
    unsigned short* text = nullptr;
    int len = 0;
    int r = ReadCurSentence(&text, &len);
    if (r < 0) {
      SeekToPlace(saved);
      return r;
    }
    if (text && len > 0) {
      // Places with no text between them (PDF pages) end the block.
      if (at >= 0 && here != at + done) break;
      if (at < 0) at = here;
      const int take = std::min(len, count - done);
      std::copy(text, text + take, buffer + done);
      done += take;
      if (take < len) break;
    }
    SeekToNextSentence();
    if (GetCurPlace() <= here) break;  // the end
  }
  SeekToPlace(saved);
  if (start) *start = at < 0 ? place : at;
  return done;
}

namespace {

constexpr int kBlockUnits = 1 << 16;
// Backward searches scan ranges of this many units, the nearest first.
constexpr int kBackRange = 1 << 20;

// The first (or last) match starting in [lo, hi): 0 found, 1 none, or a
// read failure.
int ScanRange(iCEbook* book, const TextFinder& f, int lo, int hi, bool last, int* place) {
  const int m = f.Length();
  const int limit = std::min(book->GetUnicodeLength(), hi + m - 1);
  std::vector<unsigned short> buf(static_cast<size_t>(kBlockUnits + m));
  int have = 0;          // units carried over from the previous block
  int bufPlace = lo;     // place of buf[0]
  int pos = lo;
  int best = -1;
  while (pos < limit) {
    int start = pos;
    const int n = book->GetUnicodeAt(pos, buf.data() + have, std::min(kBlockUnits, limit - pos), &start);
    if (n < 0) return n;
    if (n == 0) break;
    if (start != pos) {
      // A gap: what was carried cannot join what follows it.
      std::memmove(buf.data(), buf.data() + have, sizeof(unsigned short) * static_cast<size_t>(n));
      have = 0;
      bufPlace = start;
    }
    const int total = have + n;
    const int before = hi - bufPlace;  // matches must start before this index
    if (last) {
      int i = f.FindLast(buf.data(), total, before);
      if (i >= 0 && bufPlace + i >= lo) best = bufPlace + i;
    } else {
      int i = f.FindFirst(buf.data(), total, std::max(0, lo - bufPlace));
      if (i >= 0 && i < before) {
        *place = bufPlace + i;
        return 0;
      }
    }
    const int keep = std::min(m - 1, total);
    std::memmove(buf.data(), buf.data() + total - keep, sizeof(unsigned short) * static_cast<size_t>(keep));
    have = keep;
    bufPlace = start + n - keep;
    pos = start + n;
  }
  if (best < 0) return 1;
  *place = best;
  return 0;
}

}  // namespace

int FindInEbook(iCEbook* book, const TextFinder& finder, int from, bool forward, int* place) {
  if (!book || !place || finder.Length() == 0) return -1;
  const int length = book->GetUnicodeLength();
  if (forward) return ScanRange(book, finder, std::max(from, 0), length, false, place);
  for (int hi = std::min(from, length); hi > 0;) {
    const int lo = std::max(0, hi - kBackRange);
    int r = ScanRange(book, finder, lo, hi, true, place);
    if (r <= 0) return r;
    hi = lo;
  }
  return 1;
}
