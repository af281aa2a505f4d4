// CWordDoc: Word 97-2003 documents ("doc"). The main text is found through
// the piece table of the compound file's table stream and streamed from the
// "WordDocument" stream through a read window; field codes are hidden (their
// results read), and a paragraph's style or outline level makes it a heading.
#pragma once

#include <memory>

#include "ebook/ebook.h"

class CWordDoc : public CEbook {
 public:
  // The document being read in steps.
  struct Steps;

  CWordDoc();
  ~CWordDoc() override;
  // The read window over the "WordDocument" stream: about one step's text,
  // as it stays beside the text while the document is read in steps.
  static constexpr int c_WindowBytes = 65536;

  // 0; -2 null path; -3 no memory; -4 not a readable Word 97-2003 document
  // (not a compound file, damaged, encrypted, Word 6/95, no main text).
  int Open(const char* path) override;

 protected:
  // The main text is read a step at a time as reading reaches it.
  int ReadMore() override;
  void EndSteps() override;

 private:
  std::unique_ptr<Steps> m_Steps;
};
