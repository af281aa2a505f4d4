// Every DAISY book of the shared corpus opens, and its model agrees with what
// the book's own files say. The expected values were counted from the files
// (headings and pages in the NCC or NCX, timing elements of the SMIL files in
// reading order, the sum of their clip times), not taken from our output.
#include <cstdlib>
#include <string>

#include "daisy/clock_value.h"
#include "daisy/daisy.h"
#include "daisy/daisy_title.h"
#include "daisy/text_util.h"
#include "tests/support/test_support.h"

namespace libDaisy {
namespace {

struct Obj {
  int kind, depth, file, start, end;
};

struct CorpusBook {
  const char* path;  // control file, relative to the corpus
  int type;
  const char* title;
  int levels[6];  // headings per level
  int pages;
  int objects;
  Obj first;
  Obj last;
  long long totalMs;
  int audioFiles;
  int textDocuments;
  const char* lastText;  // text of the last object's range, for text-only books
  int warnings;
};

const CorpusBook c_Books[] = {
    {"daisy202/dontworrybehappy/ncc.html", 1, "Don't Worry, Be Happy Lyrics", {5, 2}, 2, 194,
     {0, 3, -1, -1, -1}, {3, 5, 2, 15450, 23325}, 181722, 7, 1, nullptr, 0},
    {"daisy202/mental_health/ncc.html", 1,
     "FOR THE FAMILY: IMPORTANT THINGS TO DO WHEN SOMEONE YOU LOVE IS MENTALLY ILL", {6, 9}, 0,
     1113, {0, 3, -1, -1, -1}, {3, 5, 14, 282670, 288728}, 2078201, 15, 1, nullptr, 0},
    {"daisy202/mountains_skip/ncc.html", 1, "Climbing the Highest Mountain", {3, 3, 2}, 8, 187,
     {0, 3, -1, -1, -1}, {3, 6, 7, 52446, 55969}, 327483, 8, 1, nullptr, 0},
    {"daisy202/wipo_treaty_textonly/ncc.html", 1, "WIPO Treaty for the Visually Impaired", {23}, 2,
     343, {0, 3, -1, -1, -1}, {2, 5, 0, 0, 0}, 0, 0, 1,
     "Every three years WIPO shall solicit voluntary contributions from Contracting Parties and "
     "other possible donors in order to finance one or more studies of the implementation of this "
     "Treaty.",
     0},
    {"daisy3/chimpanzees_audio_ncx/package.opf", 2, "Chimpanzees", {17, 3}, 24, 502,
     {0, 3, -1, -1, -1}, {3, 5, 19, 150794, 154304}, 889780, 20, 0, nullptr, 0},
    {"daisy3/dontworrybehappy_fulltext/06-speechgen.opf", 2, "Don't Worry, Be Happy Lyrics", {4, 2},
     0, 194, {0, 3, -1, -1, -1}, {3, 6, 2, 15450, 23325}, 179064, 7, 1, nullptr, 0},
    // The spine also names an absent PDF: skipped with a warning.
    {"daisy3/mathml_sample2_textonly/MathML_Sample2.opf", 2, "MathML Modular Extension Example 2",
     {1, 3, 8, 9}, 4, 1250, {0, 3, -1, -1, -1}, {2, 6, 0, 0, 0}, 0, 0, 1,
     "Online lesson quiz, PHSchool.com, Web Code: ada-0509", 1},
    {"daisy3/minimal_30sec/book.opf", 2, "Minimal DTBook", {1}, 2, 26, {0, 3, -1, -1, -1},
     {3, 5, 0, 25756, 30048}, 30048, 1, 1, nullptr, 0},
};

class CorpusBookTest : public ::testing::TestWithParam<CorpusBook> {};

std::string Squeezed(const std::string& s) {
  std::string out;
  for (char c : s)
    if (c != ' ' && c != '\n' && c != '\t' && c != '\r') out += c;
  return out;
}

TEST_P(CorpusBookTest, OpensWithTheCountsItsFilesGive) {
  const CorpusBook& e = GetParam();
  DTB_REQUIRE_CORPUS(path, e.path);
  EXPECT_EQ(e.type, GuessDaisyType(path.c_str()));
  Daisy book;
  ASSERT_EQ(0, book.Open(path.c_str(), 0));
  EXPECT_STREQ(e.title, book.GetTitle());

  const int *elements, *levels;
  const StringArray* texts;
  int headings = 0;
  int perLevel[6] = {0};
  if (book.GetHeadings(&elements, &levels, &texts, &headings) == 0)
    for (int i = 0; i < headings; i++) {
      ASSERT_GE(levels[i], 1);
      ASSERT_LE(levels[i], 6);
      perLevel[levels[i] - 1]++;
      EXPECT_GE(elements[i], 0) << "heading " << i << " unresolved";
    }
  for (int l = 0; l < 6; l++) EXPECT_EQ(e.levels[l], perLevel[l]) << "level " << l + 1;

  const int* pageElements;
  const StringArray* labels;
  int pages = 0;
  EXPECT_EQ(e.pages ? 0 : -1, book.GetPages(&pageElements, &labels, &pages));
  EXPECT_EQ(e.pages, pages);
  for (int i = 0; i < pages; i++) EXPECT_GE(pageElements[i], 0) << "page " << i;

  const _DaisyObject* objects;
  int count = 0;
  ASSERT_EQ(0, book.GetObjects(&objects, &count));
  ASSERT_EQ(e.objects, count);
  const _DaisyObject& f = objects[0];
  EXPECT_EQ(e.first.kind, f.kind);
  EXPECT_EQ(e.first.depth, f.depth);
  EXPECT_EQ(e.first.file, f.file);
  EXPECT_EQ(e.first.start, f.start);
  EXPECT_EQ(e.first.end, f.end);
  const _DaisyObject& l = objects[count - 1];
  EXPECT_EQ(e.last.kind, l.kind);
  EXPECT_EQ(e.last.depth, l.depth);
  EXPECT_EQ(e.last.file, l.file);
  if (e.lastText) {
    // A text range: its pieces hold the referenced element's text.
    std::string joined;
    for (int p = l.start; p < l.end; p++) {
      const char* piece;
      ASSERT_EQ(0, book.GetXhtmlText(l.file, p, &piece));
      joined += piece;
    }
    EXPECT_EQ(Squeezed(e.lastText), Squeezed(joined));
  } else {
    EXPECT_EQ(e.last.start, l.start);
    EXPECT_EQ(e.last.end, l.end);
  }
  EXPECT_EQ(e.totalMs, book.GetTotalAudioMs());
  // The book's own statement of its length agrees within a second.
  const char* declared = book.GetMetaList()->CaseGet(e.type == 1 ? "ncc:totalTime" : "dtb:totalTime");
  ASSERT_NE(nullptr, declared);
  EXPECT_NEAR(e.totalMs, ClippingAndClockValue_to_Ms(declared), 1000);

  EXPECT_EQ(e.audioFiles, book.GetTotalAudioFiles());
  EXPECT_EQ(e.textDocuments, book.GetTotalXhmtls());
  EXPECT_EQ(e.warnings, book.GetTotalWarnings());

  char title[512];
  EXPECT_EQ(0, GetTitle(path.c_str(), title, sizeof title, 0));
  EXPECT_STREQ(e.title, title);
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusBookTest, ::testing::ValuesIn(c_Books),
                         [](const ::testing::TestParamInfo<CorpusBook>& info) {
                           std::string name = info.param.path;
                           name = name.substr(0, name.find('/', 9));
                           for (char& c : name)
                             if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

TEST(CorpusBooks, FullTextRangesPointAtTheSpokenText) {
  DTB_REQUIRE_CORPUS(path, "daisy202/dontworrybehappy/ncc.html");
  Daisy book;
  ASSERT_EQ(0, book.Open(path.c_str(), 1));
  const _DaisyObject* objects;
  int count;
  ASSERT_EQ(0, book.GetObjects(&objects, &count));
  // speechgen0001.smil: a seq, then seven par/text/audio triples; the first
  // text is content.html#h1classtitle, the seventh content.html#dtb6.
  ASSERT_EQ(kObjectText, objects[2].kind);
  const char* piece;
  ASSERT_EQ(objects[2].start + 1, objects[2].end);
  ASSERT_EQ(0, book.GetXhtmlText(objects[2].file, objects[2].start, &piece));
  EXPECT_STREQ("Don't Worry, Be Happy", piece);
  ASSERT_EQ(kObjectText, objects[20].kind);
  ASSERT_EQ(0, book.GetXhtmlText(objects[20].file, objects[20].start, &piece));
  EXPECT_STREQ("Boork Boork, Oxford Cambridge.", piece);
}

TEST(CorpusBooks, QuickTitleFindsTheFirstClip) {
  struct {
    const char* path;
    const char* audio;
    int start, end;
  } c_Cases[] = {
      // ncc.html's first entry speechgen0001.smil#doctitle: its audio.
      {"daisy202/dontworrybehappy/ncc.html", "speechgen0001.mp3", 0, 2658},
      {"daisy202/mountains_skip/ncc.html", "bagw0019.mp3", 0, 2035},
      {"daisy202/wipo_treaty_textonly/ncc.html", nullptr, -1, -1},
      // The NCX's docTitle audio.
      {"daisy3/chimpanzees_audio_ncx/package.opf", "aud001.mp3", 0, 2482},
      {"daisy3/mathml_sample2_textonly/MathML_Sample2.opf", nullptr, -1, -1},
  };
  for (const auto& c : c_Cases) {
    DTB_REQUIRE_CORPUS(path, c.path);
    DaisyGetTitle quick;
    ASSERT_EQ(0, quick.Open(path.c_str(), 0)) << c.path;
    EXPECT_NE(nullptr, quick.GetText()) << c.path;
    if (c.audio)
      EXPECT_STREQ(c.audio, quick.GetAudio()) << c.path;
    else
      EXPECT_EQ(nullptr, quick.GetAudio()) << c.path;
    EXPECT_EQ(c.start, quick.GetAudioStartMs()) << c.path;
    EXPECT_EQ(c.end, quick.GetAudioEndMs()) << c.path;
  }
}

}  // namespace
}  // namespace libDaisy
