// Word 97-2003 documents over arbitrary bytes (seeded with a small document):
// the compound-file reader with its chains, and the piece table, styles and
// paragraph pages behind it, refuse or read, never crash or hang. The table
// parsers also get the bytes directly.
#include <cstdint>
#include <vector>

#include "ebook/word_doc.h"
#include "ebook/word_doc_tables.h"
#include "fuzz/ebook_fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  worddoc::Fib fib;
  if (worddoc::ParseFib(data, size, &fib) == 0) {
    std::vector<unsigned char> table(data, data + size);
    std::vector<worddoc::Piece> pieces;
    worddoc::ParsePieces(table, fib, &pieces);
    worddoc::ParseStyles(table, fib);
    worddoc::Lists lists;
    worddoc::ParseLists(table, fib, &lists);
    worddoc::PapxPages(table, fib);
  }
  if (size >= 512) {
    std::vector<worddoc::ParagraphRun> runs;
    worddoc::ParsePapxPage(data + size - 512, &runs);
    for (const worddoc::ParagraphRun& r : runs) fuzzcheck::Check(r.fcEnd > r.fcStart);
  }
  return fuzzcheck::OpenAndCheck<CWordDoc>("fuzz_doc", data, size);
}
