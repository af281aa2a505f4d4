#include "ebook/text_helpers.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "ebook/sentence_rules.h"

namespace {

inline bool IsTerminator(unsigned short c) {
  switch (c) {
    case 10: case ';': case '!': case '?':
    case 0x3002: case 0xFF01: case 0xFF1A: case 0xFF1B: case 0xFF1F:
      return true;
    default:
      return false;
  }
}

// ASCII units at which the sentence scan has to look closer: the full stop
// and the terminators.
constexpr bool AsciiStop(int c) { return c == '.' || c == 10 || c == ';' || c == '!' || c == '?'; }
struct AsciiStops {
  bool v[128];
  constexpr AsciiStops() : v() {
    for (int c = 0; c < 128; ++c) v[c] = AsciiStop(c);
  }
  constexpr bool operator[](int c) const { return v[c]; }
};
constexpr AsciiStops c_AsciiStops;

inline bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

inline bool IsWhiteW(unsigned short c) { return c < 11 || c == 13 || c == 32; }

}  // namespace

int CheckIfUtf8(const unsigned char* data, int length, int whole) {
  if (!data || length < 0) return -1;
  if (length == 0) return 0;
  int i = 0;
  while (i < length) {
    unsigned char b = data[i];
    int follow;
    if (b < 0x80) {
      ++i;
      continue;
    } else if (b < 0xC0) {
      return 0;
    } else if (b < 0xE0) {
      follow = 1;
    } else if (b < 0xF0) {
      follow = 2;
    } else if (b <= 0xF4) {
      // Characters beyond the basic plane (emoji, rare CJK) are still UTF-8:
      // refusing them would read a whole book as the code page.
      follow = 3;
    } else {
      return 0;
    }
    for (int k = 1; k <= follow; ++k) {
      if (i + k >= length) return whole ? 0 : 1;
      if (!IsContinuation(data[i + k])) return 0;
    }
    i += follow + 1;
  }
  return 1;
}

int FindPlace(const int* table, int count, int value) {
  if (!table || count <= 0 || value < table[0]) return -1;
  if (value >= table[count - 1]) return count - 1;
  int lo = 0, hi = count - 1;
  while (hi - lo > 1) {
    int mid = lo + (hi - lo) / 2;
    if (table[mid] == value) return mid;
    if (value < table[mid])
      hi = mid - 1;
    else
      lo = mid;
  }
  if (lo == hi) return lo;
  return value >= table[hi] ? hi : lo;
}

int FindLastPlace(const int* table, int count, int value) {
  int i = FindPlace(table, count, value);
  if (i < 0) return i;
  while (i + 1 < count && table[i + 1] <= value) ++i;
  return i;
}

int GetSentencesLengthW(const unsigned short* text, int n, const SentenceRules* rules) {
  if (!text || n <= 0) return 0;
  int i = 0;
  while (i < n && !IsWordUnit(text[i])) ++i;
  if (i >= n) return n;
  int body = -1;
  // Most units are letters; only ASCII and the blocks from U+3000 up hold
  // terminators, so everything else is passed over with one comparison.
  for (; i < n; ++i) {
    unsigned short c = text[i];
    if (c < 128 ? !c_AsciiStops[c] : c < 0x3000) continue;
    if (c == '.') {
      if (i + 1 >= n) return n;
      if (IsWordUnit(text[i + 1])) {
        ++i;
        continue;
      }
      if (rules && rules->Continues(text, i, n)) continue;
      body = i + 2;
      break;
    }
    if (IsTerminator(c)) {
      body = i + 1;
      break;
    }
  }
  if (body < 0) return n;
  i = body;
  while (i < n && !IsWordUnit(text[i])) ++i;
  return i;
}

void Utf16BeToLe(unsigned short* text, int count) {
  if (!text) return;
  for (int i = 0; i < count; ++i) text[i] = static_cast<unsigned short>((text[i] << 8) | (text[i] >> 8));
}

