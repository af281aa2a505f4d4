#include "ebook/html_tokenizer.h"

#include <cstdlib>
#include <cstring>

#include "core/base/util.h"
#include "ebook/html_entities.h"
#include "ebook/xhtml.h"

namespace {

constexpr size_t c_TextPiece = 4096;
constexpr size_t c_MaxName = 64;
constexpr size_t c_MaxValue = 2048;
constexpr size_t c_MaxEntity = 40;

inline bool IsBlank(unsigned short c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
inline bool IsAsciiLetter(unsigned short c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
inline bool IsAsciiAlnum(unsigned short c) { return IsAsciiLetter(c) || (c >= '0' && c <= '9'); }

bool IsVoid(const std::string& n) {
  static const char* const c_Void[] = {"area", "base", "br", "col", "embed", "hr", "img", "input",
                                       "link", "meta", "param", "source", "track", "wbr"};
  for (const char* v : c_Void)
    if (n == v) return true;
  return false;
}

// Elements whose content is not markup; all of them are skipped text.
bool IsRaw(const std::string& n) { return n == "script" || n == "style" || n == "title"; }

std::string Utf8(const std::u16string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    unsigned cp = s[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000)
      cp = 0x10000 + ((cp - 0xD800) << 10) + (s[++i] - 0xDC00);
    AppendUtf8(&out, cp);
  }
  return out;
}

// Numeric references in 128-159 name Windows-1252 characters, as browsers read them.
const unsigned short c_Cp1252High[32] = {
    0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x8D,   0x017D, 0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};

unsigned NumericReference(const std::u16string& ref) {
  bool hex = ref.size() > 1 && (ref[1] == 'x' || ref[1] == 'X');
  unsigned long v = 0;
  size_t digits = 0;
  for (size_t i = hex ? 2 : 1; i < ref.size() && ref[i] != ';'; ++i, ++digits) {
    unsigned short c = ref[i];
    int d = c >= '0' && c <= '9' ? c - '0' : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10 : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    if (d < 0) return 0;
    v = v * (hex ? 16 : 10) + static_cast<unsigned>(d);
    if (v > 0x10FFFF) v = 0x110000;
  }
  if (digits == 0) return 0;
  if (v == 0 || v > 0x10FFFF || (v >= 0xD800 && v < 0xE000)) return 0xFFFD;
  if (v >= 0x80 && v < 0xA0) return c_Cp1252High[v - 0x80];
  return static_cast<unsigned>(v);
}

}  // namespace

int HtmlTokenizer::ResolveEntity(const std::u16string& ref, unsigned* first, unsigned* second) {
  *first = *second = 0;
  if (ref.empty()) return 0;
  if (ref[0] == '#') {
    *first = NumericReference(ref);
    return *first ? 1 : 0;
  }
  std::string name;
  for (unsigned short c : ref) {
    if (c > 127) return 0;
    name += static_cast<char>(c);
  }
  int lo = 0, hi = c_HtmlEntityCount - 1;
  while (lo <= hi) {
    int mid = (lo + hi) / 2;
    int cmp = strcmp(c_HtmlEntities[mid].name, name.c_str());
    if (cmp == 0) {
      *first = c_HtmlEntities[mid].first;
      *second = c_HtmlEntities[mid].second;
      return *second ? 2 : 1;
    }
    if (cmp < 0)
      lo = mid + 1;
    else
      hi = mid - 1;
  }
  return 0;
}

void HtmlTokenizer::Reset() {
  m_State = kText;
  m_InSubset = m_HadSubset = false;
  m_SubsetQuote = 0;
  m_InEntity = false;
  m_Entity.clear();
  m_Text.clear();
  m_Name.clear();
  m_Attrs.clear();
  m_RawName.clear();
  m_RawMatch.clear();
}

void HtmlTokenizer::SaxPush(const unsigned short* units, int count, bool last) {
  for (int i = 0; units && i < count && m_Sink.GetError() == 0; ++i) Unit(units[i]);
  if (!last) return;
  if (m_InEntity) EmitEntity(false);
  if (m_State == kTagOpen) PutText('<');
  FlushText();
  m_State = kText;
}

void HtmlTokenizer::PutText(unsigned short c) {
  m_Text.push_back(c);
  if (m_Text.size() >= c_TextPiece) FlushText();
}

void HtmlTokenizer::PutCodePoint(unsigned cp) {
  bool value = m_State == kValueQuoted || m_State == kValueBare;
  unsigned short u[2];
  int n = 1;
  if (cp >= 0x10000) {
    u[0] = static_cast<unsigned short>(0xD800 | ((cp - 0x10000) >> 10));
    u[1] = static_cast<unsigned short>(0xDC00 | ((cp - 0x10000) & 0x3FF));
    n = 2;
  } else {
    u[0] = static_cast<unsigned short>(cp);
  }
  for (int i = 0; i < n; ++i) {
    if (!value)
      PutText(u[i]);
    else if (m_AttrValue.size() < c_MaxValue)
      m_AttrValue += static_cast<char16_t>(u[i]);
  }
}

void HtmlTokenizer::FlushText() {
  if (m_Text.empty()) return;
  m_Sink.XmlCbCharactersW(m_Text.data(), static_cast<int>(m_Text.size()));
  m_Text.clear();
}

void HtmlTokenizer::AppendName(std::string& to, unsigned short c) {
  if (to.size() >= c_MaxName) return;
  if (c >= 'A' && c <= 'Z') c = static_cast<unsigned short>(c + 32);
  to += c < 128 ? static_cast<char>(c) : '?';
}

void HtmlTokenizer::AddAttr() {
  if (m_AttrName.empty()) return;
  m_Attrs.push_back(m_AttrName);
  m_Attrs.push_back(Utf8(m_AttrValue));
  m_AttrName.clear();
  m_AttrValue.clear();
}

void HtmlTokenizer::EmitStart() {
  FlushText();
  std::vector<const char*> attrs;
  for (const std::string& a : m_Attrs) attrs.push_back(a.c_str());
  attrs.push_back(nullptr);
  m_Sink.XmlCbStartElement(m_Name.c_str(), attrs.data());
  m_Attrs.clear();
  m_State = kText;
  if (m_SelfClose || IsVoid(m_Name)) {
    m_Sink.XmlCbEndElement(m_Name.c_str());
  } else if (IsRaw(m_Name)) {
    m_RawName = m_Name;
    m_RawMatch.clear();
    m_State = kRaw;
  }
}

void HtmlTokenizer::EmitEnd(const std::string& name) {
  FlushText();
  m_Sink.XmlCbEndElement(name.c_str());
  m_State = kText;
}

void HtmlTokenizer::EmitEntity(bool terminated) {
  m_InEntity = false;
  unsigned a = 0, b = 0;
  if (ResolveEntity(m_Entity, &a, &b) == 0 && terminated) {
    // Declared by the document's own subset: nothing to read.
    if (m_HadSubset && m_Entity[0] != '#') return;
    // "&name;" unknown: the text as written.
    PutCodePoint('&');
    for (char16_t c : m_Entity) PutCodePoint(c);
    return;
  }
  if (a == 0) {
    PutCodePoint('&');
    for (char16_t c : m_Entity) PutCodePoint(c);
    return;
  }
  PutCodePoint(a);
  if (b) PutCodePoint(b);
}

void HtmlTokenizer::EntityUnit(unsigned short c) {
  bool numeric = !m_Entity.empty() && m_Entity[0] == '#';
  bool take = m_Entity.size() < c_MaxEntity &&
              (IsAsciiAlnum(c) || (m_Entity.empty() && c == '#') || (m_Entity == u"#" && (c == 'x' || c == 'X')));
  if (take && numeric && m_Entity.size() > 1 && !IsAsciiAlnum(c)) take = false;
  if (take) {
    m_Entity += static_cast<char16_t>(c);
    return;
  }
  if (c == ';' && !m_Entity.empty()) {
    m_Entity += u';';
    EmitEntity(true);
    return;
  }
  EmitEntity(false);
  Unit(c);
}

void HtmlTokenizer::Unit(unsigned short c) {
  if (m_InEntity) return EntityUnit(c);
  switch (m_State) {
    case kText:
      return TextUnit(c);
    case kTagOpen: case kTagName: case kEndTag: case kEndTagRest:
      return TagUnit(c);
    case kAttrs: case kAttrName: case kAfterAttrName: case kValueStart: case kValueQuoted: case kValueBare:
      return AttrUnit(c);
    case kRaw:
      return RawUnit(c);
    default:
      return SpecialUnit(c);
  }
}

void HtmlTokenizer::TextUnit(unsigned short c) {
  if (c == '<') {
    m_State = kTagOpen;
  } else if (c == '&') {
    m_InEntity = true;
    m_Entity.clear();
  } else {
    PutText(c);
  }
}

void HtmlTokenizer::TagUnit(unsigned short c) {
  switch (m_State) {
    case kTagOpen:
      m_Name.clear();
      m_Bang.clear();
      m_Attrs.clear();
      m_SelfClose = false;
      if (c == '/') {
        m_State = kEndTag;
      } else if (c == '!') {
        m_Bang.clear();
        m_State = kBang;
      } else if (c == '?') {
        m_State = kDecl;
      } else if (IsAsciiLetter(c)) {
        AppendName(m_Name, c);
        m_State = kTagName;
      } else {
        // A bare "<" is text.
        m_State = kText;
        PutText('<');
        Unit(c);
      }
      return;
    case kTagName:
      if (IsBlank(c)) m_State = kAttrs;
      else if (c == '/') m_SelfClose = true, m_State = kAttrs;
      else if (c == '>') EmitStart();
      else AppendName(m_Name, c);
      return;
    case kEndTag:
      if (c == '>') {
        if (!m_Name.empty()) EmitEnd(m_Name);
        m_State = kText;
      } else if (m_Name.empty() && !IsAsciiLetter(c)) {
        m_State = kDecl;  // "</ ...>" or "</3>": a bogus comment
      } else if (IsBlank(c) || c == '/') {
        m_State = kEndTagRest;
      } else {
        AppendName(m_Name, c);
      }
      return;
    default:  // kEndTagRest
      if (c == '>') EmitEnd(m_Name);
      return;
  }
}

void HtmlTokenizer::AttrUnit(unsigned short c) {
  switch (m_State) {
    case kAttrs:
      if (IsBlank(c)) return;
      if (c == '>') return EmitStart();
      if (c == '/') {
        m_SelfClose = true;
        return;
      }
      m_SelfClose = false;
      m_AttrName.clear();
      m_AttrValue.clear();
      AppendName(m_AttrName, c);
      m_State = kAttrName;
      return;
    case kAttrName:
      if (IsBlank(c)) m_State = kAfterAttrName;
      else if (c == '=') m_State = kValueStart;
      else if (c == '>') AddAttr(), EmitStart();
      else if (c == '/') AddAttr(), m_SelfClose = true, m_State = kAttrs;
      else AppendName(m_AttrName, c);
      return;
    case kAfterAttrName:
      if (IsBlank(c)) return;
      if (c == '=') {
        m_State = kValueStart;
        return;
      }
      AddAttr();
      m_State = kAttrs;
      return AttrUnit(c);
    case kValueStart:
      if (IsBlank(c)) return;
      if (c == '"' || c == '\'') {
        m_Quote = c;
        m_State = kValueQuoted;
        return;
      }
      if (c == '>') return AddAttr(), EmitStart();
      m_State = kValueBare;
      return AttrUnit(c);
    case kValueQuoted:
      if (c == m_Quote) AddAttr(), m_State = kAttrs;
      else if (c == '&') m_InEntity = true, m_Entity.clear();
      else if (m_AttrValue.size() < c_MaxValue) m_AttrValue += static_cast<char16_t>(c);
      return;
    default:  // kValueBare
      if (IsBlank(c)) AddAttr(), m_State = kAttrs;
      else if (c == '>') AddAttr(), EmitStart();
      else if (c == '&') m_InEntity = true, m_Entity.clear();
      else if (m_AttrValue.size() < c_MaxValue) m_AttrValue += static_cast<char16_t>(c);
      return;
  }
}

void HtmlTokenizer::SpecialUnit(unsigned short c) {
  switch (m_State) {
    case kBang: {
      m_Bang += static_cast<char16_t>(c);
      static const std::u16string c_Comment = u"--", c_Cdata = u"[CDATA[";
      if (m_Bang == c_Comment) {
        m_Dashes = 0;
        m_State = kComment;
      } else if (m_Bang == c_Cdata) {
        m_Dashes = 0;
        m_State = kCdata;
      } else if (c_Comment.compare(0, m_Bang.size(), m_Bang) != 0 && c_Cdata.compare(0, m_Bang.size(), m_Bang) != 0) {
        m_State = c == '>' ? kText : kDecl;  // <!DOCTYPE ...> and the like
      }
      return;
    }
    case kComment:
      if (c == '>' && m_Dashes >= 2) m_State = kText;
      m_Dashes = c == '-' ? m_Dashes + 1 : 0;
      return;
    case kCdata:
      if (c == ']') {
        if (++m_Dashes > 2) PutText(']'), m_Dashes = 2;
      } else if (c == '>' && m_Dashes == 2) {
        m_State = kText;
      } else {
        for (; m_Dashes > 0; --m_Dashes) PutText(']');
        PutText(c);
      }
      return;
    default:  // kDecl
      if (m_InSubset) {
        if (m_SubsetQuote)
          m_SubsetQuote = c == m_SubsetQuote ? 0 : m_SubsetQuote;
        else if (c == '"' || c == '\'')
          m_SubsetQuote = c;
        else if (c == ']')
          m_InSubset = false;
      } else if (c == '[' && !m_Bang.empty()) {
        m_InSubset = m_HadSubset = true;
      } else if (c == '>') {
        m_State = kText;
      }
      return;
  }
}

void HtmlTokenizer::RawUnit(unsigned short c) {
  // Raw text ends at "</name" followed by a blank, "/" or ">"; the text
  // itself is skipped.
  std::string want = "</" + m_RawName;
  if (m_RawMatch.size() == want.size()) {
    if (c == '>' || IsBlank(c) || c == '/') {
      m_RawMatch.clear();
      if (c == '>')
        EmitEnd(m_RawName);
      else
        m_Name = m_RawName, m_State = kEndTagRest;
      return;
    }
    m_RawMatch.clear();
  }
  unsigned short lower = c >= 'A' && c <= 'Z' ? static_cast<unsigned short>(c + 32) : c;
  if (lower == static_cast<unsigned char>(want[m_RawMatch.size()]))
    m_RawMatch += static_cast<char>(lower);
  else
    m_RawMatch = c == '<' ? "<" : "";
}
