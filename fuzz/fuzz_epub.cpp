// Whole EPUB archives over arbitrary bytes (seeded with small books): refused
// or read into a well-formed book, never a crash or a hang.
#include <cstdint>

#include "ebook/epub.h"
#include "fuzz/ebook_fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return fuzzcheck::OpenAndCheck<CEpub>("fuzz_epub", data, size);
}
