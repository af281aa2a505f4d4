// Owner of one iconv conversion descriptor; code-page text is converted to
// UTF-16LE here and nowhere else in the e-book sources.
#pragma once

#include <iconv.h>

class IconvConverter {
 public:
  IconvConverter() = default;
  ~IconvConverter() { Close(); }
  IconvConverter(const IconvConverter&) = delete;
  IconvConverter& operator=(const IconvConverter&) = delete;

  // Opens a converter from `from` to UTF-16LE; false when iconv refuses it.
  bool Open(const char* from);
  void Close();
  bool IsOpen() const { return m_Cd != reinterpret_cast<iconv_t>(-1); }
  // Converts bytes into at most `room` units. A byte the converter rejects
  // becomes one space; an incomplete sequence at the end is left unread.
  // Returns units written; *consumed = bytes used.
  int ToUtf16(const unsigned char* src, int srcLen, unsigned short* dst, int room, int* consumed);
  // For a single-byte code page: the unit of every byte (a rejected byte is a
  // space), so that long texts decode by table instead of call by call.
  // False when some byte does not convert to exactly one unit.
  bool BuildByteTable(unsigned short table[256]);

 private:
  iconv_t m_Cd = reinterpret_cast<iconv_t>(-1);
};
