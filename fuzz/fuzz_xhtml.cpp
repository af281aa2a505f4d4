// XHTML over arbitrary bytes: refused or read into a well-formed book.
#include <cstdint>

#include "ebook/xhtml.h"
#include "fuzz/ebook_fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return fuzzcheck::OpenAndCheck<CXhtml>("fuzz_xhtml", data, size);
}
