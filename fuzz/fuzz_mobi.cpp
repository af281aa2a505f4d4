// Mobipocket books over arbitrary bytes (seeded with a small book): libmobi
// and the HTML reading behind it refuse or read, never crash or hang.
#include <cstdint>

#include "ebook/mobi.h"
#include "fuzz/ebook_fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return fuzzcheck::OpenAndCheck<CMobi>("fuzz_mobi", data, size);
}
