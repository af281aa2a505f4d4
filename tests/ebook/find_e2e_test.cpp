// Finding text and quieter reading in the reader end to end: a word entered
// on the letter wheel is found forward and backward in a corpus book, each
// match read as its sentence, and "not found" said past the last one; notes
// are passed over once quieter reading is on.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/find_script.h"
#include "tests/support/sim_harness.h"
#include "tests/support/test_support.h"

namespace {

using dtbtest::RunScript;

TEST(EbookFindE2e, AWordIsFoundForwardAndBackInACorpusBook) {
  DTB_REQUIRE_PLAYER();
  DTB_REQUIRE_CORPUS(book, "txt/pl_sienkiewicz_latarnik_I_utf8.txt");
  dtbtest::TempDir dir;
  const std::string root = dir / "root";
  ASSERT_EQ(dtbtest::LayOutRoot(root, "en"), 0);
  dtbtest::WriteFile(root + "/mnt/emmc/Books/latarnik.txt", dtbtest::ReadFile(book));
  using dtbtest::WithPlayHeld;
  const std::string script =
      "expect Internal memory 20\n"
      "key play\nexpect main folder 10\n"
      "key down\nexpect Books\n"
      "key play\nexpect latarnik.txt\n"
      "key play\nexpect Pewnego razu 20\n" +
      // Nothing looked for yet: the next match asks for the word.
      WithPlayHeld("right") + "expect find text, a\n" + dtbtest::TypeFindWord("aspin") +
      "expect n\n"
      "key play\nexpect latarnik w Aspinwall 10\n" +
      WithPlayHeld("right") + "expect z Aspinwall przywozi 10\n" +
      WithPlayHeld("right") + "expect przybył do Aspinwall 10\n" +
      WithPlayHeld("right") + "expect aspinwallskich zegarach 10\n" +
      WithPlayHeld("right") + "expect not found 10\n" +
      WithPlayHeld("left") + "expect przybył do Aspinwall 10\n" +
      WithPlayHeld("left") + "expect z Aspinwall przywozi 10\n" +
      // The word is kept: entering again starts with it; back leaves.
      WithPlayHeld("menu") + "expect find text, aspin\n"
      "key back\nexpect Setting canceled\n"
      "key play\nexpect pause\n"
      "power hold 3\nexpect shutting down 10\n"
      "wait 3\n";
  dtbtest::SimResult r = RunScript(root, script);
  ASSERT_EQ(r.status, 0) << r.output;
}

TEST(EbookQuietE2e, NotesArePassedOverOnceQuieterReadingIsOn) {
  DTB_REQUIRE_PLAYER();
  dtbtest::TempDir dir;
  const std::string root = dir / "root";
  ASSERT_EQ(dtbtest::LayOutRoot(root, "en"), 0);
  dtbtest::WriteFile(root + "/mnt/emmc/Books/notes.xhtml",
                     "<html xmlns:epub=\"http://www.idpf.org/2007/ops\"><body>"
                     "<p>The first sentence of this little book is a long one, so that the menu key "
                     "comes while it is being read aloud by the reader.</p>"
                     "<p>Text with a note<a epub:type=\"noteref\" href=\"#n1\">1</a> in it.</p>"
                     "<aside epub:type=\"footnote\" id=\"n1\"><p>The note itself is here.</p></aside>"
                     "<p>After the note the story goes on.</p></body></html>");
  const std::string script =
      "expect Internal memory 20\n"
      "key play\nexpect main folder 10\n"
      "key down\nexpect Books\n"
      "key play\nexpect notes.xhtml\n"
      "key play\nexpect first sentence 20\n"
      "key menu\nexpect go to page\n"
      "key up\nexpect quieter reading, without page numbers and notes: disable\n"
      "key right\nexpect notes: enable\n"
      "key play\nexpect Setting done\n"
      "expect Text with a note in it 20\n"
      "expect After the note the story goes on 20\n"
      "expect end of file 20\n"
      "power hold 3\nexpect shutting down 10\n"
      "wait 3\n";
  dtbtest::SimResult r = RunScript(root, script);
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(r.output.find("The note itself"), std::string::npos) << r.output;
  EXPECT_NE(dtbtest::ReadFile(root + "/mnt/settings/ebook.config.xml").find("quiet_reading=\"1\""), std::string::npos);
}

}  // namespace
