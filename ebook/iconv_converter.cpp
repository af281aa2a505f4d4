#include "ebook/iconv_converter.h"

#include <cerrno>
#include <cstring>

int IconvConverter::ToUtf16(const unsigned char* src, int srcLen, unsigned short* dst, int room, int* consumed) {
  int used = 0, out = 0;
  if (IsOpen() && src && dst) {
    m_Conv.Reset();
    while (used < srcLen && out < room) {
      const char* in = reinterpret_cast<const char*>(src + used);
      size_t inLeft = static_cast<size_t>(srcLen - used);
      char* o = reinterpret_cast<char*>(dst + out);
      size_t oLeft = static_cast<size_t>(room - out) * 2;
      int err = m_Conv.Step(&in, &inLeft, &o, &oLeft);
      used = srcLen - static_cast<int>(inLeft);
      out = room - static_cast<int>(oLeft / 2);
      if (err == EILSEQ) {
        if (out >= room) break;
        dst[out++] = ' ';
        ++used;
      } else if (err == E2BIG && out == room - 1 && used < srcLen) {
        // A character needing two units with room for one: a space in its
        // place (as the UTF-8 decoder does), so every chunk stays full.
        unsigned short pair[2];
        const char* in1 = reinterpret_cast<const char*>(src + used);
        size_t left1 = static_cast<size_t>(srcLen - used);
        char* o1 = reinterpret_cast<char*>(pair);
        size_t room1 = sizeof pair;
        m_Conv.Step(&in1, &left1, &o1, &room1);
        if (room1 != 0) break;
        used = srcLen - static_cast<int>(left1);
        dst[out++] = ' ';
      } else if (err != 0) {
        break;
      }
    }
  }
  if (consumed) *consumed = used;
  return out;
}

bool IconvConverter::BuildByteTable(unsigned short table[256]) {
  for (int b = 0; b < 256; ++b) {
    unsigned char in = static_cast<unsigned char>(b);
    unsigned short out[2];
    int used = 0;
    if (ToUtf16(&in, 1, out, 2, &used) != 1 || used != 1) return false;
    table[b] = out[0];
  }
  return true;
}
