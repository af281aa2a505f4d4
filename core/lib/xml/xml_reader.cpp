#include "core/lib/xml/xml_reader.h"

#include <libxml/HTMLparser.h>
#include <libxml/entities.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlerror.h>
#include <strings.h>

#include <cstring>
#include <deque>
#include <mutex>
#include <vector>

#include "core/lib/fd/unique_fd.h"
#include "platform/board.h"

namespace xml {

const char* Attr(Attrs attrs, const char* name) {
  if (!attrs || !name) return nullptr;
  for (int i = 0; attrs[i]; i += 2)
    if (strcmp(attrs[i], name) == 0) return attrs[i + 1];
  return nullptr;
}

namespace {

// The parser is created once this much of the start is in: enough to see a
// byte-order mark, the XML declaration or an HTML meta charset, wherever the
// caller cuts its pieces.
constexpr size_t kHead = 2048;
constexpr size_t kMaxPiece = 1 << 20;

int Utf8Encode(unsigned cp, char* out) {
  if (cp < 0x80) {
    out[0] = static_cast<char>(cp);
    return 1;
  }
  if (cp < 0x800) {
    out[0] = static_cast<char>(0xC0 | (cp >> 6));
    out[1] = static_cast<char>(0x80 | (cp & 0x3F));
    return 2;
  }
  if (cp < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (cp >> 12));
    out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (cp & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (cp >> 18));
  out[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (cp & 0x3F));
  return 4;
}

bool IsEncodingError(int code) {
  return code == XML_ERR_INVALID_CHAR || code == XML_ERR_UNKNOWN_ENCODING ||
         code == XML_ERR_UNSUPPORTED_ENCODING || code == XML_ERR_INVALID_ENCODING ||
         code == XML_I18N_CONV_FAILED || code == XML_I18N_NO_HANDLER;
}

std::once_flag g_Init;

}  // namespace

struct Reader::Impl {
  // An HTML character name the parser may expand: the reader's own, never a
  // declaration of the document.
  struct Named {
    xmlEntity entity{};
    std::string name;
    std::string text;
  };

  Impl(Handler& h, const Options& o) : handler(h), options(o) {
    if (o.encoding) encoding = o.encoding;
    if (o.name) name = o.name;
    options.encoding = nullptr;
    options.name = nullptr;
    // Only what is listed here is ever called: no document, DTD or entity
    // declaration handlers, so nothing declared can be expanded or loaded.
    memset(&sax, 0, sizeof sax);
    sax.initialized = XML_SAX2_MAGIC;
    if (options.html) {
      sax.startElement = StartPairs;
      sax.endElement = EndPairs;
    } else {
      sax.startElementNs = StartNs;
      sax.endElementNs = EndNs;
      sax.getEntity = GetEntity;
    }
    if (handler.WantsText()) {
      sax.characters = Characters;
      sax.cdataBlock = Characters;
      sax.ignorableWhitespace = Characters;
    }
    sax.serror = OnError;
  }
  ~Impl() {
    if (!ctxt) return;
    if (ctxt->myDoc) xmlFreeDoc(ctxt->myDoc);
    ctxt->myDoc = nullptr;
    if (options.html)
      htmlFreeParserCtxt(ctxt);
    else
      xmlFreeParserCtxt(ctxt);
  }

  static Impl* Of(void* user) { return static_cast<Impl*>(user); }

  bool Muted() const { return stopped || ending; }

  void CheckStop() {
    if (!stopped && handler.WantsStop()) {
      stopped = true;
      xmlStopParser(ctxt);
    }
  }

  const char* QName(const xmlChar* prefix, const xmlChar* local) {
    if (!prefix) return reinterpret_cast<const char*>(local);
    qname.assign(reinterpret_cast<const char*>(prefix));
    qname += ':';
    qname += reinterpret_cast<const char*>(local);
    return qname.c_str();
  }

