// Helpers of the e-book tests: UTF-16 strings and walking a book's sentences.
#pragma once

#include <string>
#include <vector>

#include "ebook/ebook.h"

namespace ebooktest {

std::u16string U16(const std::string& utf8);
std::string U8(const std::u16string& s);
// The text of every sentence, read from its start.
std::vector<std::u16string> Sentences(iCEbook& book);
// Start places of every sentence.
std::vector<int> SentenceStarts(iCEbook& book);
// Start places of paragraphs 1 and on (SeekToParagraph(0) goes to place 0
// whatever the table says), and of every page, found by seeking to each.
std::vector<int> ParagraphStarts(iCEbook& book);
std::vector<int> PageStarts(iCEbook& book);
// The rest of the current sentence.
std::u16string Current(iCEbook& book);
// The whole text (GetUnicode) as UTF-8.
std::string AllText(iCEbook& book);

}  // namespace ebooktest
