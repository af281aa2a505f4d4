// The one PDF reader (poppler's public C++ interface): page count and the
// text of one page at a time in reading order. Pages are parsed only when
// their text is asked for, so a long document opens at once.
#pragma once

#include <string>
#include <vector>

#include "core/lib/no_copy.h"

namespace pdf {

class Document : NoCopy {
 public:
  Document() = default;
  ~Document() { Close(); }

  // 0; -1 null path; -4 the file cannot be opened; -6 not a PDF, damaged,
  // or without pages; -7 locked by a password.
  int Open(const char* devicePath);
  void Close();
  int PageCount() const { return m_Pages; }
  // The text of page `index` (0-based) as UTF-16 units, lines ended by line
  // feeds. 0; -1 bad index or no document.
  int PageText(int index, std::vector<unsigned short>* out) const;
  // The page's label as the document numbers its pages ("iv", "12", "A-3"),
  // UTF-8; without labels, the page's number from 1. 0; -1 bad index.
  int PageLabel(int index, std::string* utf8) const;

 private:
  void* m_Doc = nullptr;  // poppler::document
  int m_Pages = 0;
};

}  // namespace pdf