  // Without substitution libxml2 leaves "&" as "&#38;" in attribute values
  // and HTML names as "&name;"; both become their characters here. Each
  // reference is at least as long as what replaces it, so the value never
  // outgrows [v, end). Returns the end of what was written at w.
  char* CopyValue(char* w, const char* v, const char* end) const {
    while (v < end) {
      const char* amp = static_cast<const char*>(memchr(v, '&', static_cast<size_t>(end - v)));
      const size_t plain = static_cast<size_t>((amp ? amp : end) - v);
      memcpy(w, v, plain);
      w += plain;
      if (!amp) break;
      v = amp + 1;
      const char* semi = static_cast<const char*>(memchr(amp, ';', static_cast<size_t>(end - amp)));
      if (semi && semi - amp == 4 && memcmp(amp, "&#38;", 5) == 0) {
        *w++ = '&';
        v = semi + 1;
        continue;
      }
      const htmlEntityDesc* d = nullptr;
      if (semi && options.htmlNames && semi - amp < 32) {
        std::string n(amp + 1, semi);
        d = htmlEntityLookup(BAD_CAST n.c_str());
      }
      char utf8[4];
      const int len = d ? Utf8Encode(d->value, utf8) : 0;
      if (d && len <= semi + 1 - amp) {
        memcpy(w, utf8, static_cast<size_t>(len));
        w += len;
        v = semi + 1;
      } else {
        *w++ = '&';
      }
    }
    return w;
  }

  static void StartNs(void* user, const xmlChar* local, const xmlChar* prefix, const xmlChar*, int,
                      const xmlChar**, int count, int, const xmlChar** attributes) {
    Impl* r = Of(user);
    if (r->Muted()) return;
    if (!r->decoded.empty()) r->decoded.clear();
    r->handler.OnStartTag(r->QName(prefix, local),
                          View(r, attributes, attributes ? count : 0, nullptr));
    r->CheckStop();
  }

  // A value of the SAX2 list as Attrs gives it: a view of the parser's bytes
  // unless it holds a reference.
  std::string_view Value(const xmlChar* const* a) const {
    const char* v = reinterpret_cast<const char*>(a[3]);
    const size_t n = static_cast<size_t>(a[4] - a[3]);
    if (!memchr(v, '&', n)) return std::string_view(v, n);
    decoded.emplace_back(n, '\0');
    std::string& out = decoded.back();
    out.resize(static_cast<size_t>(CopyValue(&out[0], v, v + n) - &out[0]));
    return out;
  }

  // Names and values, NUL-terminated, into one buffer sized first so the
  // pointers into it stay put.
  Attrs TakeAttributes(const xmlChar* const* attributes, int count) {
    const size_t n = static_cast<size_t>(count);
    size_t need = 0;
    for (size_t i = 0; i < n; i++) {
      const xmlChar* const* a = attributes + i * 5;
      need += (a[1] ? strlen(reinterpret_cast<const char*>(a[1])) + 1 : 0) +
              strlen(reinterpret_cast<const char*>(a[0])) + 1 + static_cast<size_t>(a[4] - a[3]) + 1;
    }
    if (text.size() < need) text.resize(need * 2);
    if (pointers.size() < 2 * n + 1) pointers.resize(2 * n + 1);
    char* w = text.data();
    for (size_t i = 0; i < n; i++) {
      const xmlChar* const* a = attributes + i * 5;
      pointers[2 * i] = w;
      if (a[1]) {
        w = stpcpy(w, reinterpret_cast<const char*>(a[1]));
        *w++ = ':';
      }
      w = stpcpy(w, reinterpret_cast<const char*>(a[0])) + 1;
      pointers[2 * i + 1] = w;
      w = CopyValue(w, reinterpret_cast<const char*>(a[3]), reinterpret_cast<const char*>(a[4]));
      *w++ = '\0';
    }
    pointers[2 * n] = nullptr;
    return pointers.data();
  }

  static void EndNs(void* user, const xmlChar* local, const xmlChar* prefix, const xmlChar*) {
    Impl* r = Of(user);
    if (r->Muted()) return;
    r->handler.OnEnd(r->QName(prefix, local));
    r->CheckStop();
  }

  static void StartPairs(void* user, const xmlChar* name, const xmlChar** attrs) {
    Impl* r = Of(user);
    if (r->Muted()) return;
    r->pointers.clear();
    for (int i = 0; attrs && attrs[i]; i += 2) {
      r->pointers.push_back(reinterpret_cast<const char*>(attrs[i]));
      // A bare HTML attribute (<option selected>) has no value.
      r->pointers.push_back(attrs[i + 1] ? reinterpret_cast<const char*>(attrs[i + 1]) : "");
    }
    r->pointers.push_back(nullptr);
    r->handler.OnStartTag(reinterpret_cast<const char*>(name),
                          View(r, nullptr, 0, r->pointers.data()));
    r->CheckStop();
  }

  static void EndPairs(void* user, const xmlChar* name) {
    Impl* r = Of(user);
    if (r->Muted()) return;
    r->handler.OnEnd(reinterpret_cast<const char*>(name));
    r->CheckStop();
  }

  static void Characters(void* user, const xmlChar* text, int len) {
    Impl* r = Of(user);
    if (r->Muted() || len <= 0) return;
    r->handler.OnText(reinterpret_cast<const char*>(text), len);
    r->CheckStop();
  }

