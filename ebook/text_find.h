// Finding a word in a book's text: the text streams through a fixed block,
// forward or backward from a place, so a 30 MB plain text is searched
// without ever being held whole. Letters match whatever their case, and each
// white space unit (a line break too) matches a space.
#pragma once

#include <vector>

class iCEbook;

namespace ebookfind {
// The unit a search compares: letters lower case (Latin, Greek, Cyrillic),
// every white space (line breaks, tab, no-break space) a plain space.
unsigned short Fold(unsigned short c);
}  // namespace ebookfind

class TextFinder {
 public:
  TextFinder() = default;
  // The word as UTF-16 units; folded here.
  TextFinder(const unsigned short* word, int count);
  int Length() const { return static_cast<int>(m_Word.size()); }
  // The first match starting at or after `from` that lies wholly in
  // text[0..n); -1 when none (always for an empty word).
  int FindFirst(const unsigned short* text, int n, int from) const;
  // The last match starting before `before` that lies wholly in text[0..n).
  int FindLast(const unsigned short* text, int n, int before) const;

 private:
  bool MatchAt(const unsigned short* text) const;
  std::vector<unsigned short> m_Word;
  unsigned short m_Skip[256] = {};      // forward, by the window's last unit
  unsigned short m_BackSkip[256] = {};  // backward, by its first unit
};

// The place of the first match at or after `from` (forward) or of the last
// one starting before `from` (backward). 0 found; 1 none; -1 bad arguments;
// other negatives: the source could not read its text back.
int FindInEbook(iCEbook* book, const TextFinder& finder, int from, bool forward, int* place);
