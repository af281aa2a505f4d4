// Build tool: writes the listings' collation table ("ChnCharIndexs.bin"),
// one little-endian 16-bit weight for each of the 65536 character codes.
//
// The weights come from ICU's Polish collation at secondary strength:
// letters that differ only in case share a weight, accented letters follow
// their base letter (é right after e; the Polish ą, ć, ę, ł, ń, ó, ś, ź, ż
// are letters of their own after a, c, e, l, n, o, s, z), punctuation and
// symbols come first, then digits, then letters. Characters the collation
// ignores altogether weigh 0.
#include <unicode/ucol.h>
#include <unicode/utypes.h>

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: %s OUTPUT\n", argv[0]);
    return 2;
  }
  UErrorCode status = U_ZERO_ERROR;
  UCollator* coll = ucol_open("pl", &status);
  if (U_FAILURE(status) || status == U_USING_DEFAULT_WARNING) {
    fprintf(stderr, "no Polish collation data in ICU: %s\n", u_errorName(status));
    if (coll) ucol_close(coll);
    return 1;
  }
  ucol_setStrength(coll, UCOL_SECONDARY);
  ucol_setAttribute(coll, UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, &status);
  if (U_FAILURE(status)) {
    fprintf(stderr, "collator set-up failed: %s\n", u_errorName(status));
    ucol_close(coll);
    return 1;
  }

  constexpr int kCodes = 65536;
  std::vector<std::string> keys(kCodes);
  for (int code = 0; code < kCodes; code++) {
    UChar ch = static_cast<UChar>(code);
    uint8_t buf[256];
    int32_t n = ucol_getSortKey(coll, &ch, 1, buf, sizeof(buf));
    if (n <= 0 || n > static_cast<int32_t>(sizeof(buf))) {
      fprintf(stderr, "no sort key for U+%04X\n", code);
      ucol_close(coll);
      return 1;
    }
    keys[code].assign(reinterpret_cast<const char*>(buf), static_cast<size_t>(n - 1));
  }
  ucol_close(coll);

  // Sort keys compare as unsigned bytes, which std::string does.
  std::vector<int> order(kCodes);
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&keys](int a, int b) { return keys[a] < keys[b]; });

  // Dense ranks: equal keys share a weight.
  std::vector<unsigned char> out(kCodes * 2);
  int rank = 0;
  for (int i = 0; i < kCodes; i++) {
    if (i > 0 && keys[order[i]] != keys[order[i - 1]]) rank++;
    out[2 * order[i]] = static_cast<unsigned char>(rank & 0xFF);
    out[2 * order[i] + 1] = static_cast<unsigned char>(rank >> 8);
  }

  std::string temp = std::string(argv[1]) + ".tmp";
  FILE* f = fopen(temp.c_str(), "wb");
  if (!f) {
    perror(temp.c_str());
    return 1;
  }
  bool ok = fwrite(out.data(), 1, out.size(), f) == out.size();
  ok = (fclose(f) == 0) && ok;
  if (!ok || rename(temp.c_str(), argv[1]) != 0) {
    perror(argv[1]);
    remove(temp.c_str());
    return 1;
  }
  printf("%s: %d weights\n", argv[1], rank + 1);
  return 0;
}
