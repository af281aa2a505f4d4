// MP3 duration from the first frame header, on arbitrary file contents.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "audio/decoder.h"

static std::string g_path;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char tmpl[] = "/tmp/fuzz_mp3_duration.XXXXXX";
  int fd = mkstemp(tmpl);
  if (fd < 0) abort();
  close(fd);
  g_path = tmpl;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FILE* f = fopen(g_path.c_str(), "wb");
  if (!f) abort();
  fwrite(data, 1, size, f);
  fclose(f);
  int ms = fast_get_mp3_total_ms(g_path.c_str());
  if (ms < -1) abort();  // only a duration or -1
  return 0;
}
