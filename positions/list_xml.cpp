#include "positions/list_xml.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <libxml/SAX2.h>

#include "core/base/diag.h"
#include "core/base/activity.h"
#include "platform/board.h"

namespace positions {
namespace {

// The parser reports through these instead of printing every error of a
// damaged file; the loader prints one line when it stops.
void QuietError(void*, const char*, ...) {}

// One push parse. The SAX handler is SAX1 (startElement with a flat
// attribute array), the shape every list callback is written for.
class ListParser {
 public:
  ListParser(void* ctx, startElementSAXFunc start, endElementSAXFunc end) : ctx_(ctx) {
    memset(&sax_, 0, sizeof(sax_));
    sax_.startElement = start;
    sax_.endElement = end;
    sax_.warning = QuietError;
    sax_.error = QuietError;
    sax_.fatalError = QuietError;
  }
  ~ListParser() {
    if (!ctxt_) return;
    // A DOCTYPE with entity declarations makes libxml2 keep them in a
    // document of its own even for a SAX parse; it is ours to free.
    if (ctxt_->myDoc) xmlFreeDoc(ctxt_->myDoc);
    ctxt_->myDoc = nullptr;
    xmlFreeParserCtxt(ctxt_);
  }
  ListParser(const ListParser&) = delete;
  ListParser& operator=(const ListParser&) = delete;

  // The first chunk creates the parser. -1 when it cannot be created.
  int Begin(const char* data, int size, const char* name) {
    ctxt_ = xmlCreatePushParserCtxt(&sax_, ctx_, data, size, name);
    if (!ctxt_) {
      DiagPrintf("xmlCreatePushParserCtxt() failed");
      return -1;
    }
    // Entity substitution turns "&amp;" in a value back into "&". Declared
    // entities never reach the parser (the handler keeps no declarations),
    // so a crafted file cannot pull other files or the network in.
    xmlCtxtUseOptions(ctxt_, XML_PARSE_NOENT | XML_PARSE_NONET | XML_PARSE_NOERROR |
                                 XML_PARSE_NOWARNING);
    // The first chunk is only buffered by the constructor; parse it now.
    Feed(nullptr, 0);
    return 0;
  }
  // Feeds one more chunk; false once the parser has stopped at an error.
  bool Feed(const char* data, int size) {
    if (failed_) return false;
    int r = xmlParseChunk(ctxt_, data, size, 0);
    if (r != 0) Fail(r);
    return !failed_;
  }
  // Terminates the parse; 0 or -3.
  int End() {
    if (failed_) return -3;
    // Fed without the end flag, the parser reports only elements whose tag
    // is complete. Terminating a file cut off inside a tag would hand over
    // that tag with the attributes read so far: a bookmark with half its
    // values. So a file that stops before its root is closed ends here.
    if (ctxt_->instate != XML_PARSER_EPILOG && ctxt_->instate != XML_PARSER_EOF) {
      DiagPrintf("file ends early (line %d)", xmlSAX2GetLineNumber(ctxt_));
      failed_ = true;
      return -3;
    }
    int r = xmlParseChunk(ctxt_, nullptr, 0, 1);
    if (r != 0) Fail(r);
    return failed_ ? -3 : 0;
  }

 private:
  void Fail(int code) {
    failed_ = true;
    DiagPrintf("ret = %d (line %d)", code, xmlSAX2GetLineNumber(ctxt_));
  }

  void* ctx_;
  xmlSAXHandler sax_;
  xmlParserCtxtPtr ctxt_ = nullptr;
  bool failed_ = false;
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

int LoadListBuffer(const char* data, size_t size, void* ctx, startElementSAXFunc start,
                   endElementSAXFunc end) {
  if (!data) return -1;
  size_t first = size < kListChunkSize ? size : kListChunkSize;
  if (first <= 10) return -1;
  ListParser parser(ctx, start, end);
  if (parser.Begin(data, static_cast<int>(first), nullptr) != 0) return -1;
  for (size_t off = first; off < size; off += kListChunkSize) {
    size_t n = size - off < kListChunkSize ? size - off : kListChunkSize;
    if (!parser.Feed(data + off, static_cast<int>(n))) break;
  }
  return parser.End();
}

int LoadListFile(const char* devicePath, void* ctx, startElementSAXFunc start,
                 endElementSAXFunc end) {
  if (!devicePath) return -1;
  FILE* f = BFopen(devicePath, "rb");
  if (!f) {
    DiagPrintf("can not open %s", devicePath);
    return -1;
  }
  char buf[kListChunkSize];
  size_t n = fread(buf, 1, sizeof(buf), f);
  if (n <= 10) {
    fclose(f);
    return -1;
  }
  ListParser parser(ctx, start, end);
  if (parser.Begin(buf, static_cast<int>(n), devicePath) != 0) {
    fclose(f);
    return -1;
  }
  while ((n = fread(buf, 1, sizeof(buf), f)) > 0) {
    if (!parser.Feed(buf, static_cast<int>(n))) break;
  }
  bool readError = ferror(f) != 0;
  fclose(f);
  int r = parser.End();
  if (readError) {
    DiagPrintf("read %s failed", devicePath);
    return -3;
  }
  return r;
}

const char* ListAttr(const xmlChar** attrs, const char* name) {
  if (!attrs || !name) return nullptr;
  for (int i = 0; attrs[i]; i += 2) {
    if (strcmp(reinterpret_cast<const char*>(attrs[i]), name) == 0)
      return attrs[i + 1] ? reinterpret_cast<const char*>(attrs[i + 1]) : "";
  }
  return nullptr;
}

int ListIntAttr(const xmlChar** attrs, const char* name) {
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

void ListSetProp(xmlNodePtr node, const char* name, const char* value) {
  std::string safe = XmlSafeText(value ? value : "");
  xmlNewProp(node, BAD_CAST name, BAD_CAST safe.c_str());
}

void ListSetIntProp(xmlNodePtr node, const char* name, int value) {
  char buf[16];
  snprintf(buf, sizeof(buf), "%d", value);
  xmlNewProp(node, BAD_CAST name, BAD_CAST buf);
}

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

bool SettingsMounted() {
  if (IsMountDir("/mnt/settings") == 1) return true;
  DiagPrintf("%s umount", "/mnt/settings");
  return false;
}

}  // namespace positions
