#include "browser/logical_strcmp.h"

#include <strings.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/base/diag.h"
#include "platform/board.h"

const uint16_t* g_ChnCharIndex = nullptr;

namespace {

constexpr size_t kTableEntries = 65536;
constexpr size_t kTableBytes = kTableEntries * 2;

uint16_t* g_Table = nullptr;
bool g_TableTried = false;

// The file holds little-endian weights.
uint16_t* ReadTable(const char* devicePath) {
  FILE* f = BFopen(devicePath, "rb");
  if (!f) return nullptr;
  struct stat st;
  unsigned char* raw = nullptr;
  uint16_t* table = nullptr;
  if (fstat(fileno(f), &st) == 0 && st.st_size == static_cast<off_t>(kTableBytes)) {
    raw = static_cast<unsigned char*>(malloc(kTableBytes));
    table = static_cast<uint16_t*>(malloc(kTableBytes));
    if (raw && table && fread(raw, 1, kTableBytes, f) == kTableBytes) {
      for (size_t i = 0; i < kTableEntries; i++)
        table[i] = static_cast<uint16_t>(raw[2 * i] | (raw[2 * i + 1] << 8));
    } else {
      free(table);
      table = nullptr;
    }
  }
  free(raw);
  fclose(f);
  return table;
}

// One character as the listing decodes it: a lead byte from 0xE0 up takes
// three bytes, 0xC0-0xDF two, anything else is a character by itself. A
// sequence cut short by the end of the string takes only what is there.
inline int DecodeChar(const unsigned char* s, unsigned* code) {
  unsigned c = s[0];
  if (c >= 0xE0) {
    if (!s[1]) {
      *code = (c & 0x0F) << 12;
      return 1;
    }
    if (!s[2]) {
      *code = ((c & 0x0F) << 12) | ((s[1] & 0x3F) << 6);
      return 2;
    }
    *code = ((c & 0x0F) << 12) | ((s[1] & 0x3F) << 6) | (s[2] & 0x3F);
    return 3;
  }
  if (c >= 0xC0) {
    if (!s[1]) {
      *code = (c & 0x1F) << 6;
      return 1;
    }
    *code = ((c & 0x1F) << 6) | (s[1] & 0x3F);
    return 2;
  }
  *code = c;
  return 1;
}

inline unsigned Weight(unsigned code) {
  if (g_ChnCharIndex) return g_ChnCharIndex[code];
  if (code >= 'A' && code <= 'Z') return code + ('a' - 'A');
  return code;
}

inline bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// Compares the decimal numbers starting at a and b by value, however long:
// the longer number (leading zeros aside) is larger, else the first digit
// that differs decides.
int CompareNumbers(const unsigned char* a, const unsigned char* b) {
  while (*a == '0' && IsDigit(a[1])) a++;
  while (*b == '0' && IsDigit(b[1])) b++;
  int diff = 0;
  for (;; a++, b++) {
    bool da = IsDigit(*a), db = IsDigit(*b);
    if (!da || !db) return da ? 1 : (db ? -1 : diff);
    if (!diff && *a != *b) diff = *a < *b ? -1 : 1;
  }
}

inline int Sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

// Both strings are equal once hyphens are skipped and letters weighed: the
// hyphens decide, then case, then the bytes.
int TieBreak(const unsigned char* l, const unsigned char* r) {
  for (size_t i = 0;; i++) {
    unsigned char a = l[i], b = r[i];
    if (b == 0 && a != 0) return 1;
    if (a == '-') {
      // A hyphen on both sides at the same place decides nothing.
      if (b == '-') continue;
      return 1;
    }
    if (b == '-') return -1;
    if (a == 0) {
      if (b != 0) return -1;
      break;
    }
  }
  const char* lc = reinterpret_cast<const char*>(l);
  const char* rc = reinterpret_cast<const char*>(r);
  int c = strcasecmp(lc, rc);
  return c ? Sign(c) : Sign(strcmp(lc, rc));
}

}  // namespace

int LoadChnCharIndexFrom(const char* devicePath) {
  if (!devicePath) return -1;
  uint16_t* table = ReadTable(devicePath);
  if (!table) {
    DiagPrintf("collation table %s missing or not %zu bytes", devicePath, kTableBytes);
    return -1;
  }
  free(g_Table);
  g_Table = table;
  g_ChnCharIndex = g_Table;
  g_TableTried = true;
  return 0;
}

int LoadChnCharIndex() {
  if (!g_TableTried) {
    g_TableTried = true;
    LoadChnCharIndexFrom("/home/ChnCharIndexs.bin");
  }
  return g_ChnCharIndex ? 0 : -1;
}

void FreeChnCharIndex() {
  g_ChnCharIndex = nullptr;
  free(g_Table);
  g_Table = nullptr;
  g_TableTried = false;
}

int LogicalStrCmp(const char* left, const char* right) {
  if (!left || !right) return left ? 1 : (right ? -1 : 0);
  const unsigned char* l0 = reinterpret_cast<const unsigned char*>(left);
  const unsigned char* r0 = reinterpret_cast<const unsigned char*>(right);
  const unsigned char* l = l0;
  const unsigned char* r = r0;
  bool firstNumber = true;
  for (;;) {
    while (*l == '-') l++;
    while (*r == '-') r++;
    if (!*l) return *r ? -1 : TieBreak(l0, r0);
    if (!*r) return 1;
    if (IsDigit(*l) && IsDigit(*r)) {
      if (firstNumber) {
        firstNumber = false;
        int c = CompareNumbers(l, r);
        if (c) return c;
      } else {
        // Later numbers count as numbers only behind the same text. Both
        // strings must have come the same way, or the answer would depend
        // on which one is on the left.
        size_t n = static_cast<size_t>(l - l0);
        if (n == static_cast<size_t>(r - r0) && strncasecmp(left, right, n) == 0) {
          int c = CompareNumbers(l, r);
          if (c) return c;
        }
      }
      // Digit runs that are byte for byte the same weigh the same all the
      // way, and so do the numbers within them: step over them at once.
      size_t k = 0;
      while (IsDigit(l[k]) && l[k] == r[k]) k++;
      if (!IsDigit(l[k]) && !IsDigit(r[k])) {
        l += k;
        r += k;
        continue;
      }
    } else if (*l == *r && *l < 0x80) {
      // The same ASCII character (not a digit: those are handled above).
      l++;
      r++;
      continue;
    }
    unsigned cl, cr;
    int nl = DecodeChar(l, &cl);
    int nr = DecodeChar(r, &cr);
    unsigned wl = Weight(cl), wr = Weight(cr);
    if (wl != wr) return wl < wr ? -1 : 1;
    l += nl;
    r += nr;
  }
}
