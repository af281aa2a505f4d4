// Books read in steps behind the speech read exactly as books read whole:
// every corpus e-book and large books of our own in each format that is read
// in steps, opened twice, once forced whole by a count asked for first.
#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/lib/iconv/converter.h"
#include "ebook/ebook.h"
#include "tests/ebook/ebook_test_util.h"
#include "tests/ebook/pdf_maker.h"
#include "tests/ebook/sentence_walk.h"
#include "tests/ebook/word_doc_maker.h"
#include "tests/support/test_support.h"

namespace {

using ebooktest::Walk;

std::unique_ptr<iCEbook> Open(const std::string& path) {
  std::string ext = path.substr(path.rfind('.') + 1);
  std::unique_ptr<iCEbook> b(GetEbookClass(ext.c_str()));
  if (b && b->Open(path.c_str()) != 0) b.reset();
  return b;
}

std::vector<int> Counts(iCEbook& b) {
  return {b.GetUnicodeLength(), b.GetTotalSentences(), b.GetTotalParagraphs(), b.GetTotalHeadings(),
          b.GetTotalPages(), b.GetLevelDepth()};
}

// `steps`: the book must still be being read when it opens.
void ExpectSameBothWays(const std::string& path, bool steps) {
  SCOPED_TRACE(path);
  auto whole = Open(path);
  if (!whole) return;  // a file the source refuses is refused both ways
  const std::vector<int> counts = Counts(*whole);
  ASSERT_TRUE(whole->Settled());
  auto stepped = Open(path);
  ASSERT_TRUE(stepped);
  // A PDF reads only its outline in steps.
  if (steps && path.rfind(".pdf") + 4 != path.size()) {
    EXPECT_FALSE(stepped->Settled());
  }
  const std::vector<std::string> a = Walk(*whole), b = Walk(*stepped);
  EXPECT_EQ(a.size(), b.size());
  auto diff = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
  if (diff.first != a.end())
    ADD_FAILURE() << "whole: " << *diff.first << "\nsteps: " << (diff.second != b.end() ? *diff.second : "(end)");
  EXPECT_EQ(counts, Counts(*stepped));
  EXPECT_EQ(ebooktest::PageStarts(*whole), ebooktest::PageStarts(*stepped));
  if (!steps) return;
  // Moves that reach past what was read: the third top heading, a far place,
  // a far paragraph, and the text streamed for a search.
  auto moved = Open(path);
  whole->SeekToSentence(0);
  for (int i = 0; i < 3; ++i) moved->SeekToNextHeading(1), whole->SeekToNextHeading(1);
  EXPECT_EQ(whole->GetCurPlace(), moved->GetCurPlace());
  const int far = counts[0] * 3 / 4;
  moved->SeekToPlace(far);
  whole->SeekToPlace(far);
  EXPECT_EQ(whole->GetCurSentence(), moved->GetCurSentence());
  moved->SeekToParagraph(counts[2] - 2);
  whole->SeekToParagraph(counts[2] - 2);
  EXPECT_EQ(whole->GetCurPlace(), moved->GetCurPlace());
  auto searched = Open(path);
  std::vector<unsigned short> x(64), y(64);
  EXPECT_EQ(whole->GetUnicodeAt(far, x.data(), 64, nullptr), searched->GetUnicodeAt(far, y.data(), 64, nullptr));
  EXPECT_EQ(x, y);
}

TEST(Steps, EveryCorpusBookReadsInStepsAsWhole) {
  DTB_REQUIRE_CORPUS(root, "");
  int books = 0;
  for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
    std::string ext = e.path().extension().string();
    if (!e.is_regular_file() || ext.size() < 2 || !CheckIsEbookFile_FromExtName(ext.c_str() + 1)) continue;
    ExpectSameBothWays(e.path().string(), false);
    ++books;
  }
  EXPECT_GT(books, 20);
}

