// The reader end to end through the simulator: text books put on the
// internal memory, opened from the file browser and read by the real speech
// engine; the transcript's "read:" lines are what the reader spoke.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/sim_harness.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;

bool Has(const std::string& text, const std::string& what) { return text.find(what) != std::string::npos; }

// An English book of four-sentence paragraphs whose last page holds two
// sentences; the first sentence of every page is kept.
struct EnglishBook {
  std::string text;
  std::vector<std::string> pageFirst;  // first sentence of each page
};

std::string EnglishSentence(int paragraph, int sentence) {
  return "Paragraph " + std::to_string(paragraph) + ", sentence " + std::to_string(sentence) +
         ": the quick brown fox jumps over the lazy dog by the river.";
}

EnglishBook MakeEnglishBook(int pages) {
  EnglishBook b;
  int limit = 0, onLastPage = 0;
  for (int p = 1;; ++p) {
    for (int s = 1; s <= 4; ++s) {
      const int start = static_cast<int>(b.text.size());
      if (start >= limit) {
        if (static_cast<int>(b.pageFirst.size()) == pages) return b;
        b.pageFirst.push_back(EnglishSentence(p, s));
        limit += 1000;
        onLastPage = 0;
      }
      // The last page gets two sentences, then the book ends.
      if (static_cast<int>(b.pageFirst.size()) == pages && ++onLastPage > 2) return b;
      b.text += EnglishSentence(p, s) + (s == 4 ? "\n" : " ");
    }
  }
}

// Polish text in the Windows-1250 code page.
std::string Cp1250(const std::string& utf8) {
  static const std::pair<const char*, char> kMap[] = {
      {"ą", '\xB9'}, {"ć", '\xE6'}, {"ę", '\xEA'}, {"ł", '\xB3'}, {"ń", '\xF1'}, {"ó", '\xF3'},
      {"ś", '\x9C'}, {"ź", '\x9F'}, {"ż", '\xBF'}, {"Ą", '\xA5'}, {"Ć", '\xC6'}, {"Ę", '\xCA'},
      {"Ł", '\xA3'}, {"Ń", '\xD1'}, {"Ó", '\xD3'}, {"Ś", '\x8C'}, {"Ź", '\x8F'}, {"Ż", '\xAF'}};
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    bool mapped = false;
    for (const auto& m : kMap) {
      size_t n = strlen(m.first);
      if (utf8.compare(i, n, m.first) == 0) {
        out += m.second;
        i += n;
        mapped = true;
        break;
      }
    }
    if (!mapped) out += utf8[i++];
  }
  return out;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}

int LayOut(const std::string& root) { return dtbtest::LayOutRoot(root, "en"); }

