// LogicalStrCmp on arbitrary byte strings: no read outside the strings, 0 for
// a string against itself only, and opposite signs for every pair both ways.
// Run with the generated collation table (when found beside the build), with
// a table full of ties, and without a table.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "browser/logical_strcmp.h"
#include "browser/string_collection.h"

static const uint16_t* s_Real = nullptr;
static uint16_t s_Ties[65536];

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  (void)argc;
  std::string self = (*argv)[0];
  std::string dir = self.substr(0, self.find_last_of('/') + 1);
  for (const char* rel : {"../home/ChnCharIndexs.bin", "../../build/home/ChnCharIndexs.bin"}) {
    if (LoadChnCharIndexFrom((dir + rel).c_str()) == 0) {
      s_Real = g_ChnCharIndex;
      break;
    }
  }
  fprintf(stderr, "collation table: %s\n", s_Real ? "generated" : "not found, ties and none only");
  // Few distinct weights: most letters tie and the tie-break decides.
  for (unsigned i = 0; i < 65536; i++) s_Ties[i] = static_cast<uint16_t>((i * 2654435761u) >> 28);
  return 0;
}

static int Sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  switch (data[0] % 3) {
    case 0: g_ChnCharIndex = s_Real; break;
    case 1: g_ChnCharIndex = s_Ties; break;
    default: g_ChnCharIndex = nullptr; break;
  }
  // The rest is split at NUL bytes into separately allocated strings, so
  // that a read past any terminator is caught.
  std::vector<char*> strs;
  const uint8_t* p = data + 1;
  const uint8_t* end = data + size;
  while (p <= end && strs.size() < 16) {
    const uint8_t* z = static_cast<const uint8_t*>(memchr(p, 0, static_cast<size_t>(end - p)));
    size_t n = z ? static_cast<size_t>(z - p) : static_cast<size_t>(end - p);
    char* s = static_cast<char*>(malloc(n + 1));
    memcpy(s, p, n);
    s[n] = '\0';
    strs.push_back(s);
    if (!z) break;
    p = z + 1;
  }
  for (size_t i = 0; i < strs.size(); i++) {
    if (LogicalStrCmp(strs[i], strs[i]) != 0) abort();
    for (size_t j = i + 1; j < strs.size(); j++) {
      int ab = Sign(LogicalStrCmp(strs[i], strs[j]));
      int ba = Sign(LogicalStrCmp(strs[j], strs[i]));
      if (ab != -ba) {
        fprintf(stderr, "not antisymmetric: %d %d\n", ab, ba);
        abort();
      }
      if ((ab == 0) != (strcmp(strs[i], strs[j]) == 0)) abort();
    }
  }
  std::vector<const char*> list(strs.begin(), strs.end());
  StrSort(list.data(), static_cast<int>(list.size()), LogicalStrCmp);
  for (char* s : strs) free(s);
  return 0;
}
