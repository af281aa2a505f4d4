// Internal: the steps shared by opening DAISY 2.02 and DAISY 3 books. Each
// reader is tried as the book's files demand: an NCC or text document that is
// not well-formed XML is read again as HTML, a file whose bytes do not match
// its declared encoding is read again in the encoding its bytes suggest.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "daisy/daisy.h"

namespace libDaisy {

class Ncc;
class Ncx;
class Opf;
class Smil;

class DaisyBuilder {
 public:
  explicit DaisyBuilder(Daisy& book) : m_Book(book) {}

  // Range of one SMIL file's elements in the shared element list.
  struct Range {
    int begin = 0;
    int end = 0;
  };

  // The control files. 0 or the reader's code.
  int ReadNcc(Ncc& ncc, const char* path);
  int ReadOpf(Opf& opf, const char* path);
  int ReadNcx(Ncx& ncx, const std::string& name);
  // Appends one SMIL file (name relative to the book folder); returns its range.
  // Only running out of memory is an error; anything else is a warning.
  int ReadSmil(Smil& smil, const std::string& name, bool daisy3, Range* range);
  // Opens every text document the SMIL files name, builds the object list and
  // copies the audio file names.
  int Finish(const Smil& smil);
  // Object index of "file#id" among the parsed SMIL files: names are matched
  // ignoring case, an id is searched from `from` on with wrap-around, a
  // target without id takes the file's first element. -1 when nothing fits.
  int Resolve(const Smil& smil, const StringArray& smilNames, const std::vector<Range>& ranges,
              std::string_view target, int from, const char* what);
  int SetTitle(const char* title);
  int CopyMeta(const Meta* meta);

  Daisy& Book() { return m_Book; }

 private:
  std::string Resolved(std::string_view name, const char* what);
  int ReadText(Xhtml& doc, const std::string& name);

  Daisy& m_Book;
};

// Splits "file#fragment" at the first '#'.
void SplitTarget(std::string_view target, std::string_view* file, std::string_view* fragment);

}  // namespace libDaisy
