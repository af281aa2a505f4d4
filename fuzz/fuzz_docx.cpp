// Word documents over arbitrary bytes (seeded with a small document), and the
// content types, styles, numbering and settings parts alone: refused or read into a
// well-formed book; style chains and list numbers always end.
#include <cstdint>

#include "ebook/docx.h"
#include "fuzz/ebook_fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string xml(reinterpret_cast<const char*>(data), size);
  CDocx::Parts parts;
  CDocx::ParseContentTypes(xml, &parts);
  std::map<std::string, CDocx::Style> styles;
  CDocx::ParseStyles(xml, &styles);
  for (const auto& s : styles) fuzzcheck::Check(CDocx::StyleLevel(styles, s.first) <= 9);
  std::map<std::string, std::vector<CDocx::NumLevel>> abstracts;
  std::map<std::string, std::string> nums;
  CDocx::ParseNumbering(xml, &abstracts, &nums);
  for (const auto& a : abstracts)
    for (const CDocx::NumLevel& l : a.second) fuzzcheck::Check(CDocx::FormatNumber(l.start, l.format).size() < 64);
  CDocx::NoteNumbers notes;
  CDocx::ParseSettings(xml, &notes);
  for (const CDocx::NumLevel* l : {&notes.foot, &notes.end})
    fuzzcheck::Check(l->start >= 0 && CDocx::FormatNumber(l->start + 1000, l->format).size() < 64);
  return fuzzcheck::OpenAndCheck<CDocx>("fuzz_docx", data, size);
}
