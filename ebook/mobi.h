// CMobi: Mobipocket books ("mobi", "prc", "azw", "azw3", KF8 included). The
// text's markup parts go, in order, through the forgiving HTML parser to the
// XHTML rules; when the parts cannot be rebuilt, the whole raw markup does.
#pragma once

#include <memory>
#include <string>

#include "core/lib/mobi/book.h"
#include "ebook/xhtml.h"

class CMobi : public CXhtml {
 public:
  // 0; -2 null path; -3 no memory; -4 cannot be opened; -6 not a Mobipocket
  // book, damaged, or protected by DRM.
  int Open(const char* path) override;
  int Close() override;

 protected:
  // The rebuilt parts are read a step at a time as reading reaches them.
  int ReadMore() override;
  void EndSteps() override;

 private:
  // Feeds up to `budget` more bytes of markup to the HTML parser, part after
  // part, each document behind a part's "</html>" apart: 1 while markup is
  // left, 0 at the end of the book, or -3 or a callback's code.
  int Feed(size_t budget);
  void Reserve(size_t markupBytes);

  std::unique_ptr<mobi::Book> m_Book;  // the parts not read yet
  XhtmlHandler m_Handler{*this};
  std::unique_ptr<xml::Reader> m_Reader;  // the document being read
  const char* m_Doc = nullptr;      // its markup not fed yet
  const char* m_DocEnd = nullptr;
  const char* m_PartEnd = nullptr;
  int m_Trailing = 0;               // documents read apart so far
  const char* m_Encoding = "UTF-8";
};
