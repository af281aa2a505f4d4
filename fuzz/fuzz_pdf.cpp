// PDF files over arbitrary bytes (seeded with a small document): poppler
// refuses or opens them, and the pages then read sentence by sentence with
// places that only grow, up to the end.
#include <cstdint>

#include "ebook/pdf.h"
#include "fuzz/ebook_fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string path = fuzzcheck::WriteTemp("fuzz_pdf", data, size);
  CPdf b;
  if (b.Open(path.c_str()) == 0) {
    int last = -1, end = b.GetUnicodeLength();
    for (int steps = 0; steps < 100000 && b.GetCurPlace() < end; ++steps) {
      unsigned short* text = nullptr;
      int length = 0;
      fuzzcheck::Check(b.ReadCurSentence(&text, &length) == 0 && length >= 1);
      fuzzcheck::Check(b.GetCurPlace() > last && b.GetCurPage() < b.GetTotalPages());
      last = b.GetCurPlace();
      b.SeekToNextSentence();
    }
    fuzzcheck::Check(b.GetCurPlace() == end);
    b.SeekToLastParagraph();
    fuzzcheck::Check(b.GetCurPlace() < end);
  }
  unlink(path.c_str());
  return 0;
}
