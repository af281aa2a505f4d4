// Decoding an audio file held in memory: the packet decoder reading through
// caller callbacks (with resampling on every second input), then the
// streaming decoder on the same bytes, each read to its end and seeked.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "audio/decoder.h"
#include "core/lib/ffmpeg/ffmpeg.h"

namespace {

struct Memory {
  const uint8_t* data;
  size_t size;
  size_t pos;
};

int Read(void* opaque, unsigned char* buf, int size) {
  auto* m = static_cast<Memory*>(opaque);
  size_t n = m->size - m->pos < (size_t)size ? m->size - m->pos : (size_t)size;
  memcpy(buf, m->data + m->pos, n);
  m->pos += n;
  return (int)n;
}

long long Seek(void* opaque, long long offset, int whence) {
  auto* m = static_cast<Memory*>(opaque);
  long long base = whence == SEEK_CUR ? (long long)m->pos : whence == SEEK_END ? (long long)m->size : 0;
  long long to = base + offset;
  if (to < 0 || to > (long long)m->size) return -1;
  m->pos = (size_t)to;
  return to;
}

std::string g_path;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  ff::Quiet();
  char tmpl[] = "/tmp/fuzz_decode_memory.XXXXXX";
  int fd = mkstemp(tmpl);
  if (fd < 0) abort();
  close(fd);
  g_path = tmpl;
  return ff_audio_init() == 0 ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<short> pcm(4096);
  {
    Memory mem{data, size, 0};
    AudioDecode d;
    d.SetUserReadFileFun(1, &mem, Read, Seek);
    if (size & 1) d.SetSwr(16000, 1);
    unsigned rate, channels, total;
    if (d.Open("memory", rate, channels, total) == 0) {
      int cur, n;
      while ((n = d.Read(pcm.data(), 4096, cur)) > 0) {
        if (n > 4096) abort();
      }
      d.Seek(0);
      d.Read(pcm.data(), 4096, cur);
    }
  }
  FILE* f = fopen(g_path.c_str(), "wb");
  if (!f) abort();
  fwrite(data, 1, size, f);
  fclose(f);
  if (ff_audio_open(g_path.c_str(), -1, 0, -1) == 0) {
    int n, cur;
    while ((n = ff_audio_read2(pcm.data(), 8192, &cur)) > 0) {
      if (n > 8192) abort();
    }
    ff_audio_seek(100, 0);
    ff_audio_read(pcm.data(), 8192);
    ff_audio_close();
  }
  return 0;
}
