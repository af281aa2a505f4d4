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
  uint32_t fcPlfLst = 0, lcbPlfLst = 0;  // list definitions (their levels follow)
  uint32_t fcPlfLfo = 0, lcbPlfLfo = 0;  // list instances, which paragraphs name
};

struct Piece {
  uint32_t cpStart, cpEnd;
  uint32_t fc;  // byte offset in the "WordDocument" stream
  bool compressed;  // one byte per character (Windows-1252), else UTF-16LE
};

// List membership of a paragraph or a style: instance (1-based, 0 none) and
// level; `set` when the properties name an instance at all (0 then takes a
// style's list away).
struct ListRef {
  bool set = false;
  uint16_t ilfo = 0;
  uint8_t ilvl = 0;
};

// A range of the "WordDocument" stream whose paragraph marks carry a style
// and perhaps an outline level (0-8; 9 or -1 for body text).
struct ParagraphRun {
  uint32_t fcStart, fcEnd;
  uint16_t istd;
  int8_t outline;
  ListRef list;
};

struct Style {
  int8_t level = 0;       // heading level 1-9, else 0
  uint16_t base = 0x0FFF;  // the style it is based on (0x0FFF: none)
  ListRef list;
};

// One level of a list: the number it starts at, its format (as CDocx names
// them: "decimal", "lowerRoman", "bullet", ...) and the number text, where
// units 0-8 stand for the numbers of those levels.
struct ListLevel {
  int start = 1;
  const char* format = "decimal";
  bool legal = false;  // every number written in decimal
  std::vector<unsigned short> text;
};

struct List {
  uint32_t lsid = 0;
  std::vector<ListLevel> levels;  // 1 for a simple list, else 9
};

// A list instance: the list it numbers by, and levels restarted at a number.
struct ListInstance {
  uint32_t lsid = 0;
  std::vector<std::pair<uint8_t, int>> starts;
};

struct Lists {
  std::vector<List> lists;
  std::vector<ListInstance> instances;  // by ilfo - 1
};

// 0; -4 not a Word 97-2003 block, encrypted, or too short.
int ParseFib(const unsigned char* data, size_t size, Fib* fib);
// The pieces of the main text, in order. 0 or -4.
int ParsePieces(const std::vector<unsigned char>& table, const Fib& fib, std::vector<Piece>* pieces);
// Every style by its index: heading level, base style and list.
std::vector<Style> ParseStyles(const std::vector<unsigned char>& table, const Fib& fib);
// The list definitions and instances; whatever is damaged is left out, and
// an instance whose list is missing numbers nothing.
void ParseLists(const std::vector<unsigned char>& table, const Fib& fib, Lists* lists);
// The pages of paragraph properties named by the table stream, as (page
// number) list; each page is 512 bytes of the "WordDocument" stream.
std::vector<uint32_t> PapxPages(const std::vector<unsigned char>& table, const Fib& fib);
// The runs of one 512-byte page, appended.
void ParsePapxPage(const unsigned char* page, std::vector<ParagraphRun>* runs);

}  // namespace worddoc
