// Where a narrated EPUB lands when it passes between the DAISY player and
// the e-book reader. Neither player can read the other's positions, so the
// one that closes leaves what both models share: the heading the place lies
// under (both count the navigation document's headings in the same order)
// and the start of the text being read there. The one that opens looks for
// that text from the heading's start. Loop thread.
#pragma once

#include <string>

namespace libDaisy {

struct NarratedLanding {
  std::string path;   // the book's full device path
  int heading = -1;   // index into the headings; -1 before the first
  std::u16string text;  // the start of the text being read; may be empty
};

// The text kept for the search: whitespace runs made one space, cut to a
// few words.
std::u16string LandingText(const unsigned short* text, int count);
void SetNarratedLanding(NarratedLanding landing);
// Takes the landing left for `path`: false when there is none (one left
// for another book is dropped).
bool TakeNarratedLanding(const std::string& path, NarratedLanding* out);

}  // namespace libDaisy
