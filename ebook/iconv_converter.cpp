#include "ebook/iconv_converter.h"

#include <cerrno>
#include <cstring>

bool IconvConverter::Open(const char* from) {
  Close();
  m_Cd = iconv_open("UTF-16LE", from);
  return IsOpen();
}

void IconvConverter::Close() {
  if (IsOpen()) iconv_close(m_Cd);
  m_Cd = reinterpret_cast<iconv_t>(-1);
}

int IconvConverter::ToUtf16(const unsigned char* src, int srcLen, unsigned short* dst, int room, int* consumed) {
  int used = 0, out = 0;
  if (IsOpen() && src && dst) {
    iconv(m_Cd, nullptr, nullptr, nullptr, nullptr);
    while (used < srcLen && out < room) {
      char* in = const_cast<char*>(reinterpret_cast<const char*>(src + used));
      size_t inLeft = static_cast<size_t>(srcLen - used);
      char* o = reinterpret_cast<char*>(dst + out);
      size_t oLeft = static_cast<size_t>(room - out) * 2;
      size_t r = iconv(m_Cd, &in, &inLeft, &o, &oLeft);
      int err = (r == static_cast<size_t>(-1)) ? errno : 0;
      used = srcLen - static_cast<int>(inLeft);
      out = room - static_cast<int>(oLeft / 2);
      if (err == EILSEQ) {
        if (out >= room) break;
        dst[out++] = ' ';
        ++used;
      } else if (err == E2BIG || err == EINVAL || err != 0) {
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
