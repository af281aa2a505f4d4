// Web pages over arbitrary bytes: the tokenizer never fails or hangs, and what
// it reads is a well-formed book.
#include <cstdint>

#include "ebook/html.h"
#include "fuzz/ebook_fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return fuzzcheck::OpenAndCheck<CHtml>("fuzz_html", data, size);
}
