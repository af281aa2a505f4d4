// Plain text books over arbitrary bytes: opening never fails on content, the
// tables are well formed, and every sentence read back is the text at its place.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ebook/txt.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

std::string TempPath() {
  static std::string path = [] {
    const char* base = getenv("TMPDIR");
    std::string p = std::string(base && *base ? base : "/tmp") + "/fuzz_txt." + std::to_string(getpid()) + ".txt";
    return p;
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string path = TempPath();
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return 0;
  if (size) fwrite(data, 1, size, f);
  fclose(f);

  CTxt t;
  Check(t.Open(path.c_str()) == 0);
  int len = t.GetUnicodeLength();
  int sentences = t.GetTotalSentences();
  Check(len >= 0 && sentences >= 0 && sentences <= len);
  Check((len == 0) == (sentences == 0));
  Check(t.GetTotalPages() <= sentences && t.GetTotalParagraphs() <= sentences);

  std::vector<unsigned short> whole(static_cast<size_t>(len) + 1);
  Check(t.GetUnicode(whole.data(), len + 1) == len);

  // Front to back, as the reader speaks it.
  int place = 0;
  for (int i = 0; i < sentences; ++i) {
    t.SeekToSentence(i);
    Check(t.GetCurPlace() == place && t.GetCurSentence() == i);
    unsigned short* text = nullptr;
    int length = -1;
    Check(t.ReadCurSentence(&text, &length) == 0);
    Check(text != nullptr && length >= 1 && length <= 500 && place + length <= len);
    for (int k = 0; k < length; ++k) Check(text[k] == whole[static_cast<size_t>(place + k)]);
    place += length;
  }
  Check(place == len);

  // Pages and paragraphs start at sentence starts, in order.
  int last = -1;
  for (int p = 0; p < t.GetTotalPages(); ++p) {
    t.SeekToPage(p);
    Check(t.GetCurPlace() >= last && t.GetCurPlace() <= len);
    last = t.GetCurPlace();
  }
  // Seeks into the middle read the rest of the sentence.
  for (int p = 1; p < len; p += 997) {
    t.SeekToPlace(p);
    unsigned short* text = nullptr;
    int length = -1;
    Check(t.ReadCurSentence(&text, &length) == 0);
    Check(length >= 1 && p + length <= len);
    for (int k = 0; k < length; ++k) Check(text[k] == whole[static_cast<size_t>(p + k)]);
    t.SeekToLastParagraph();
    t.SeekToNextPage();
    t.SeekToLastSentence();
  }
  t.Close();
  unlink(path.c_str());
  return 0;
}
