// CXhtml: the markup rules shared by every markup source, and XHTML files.
#include "ebook/xhtml.h"

#include <strings.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "core/lib/fd/unique_fd.h"
#include "core/lib/xml/xml_reader.h"
#include "ebook/text_helpers.h"
#include "platform/board.h"

namespace ebookmarkup {

const char* LocalName(const char* name) {
  if (!name) return "";
  const char* colon = strrchr(name, ':');
  return colon ? colon + 1 : name;
}

bool IsInline(const char* local) {
  // A bold or linked word inside a sentence must not cut the sentence.
  static const char* const c_Inline[] = {
      "a",   "abbr", "acronym", "b",   "bdi",  "bdo",    "big",  "cite", "code", "dfn",  "em",
      "font", "i",   "kbd",     "mark", "q",   "s",      "samp", "small", "span", "strike", "strong",
      "sub", "sup",  "time",    "tt",   "u",   "var",    "ins",  "del",  "label", "nobr", "wbr",
      "sent", "w",   "noteref", "annoref", "lic", "img"};
  for (const char* n : c_Inline)
    if (strcasecmp(n, local) == 0) return true;
  return false;
}

}  // namespace ebookmarkup

namespace {

using ebookmarkup::LocalName;

bool IsSkipped(const char* local) {
  return strcasecmp(local, "title") == 0 || strcasecmp(local, "script") == 0 ||
         strcasecmp(local, "style") == 0;
}

// "h1".."h6" give 1..6, anything else 0.
int HeadingLevel(const char* local) {
  if ((local[0] == 'h' || local[0] == 'H') && local[1] >= '1' && local[1] <= '6' && !local[2])
    return local[1] - '0';
  return 0;
}

inline bool IsSpace(unsigned short c) { return c <= 32; }

bool HasWord(const char* list, const char* word) {
  size_t n = strlen(word);
  for (const char* p = list; (p = strstr(p, word)); p += n)
    if ((p == list || p[-1] == ' ') && (p[n] == 0 || p[n] == ' ')) return true;
  return false;
}

// Notes, note references and annotations (DTBook elements, EPUB types, the
// digital publishing roles): quieter reading passes over their text.
bool IsNote(const char* local, const char* type, const char* role) {
  if (role) {
    for (const char* n : {"doc-noteref", "doc-footnote", "doc-endnote", "doc-endnotes"})
      if (HasWord(role, n)) return true;
  }
  for (const char* n : {"note", "noteref", "annotation", "annoref"}) {
    if (strcasecmp(local, n) == 0) return true;
    if (type && HasWord(type, n)) return true;
  }
  if (!type) return false;
  for (const char* n : {"footnote", "endnote", "rearnote", "footnotes", "endnotes", "rearnotes"})
    if (HasWord(type, n)) return true;
  return false;
}

}  // namespace

void CXhtml::ResetParse() {
  m_Skip = 0;
  m_TextAdded = m_OweSpace = false;
  m_PendingParagraph = true;
  m_PendingHeading = 0;
  m_DtbookDepth = 0;
  m_Depth = m_PageNumberDepth = 0;
  m_NoteDepth = m_NoteStart = 0;
  m_HiddenDepth = 0;
  m_OwnPages = false;
  m_Error = 0;
}

int CXhtml::Close() {
  ResetParse();
  m_Units.clear();
  m_Units.shrink_to_fit();
  return CEbook::Close();
}

CXhtml::Mark CXhtml::Snapshot() const {
  return {m_TextLength, m_ParagraphCount, m_HeadingCount, m_PageCount, m_PendingHeading};
}

void CXhtml::Rewind(const Mark& mark) {
  m_TextLength = mark.text;
  m_ParagraphCount = mark.paragraphs;
  m_HeadingCount = mark.headings;
  m_PageCount = mark.pages;
  m_PendingHeading = mark.pendingHeading;
  m_Skip = 0;
  m_Depth = m_PageNumberDepth = 0;
  m_NoteDepth = m_HiddenDepth = 0;
  while (!m_QuietRanges.empty() && m_QuietRanges.back().second > mark.text) m_QuietRanges.pop_back();
  m_TextAdded = m_OweSpace = false;
  m_PendingParagraph = true;
}

