// CXhtml: well-formed XHTML and XML documents ("xhtml", "xml"), read with the
// project's SAX reader. Its element and text callbacks are the markup rules
// every markup source shares (HTML, MHT, EPUB, MOBI): what is skipped, where
// paragraphs and headings start, how white space is folded.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "core/lib/xml/xml_reader.h"
#include "ebook/ebook.h"

class CXhtml : public CEbook {
 public:
  CXhtml() = default;
  // 0; -2 null path; -3 no memory; -4 cannot be opened; -5 empty; -6 not
  // well-formed.
  int Open(const char* path) override;
  int Close() override;

  // The markup callbacks (names may carry a namespace prefix; attributes are
  // name, value, ..., null).
  void XmlCbStartElement(const char* name, const char* const* attrs);
  void XmlCbEndElement(const char* name);
  void XmlCbCharacters(const char* utf8, int bytes);
  void XmlCbCharactersW(const unsigned short* text, int count);
  // A callback failed (no memory); parsing stops at the next event.
  int GetError() const { return m_Error; }

 protected:
  // Back to the state before the first event of a document.
  void ResetParse();
  // Runs the closing sequence; pages from the model unless the document
  // marked its own.
  int FinishParse();
  int FinishReading() override { return FinishParse(); }
  // A note still open may yet become a quiet range: the text from its
  // start is not settled.
  int SettledBefore() const override { return m_NoteDepth > 0 ? m_NoteStart : m_TextLength; }
  // Forgets a callback's failure, to close the book with what was read.
  void ClearError() { m_Error = 0; }
  // The end of one step of a document read in steps, which `fed` 1 (more to
  // come), 0 (the end) or a failure: 1 while more is to come, else the
  // closing sequence's result.
  int EndOfStep(int fed);
  // Where the text and tables stand, to drop a document that has to be read
  // again (an EPUB chapter that is not well-formed XML).
  struct Mark {
    int text, paragraphs, headings, pages, pendingHeading;
  };
  Mark Snapshot() const;
  void Rewind(const Mark& mark);
  // Ends the line of the text added so far; the next text starts a paragraph.
  void EndBlock();
  // A heading of `level` at the start of the next text.
  void PendHeading(int level);
  // The next text starts a paragraph.
  void PendParagraph();

  // Element ids that start a heading, with its level (EPUB tables of contents).
  const std::map<std::string, int>* m_HeadingIds = nullptr;
  bool m_HeadingsFromTags = true;  // h1-h6 and DTBook levels give headings
  bool m_ReadAlt = false;          // an image's alt text is read
  // Elements marked hidden are passed over; only where a parser closes every
  // element (tag soup could leave one open and lose the rest of the page).
  bool m_SkipsHidden = true;

 private:
  void StartText();
  void Check(int r) {
    if (r < 0 && m_Error == 0) m_Error = r;
  }

  int m_Skip = 0;          // inside title, script or style
  bool m_TextAdded = false;  // since the last line end
  bool m_OweSpace = false;
  bool m_PendingParagraph = true;
  int m_PendingHeading = 0;
  int m_DtbookDepth = 0;   // DTBook level1-level6 nesting
  int m_Depth = 0;          // elements open (not counting skipped ones)
  int m_PageNumberDepth = 0;  // inside a printed page number, from this depth
  int m_NoteDepth = 0;        // inside a note or annotation, from this depth
  int m_HiddenDepth = 0;      // inside an element marked hidden, from this depth
  int m_NoteStart = 0;        // the place it began at
  bool m_OwnPages = false;   // pagenum or page-break marks seen
  int m_Error = 0;
  std::vector<unsigned short> m_Units;
  std::vector<unsigned short> m_Folded;
};

// The markup callbacks as a handler of the XML reader; it stops the parse
// once a callback failed.
class XhtmlHandler : public xml::Handler {
 public:
  explicit XhtmlHandler(CXhtml& book) : m_Book(book) {}
  void OnStart(const char* name, xml::Attrs attrs) override { m_Book.XmlCbStartElement(name, attrs); }
  void OnEnd(const char* name) override { m_Book.XmlCbEndElement(name); }
  void OnText(const char* text, int length) override { m_Book.XmlCbCharacters(text, length); }
  bool WantsStop() const override { return m_Book.GetError() != 0; }

 private:
  CXhtml& m_Book;
};

namespace ebookmarkup {
// Element names without their namespace prefix.
const char* LocalName(const char* name);
// Elements inside a line of text: their end does not end the line.
bool IsInline(const char* local);
}  // namespace ebookmarkup