  // Asked for every name the parser does not predefine. Only HTML names are
  // known, and only when asked for (XHTML read without its DTD).
  static xmlEntityPtr GetEntity(void* user, const xmlChar* name) {
    Impl* r = Of(user);
    if (!r->options.htmlNames || !r->ctxt || r->ctxt->inSubset != 0) return nullptr;
    for (Named& n : r->named)
      if (n.name == reinterpret_cast<const char*>(name)) return &n.entity;
    const htmlEntityDesc* d = htmlEntityLookup(name);
    if (!d) return nullptr;
    r->named.emplace_back();
    Named& n = r->named.back();
    n.name = reinterpret_cast<const char*>(name);
    char utf8[4];
    n.text.assign(utf8, static_cast<size_t>(Utf8Encode(d->value, utf8)));
    n.entity.type = XML_ENTITY_DECL;
    n.entity.etype = XML_INTERNAL_GENERAL_ENTITY;
    n.entity.name = BAD_CAST n.name.c_str();
    n.entity.content = BAD_CAST n.text.c_str();
    n.entity.length = static_cast<int>(n.text.size());
    return &n.entity;
  }

  static void OnError(void* user, xmlErrorPtr err) {
    if (!err || !user) return;
    Impl* r = Of(user);
    Error e;
    e.code = err->code;
    e.line = err->line;
    e.fatal = err->level == XML_ERR_FATAL;
    e.warning = err->level == XML_ERR_WARNING;
    e.encoding = IsEncodingError(err->code);
    // One line: libxml2 breaks some messages in two.
    std::string text;
    for (const char* p = err->message ? err->message : ""; *p; p++) text += *p == '\n' ? ' ' : *p;
    while (!text.empty() && text.back() == ' ') text.pop_back();
    e.message = text.c_str();
    r->handler.OnError(e);
  }

  int Start() {
    std::call_once(g_Init, [] { xmlInitParser(); });
    const char* data = head.data();
    int n = static_cast<int>(head.size());
    if (encoding.empty() && options.html) {
      // The HTML parser honours neither the XML declaration nor a late meta
      // charset; tell it what the file says, or what its bytes look like.
      encoding = SniffDeclaredEncoding(data, head.size());
      if (encoding.empty()) encoding = GuessEncoding(data, head.size());
    }
    xmlCharEncodingHandlerPtr enc = nullptr;
    if (!encoding.empty()) enc = xmlFindCharEncodingHandler(encoding.c_str());
    const char* label = name.empty() ? nullptr : name.c_str();
    int offset = 0;
    if (options.html) {
      ctxt = htmlCreatePushParserCtxt(&sax, this, nullptr, 0, label, XML_CHAR_ENCODING_NONE);
      if (ctxt)
        htmlCtxtUseOptions(ctxt, HTML_PARSE_RECOVER | HTML_PARSE_NONET | HTML_PARSE_NOERROR |
                                     HTML_PARSE_NOWARNING);
    } else if (enc) {
      ctxt = xmlCreatePushParserCtxt(&sax, this, nullptr, 0, label);
      if (ctxt) xmlCtxtUseOptions(ctxt, XML_PARSE_NONET | XML_PARSE_IGNORE_ENC);
    } else {
      // The first bytes let libxml2 recognise a byte-order mark or UTF-16.
      offset = n < 4 ? n : 4;
      ctxt = xmlCreatePushParserCtxt(&sax, this, data, offset, label);
      if (ctxt) xmlCtxtUseOptions(ctxt, XML_PARSE_NONET);
    }
    if (!ctxt) {
      if (enc) xmlCharEncCloseFunc(enc);
      return result = -2;
    }
    if (enc) xmlSwitchToEncoding(ctxt, enc);
    int r = Push(data + offset, n - offset, 0);
    head.clear();
    head.shrink_to_fit();
    return r;
  }

  int Push(const char* data, int size, int terminate) {
    if (result != 0 || stopped) return result;
    int code = options.html ? htmlParseChunk(ctxt, data, size, terminate)
                            : xmlParseChunk(ctxt, data, size, terminate);
    if (code == 0 || stopped) return 0;
    if (code == XML_ERR_NO_MEMORY) return result = -2;
    // The HTML parser always recovers; XML stops at the first fatal error.
    if (options.html) return 0;
    if (!ctxt->wellFormed || ctxt->disableSAX) return result = -3;
    ctxt->errNo = 0;  // recoverable: a namespace slip
    return 0;
  }

