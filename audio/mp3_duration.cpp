// MP3 length from the first frame header alone, so that long files can be
// announced without decoding them. Assumes a constant bit rate.
#include <cstdint>
#include <cstdio>

#include "audio/decoder.h"
#include "platform/board.h"

namespace {

// kbit/s by [row][index 1..14]; rows: MPEG-1 layers I, II, III, MPEG-2 layer I,
// MPEG-2 layers II and III.
const int kBitrates[5][15] = {
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
};

int Duration(FILE* f) {
  unsigned char h[10];
  if (fread(h, 1, 10, f) != 10) return -1;
  long long tag = 0;
  bool id3 = h[0] == 'I' && h[1] == 'D' && h[2] == '3';
  if (id3)
    tag = (long long)(h[6] & 0x7F) << 21 | (h[7] & 0x7F) << 14 | (h[8] & 0x7F) << 7 | (h[9] & 0x7F);
  if (fseeko(f, 0, SEEK_END) != 0) return -1;
  long long size = ftello(f);
  long long audio = size - tag - 10;
  if (audio <= 0) return -1;
  if (audio > 128) {
    unsigned char t[3];
    if (fseeko(f, size - 128, SEEK_SET) == 0 && fread(t, 1, 3, f) == 3 && t[0] == 'T' && t[1] == 'A' && t[2] == 'G')
      audio -= 128;
  }
  unsigned char b[4];
  if (fseeko(f, id3 ? tag + 10 : 0, SEEK_SET) != 0 || fread(b, 1, 4, f) != 4) return -1;
  if (b[0] != 0xFF || (b[1] & 0xE0) != 0xE0) return -1;
  bool mpeg1 = ((b[1] >> 3) & 3) == 3;
  int layer = (b[1] >> 1) & 3;  // 1 Layer III, 2 Layer II, 3 Layer I
  int index = b[2] >> 4;
  if (layer == 0 || index == 0) return -1;
  int row = mpeg1 ? 3 - layer : (layer == 3 ? 3 : 4);
  int kbps = index == 15 ? 128 : kBitrates[row][index];
  long long ms = audio * 8000 / ((long long)kbps * 1000);
  return ms > INT32_MAX ? INT32_MAX : (int)ms;
}

}  // namespace

int fast_get_mp3_total_ms(const char* path) {
  if (!path) return -1;
  FILE* f = BFopen(path, "rb");
  if (!f) return -1;
  int ms = Duration(f);
  fclose(f);
  return ms;
}
