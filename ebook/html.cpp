// CHtml: encoding detection and decoding of a page into the tokenizer.
#include "ebook/html.h"

#include <strings.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <utility>
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
  explicit FileBytes(fd::UniqueFile f) : m_F(std::move(f)) {}
  int Read(unsigned char* buf, int room) override {
    size_t n = fread(buf, 1, static_cast<size_t>(room), m_F.get());
    if (n == 0 && ferror(m_F.get())) return -4;
    return static_cast<int>(n);
  }

 private:
  fd::UniqueFile m_F;
};

// Bytes read per step as reading reaches the end of what was read: a few
// milliseconds on the device.
constexpr size_t c_Step = 65536;

}  // namespace

int CHtml::MarkLength(const unsigned char* d, int size) {
  if (size >= 2 && ((d[0] == 0xFF && d[1] == 0xFE) || (d[0] == 0xFE && d[1] == 0xFF))) return 2;
  return size >= 3 && d[0] == 0xEF && d[1] == 0xBB && d[2] == 0xBF ? 3 : 0;
}

std::string CHtml::PickEncoding(const unsigned char* d, int size, bool whole, int* skip) {
  *skip = MarkLength(d, size);
  if (*skip == 2) return d[0] == 0xFF ? "UTF-16LE" : "UTF-16BE";
  if (*skip == 3) return "UTF-8";
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

struct CHtml::Stream {
  enum Kind { kUtf8, kLe, kBe, kIconv };
  std::unique_ptr<Decoder> in;
  Kind kind = kUtf8;
  IconvConverter conv;
  std::vector<unsigned char> block;
  std::vector<unsigned short> units;
  int len = 0, pos = 0;
  bool eof = false, first = true;
};

CHtml::CHtml() : m_Tokenizer(*this) { m_SkipsHidden = false; }

CHtml::~CHtml() { Close(); }

void CHtml::EndSteps() { m_Stream.reset(); }

int CHtml::OpenMarkup(std::unique_ptr<Decoder> in, const std::string& encoding) {
  m_Stream.reset(new (std::nothrow) Stream);
  if (!m_Stream) return -3;
  Stream& s = *m_Stream;
  s.in = std::move(in);
  s.kind = IsUtf8Name(encoding) ? Stream::kUtf8
           : encoding == "UTF-16LE" ? Stream::kLe
           : encoding == "UTF-16BE" ? Stream::kBe
                                    : Stream::kIconv;
  if (s.kind == Stream::kIconv && !s.conv.Open(encoding.c_str())) return -2;
  s.units.resize(c_Units);
  m_Tokenizer.Reset();
  ResetParse();
  int r = ReadMarkup(c_Step);
  if (r == 1) return ReadInSteps();
  EndSteps();
  return r == 0 ? FinishParse() : r;
}

int CHtml::ReadMore() {
  return EndOfStep(ReadMarkup(c_Step));
}

int CHtml::ReadMarkup(size_t budget) {
  if (!m_Stream) return 0;
  Stream& s = *m_Stream;
  size_t read = 0;
  while (GetError() == 0) {
    if (read >= budget) return 1;
    if (!s.eof && s.len - s.pos < c_Refill) {
      if (s.block.empty()) s.block.resize(c_BlockBytes);
      memmove(s.block.data(), s.block.data() + s.pos, static_cast<size_t>(s.len - s.pos));
      s.len -= s.pos;
      s.pos = 0;
      while (s.len < c_BlockBytes && !s.eof) {
        int r = s.in->Read(s.block.data() + s.len, c_BlockBytes - s.len);
        if (r < 0) return r;
        if (r == 0) s.eof = true;
        s.len += r;
      }
    }
    const unsigned char* src = s.block.data() + s.pos;
    int avail = s.len - s.pos, used = 0, n = 0;
    if (avail == 0) break;
    unsigned short* units = s.units.data();
    if (s.kind == Stream::kUtf8) {
      n = DecodeUtf8(src, avail, units, c_Units, &used);
    } else if (s.kind == Stream::kIconv) {
      n = s.conv.ToUtf16(src, avail, units, c_Units, &used);
    } else {
      n = avail / 2 < c_Units ? avail / 2 : c_Units;
      memcpy(units, src, static_cast<size_t>(n) * 2);
      if (s.kind == Stream::kBe) Utf16BeToLe(units, n);
      used = n * 2;
    }
    // A sequence cut by the end of the file reads as nothing.
    if (used == 0) used = avail;
    s.pos += used;
    read += static_cast<size_t>(used);
    if (s.first && !LooksLikeText(units, n)) return -6;
    s.first = false;
    PushUnits(units, n, false);
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
  std::unique_ptr<Decoder> bytes(new (std::nothrow) FileBytes(std::move(f)));
  if (!bytes) return -3;
  int r = OpenMarkup(std::move(bytes), encoding);
  if (r != 0) Close();
  return r;
}