  int Feed(const char* data, size_t size) {
    if (result != 0 || stopped || finished) return result;
    if (!ctxt) {
      size_t take = size < kHead - head.size() ? size : kHead - head.size();
      head.append(data, take);
      data += take;
      size -= take;
      if (head.size() < kHead) return 0;
      if (Start() != 0) return result;
    }
    while (size > 0 && result == 0 && !stopped) {
      size_t piece = size < kMaxPiece ? size : kMaxPiece;
      Push(data, static_cast<int>(piece), 0);
      data += piece;
      size -= piece;
    }
    return result;
  }

  int Finish() {
    if (finished) return result;
    finished = true;
    if (result != 0 || stopped) return result;
    if (!ctxt) {
      if (head.empty()) return result = -3;
      if (Start() != 0 || stopped) return result;
    }
    // Terminating a document cut off inside a tag would hand over that tag
    // with the attributes read so far. libxml2 still says what is wrong, but
    // nothing more is delivered.
    bool early = !options.html && ctxt->instate != XML_PARSER_EPILOG &&
                 ctxt->instate != XML_PARSER_EOF;
    ending = early;
    Push(nullptr, 0, 1);
    if (early && result == 0) result = -3;
    return result;
  }

  Handler& handler;
  Options options;
  std::string encoding;
  std::string name;
  xmlSAXHandler sax;
  xmlParserCtxtPtr ctxt = nullptr;
  std::string head;
  int result = 0;
  bool stopped = false;
  bool finished = false;
  bool ending = false;
  std::string qname;
  std::vector<char> text;  // the attributes' names and values
  std::vector<const char*> pointers;
  mutable std::deque<std::string> decoded;  // values with references, this tag's
  std::deque<Named> named;  // deque: entities stay where the parser saw them
};

AttrView Reader::View(Impl* impl, const unsigned char* const* sax2, int count, Attrs pairs) {
  AttrView v;
  v.sax2_ = sax2;
  v.count_ = count;
  v.pairs_ = pairs;
  v.reader_ = impl;
  return v;
}

namespace {

// The rest of `name` after `head` when it starts with it, else null: names
// are short, a call to the library costs more than comparing them here.
const char* After(const char* name, const char* head) {
  while (*head)
    if (*name++ != *head++) return nullptr;
  return name;
}

}  // namespace

std::string_view AttrView::Get(const char* name) const {
  if (!name) return std::string_view();
  if (pairs_) {
    const char* v = Attr(pairs_, name);
    return v ? std::string_view(v) : std::string_view();
  }
  for (int i = 0; i < count_; i++) {
    const unsigned char* const* a = sax2_ + i * 5;
    // Most attributes differ from the name asked for in the first letter.
    if (*(a[1] ? a[1] : a[0]) != static_cast<unsigned char>(*name)) continue;
    const char* rest = name;
    if (a[1]) {
      rest = After(name, reinterpret_cast<const char*>(a[1]));
      if (!rest || *rest++ != ':') continue;
    }
    rest = After(rest, reinterpret_cast<const char*>(a[0]));
    if (rest && !*rest) return static_cast<const Reader::Impl*>(reader_)->Value(a);
  }
  return std::string_view();
}

Attrs AttrView::All() const {
  static const char* const c_None[] = {nullptr};
  if (pairs_) return pairs_;
  auto* impl = const_cast<Reader::Impl*>(static_cast<const Reader::Impl*>(reader_));
  return impl ? impl->TakeAttributes(sax2_, count_) : c_None;
}

Reader::Reader(Handler& handler, const Options& options) : impl_(new Impl(handler, options)) {}
Reader::~Reader() = default;
int Reader::Feed(const char* data, size_t size) {
  if (!data && size) return -1;
  return impl_->Feed(data, size);
}
int Reader::Finish() { return impl_->Finish(); }
bool Reader::Stopped() const { return impl_->stopped; }

int ReadFile(const char* devicePath, Handler& handler, const Options& options, size_t chunk) {
  if (!devicePath) return -1;
  fd::UniqueFile f(BFopen(devicePath, "rb"));
  if (!f) return -3;
  Options o = options;
  if (!o.name) o.name = devicePath;
  Reader reader(handler, o);
  std::vector<char> buf(chunk ? chunk : 2048);
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), f.get())) > 0) {
    if (reader.Feed(buf.data(), n) != 0 || reader.Stopped()) return reader.Finish();
  }
  if (ferror(f.get())) return -3;
  return reader.Finish();
}

