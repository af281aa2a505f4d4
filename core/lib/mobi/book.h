// The one Mobipocket reader (libmobi): MOBI, AZW and KF8/AZW3 books, their
// text as markup parts in reading order, or the whole raw markup. Books
// protected by DRM are refused before any of their text is touched. The
// library holds a book several times over (the file's records, its text, the
// rebuilt files), so every copy is let go as soon as the next one is made.
#pragma once

#include <cstddef>
#include <string>

#include "core/lib/no_copy.h"

namespace mobi {

class Book : NoCopy {
 public:
  Book() = default;
  ~Book() { Close(); }

  // 0; -1 null path; -3 no memory; -4 the file cannot be opened; -6 not a
  // Mobipocket book, or damaged; -7 protected by DRM.
  int Open(const char* devicePath);
  void Close();
  // Rebuilds the text as HTML parts in reading order. 0; -3 no memory; -6 the
  // text cannot be rebuilt or holds no HTML. The loaded file is then let go:
  // RawMarkup gives -6 from here on.
  int Rebuild();
  // The bytes of the rebuilt HTML parts not read yet.
  size_t HtmlSize() const;
  // The next rebuilt HTML part, in reading order; the one given before is
  // freed. False at the end (or when nothing was rebuilt).
  bool NextHtmlPart(const char** data, size_t* size);
  // The whole raw markup. 0, -3 or -6.
  int RawMarkup(std::string* out);
  // The encoding of the raw markup: "UTF-8" or "windows-1252".
  const char* RawEncoding() const;

 private:
  // `oneCopy`: a hybrid book's older copy of the text is dropped.
  int Load(const char* devicePath, bool oneCopy);
  void ReleaseFile();
  void* m_Data = nullptr;
  void* m_Rawml = nullptr;
  bool m_Cp1252 = false;
  void* m_Given = nullptr;     // the part NextHtmlPart gave last
  size_t m_Freed = 0;          // bytes of parts freed since the heap was trimmed
};

}  // namespace mobi
