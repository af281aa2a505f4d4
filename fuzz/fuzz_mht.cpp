// Saved web pages over arbitrary bytes: the MIME walk and its decodings end,
// and what opens is a well-formed book.
#include <cstdint>

#include "ebook/mht.h"
#include "fuzz/ebook_fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string file(reinterpret_cast<const char*>(data), size);
  CMht::mht_part part;
  if (CMht::FindDocument(file, &part)) {
    fuzzcheck::Check(part.body <= part.end && part.end <= file.size());
    fuzzcheck::Check(CMht::DecodeBody(file, part).size() <= part.end - part.body);
  }
  return fuzzcheck::OpenAndCheck<CMht>("fuzz_mht", data, size);
}
