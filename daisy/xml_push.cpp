#include "daisy/xml_push.h"

#include <libxml/HTMLparser.h>
#include <libxml/SAX2.h>
#include <libxml/entities.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlerror.h>
#include <strings.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>

#include "core/base/diag.h"
#include "platform/board.h"

namespace libDaisy {

// ---- attributes ----

XmlAttrs XmlAttrs::FromSax2(const unsigned char** attrs, int count) {
  XmlAttrs a;
  a.m_Sax2 = attrs;
  a.m_Count = attrs ? count : 0;
  return a;
}

XmlAttrs XmlAttrs::FromPairs(const unsigned char** attrs) {
  XmlAttrs a;
  a.m_Pairs = attrs;
  return a;
}

std::string_view XmlAttrs::Get(const char* name) const {
  if (!name) return {};
  if (m_Pairs) {
    for (const unsigned char** p = m_Pairs; p[0]; p += 2)
      if (strcmp(reinterpret_cast<const char*>(p[0]), name) == 0)
        return p[1] ? std::string_view(reinterpret_cast<const char*>(p[1]))
                    : std::string_view("", 0);
    return {};
  }
  if (!m_Sax2) return {};
  const char* colon = strchr(name, ':');
  size_t prefixLen = colon ? static_cast<size_t>(colon - name) : 0;
  const char* local = colon ? colon + 1 : name;
  for (int i = 0; i < m_Count; i++) {
    const char* l = reinterpret_cast<const char*>(m_Sax2[i * 5]);
    const char* prefix = reinterpret_cast<const char*>(m_Sax2[i * 5 + 1]);
    if (strcmp(l, local) != 0) continue;
    if (colon ? !(prefix && strlen(prefix) == prefixLen && memcmp(prefix, name, prefixLen) == 0)
              : prefix != nullptr)
      continue;
    const char* v = reinterpret_cast<const char*>(m_Sax2[i * 5 + 3]);
    const char* end = reinterpret_cast<const char*>(m_Sax2[i * 5 + 4]);
    return std::string_view(v, static_cast<size_t>(end - v));
  }
  return {};
}

namespace {

constexpr int kChunk = 2048;

// ---- input ----

class Input {
 public:
  virtual ~Input() = default;
  virtual int Read(char* buf, int size) = 0;
};

class FileInput final : public Input {
 public:
  explicit FileInput(FILE* f) : m_File(f) {}
  ~FileInput() override { fclose(m_File); }
  int Read(char* buf, int size) override {
    size_t n = fread(buf, 1, static_cast<size_t>(size), m_File);
    return static_cast<int>(n);
  }

 private:
  FILE* m_File;
};

class MemoryInput final : public Input {
 public:
  MemoryInput(const char* data, size_t size) : m_Data(data), m_Left(size) {}
  int Read(char* buf, int size) override {
    size_t n = m_Left < static_cast<size_t>(size) ? m_Left : static_cast<size_t>(size);
    if (n) memcpy(buf, m_Data, n);
    m_Data += n;
    m_Left -= n;
    return static_cast<int>(n);
  }

