// The one place where the DAISY readers meet libxml2: a push parser fed in
// 2048-byte chunks, SAX events turned into calls on a small sink interface.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace libDaisy {

// The attributes of one start tag, from the XML (SAX2) or the HTML parser.
class XmlAttrs {
 public:
  XmlAttrs() = default;
  // SAX2: five pointers per attribute (local name, prefix, URI, value, end).
  static XmlAttrs FromSax2(const unsigned char** attrs, int count);
  // HTML: name, value, name, value, ..., null.
  static XmlAttrs FromPairs(const unsigned char** attrs);
  // Value of the attribute with exactly that (qualified) name; a view with a
  // null data() when absent.
  std::string_view Get(const char* name) const;

 private:
  const unsigned char** m_Sax2 = nullptr;
  int m_Count = 0;
  const unsigned char** m_Pairs = nullptr;
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
};

struct XmlReadOptions {
  bool html = false;               // libxml2's forgiving HTML parser instead of XML
  const char* encoding = nullptr;  // forced; the file's own declaration is ignored
};

// What went wrong in the last parse, for diagnostics and for the book's repairs.
struct XmlParseInfo {
  int xmlError = 0;        // libxml2's code of the first error, 0 when none
  int line = 0;            // its line
  std::string message;     // its text
  bool badEncoding = false;  // the first fatal error was about the character encoding
  void Clear() { *this = XmlParseInfo(); }
};

// Parses a file. 0 when the whole file was read (or the sink stopped it),
// -1 for a null path, -2 when libxml2 runs out of memory, -3 when the file
// cannot be opened, is empty, or is not well-formed (XML mode).
int XmlPushParseFile(const char* path, XmlSink& sink, const XmlReadOptions& options,
                     XmlParseInfo* info);
// The same over bytes in memory (fuzzing, tests).
int XmlPushParseMemory(const char* data, size_t size, const char* name, XmlSink& sink,
                       const XmlReadOptions& options, XmlParseInfo* info);

// The encoding a file's start declares (XML declaration or an HTML meta
// charset), "" when none.
std::string SniffDeclaredEncoding(const char* data, size_t size);
// A single-byte code page for bytes that are not UTF-8: "windows-1250" when
// they look like Polish text, else "windows-1252"; "UTF-8" when they are UTF-8.
const char* GuessEncoding(const char* data, size_t size);
// The encoding to read a file in after its bytes broke the encoding the
// parser assumed: the one its start declares when libxml2 knows it and it is
// not UTF-8, else GuessEncoding over its first 64 KiB. "" when unreadable.
std::string RepairEncoding(const char* path);

}  // namespace libDaisy
