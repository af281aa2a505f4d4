#include "core/base/xml_parser.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "core/base/atomic_file.h"
#include "core/base/diag.h"
#include "platform/board.h"

XmlParser::~XmlParser() {
  if (m_rec) {
    if (m_rec->doc) xmlFreeDoc(m_rec->doc);
    delete m_rec;
  }
}

int XmlParser::New() {
  if (m_rec) {
    if (m_rec->doc) xmlFreeDoc(m_rec->doc);
    delete m_rec;
    m_rec = nullptr;
  }
  m_rec = new (std::nothrow) Record();
  if (!m_rec) return -2;
  m_rec->doc = xmlNewDoc(BAD_CAST "1.0");
  if (!m_rec->doc) {
    delete m_rec;
    m_rec = nullptr;
    return -2;
  }
  return 0;
}

int XmlParser::StartElement(const char* name) {
  if (!name || !m_rec || !m_rec->doc) return -1;
  if (m_rec->depth >= kMaxDepth) return -3;
  // Only one root: a second top-level element has nowhere to go.
  if (m_rec->depth == 0 && xmlDocGetRootElement(m_rec->doc)) return -1;
  xmlNodePtr node = xmlNewNode(nullptr, BAD_CAST name);
  if (!node) return -2;
  if (m_rec->depth == 0)
    xmlDocSetRootElement(m_rec->doc, node);
  else
    xmlAddChild(m_rec->stack[m_rec->depth - 1], node);
  m_rec->stack[m_rec->depth++] = node;
  return 0;
}

int XmlParser::EndElement() {
  if (!m_rec || m_rec->depth <= 0) return -1;
  m_rec->depth--;
  return 0;
}

int XmlParser::AddAttribute(const char* name, const char* value) {
  if (!name || !value || !m_rec || m_rec->depth <= 0) return -1;
  return xmlNewProp(m_rec->stack[m_rec->depth - 1], BAD_CAST name, BAD_CAST value) ? 0 : -2;
}

int XmlParser::AddIntAttribute(const char* name, int value) {
  char text[16];
  snprintf(text, sizeof text, "%d", value);
  return AddAttribute(name, text);
}

int XmlParser::SaveToFile(const char* path) {
  if (!path || !m_rec || !m_rec->doc) return -1;
  return SaveXmlDocAtomic(m_rec->doc, path) == 0 ? 0 : -1;
}

const char* XmlParse_GetAttribute(const char** attrs, const char* name) {
  if (!attrs || !name) return nullptr;
  for (int i = 0; attrs[i]; i += 2)
    if (!strcmp(attrs[i], name)) return attrs[i + 1];
  return nullptr;
}

int XmlParse_GetIntAttribute(const char** attrs, const char* name) {
  const char* v = XmlParse_GetAttribute(attrs, name);
  return v ? (int)strtol(v, nullptr, 10) : -1;
}

namespace {

struct Callbacks {
  void* context;
  startElementSAXFunc start;
  endElementSAXFunc end;
  charactersSAXFunc text;
};

Callbacks* Of(void* parser) { return static_cast<Callbacks*>(static_cast<xmlParserCtxtPtr>(parser)->_private); }

void StartTrampoline(void* parser, const xmlChar* name, const xmlChar** attrs) {
  Callbacks* cb = Of(parser);
  cb->start(cb->context, name, attrs);
}
void EndTrampoline(void* parser, const xmlChar* name) {
  Callbacks* cb = Of(parser);
  cb->end(cb->context, name);
}
void TextTrampoline(void* parser, const xmlChar* ch, int len) {
  Callbacks* cb = Of(parser);
  cb->text(cb->context, ch, len);
}

}  // namespace

int XmlParse_Load(const char* path, void* context, startElementSAXFunc startElement, endElementSAXFunc endElement,
                  charactersSAXFunc characters) {
  if (!path) return -1;
  FILE* f = BFopen(path, "rb");
  if (!f) {
    DiagPrintf("can not open %s", path);
    return -1;
  }
  static const int kChunk = 64 * 1024;
  char* buf = static_cast<char*>(malloc(kChunk));
  if (!buf) {
    fclose(f);
    return -2;
  }
  int n = (int)fread(buf, 1, kChunk, f);
  if (n <= 10) {
    DiagPrintf("len = %d", n);
    free(buf);
    fclose(f);
    return -1;
  }
  // libxml2's own SAX1 handlers keep the entity declarations, and they need
  // the parser as their context; the caller's callbacks get theirs through
  // the trampolines.
  Callbacks cb{context, startElement, endElement, characters};
  xmlSAXHandler sax;
  memset(&sax, 0, sizeof sax);
  xmlSAXVersion(&sax, 1);
  sax.startElement = startElement ? StartTrampoline : nullptr;
  sax.endElement = endElement ? EndTrampoline : nullptr;
  sax.characters = characters ? TextTrampoline : nullptr;
  sax.ignorableWhitespace = sax.characters;
  xmlParserCtxtPtr ctxt = xmlCreatePushParserCtxt(&sax, nullptr, nullptr, 0, path);
  if (!ctxt) {
    DiagPrintf("xmlCreatePushParserCtxt() failed");
    free(buf);
    fclose(f);
    return -1;
  }
  ctxt->_private = &cb;
  xmlCtxtUseOptions(ctxt, XML_PARSE_NOENT | XML_PARSE_NONET);
  do {
    int ret = xmlParseChunk(ctxt, buf, n, 0);
    if (ret) {
      DiagPrintf("ret = %d", ret);
      break;
    }
  } while ((n = (int)fread(buf, 1, kChunk, f)) > 0);
  xmlParseChunk(ctxt, nullptr, 0, 1);
  if (ctxt->myDoc) xmlFreeDoc(ctxt->myDoc);
  xmlFreeParserCtxt(ctxt);
  free(buf);
  fclose(f);
  return 0;
}