void CXhtml::EndBlock() {
  if (m_TextAdded) Check(AddCharW(10));
  m_TextAdded = m_OweSpace = false;
  m_PendingParagraph = true;
}

void CXhtml::PendParagraph() { EndBlock(); }

void CXhtml::PendHeading(int level) {
  EndBlock();
  // The outermost mark wins when a section and its heading both carry one.
  if (m_PendingHeading == 0 || level < m_PendingHeading) m_PendingHeading = level;
}

// Paragraph and heading marks land on the first unit of text behind them, so
// an empty element never makes an empty paragraph or a heading without words.
void CXhtml::StartText() {
  if (m_PendingParagraph) {
    Check(AddParagraphFlag(0));
    m_PendingParagraph = false;
  }
  if (m_PendingHeading > 0) {
    Check(AddHeadingFlag(m_PendingHeading, 0));
    m_PendingHeading = 0;
  }
}

void CXhtml::XmlCbStartElement(const char* name, const char* const* attrs) {
  if (m_Error) return;
  const char* local = LocalName(name);
  if (IsSkipped(local)) {
    ++m_Skip;
    return;
  }
  // A block inside a line of text starts a line of its own.
  if (!ebookmarkup::IsInline(local)) EndBlock();
  if (m_HeadingIds) {
    const char* id = xml::Attr(attrs, "id");
    if (id) {
      auto it = m_HeadingIds->find(id);
      if (it != m_HeadingIds->end()) PendHeading(it->second);
    }
  }
  int level = m_HeadingsFromTags ? HeadingLevel(local) : 0;
  if (m_HeadingsFromTags && strncmp(local, "level", 5) == 0) {
    // DTBook sections: level1-level6, or nested "level".
    m_DtbookDepth = local[5] >= '1' && local[5] <= '6' ? local[5] - '0' : m_DtbookDepth + 1;
  } else if (m_HeadingsFromTags && strcmp(local, "hd") == 0 && m_DtbookDepth > 0) {
    level = m_DtbookDepth;
  }
  const char* type = xml::Attr(attrs, "epub:type");
  ++m_Depth;
  // What the page hides (an EPUB's landmarks or its list of printed pages)
  // is not read.
  if (m_SkipsHidden && m_HiddenDepth == 0 && xml::Attr(attrs, "hidden")) m_HiddenDepth = m_Depth;
  if (m_NoteDepth == 0 && IsNote(local, type, xml::Attr(attrs, "role"))) {
    m_NoteDepth = m_Depth;
    m_NoteStart = m_TextLength;
  }
  if (strcmp(local, "pagenum") == 0 || (type && HasWord(type, "pagebreak"))) {
    // The printed page number marks a page; read aloud inside the text it
    // would be noise (and a heading aimed at its section would land on it).
    if (m_PageNumberDepth == 0) m_PageNumberDepth = m_Depth;
    EndBlock();
    // The reader starts at page 0: the text before the first printed page
    // is a page of its own.
    if (m_PageCount == 0 && m_TextLength > 0) {
      Check(AddPageFlag(0));
      if (m_PageStarts) m_PageStarts[0] = 0;
    }
    Check(AddPageFlag(0));
    m_OwnPages = true;
  }
  if (level > 0) {
    PendHeading(level);
  } else if (strcasecmp(local, "p") == 0) {
    PendParagraph();
  } else if (m_ReadAlt && strcasecmp(local, "img") == 0) {
    const char* alt = xml::Attr(attrs, "alt");
    if (alt && *alt) {
      EndBlock();
      XmlCbCharacters(alt, static_cast<int>(strlen(alt)));
      EndBlock();
    }
  }
}

