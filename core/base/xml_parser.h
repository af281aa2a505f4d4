// A small XML writer (element stack, attributes as text) and the streaming
// SAX loader used by settings and list files.
#pragma once

#include <libxml/parser.h>
#include <libxml/tree.h>

class XmlParser {
 public:
  XmlParser() = default;
  virtual ~XmlParser();
  XmlParser(const XmlParser&) = delete;
  XmlParser& operator=(const XmlParser&) = delete;

  // Drops any previous document and starts a new one. 0 or -2.
  int New();
  // -1 no document/name, -3 sixteen elements already open.
  int StartElement(const char* name);
  // -1 when nothing is open.
  int EndElement();
  int AddAttribute(const char* name, const char* value);
  int AddIntAttribute(const char* name, int value);
  // Writes the document (atomically: temp file, flush, rename). 0 or -1.
  int SaveToFile(const char* path);

  static const int kMaxDepth = 16;

 private:
  struct Record {
    xmlDocPtr doc = nullptr;
    xmlNodePtr stack[kMaxDepth] = {};
    int depth = 0;
  };
  Record* m_rec = nullptr;
};

// Value of `name` in a null-terminated name/value array, or null.
const char* XmlParse_GetAttribute(const char** attrs, const char* name);
// Its decimal value, or -1 when absent.
int XmlParse_GetIntAttribute(const char** attrs, const char* name);

// Streams a file of any size through libxml2's SAX push parser. 0 or -1.
int XmlParse_Load(const char* path, void* context, startElementSAXFunc startElement,
                  endElementSAXFunc endElement, charactersSAXFunc characters);
