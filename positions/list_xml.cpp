#include "positions/list_xml.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/base/diag.h"
#include "core/lib/fd/unique_fd.h"
#include "platform/board.h"

namespace positions {
namespace {

// One push parse in chunks; the first error stops it and is printed once.
class ListParser final : public xml::Handler {
 public:
  ListParser(void* ctx, ListStartFn start, ListEndFn end, const char* name)
      : ctx_(ctx), start_(start), end_(end), reader_(*this, Named(name)) {}

  // Feeds one more chunk; false once the parser has stopped at an error.
  bool Feed(const char* data, size_t size) { return reader_.Feed(data, size) == 0; }
  // Ends the parse; 0 or -3. A file that stops before its root is closed
  // is an error: its cut-off last tag is not delivered.
  int End() {
    int r = reader_.Finish();
    if (r != 0 && !reported_) DiagPrintf("file ends early");
    return r == 0 ? 0 : -3;
  }

  void OnStart(const char* name, xml::Attrs attrs) override {
    if (start_) start_(ctx_, name, attrs);
  }
  void OnEnd(const char* name) override {
    if (end_) end_(ctx_, name);
  }
  void OnError(const xml::Error& e) override {
    if (!e.fatal || reported_) return;
    reported_ = true;
    DiagPrintf("ret = %d (line %d)", e.code, e.line);
  }

 private:
  static xml::Options Named(const char* name) {
    xml::Options o;
    o.name = name;
    return o;
  }
  void* ctx_;
  ListStartFn start_;
  ListEndFn end_;
  bool reported_ = false;
  xml::Reader reader_;
};

bool ValidCodePoint(unsigned cp) {
  return cp == 0x9 || cp == 0xA || cp == 0xD || (cp >= 0x20 && cp <= 0xD7FF) ||
         (cp >= 0xE000 && cp <= 0xFFFD) || (cp >= 0x10000 && cp <= 0x10FFFF);
}

// Length of the well-formed, XML-allowed UTF-8 character at s, or 0.
size_t SafeCharLength(const unsigned char* s) {
  unsigned c = s[0];
  if (c < 0x80) return ValidCodePoint(c) ? 1 : 0;
  size_t len;
  unsigned cp;
  if (c >= 0xC2 && c <= 0xDF) {
    len = 2;
    cp = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    len = 3;
    cp = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    len = 4;
    cp = c & 0x07;
  } else {
    return 0;
  }
  for (size_t i = 1; i < len; i++) {
    if ((s[i] & 0xC0) != 0x80) return 0;  // also stops at the terminator
    cp = (cp << 6) | (s[i] & 0x3F);
  }
  // Overlong forms and surrogates are not well-formed.
  if ((len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000)) return 0;
  if (cp >= 0xD800 && cp <= 0xDFFF) return 0;
  return ValidCodePoint(cp) ? len : 0;
}

}  // namespace

int LoadListBuffer(const char* data, size_t size, void* ctx, ListStartFn start, ListEndFn end) {
  if (!data) return -1;
  if (size <= 10) return -1;
  ListParser parser(ctx, start, end, nullptr);
  for (size_t off = 0; off < size; off += kListChunkSize) {
    size_t n = size - off < kListChunkSize ? size - off : kListChunkSize;
    if (!parser.Feed(data + off, n)) break;
  }
  return parser.End();
}

int LoadListFile(const char* devicePath, void* ctx, ListStartFn start, ListEndFn end) {
  if (!devicePath) return -1;
  fd::UniqueFile f(BFopen(devicePath, "rb"));
  if (!f) {
    DiagPrintf("can not open %s", devicePath);
    return -1;
  }
  char buf[kListChunkSize];
  size_t n = fread(buf, 1, sizeof(buf), f.get());
  if (n <= 10) return -1;
  ListParser parser(ctx, start, end, devicePath);
  do {
    if (!parser.Feed(buf, n)) break;
  } while ((n = fread(buf, 1, sizeof(buf), f.get())) > 0);
  bool readError = ferror(f.get()) != 0;
  int r = parser.End();
  if (readError) {
    DiagPrintf("read %s failed", devicePath);
    return -3;
  }
  return r;
}

const char* ListAttr(xml::Attrs attrs, const char* name) { return xml::Attr(attrs, name); }

int ListIntAttr(xml::Attrs attrs, const char* name) {
  const char* v = ListAttr(attrs, name);
  if (!v) return -1;
  errno = 0;
  long n = strtol(v, nullptr, 10);
  if (n > INT_MAX) return INT_MAX;
  if (n < INT_MIN) return INT_MIN;
  return static_cast<int>(n);
}

bool IsXmlSafeText(const char* text) {
  if (!text) return true;
  const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
  while (*s) {
    size_t n = SafeCharLength(s);
    if (n == 0) return false;
    s += n;
  }
  return true;
}

std::string XmlSafeText(const char* text) {
  std::string out;
  if (!text) return out;
  const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
  while (*s) {
    size_t n = SafeCharLength(s);
    if (n == 0) {
      out += '?';
      s++;
    } else {
      out.append(reinterpret_cast<const char*>(s), n);
      s += n;
    }
  }
  return out;
}

void ListSetProp(xml::Element& node, const char* name, const char* value) {
  node.Set(name, XmlSafeText(value ? value : "").c_str());
}

void ListSetIntProp(xml::Element& node, const char* name, int value) { node.Set(name, value); }

void CopyUtf8Cut(char* out, const char* text, size_t maxBytes) {
  size_t len = 0;
  if (text) {
    len = strnlen(text, maxBytes + 1);
    if (len > maxBytes) {
      len = maxBytes;
      // A continuation byte just past the cut means a character is split:
      // cut before its lead byte instead.
      while (len > 0 && (static_cast<unsigned char>(text[len]) & 0xC0) == 0x80) len--;
    }
    memcpy(out, text, len);
  }
  out[len] = '\0';
}

}  // namespace positions