void CXhtml::XmlCbEndElement(const char* name) {
  if (m_Error) return;
  const char* local = LocalName(name);
  if (IsSkipped(local)) {
    if (m_Skip > 0) --m_Skip;
    return;
  }
  if (m_Depth <= m_PageNumberDepth) m_PageNumberDepth = 0;
  if (m_Depth <= m_HiddenDepth) m_HiddenDepth = 0;
  if (m_NoteDepth > 0 && m_Depth <= m_NoteDepth) {
    if (m_TextLength > m_NoteStart) {
      try {
        m_QuietRanges.emplace_back(m_NoteStart, m_TextLength);
      } catch (const std::bad_alloc&) {
        Check(-3);
      }
    }
    m_NoteDepth = 0;
  }
  if (m_Depth > 0) --m_Depth;
  if (strncmp(local, "level", 5) == 0 && m_DtbookDepth > 0) --m_DtbookDepth;
  if (!ebookmarkup::IsInline(local)) EndBlock();
}

void CXhtml::XmlCbCharacters(const char* utf8, int bytes) {
  if (m_Error || m_Skip > 0 || !utf8 || bytes <= 0) return;
  m_Units.resize(static_cast<size_t>(bytes) + 1);
  int used = 0;
  int n = DecodeUtf8(reinterpret_cast<const unsigned char*>(utf8), bytes, m_Units.data(),
                     static_cast<int>(m_Units.size()), &used);
  XmlCbCharactersW(m_Units.data(), n);
}

void CXhtml::XmlCbCharactersW(const unsigned short* text, int count) {
  if (m_Error || m_Skip > 0 || m_PageNumberDepth > 0 || m_HiddenDepth > 0 || !text || count <= 0) return;
  int begin = 0, end = count;
  while (begin < end && IsSpace(text[begin])) ++begin;
  while (end > begin && IsSpace(text[end - 1])) --end;
  if (begin == end) {
    if (m_TextAdded) m_OweSpace = true;
    return;
  }
  StartText();
  if ((m_OweSpace || begin > 0) && m_TextAdded) Check(AddCharW(' '));
  // Line breaks of the source are not sentence ends: every run of white space
  // inside the text reads as one space.
  m_Folded.resize(static_cast<size_t>(end - begin));
  int n = 0;
  for (int i = begin; i < end; ++i) {
    if (!IsSpace(text[i])) m_Folded[n++] = text[i];
    else if (!IsSpace(text[i - 1])) m_Folded[n++] = ' ';
  }
  Check(AddTextW(m_Folded.data(), n));
  m_TextAdded = true;
  m_OweSpace = end < count;
}

int CXhtml::FinishParse() {
  if (m_Error) return m_Error;
  return FinishBuilding(!m_OwnPages);
}

int CXhtml::Open(const char* path) {
  if (!path) return -2;
  Close();
  fd::UniqueFile f(BFopen(path, "rb"));
  if (!f) return -4;
  xml::Options options;
  options.htmlNames = true;  // &nbsp; and its kind, read without a DTD
  XhtmlHandler handler(*this);
  xml::Reader reader(handler, options);
  char block[8192];
  size_t n, total = 0;
  int r = 0;
  while (r == 0 && !reader.Stopped() && (n = fread(block, 1, sizeof block, f.get())) > 0) {
    total += n;
    r = reader.Feed(block, n);
  }
  bool readError = ferror(f.get()) != 0;
  if (r == 0) r = reader.Finish();
  int result = m_Error ? m_Error : readError ? -4 : total == 0 ? -5 : r == -2 ? -3 : r != 0 ? -6 : 0;
  if (result == 0) result = FinishParse();
  if (result != 0) Close();
  return result;
}

int CXhtml::EndOfStep(int fed) {
  if (fed == 1) return 1;
  EndSteps();
  // A failure part way through closes the book with what was read: its
  // start is being read aloud already.
  if (fed != 0) ClearError();
  return FinishParse();
}
