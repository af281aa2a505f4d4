// A book as reading meets it, sentence by sentence, to compare a book read in
// steps with the same book read whole.
#pragma once

#include <string>
#include <vector>

#include "ebook/ebook.h"

namespace ebooktest {

// Each sentence: place, paragraph, heading, the quiet range it is in or
// begins (-1--1 for none), text (the prose is ASCII).
inline std::vector<std::string> Walk(iCEbook& b) {
  std::vector<std::string> lines;
  b.SeekToSentence(0);
  unsigned short* text = nullptr;
  int len = 0;
  while (b.ReadCurSentence(&text, &len) == 0 && len > 0) {
    int qs = -1, qe = -1;
    if (b.QuietRangeAfter(b.GetCurPlace(), &qs, &qe) != 0 || qs >= b.GetCurPlace() + len) qs = qe = -1;
    std::string line = std::to_string(b.GetCurPlace()) + " " + std::to_string(b.GetCurParagraph()) + " " +
                       std::to_string(b.GetCurHeading()) + " " + std::to_string(qs) + "-" + std::to_string(qe) + " ";
    line.append(text, text + len);
    lines.push_back(line);
    b.SeekToNextSentence();
  }
  return lines;
}

}  // namespace ebooktest