 private:
  const char* m_Data;
  size_t m_Left;
};

// ---- SAX glue ----

struct Session {
  XmlSink* sink;
  XmlParseInfo* info;
  xmlParserCtxtPtr ctxt;
  bool html;
  bool stopped = false;
  std::string name;  // qualified-name scratch
};

Session* Of(void* ctx) {
  return static_cast<Session*>(static_cast<xmlParserCtxtPtr>(ctx)->_private);
}

void CheckStop(Session* s) {
  if (!s->stopped && s->sink->WantsStop()) {
    s->stopped = true;
    xmlStopParser(s->ctxt);
  }
}

const char* QName(Session* s, const xmlChar* prefix, const xmlChar* local) {
  if (!prefix) return reinterpret_cast<const char*>(local);
  s->name.assign(reinterpret_cast<const char*>(prefix));
  s->name += ':';
  s->name += reinterpret_cast<const char*>(local);
  return s->name.c_str();
}

void StartNs(void* ctx, const xmlChar* local, const xmlChar* prefix, const xmlChar*, int,
             const xmlChar**, int nbAttributes, int, const xmlChar** attributes) {
  Session* s = Of(ctx);
  if (s->stopped) return;
  s->sink->OnStartElement(QName(s, prefix, local), XmlAttrs::FromSax2(attributes, nbAttributes));
  CheckStop(s);
}

void EndNs(void* ctx, const xmlChar* local, const xmlChar* prefix, const xmlChar*) {
  Session* s = Of(ctx);
  if (s->stopped) return;
  s->sink->OnEndElement(QName(s, prefix, local));
  CheckStop(s);
}

void StartPairs(void* ctx, const xmlChar* name, const xmlChar** attrs) {
  Session* s = Of(ctx);
  if (s->stopped) return;
  s->sink->OnStartElement(reinterpret_cast<const char*>(name), XmlAttrs::FromPairs(attrs));
  CheckStop(s);
}

void EndPairs(void* ctx, const xmlChar* name) {
  Session* s = Of(ctx);
  if (s->stopped) return;
  s->sink->OnEndElement(reinterpret_cast<const char*>(name));
  CheckStop(s);
}

void Characters(void* ctx, const xmlChar* text, int len) {
  Session* s = Of(ctx);
  if (s->stopped || len <= 0) return;
  s->sink->OnCharacters(reinterpret_cast<const char*>(text), len);
  CheckStop(s);
}

int Utf8Encode(int cp, char* out) {
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

// Entities: the predefined ones, those the document declares itself, and the
// HTML names (&nbsp; &eacute; ...) that XHTML books use without loading their
// DTD. External entities are never loaded: a book cannot pull in other files.
xmlEntityPtr GetEntity(void* ctx, const xmlChar* name) {
  xmlParserCtxtPtr ctxt = static_cast<xmlParserCtxtPtr>(ctx);
  if (ctxt->inSubset == 0) {
    xmlEntityPtr e = xmlGetPredefinedEntity(name);
    if (e) return e;
  }
  if (!ctxt->myDoc) return nullptr;
  xmlEntityPtr e = xmlGetDocEntity(ctxt->myDoc, name);
  if (e) return e->etype == XML_EXTERNAL_GENERAL_PARSED_ENTITY ? nullptr : e;
  if (ctxt->inSubset != 0) return nullptr;
  const htmlEntityDesc* d = htmlEntityLookup(name);
  if (!d) return nullptr;
  if (!ctxt->myDoc->intSubset && !xmlCreateIntSubset(ctxt->myDoc, BAD_CAST "html", nullptr, nullptr))
    return nullptr;
  char utf8[8];
  utf8[Utf8Encode(static_cast<int>(d->value), utf8)] = 0;
  return xmlAddDocEntity(ctxt->myDoc, name, XML_INTERNAL_GENERAL_ENTITY, nullptr, nullptr,
                         BAD_CAST utf8);
}

// Parameter entities that live in other files are not loaded either; the
// document reads on as if the DTD had not been fetched.
xmlEntityPtr GetParameterEntity(void* ctx, const xmlChar* name) {
  xmlEntityPtr e = xmlSAX2GetParameterEntity(ctx, name);
  if (e && e->etype == XML_EXTERNAL_PARAMETER_ENTITY) return nullptr;
  return e;
}

bool IsEncodingError(int code) {
  return code == XML_ERR_INVALID_CHAR || code == XML_ERR_UNKNOWN_ENCODING ||
         code == XML_ERR_UNSUPPORTED_ENCODING || code == XML_ERR_INVALID_ENCODING ||
         code == XML_I18N_CONV_FAILED || code == XML_I18N_NO_HANDLER;
}

void StructuredError(void* ctx, xmlErrorPtr err) {
  if (!err) return;
  Session* s = Of(ctx);
  if (!s || !s->info || err->level == XML_ERR_WARNING) return;
  if (s->info->xmlError == 0) {
    s->info->xmlError = err->code;
    s->info->line = err->line;
    if (err->message) {
      // One line: libxml2 breaks some messages in two.
      for (const char* p = err->message; *p; p++) s->info->message += *p == '\n' ? ' ' : *p;
      while (!s->info->message.empty() && s->info->message.back() == ' ')
        s->info->message.pop_back();
    }
  }
  if (err->level == XML_ERR_FATAL && IsEncodingError(err->code) && !s->info->badEncoding &&
      s->info->xmlError == err->code)
    s->info->badEncoding = true;
}

void MakeHandler(xmlSAXHandler* h, bool html) {
  memset(h, 0, sizeof *h);
  xmlSAXVersion(h, 2);
  h->startElementNs = StartNs;
  h->endElementNs = EndNs;
  h->startElement = html ? StartPairs : nullptr;
  h->endElement = html ? EndPairs : nullptr;
  h->characters = Characters;
  h->cdataBlock = Characters;
  h->ignorableWhitespace = Characters;
  h->comment = nullptr;
  h->processingInstruction = nullptr;
  h->reference = nullptr;
  h->getEntity = html ? h->getEntity : GetEntity;
  h->getParameterEntity = html ? h->getParameterEntity : GetParameterEntity;
  h->resolveEntity = nullptr;
  h->error = nullptr;
  h->warning = nullptr;
  h->fatalError = nullptr;
  h->serror = StructuredError;
}

std::once_flag g_XmlInit;

int Parse(Input& in, const char* name, XmlSink& sink, const XmlReadOptions& options,
          XmlParseInfo* info) {
  std::call_once(g_XmlInit, [] { xmlInitParser(); });
  XmlParseInfo scratch;
  if (!info) info = &scratch;
  info->Clear();

  char buf[kChunk];
  int n = in.Read(buf, kChunk);
  if (n <= 0) return -3;

  std::string encoding = options.encoding ? options.encoding : "";
  if (encoding.empty() && options.html) {
    // The HTML parser honours neither the XML declaration nor a late meta
    // charset; tell it what the file says, or what its bytes look like.
    encoding = SniffDeclaredEncoding(buf, static_cast<size_t>(n));
    if (encoding.empty()) encoding = GuessEncoding(buf, static_cast<size_t>(n));
  }
  xmlCharEncodingHandlerPtr handler = nullptr;
  if (!encoding.empty()) handler = xmlFindCharEncodingHandler(encoding.c_str());

  xmlSAXHandler sax;
  MakeHandler(&sax, options.html);
  Session session{&sink, info, nullptr, options.html, false, std::string()};
  xmlParserCtxtPtr ctxt;
  int offset = 0;
  if (options.html) {
    ctxt = htmlCreatePushParserCtxt(&sax, nullptr, nullptr, 0, name, XML_CHAR_ENCODING_NONE);
    if (!ctxt) return -3;
    htmlCtxtUseOptions(ctxt, HTML_PARSE_RECOVER | HTML_PARSE_NONET | HTML_PARSE_NOERROR |
                                 HTML_PARSE_NOWARNING);
  } else if (handler) {
    ctxt = xmlCreatePushParserCtxt(&sax, nullptr, nullptr, 0, name);
    if (!ctxt) return -3;
    xmlCtxtUseOptions(ctxt, XML_PARSE_NOENT | XML_PARSE_NONET | XML_PARSE_IGNORE_ENC);
  } else {
    // The first bytes let libxml2 recognise a byte-order mark or UTF-16.
    offset = n < 4 ? n : 4;
    ctxt = xmlCreatePushParserCtxt(&sax, nullptr, buf, offset, name);
    if (!ctxt) return -3;
    xmlCtxtUseOptions(ctxt, XML_PARSE_NOENT | XML_PARSE_NONET);
  }
  ctxt->_private = &session;
  session.ctxt = ctxt;
  if (handler) xmlSwitchToEncoding(ctxt, handler);

  int rc = 0;
  auto failed = [&](int result) {
    if (result == 0 || session.stopped) return false;
    if (result == XML_ERR_NO_MEMORY) {
      rc = -2;
      return true;
    }
    // The HTML parser always recovers; XML stops at the first fatal error.
    if (options.html) return false;
    if (!ctxt->wellFormed || ctxt->disableSAX) {
      rc = -3;
      return true;
    }
    ctxt->errNo = 0;  // recoverable: a namespace slip, an undeclared entity
    return false;
  };
  auto chunk = [&](const char* data, int size, int terminate) {
    return options.html ? htmlParseChunk(ctxt, data, size, terminate)
                        : xmlParseChunk(ctxt, data, size, terminate);
  };

  bool stop = false;
  if (n > offset) stop = failed(chunk(buf + offset, n - offset, 0));
  while (!stop && !session.stopped && n == kChunk) {
    n = in.Read(buf, kChunk);
    if (n <= 0) break;
    stop = failed(chunk(buf, n, 0));
  }
  if (!stop && !session.stopped) failed(chunk(nullptr, 0, 1));

  if (ctxt->myDoc) {
    xmlFreeDoc(ctxt->myDoc);
    ctxt->myDoc = nullptr;
  }
  if (options.html)
    htmlFreeParserCtxt(ctxt);
  else
    xmlFreeParserCtxt(ctxt);
  if (rc == -3 && info->xmlError == 0) info->message = "not well-formed";
  return rc;
}

}  // namespace

int XmlPushParseFile(const char* path, XmlSink& sink, const XmlReadOptions& options,
                     XmlParseInfo* info) {
  if (info) info->Clear();
  if (!path) return -1;
  FILE* f = BFopen(path, "rb");
  if (!f) return -3;
  FileInput in(f);
  return Parse(in, path, sink, options, info);
}

int XmlPushParseMemory(const char* data, size_t size, const char* name, XmlSink& sink,
                       const XmlReadOptions& options, XmlParseInfo* info) {
  if (info) info->Clear();
  if (!data) return -1;
  MemoryInput in(data, size);
  return Parse(in, name ? name : "memory", sink, options, info);
}

// ---- encodings ----

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

std::string RepairEncoding(const char* path) {
  FILE* f = BFopen(path, "rb");
  if (!f) return std::string();
  std::unique_ptr<char[]> buf(new char[65536]);
  size_t n = fread(buf.get(), 1, 65536, f);
  fclose(f);
  std::string declared = SniffDeclaredEncoding(buf.get(), n);
  if (!declared.empty() && strcasecmp(declared.c_str(), "utf-8") != 0 &&
      strcasecmp(declared.c_str(), "utf8") != 0) {
    xmlCharEncodingHandlerPtr handler = xmlFindCharEncodingHandler(declared.c_str());
    if (handler) {
      xmlCharEncCloseFunc(handler);
      return declared;
    }
  }
  return GuessEncoding(buf.get(), n);
}

}  // namespace libDaisy
