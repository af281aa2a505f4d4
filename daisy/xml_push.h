// The DAISY readers' side of the XML reader: files fed in 2048-byte chunks,
// events turned into calls on a small sink interface.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "core/lib/xml/xml_reader.h"

namespace libDaisy {

// The attributes of one start tag.
class XmlAttrs {
 public:
  XmlAttrs() = default;
  explicit XmlAttrs(const xml::AttrView& view) : m_View(&view) {}
  // Value of the attribute with exactly that (qualified) name; a view with a
  // null data() when absent. Not NUL-terminated.
  std::string_view Get(const char* name) const {
    return m_View ? m_View->Get(name) : std::string_view();
  }

 private:
  const xml::AttrView* m_View = nullptr;
};

// The value of the attribute `name`, or a null view.
inline std::string_view GetXmlAttribute(const XmlAttrs& attrs, const char* name) {
  return attrs.Get(name);
}

// Receives the events of one parse. Each reader is one sink.
class XmlSink {
 public:
  virtual ~XmlSink() = default;
  // A start tag; name is qualified ("dc:Title") as written.
  virtual void OnStartElement(const char* name, const XmlAttrs& attrs) = 0;
  virtual void OnEndElement(const char* name) = 0;
  // Character data (may come in several pieces for one run of text).
  virtual void OnCharacters(const char* text, int length) = 0;
  // True once the sink wants no more events (an error of its own, or it has
  // all it needs); the parse then stops.
  virtual bool WantsStop() const = 0;
  // False when OnCharacters does nothing: the text is then not handed over.
  virtual bool WantsText() const { return true; }
};

struct XmlReadOptions {
  bool html = false;               // the forgiving HTML parser instead of XML
  const char* encoding = nullptr;  // forced; the file's own declaration is ignored
};

// What went wrong in the last parse, for diagnostics and for the book's repairs.
struct XmlParseInfo {
  int xmlError = 0;        // the parser's code of the first error, 0 when none
  int line = 0;            // its line
  std::string message;     // its text
  bool badEncoding = false;  // the first fatal error was about the character encoding
  void Clear() { *this = XmlParseInfo(); }
};

// Parses a file. 0 when the whole file was read (or the sink stopped it),
// -1 for a null path, -2 when the parser runs out of memory, -3 when the file
// cannot be opened, is empty, or is not well-formed (XML mode).
int XmlPushParseFile(const char* path, XmlSink& sink, const XmlReadOptions& options,
                     XmlParseInfo* info);
// The same over bytes in memory (fuzzing, tests).
int XmlPushParseMemory(const char* data, size_t size, const char* name, XmlSink& sink,
                       const XmlReadOptions& options, XmlParseInfo* info);

using xml::GuessEncoding;
using xml::RepairEncoding;
using xml::SniffDeclaredEncoding;

}  // namespace libDaisy