TEST(EbookReaderE2e, BooksFromTheBrowserAreReadMovedInBookmarkedResumedAndFinished) {
  DTB_REQUIRE_PLAYER();
  dtbtest::TempDir dir;
  const std::string root = dir / "root";
  ASSERT_EQ(LayOut(root), 0);

  const EnglishBook en = MakeEnglishBook(20);
  ASSERT_EQ(en.pageFirst.size(), 20u);
  dtbtest::WriteFile(root + "/mnt/emmc/Books/english.txt", en.text);
  const std::string pl1 = "Zażółć gęślą jaźń, to jest pierwsze zdanie polskiej książki.";
  const std::string pl2 = "Drugie zdanie opowiada o źrebięciu na łące.";
  dtbtest::WriteFile(root + "/mnt/emmc/Books/polski.txt", Cp1250(pl1 + " " + pl2 + "\nKoniec.\n"));

  // Ten per cent of 20 pages is two: from the second page to the fourth.
  const std::string p4 = en.pageFirst[3].substr(0, en.pageFirst[3].find(':') + 1);
  const std::string last = en.pageFirst[19].substr(0, en.pageFirst[19].find(':') + 1);
  const std::string p2 = en.pageFirst[1].substr(0, en.pageFirst[1].find(':') + 1);
  const std::string script =
      "expect Internal memory 20\n"
      "key play\nexpect main folder 10\n"
      "key down\nexpect Books\n"
      "key play\nexpect english.txt\n"
      // Opened from the browser: the first sentence is read.
      "key play\nexpect Paragraph 1, sentence 1: 20\n"
      "key play\nexpect pause\n"
      "key down\nexpect one percent\n"
      "key down\nexpect page\n"
      "key down\nexpect paragraph\n"
      "key down\nexpect sentence\n"
      // Sentence by sentence, both ways.
      "key right\nexpect Paragraph 1, sentence 2:\n"
      "key play\nexpect pause\n"
      "key left\nexpect Paragraph 1, sentence 1:\n"
      "key play\nexpect pause\n"
      // The next paragraph, the next page, ten per cent (two pages) on.
      "key up\nexpect paragraph\n"
      "key right\nexpect Paragraph 2, sentence 1:\n"
      "key play\nexpect pause\n"
      "key up\nexpect page\n"
      "key right\nexpect " + p2 + "\n"
      "key play\nexpect pause\n"
      "key up\nexpect one percent\n"
      "key up\nexpect ten percent\n"
      "key right\nexpect " + p4 + "\n"
      "key play\nexpect pause\n"
      // Spell the first word of the sentence.
      "key up\nexpect bookmark\n"
      "key up\nexpect spell\n"
      "key right\nexpect P a r a g r a p h\n"
      // A bookmark here.
      "key bookmark\nexpect add bookmark\n"
      "key play\nexpect Bookmark 1 added\n"
      // Back to reading, close, open again: the same sentence.
      "key play\nexpect " + p4 + "\n"
      "key back\nexpect english.txt\n"
      "key play\nexpect " + p4 + " 20\n"
      // The last page by number, read to the end.
      "key play\nexpect pause\n"
      "key menu\nexpect go to page\n"
      "key play\nexpect 0\n"
      "key left\nexpect 20 5\n"
      "key play\nexpect going to page 20 5\n"
      // Paused before the menu, so still paused: play reads on to the end.
      "key play\nexpect " + last + "\n"
      "expect end of file 60\n"
      "wait 4\n"
      "key back\nexpect english.txt\n"
      // The Polish book in its own code page.
      "key down\nexpect polski.txt\n"
      "key play\nexpect pierwsze zdanie 20\n"
      "key play\nexpect pause\n"
      "key down\nkey down\nkey down\nkey down\nexpect sentence\n"
      "key right\nexpect Drugie zdanie\n"
      "wait 1\n"
      "key back\nexpect polski.txt\n"
      "power hold 3\nexpect shutting down 10\n"
      "wait 3\n";
  dtbtest::SimResult r = dtbtest::RunScript(root, script);
  ASSERT_EQ(r.status, 0) << r.output;

  // "end of file" once, and nothing read after it until the next key.
  const std::vector<std::string> lines = Lines(r.output);
  int ends = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i] != "say: end of file") continue;
    ++ends;
    for (size_t j = i + 1; j < lines.size() && lines[j].rfind("sim: key", 0) != 0; ++j)
      EXPECT_NE(lines[j].rfind("read: ", 0), 0u) << "read after the end: " << lines[j];
  }
  EXPECT_EQ(ends, 1) << r.output;
  // The last page's two sentences were the last ones read before it.
  EXPECT_TRUE(Has(r.output, "read: Paragraph")) << r.output;
  // The Polish letters came through the code page.
  EXPECT_TRUE(Has(r.output, "read: " + pl1)) << r.output;
  EXPECT_TRUE(Has(r.output, "read: " + pl2)) << r.output;

  // Power-off saved the bookmark, the history and the reader's settings.
  const std::string bookmarks = dtbtest::ReadFile(root + "/mnt/settings/bookmark.xml");
  EXPECT_TRUE(Has(bookmarks, "<ebook filename=\"/mnt/emmc/Books/english.txt\"")) << bookmarks;
  EXPECT_TRUE(Has(bookmarks, "SPage=\"3\"")) << bookmarks;
  const std::string history = dtbtest::ReadFile(root + "/mnt/settings/history.xml");
  EXPECT_TRUE(Has(history, "/mnt/emmc/Books/english.txt")) << history;
  EXPECT_TRUE(Has(history, "/mnt/emmc/Books/polski.txt")) << history;
  EXPECT_TRUE(Has(dtbtest::ReadFile(root + "/mnt/settings/ebook.config.xml"), "<ebook_config role=\"0\""));
}

// A finished book reopens at its last sentence, and restoring the defaults
// in the reader says so once.
TEST(EbookReaderE2e, AFinishedBookReopensAtItsLastSentence) {
  DTB_REQUIRE_PLAYER();
  dtbtest::TempDir dir;
  const std::string root = dir / "root";
  ASSERT_EQ(LayOut(root), 0);
  dtbtest::WriteFile(root + "/mnt/emmc/Books/short.txt",
                     "The first sentence is here. The second one follows. The last one ends it.\n");
  dtbtest::SimRun run;
  run.root = root;
  run.fresh = false;
  run.script =
      "expect Internal memory 20\n"
      "key play\nexpect main folder 10\n"
      "key down\nexpect Books\n"
      "key play\nexpect short.txt\n"
      "key play\nexpect The first sentence 20\n"
      // Restored while reading: said in the language the user reads.
      "power click\nkey bookmark\nexpect Restore default settings 10\n"
      "expect end of file 30\n"
      "wait 1\n"
      "key back\nexpect short.txt\n"
      "key play\nexpect The last one ends it 20\n"
      "wait 2\n"
      "quit\n";
  run.timeout_seconds = 180;
  dtbtest::SimResult r = dtbtest::RunSim(run);
  ASSERT_EQ(r.status, 0) << r.output;
  int restores = 0;
  for (const std::string& l : Lines(r.output)) restores += Has(l, "say: Restore default settings");
  EXPECT_EQ(restores, 1) << r.output;
}

}  // namespace