int ReadMemory(const char* data, size_t size, Handler& handler, const Options& options,
               size_t chunk) {
  if (!data) return -1;
  Reader reader(handler, options);
  if (!chunk) chunk = size ? size : 1;
  for (size_t off = 0; off < size; off += chunk) {
    size_t n = size - off < chunk ? size - off : chunk;
    if (reader.Feed(data + off, n) != 0 || reader.Stopped()) break;
  }
  return reader.Finish();
}

// ---- encodings ----

bool KnownEncoding(const char* name) {
  if (!name || !*name) return false;
  xmlCharEncodingHandlerPtr handler = xmlFindCharEncodingHandler(name);
  if (!handler) return false;
  xmlCharEncCloseFunc(handler);
  return true;
}

namespace {

// The value after `key` up to a quote, blank, ';' or '>' (key is matched
// ignoring case); "" when key is absent.
std::string ValueAfter(const char* data, size_t size, const char* key) {
  size_t k = strlen(key);
  for (size_t i = 0; i + k < size; i++) {
    if (strncasecmp(data + i, key, k) != 0) continue;
    size_t j = i + k;
    while (j < size && (data[j] == ' ' || data[j] == '=' || data[j] == '"' || data[j] == '\''))
      j++;
    size_t start = j;
    while (j < size && data[j] != '"' && data[j] != '\'' && data[j] != ' ' && data[j] != ';' &&
           data[j] != '>' && data[j] != '?' && data[j] != '/')
      j++;
    if (j > start && j - start < 40) return std::string(data + start, j - start);
  }
  return std::string();
}

}  // namespace

std::string SniffDeclaredEncoding(const char* data, size_t size) {
  if (!data) return std::string();
  if (size > 8192) size = 8192;
  if (size >= 5 && memcmp(data, "<?xml", 5) == 0) {
    const char* end = static_cast<const char*>(memchr(data, '>', size));
    size_t declSize = end ? static_cast<size_t>(end - data) : size;
    std::string v = ValueAfter(data, declSize, "encoding");
    if (!v.empty()) return v;
  }
  return ValueAfter(data, size, "charset");
}

const char* GuessEncoding(const char* data, size_t size) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(data);
  bool utf8 = true;
  for (size_t i = 0; i < size && utf8;) {
    unsigned char c = p[i];
    int extra = c < 0x80             ? 0
                : (c & 0xE0) == 0xC0 ? 1
                : (c & 0xF0) == 0xE0 ? 2
                : (c & 0xF8) == 0xF0 ? 3
                                     : -1;
    if (extra < 0 || (c & 0xFE) == 0xC0) {
      utf8 = false;
      break;
    }
    if (i + extra >= size && extra > 0) break;  // a character cut by the end of the sample
    for (int k = 1; k <= extra; k++)
      if ((p[i + k] & 0xC0) != 0x80) utf8 = false;
    i += 1 + extra;
  }
  if (utf8) return "UTF-8";
  // Bytes that are Polish letters in windows-1250 (a-ogonek, s-acute, l-stroke,
  // z-dot, e-ogonek, c-acute, n-acute, ...) against bytes that are Western
  // letters in windows-1252 only (e-grave, a-grave, a-ring, o-slash, ...).
  static const unsigned char c_Polish[] = {0xB9, 0xA5, 0x9C, 0x8C, 0x9F, 0x8F, 0xB3, 0xA3,
                                           0xBF, 0xAF, 0xEA, 0xCA, 0xE6, 0xC6, 0xF1, 0xD1};
  static const unsigned char c_Western[] = {0xE8, 0xE0, 0xEC, 0xF2, 0xF9, 0xE3, 0xF5,
                                            0xE5, 0xF8, 0xC8, 0xC0, 0xD8, 0xC5};
  int polish = 0, western = 0;
  for (size_t i = 0; i < size; i++) {
    if (p[i] < 0x80) continue;
    for (unsigned char b : c_Polish) polish += p[i] == b;
    for (unsigned char b : c_Western) western += p[i] == b;
  }
  return polish > western ? "windows-1250" : "windows-1252";
}

std::string RepairEncoding(const char* devicePath) {
  if (!devicePath) return std::string();
  fd::UniqueFile f(BFopen(devicePath, "rb"));
  if (!f) return std::string();
  std::vector<char> buf(65536);
  size_t n = fread(buf.data(), 1, buf.size(), f.get());
  std::string declared = SniffDeclaredEncoding(buf.data(), n);
  if (!declared.empty() && strcasecmp(declared.c_str(), "utf-8") != 0 &&
      strcasecmp(declared.c_str(), "utf8") != 0 && KnownEncoding(declared.c_str()))
    return declared;
  return GuessEncoding(buf.data(), n);
}

}  // namespace xml