int Check0D0A_W(const unsigned short* text, int count) {
  if (!text) return 0;
  for (int i = 0; i < count; ++i)
    if (text[i] <= 13 && (text[i] == 13 || text[i] == 10)) return 1;
  return 0;
}

int unicode_wch_casecmp(const unsigned short* text, const char* name, int count) {
  if (!text || !name) return -1;
  for (int i = 0; i < count; ++i) {
    unsigned int a = text[i];
    unsigned int b = static_cast<unsigned char>(name[i]);
    if (a >= 'a' && a <= 'z') a -= 32;
    if (b >= 'a' && b <= 'z') b -= 32;
    if (a != b) return a > b ? 1 : -1;
  }
  return 0;
}

int GetFrontWhiteSpaceLengthW(const unsigned short* text, int count) {
  if (!text || count <= 0) return 0;
  int i = 0;
  while (i < count && IsWhiteW(text[i])) ++i;
  return i;
}

int GetRearWhiteSpaceLengthW(const unsigned short* text, int count) {
  if (!text || count <= 0) return 0;
  int i = 0;
  while (i < count && IsWhiteW(text[count - 1 - i])) ++i;
  return i;
}

int DecodeUtf8(const unsigned char* src, int srcLen, unsigned short* dst, int room, int* consumed) {
  int i = 0, out = 0;
  if (src && dst) {
    while (i < srcLen && out < room) {
      unsigned char b = src[i];
      if (b < 0x80) {
        // Runs of ASCII, the bulk of most texts, go eight bytes at a time.
        while (i + 8 <= srcLen && out + 8 <= room) {
          unsigned char run[8];
          memcpy(run, src + i, 8);
          uint64_t v;
          memcpy(&v, run, 8);
          if (v & 0x8080808080808080ULL) break;
          for (int k = 0; k < 8; ++k) dst[out + k] = run[k];
          i += 8;
          out += 8;
        }
        while (i < srcLen && out < room && src[i] < 0x80) dst[out++] = src[i++];
        continue;
      }
      if (b >= 0xC0 && b < 0xE0 && i + 1 < srcLen && IsContinuation(src[i + 1])) {
        dst[out++] = static_cast<unsigned short>(((b & 0x1F) << 6) | (src[i + 1] & 0x3F));
        i += 2;
        continue;
      }
      int follow = b < 0xC0 ? -1 : b < 0xE0 ? 1 : b < 0xF0 ? 2 : b < 0xF8 ? 3 : -1;
      if (follow < 0) {
        dst[out++] = ' ';
        ++i;
        continue;
      }
      bool ok = true;
      for (int k = 1; k <= follow && i + k < srcLen; ++k) ok = ok && IsContinuation(src[i + k]);
      if (!ok) {
        dst[out++] = ' ';
        ++i;
        continue;
      }
      if (i + follow >= srcLen) break;  // cut by the end: left for the caller
      if (follow == 1) {
        dst[out++] = static_cast<unsigned short>(((b & 0x1F) << 6) | (src[i + 1] & 0x3F));
      } else if (follow == 2) {
        dst[out++] = static_cast<unsigned short>(((b & 0x0F) << 12) | ((src[i + 1] & 0x3F) << 6) |
                                                 (src[i + 2] & 0x3F));
      } else {
        unsigned int cp = ((b & 0x07u) << 18) | ((src[i + 1] & 0x3Fu) << 12) | ((src[i + 2] & 0x3Fu) << 6) |
                          (src[i + 3] & 0x3Fu);
        if (cp < 0x10000) {
          dst[out++] = static_cast<unsigned short>(cp);
        } else if (cp > 0x10FFFF || room - out < 2) {
          dst[out++] = ' ';
        } else {
          cp -= 0x10000;
          dst[out++] = static_cast<unsigned short>(0xD800 | (cp >> 10));
          dst[out++] = static_cast<unsigned short>(0xDC00 | (cp & 0x3FF));
        }
      }
      i += follow + 1;
    }
  }
  if (consumed) *consumed = i;
  return out;
}
