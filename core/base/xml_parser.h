// A small XML writer (element stack, attributes as text) and the streaming
// loader for settings and list files of any size.
#pragma once

#include <memory>
#include <vector>

#include "core/lib/xml/xml_document.h"
#include "core/lib/xml/xml_reader.h"

class XmlParser {
 public:
  XmlParser() = default;
  XmlParser(const XmlParser&) = delete;
  XmlParser& operator=(const XmlParser&) = delete;

  // Drops any previous document and starts a new one. 0.
  int New();
  // -1 no document/name, -3 sixteen elements already open.
  int StartElement(const char* name);
  // -1 when nothing is open.
  int EndElement();
  int AddAttribute(const char* name, const char* value);
  int AddIntAttribute(const char* name, int value);
  // Writes the document (atomically: temp file, flush, rename). 0 or -1.
  [[nodiscard]] int SaveToFile(const char* path);

  static const int kMaxDepth = 16;

 private:
  bool started_ = false;
  std::unique_ptr<xml::Document> doc_;  // made by the root element
  std::vector<xml::Element> open_;
};

// Value of `name` in a null-terminated name/value array, or null.
const char* XmlParse_GetAttribute(xml::Attrs attrs, const char* name);
// Its decimal value, or -1 when absent.
int XmlParse_GetIntAttribute(xml::Attrs attrs, const char* name);

using XmlStartFn = void (*)(void* ctx, const char* name, xml::Attrs attrs);
using XmlEndFn = void (*)(void* ctx, const char* name);
using XmlTextFn = void (*)(void* ctx, const char* text, int length);

// Streams a file of any size through the reader. 0 (also when it stopped at
// an error: what came before stays delivered), -1 missing or not longer
// than 10 bytes.
int XmlParse_Load(const char* path, void* context, XmlStartFn startElement, XmlEndFn endElement,
                  XmlTextFn characters);
