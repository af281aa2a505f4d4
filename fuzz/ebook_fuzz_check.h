// What every e-book source must give for any input it opens: well-formed
// tables, sentences that read back in order and cover the text, and seeks
// that stay inside it.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "ebook/ebook.h"

namespace fuzzcheck {

inline void Check(bool ok) {
  if (!ok) __builtin_trap();
}

// A scratch file of this process for the input bytes.
inline std::string WriteTemp(const char* name, const uint8_t* data, size_t size) {
  const char* base = getenv("TMPDIR");
  std::string p = std::string(base && *base ? base : "/tmp") + "/" + name + "." + std::to_string(getpid());
  FILE* f = fopen(p.c_str(), "wb");
  if (!f) return std::string();
  if (size) fwrite(data, 1, size, f);
  fclose(f);
  return p;
}

inline void CheckBook(iCEbook& b) {
  // Walked first as the reader walks it, before any count: a book read in
  // steps reads on as the walk reaches the end of what was read.
  int walked = 0;
  for (int guard = 0; guard < (1 << 20); ++guard) {
    unsigned short* text = nullptr;
    int length = -1;
    // An empty book may have no text to point into (-2).
    if (b.ReadCurSentence(&text, &length) != 0 || length <= 0) break;
    Check(b.GetCurPlace() == walked);
    walked += length;
    b.SeekToNextSentence();
  }
  b.SeekToSentence(0);
  int len = b.GetUnicodeLength();
  Check(walked == len);
  int sentences = b.GetTotalSentences();
  Check(len >= 0 && sentences >= 0 && sentences <= len);
  int place = 0;
  for (int i = 0; i < sentences; ++i) {
    b.SeekToSentence(i);
    Check(b.GetCurPlace() == place);
    unsigned short* text = nullptr;
    int length = -1;
    Check(b.ReadCurSentence(&text, &length) == 0 && length >= 1 && place + length <= len);
    place += length;
  }
  Check(place == len);
  for (int h = 0; h < b.GetTotalHeadings(); ++h) {
    b.SeekToHeading(h);
    Check(b.GetCurPlace() >= 0 && b.GetCurPlace() <= len);
  }
  for (int p = 0; p < b.GetTotalPages(); ++p) {
    b.SeekToPage(p);
    Check(b.GetCurPlace() >= 0 && b.GetCurPlace() <= len);
  }
  for (int level = 1; level <= b.GetLevelDepth() && level < 10; ++level) {
    b.SeekToPlace(0);
    for (int k = 0; k <= b.GetTotalHeadings(); ++k) b.SeekToNextHeading(level);
    Check(b.GetCurPlace() == len);
  }
}

// Writes the bytes to a file, opens it with a Source and checks what opened.
template <class Source>
int OpenAndCheck(const char* name, const uint8_t* data, size_t size) {
  std::string path = WriteTemp(name, data, size);
  Source b;
  if (b.Open(path.c_str()) == 0) CheckBook(b);
  unlink(path.c_str());
  return 0;
}

}  // namespace fuzzcheck
