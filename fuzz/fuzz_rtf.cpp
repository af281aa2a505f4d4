// Rich text over arbitrary bytes (seeded with a small document): refused or
// read into a well-formed book; no group nesting, escape or binary length
// can crash or hang the reader.
#include <cstdint>

#include "ebook/rtf.h"
#include "fuzz/ebook_fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CRtf b;
  if (b.OpenMemory(reinterpret_cast<const char*>(data), size) == 0) fuzzcheck::CheckBook(b);
  return 0;
}
