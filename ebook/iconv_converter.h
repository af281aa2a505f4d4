// Code-page text to UTF-16LE for the e-book sources, through the one iconv
// owner.
#pragma once

#include "core/lib/iconv/converter.h"

class IconvConverter {
 public:
  // Opens a converter from `from` to UTF-16LE; false when iconv refuses it.
  bool Open(const char* from) { return m_Conv.Open("UTF-16LE", from); }
  void Close() { m_Conv.Close(); }
  bool IsOpen() const { return m_Conv.IsOpen(); }
  // Converts bytes into at most `room` units. A byte the converter rejects
  // becomes one space, and so does a character needing two units when one is
  // left; an incomplete sequence at the end is left unread.
  // Returns units written; *consumed = bytes used.
  int ToUtf16(const unsigned char* src, int srcLen, unsigned short* dst, int room, int* consumed);
  // For a single-byte code page: the unit of every byte (a rejected byte is a
  // space), so that long texts decode by table instead of call by call.
  // False when some byte does not convert to exactly one unit.
  bool BuildByteTable(unsigned short table[256]);

 private:
  conv::Converter m_Conv;
};
