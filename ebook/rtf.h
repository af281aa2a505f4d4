// CRtf: Rich Text Format ("rtf"). The whole file goes through a group-stack
// reader: the document's and each font's code page decode the 8-bit text,
// "\u" escapes (surrogate pairs included) replace their fallbacks, and
// paragraphs whose style or outline level makes them headings become headings.
#pragma once

#include <cstddef>
#include <memory>

#include "ebook/ebook.h"

class CRtf : public CEbook {
 public:
  CRtf();
  ~CRtf() override;
  // 0; -2 null path; -3 no memory; -4 cannot be opened or read; -6 not RTF,
  // or groups nested past any real document.
  int Open(const char* path) override;
  // The same over bytes in memory (also fed by the fuzzer).
  int OpenMemory(const char* data, size_t size);

 protected:
  // A file is read a step at a time as reading reaches it.
  int ReadMore() override;
  void EndSteps() override;

 private:
  struct Steps;
  std::unique_ptr<Steps> m_Steps;
};
