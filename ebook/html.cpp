// CHtml: encoding detection and decoding of a page into the tokenizer.
#include "ebook/html.h"

#include <strings.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/lib/fd/unique_fd.h"
#include "core/lib/xml/xml_reader.h"
#include "ebook/iconv_converter.h"
#include "ebook/text_helpers.h"
#include "ebook/txt_encoding.h"
#include "platform/board.h"

std::string DetectTextEncoding(const unsigned char* data, int size) {
  if (!data || size <= 0) return "CP1250";
  return GuessTextEncoding(data, std::min(static_cast<size_t>(size), c_EncodingSampleBytes));
}

namespace {

constexpr int c_BlockBytes = 512 * 1024;
constexpr int c_Refill = 16384;
constexpr int c_Units = 8192;

bool IsUtf8Name(const std::string& e) { return strcasecmp(e.c_str(), "utf-8") == 0 || strcasecmp(e.c_str(), "utf8") == 0; }

// Text has no NUL and few control characters; anything else behind a web
// page's extension (an image, an archive) is not read aloud.
bool LooksLikeText(const unsigned short* u, int n) {
  int bad = 0;
  for (int i = 0; i < n; ++i) {
    if (u[i] == 0) return false;
    if (u[i] < 32 && u[i] != 9 && u[i] != 10 && u[i] != 12 && u[i] != 13) ++bad;
  }
  return bad * 100 <= n;
}

class FileBytes : public CHtml::Decoder {
 public:
  explicit FileBytes(FILE* f) : m_F(f) {}
  int Read(unsigned char* buf, int room) override {
    size_t n = fread(buf, 1, static_cast<size_t>(room), m_F);
    if (n == 0 && ferror(m_F)) return -4;
    return static_cast<int>(n);
  }

 private:
  FILE* m_F;
};

}  // namespace

std::string CHtml::PickEncoding(const unsigned char* d, int size, bool whole, int* skip) {
  *skip = 0;
  if (size >= 2 && d[0] == 0xFF && d[1] == 0xFE) return *skip = 2, "UTF-16LE";
  if (size >= 2 && d[0] == 0xFE && d[1] == 0xFF) return *skip = 2, "UTF-16BE";
  if (size >= 3 && d[0] == 0xEF && d[1] == 0xBB && d[2] == 0xBF) return *skip = 3, "UTF-8";
  // UTF-16 without a mark still starts with markup.
  if (size >= 4 && d[1] == 0 && d[3] == 0 && d[0] != 0) return "UTF-16LE";
  if (size >= 4 && d[0] == 0 && d[2] == 0 && d[1] != 0) return "UTF-16BE";
  if (CheckIfUtf8(d, size, whole ? 1 : 0) == 1) return "UTF-8";
  std::string declared = xml::SniffDeclaredEncoding(reinterpret_cast<const char*>(d), static_cast<size_t>(size));
  if (!declared.empty() && !IsUtf8Name(declared)) {
    IconvConverter probe;
    if (probe.Open(declared.c_str())) return declared;
  }
  return DetectTextEncoding(d, size);
}

int CHtml::ReadMarkup(Decoder& in, const std::string& encoding) {
  enum { kUtf8, kLe, kBe, kIconv } kind =
      IsUtf8Name(encoding) ? kUtf8 : encoding == "UTF-16LE" ? kLe : encoding == "UTF-16BE" ? kBe : kIconv;
  IconvConverter conv;
  if (kind == kIconv && !conv.Open(encoding.c_str())) return -2;
  std::vector<unsigned char> block;
  std::vector<unsigned short> units(c_Units);
  int len = 0, pos = 0;
  bool eof = false, first = true;
  m_Tokenizer.Reset();
  while (GetError() == 0) {
    if (!eof && len - pos < c_Refill) {
      if (block.empty()) block.resize(c_BlockBytes);
      memmove(block.data(), block.data() + pos, static_cast<size_t>(len - pos));
      len -= pos;
      pos = 0;
      while (len < c_BlockBytes && !eof) {
        int r = in.Read(block.data() + len, c_BlockBytes - len);
        if (r < 0) return r;
        if (r == 0) eof = true;
        len += r;
      }
    }
    const unsigned char* src = block.data() + pos;
    int avail = len - pos, used = 0, n = 0;
    if (avail == 0) break;
    if (kind == kUtf8) {
      n = DecodeUtf8(src, avail, units.data(), c_Units, &used);
    } else if (kind == kIconv) {
      n = conv.ToUtf16(src, avail, units.data(), c_Units, &used);
    } else {
      n = avail / 2 < c_Units ? avail / 2 : c_Units;
      memcpy(units.data(), src, static_cast<size_t>(n) * 2);
      if (kind == kBe) Utf16BeToLe(units.data(), n);
      used = n * 2;
    }
    // A sequence cut by the end of the file reads as nothing.
    if (used == 0) used = avail;
    pos += used;
    if (first && !LooksLikeText(units.data(), n)) return -6;
    first = false;
    PushUnits(units.data(), n, false);
  }
  PushUnits(nullptr, 0, true);
  return GetError();
}

void CHtml::PushUnits(const unsigned short* units, int count, bool last) { m_Tokenizer.SaxPush(units, count, last); }

int CHtml::Open(const char* path) {
  if (!path) return -2;
  Close();
  fd::UniqueFile f(BFopen(path, "rb"));
  if (!f) return -4;
  // The start decides the encoding; the decoder reads it again from there.
  std::vector<unsigned char> head(c_BlockBytes);
  size_t n = fread(head.data(), 1, head.size(), f.get());
  if (n < 5) return ferror(f.get()) ? -4 : -6;
  int skip = 0;
  std::string encoding = PickEncoding(head.data(), static_cast<int>(n), n < head.size(), &skip);
  head.clear();
  head.shrink_to_fit();
  if (fseek(f.get(), skip, SEEK_SET) != 0) return -4;
  FileBytes bytes(f.get());
  ResetParse();
  int r = ReadMarkup(bytes, encoding);
  if (r == 0) r = FinishParse();
  if (r != 0) Close();
  return r;
}