const char* const c_Prose[] = {"Latarnik w Aspinwall przepadł bez wieści. ", "Czy to była burza? ",
                               "Przypuszczano, że podszedł nad sam brzeg; ", "łódki nie znaleziono! "};

std::string Sentences(int chapter, int paragraph) {
  std::string s;
  for (int k = 0; k < 6; ++k) s += c_Prose[(chapter + paragraph + k) % 4];
  return s;
}

// Markup of 24 chapters, a note running across a step in some of them.
std::string Html() {
  std::string body;
  for (int c = 0; c < 24; ++c) {
    std::string h = "h" + std::to_string(1 + c % 2);
    std::string ch = "<" + h + ">Rozdział " + std::to_string(c) + "</" + h + ">\n";
    for (int p = 0; p < 60; ++p) ch += "<p>" + Sentences(c, p) + "</p>\n";
    if (c % 5 == 3) ch = "<aside epub:type=\"footnote\">" + ch + "</aside>";
    body += ch;
  }
  return "<html><head><meta charset=\"utf-8\"><title>t</title></head><body>" + body + "</body></html>";
}

TEST(Steps, LargeBooksOfEachFormatReadInStepsAsWhole) {
  dtbtest::TempDir dir;
  std::string text;
  for (int c = 0; c < 24; ++c)
    for (int p = 0; p < 60; ++p) text += Sentences(c, p) + (p % 3 ? "" : "\n");
  dtbtest::WriteFile(dir / "a.txt", text);
  std::string cp1250;
  conv::Converter("CP1250", "UTF-8").Convert(text.data(), text.size(), &cp1250);
  ASSERT_GT(cp1250.size(), text.size() * 9 / 10);
  dtbtest::WriteFile(dir / "b.txt", cp1250);

  const std::string html = Html();
  dtbtest::WriteFile(dir / "a.html", html);
  std::string qp;
  for (size_t i = 0; i < html.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(html[i]);
    if (c == '=' || c >= 128) qp += "=" + std::string(1, "0123456789ABCDEF"[c >> 4]) + "0123456789ABCDEF"[c & 15];
    else qp += static_cast<char>(c);
    if (i % 60 == 59) qp += "=\r\n";
  }
  dtbtest::WriteFile(dir / "a.mht", "Content-Type: text/html; charset=utf-8\r\nContent-Transfer-Encoding: "
                                    "quoted-printable\r\n\r\n" + qp);

  std::string rtf = "{\\rtf1\\ansi{\\stylesheet{\\s1 heading 1;}{\\s2 heading 2;}}\n";
  std::vector<docmaker::Paragraph> doc;
  std::vector<pdfmaker::Page> pages;
  pdfmaker::Extras outline;
  for (int c = 0; c < 24; ++c) {
    const std::string title = "Chapter " + std::to_string(c);
    rtf += "\\pard\\s" + std::to_string(1 + c % 2) + " " + title + "\\par\n";
    doc.push_back({ebooktest::U16(title), 1 + c % 2});
    outline.outline.push_back({title, 1 + c % 2, c});
    pages.push_back({title});
    for (int p = 0; p < 60; ++p) {
      std::string ascii = "Sentence " + std::to_string(p) + " of chapter " + std::to_string(c) +
                          " goes on for a while. Another one follows it here; and a third ends it!";
      rtf += "\\pard " + ascii + "\\par\n";
      doc.push_back({ebooktest::U16(ascii)});
      if (p % 3 == 0) pages.back().push_back(ascii);
    }
  }
  dtbtest::WriteFile(dir / "a.rtf", rtf + "}");
  dtbtest::WriteFile(dir / "a.doc", docmaker::Make(doc).bytes);
  dtbtest::WriteFile(dir / "a.pdf", pdfmaker::Make(pages, outline));
  for (const char* name : {"a.txt", "b.txt", "a.html", "a.mht", "a.rtf", "a.doc", "a.pdf"})
    ExpectSameBothWays(dir / name, true);
}

}  // namespace
