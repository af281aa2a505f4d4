// The one Mobipocket reader (libmobi): MOBI, AZW and KF8/AZW3 books, their
// text as markup parts in reading order, or the whole raw markup. Books
// protected by DRM are refused before any of their text is touched.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace mobi {

class Book {
 public:
  Book() = default;
  ~Book() { Close(); }
  Book(const Book&) = delete;
  Book& operator=(const Book&) = delete;

  // 0; -1 null path; -3 no memory; -4 the file cannot be opened; -6 not a
  // Mobipocket book, or damaged; -7 protected by DRM.
  int Open(const char* devicePath);
  void Close();
  // Each HTML part of the text, in order, until `part` returns non-zero (that
  // result is returned). 0; -6 when the text cannot be rebuilt.
  int ForEachHtmlPart(const std::function<int(const char* data, size_t size)>& part);
  // The whole raw markup. 0, -3 or -6.
  int RawMarkup(std::string* out);
  // The encoding of the raw markup: "UTF-8" or "windows-1252".
  const char* RawEncoding() const;

 private:
  void* m_Data = nullptr;
};

}  // namespace mobi
