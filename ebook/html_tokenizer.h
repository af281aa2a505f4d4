// The tolerant HTML tokenizer: UTF-16 text in pieces of any size, element
// starts and ends and character runs out through the markup callbacks of
// CXhtml. Whatever the input, it never fails: unclosed and stray tags, bare
// "<" and "&", unterminated comments and attributes all read as a browser
// would read them, or are dropped.
#pragma once

#include <string>
#include <vector>

class CXhtml;

class HtmlTokenizer {
 public:
  explicit HtmlTokenizer(CXhtml& sink) : m_Sink(sink) {}
  void Reset();
  // Feeds units; `last` ends the document (pending text is flushed).
  void SaxPush(const unsigned short* units, int count, bool last);

  // The code point of a character reference's name or number (without "&",
  // with its ";" when it had one); two code points for a few names. 0 when
  // it is not one.
  static int ResolveEntity(const std::u16string& ref, unsigned* first, unsigned* second);

 private:
  enum State {
    kText, kTagOpen, kTagName, kEndTag, kEndTagRest, kAttrs, kAttrName, kAfterAttrName, kValueStart,
    kValueQuoted, kValueBare, kBang, kComment, kDecl, kCdata, kRaw
  };
  void Unit(unsigned short c);
  void TextUnit(unsigned short c);
  void EntityUnit(unsigned short c);
  void TagUnit(unsigned short c);
  void AttrUnit(unsigned short c);
  void SpecialUnit(unsigned short c);
  void RawUnit(unsigned short c);
  void EmitEntity(bool terminated);
  void PutText(unsigned short c);
  void PutCodePoint(unsigned cp);
  void FlushText();
  void EmitStart();
  void EmitEnd(const std::string& name);
  void AddAttr();
  void AppendName(std::string& to, unsigned short c);

  CXhtml& m_Sink;
  State m_State = kText;
  bool m_InEntity = false;
  std::u16string m_Entity;
  std::vector<unsigned short> m_Text;
  std::string m_Name;
  bool m_SelfClose = false;
  std::string m_AttrName;
  std::u16string m_AttrValue;
  unsigned short m_Quote = 0;
  std::vector<std::string> m_Attrs;  // name, value (UTF-8), ...
  std::u16string m_Bang;             // the start of "<!..."
  // A "<!DOCTYPE ... [ ... ]>" internal subset: inside it (and the quote
  // open there); once a document had one, the names it declared are unknown
  // here and their references are dropped rather than read as "&name;".
  bool m_InSubset = false;
  unsigned short m_SubsetQuote = 0;
  bool m_HadSubset = false;
  int m_Dashes = 0;                  // "-" seen before a ">" in a comment
  std::string m_RawName;             // the element whose raw text this is
  std::string m_RawMatch;            // "</name" matched so far
};
