// The one owner of iconv descriptors: code-page text in, another encoding out.
#pragma once

#include <cstddef>
#include <string>

#include "core/lib/no_copy.h"

namespace conv {

class Converter : NoCopy {
 public:
  Converter() = default;
  // Opens at once; IsOpen() says whether iconv accepted the pair.
  Converter(const char* to, const char* from) { Open(to, from); }
  ~Converter() { Close(); }
  Converter(Converter&& other) noexcept;
  Converter& operator=(Converter&& other) noexcept;

  // False when iconv has no such conversion.
  bool Open(const char* to, const char* from);
  void Close();
  bool IsOpen() const { return open_; }
  // Back to the initial shift state.
  void Reset();

  // One iconv call: moves *in and *out on by what was converted. 0 when all
  // input went; else EILSEQ (a byte it rejects), EINVAL (an incomplete
  // sequence at the end) or E2BIG (output full); EBADF when not open.
  int Step(const char** in, size_t* inLeft, char** out, size_t* outLeft);

  // Converts a whole buffer, appending to *out. Input that does not convert
  // is skipped `unit` bytes at a time (1, or 2 for UTF-16), so a damaged
  // text still yields its good parts. 0, or -1 when not open.
  int Convert(const char* data, size_t size, std::string* out, size_t unit = 1);

 private:
  void* cd_ = nullptr;  // the iconv_t
  bool open_ = false;
};

// The byte width of one unit of a code (2 for UTF-16 and UCS-2, else 1).
size_t UnitSize(const char* code);

}  // namespace conv
