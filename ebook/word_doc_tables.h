// The tables of a Word 97-2003 document that CWordDoc reads: the file
// information block, the piece table, the styles' heading levels and the
// paragraphs' styles. Parsers over bytes, each bounded by its input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace worddoc {

struct Fib {
  bool tableOne = false;  // "1Table" rather than "0Table"
  uint32_t ccpText = 0;   // characters of the main text
  uint32_t fcClx = 0, lcbClx = 0;
  uint32_t fcStshf = 0, lcbStshf = 0;
  uint32_t fcBtePapx = 0, lcbBtePapx = 0;
};

struct Piece {
  uint32_t cpStart, cpEnd;
  uint32_t fc;  // byte offset in the "WordDocument" stream
  bool compressed;  // one byte per character (Windows-1252), else UTF-16LE
};

// A range of the "WordDocument" stream whose paragraph marks carry a style
// and perhaps an outline level (0-8; 9 or -1 for body text).
struct ParagraphRun {
  uint32_t fcStart, fcEnd;
  uint16_t istd;
  int8_t outline;
};

// 0; -4 not a Word 97-2003 block, encrypted, or too short.
int ParseFib(const unsigned char* data, size_t size, Fib* fib);
// The pieces of the main text, in order. 0 or -4.
int ParsePieces(const std::vector<unsigned char>& table, const Fib& fib, std::vector<Piece>* pieces);
// Heading level (1-9, else 0) of every style by its index.
std::vector<int8_t> ParseStyleLevels(const std::vector<unsigned char>& table, const Fib& fib);
// The pages of paragraph properties named by the table stream, as (page
// number) list; each page is 512 bytes of the "WordDocument" stream.
std::vector<uint32_t> PapxPages(const std::vector<unsigned char>& table, const Fib& fib);
// The runs of one 512-byte page, appended.
void ParsePapxPage(const unsigned char* page, std::vector<ParagraphRun>* runs);

}  // namespace worddoc
