// Sentences with abbreviations, read by the reader through the simulator:
// each is one utterance in the book's language, not fragments.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/lib/iconv/converter.h"
#include "tests/support/sim_harness.h"
#include "tests/support/test_support.h"

namespace {

// Lays out a root in the language, puts the book on the internal memory,
// opens it from the browser and lets it read both sentences.
std::vector<std::string> ReadAloud(const std::string& lang, const std::string& text, const std::string& second) {
  dtbtest::TempDir dir;
  const std::string root = dir / "root";
  EXPECT_EQ(dtbtest::LayOutRoot(root, lang), 0);
  dtbtest::WriteFile(root + "/mnt/emmc/0books/book.txt", text);
  dtbtest::SimRun run;
  run.root = root;
  run.fresh = false;
  // Only names are awaited: the phrases in between are in either language.
  run.script =
      "wait 4\n"
      "key play\nexpect 0books 10\n"
      "key play\nexpect book.txt 10\n"
      "key play\nexpect " + second.substr(0, 12) + " 30\n"
      "wait 1\n";
  run.timeout_seconds = 120;
  dtbtest::SimResult r = dtbtest::RunSim(run);
  EXPECT_EQ(r.status, 0) << r.output;
  std::vector<std::string> read;
  for (const std::string& u : dtbtest::Utterances(r.output))
    if (u.rfind("read: ", 0) == 0) read.push_back(u.substr(6, u.find_last_not_of(' ') - 5));
  return read;
}

TEST(SentencesE2e, AbbreviationsDoNotCutPolishOrEnglishSentences) {
  DTB_REQUIRE_PLAYER();
  const std::string pl = "Był u św. Piotra o godz. 12.30, tj. w południe, a dr. Nowak nie przyszedł.";
  std::vector<std::string> read = ReadAloud("pl", pl + " Czekali itd. Potem poszli.\n", "Potem poszli.");
  ASSERT_GE(read.size(), 3u);
  EXPECT_EQ(read[0], pl);
  EXPECT_EQ(read[1], "Czekali itd.");
  EXPECT_EQ(read[2], "Potem poszli.");

  const std::string en = "Mr. Smith went to Washington, D.C. yesterday.";
  read = ReadAloud("en", en + " He met J. R. R. Tolkien there.\n", "He met J.");
  ASSERT_GE(read.size(), 2u);
  EXPECT_EQ(read[0], en);
  EXPECT_EQ(read[1], "He met J. R. R. Tolkien there.");

  // An English text on a Polish device: the text's own language decides.
  const std::string more = "He said that the weather was fine and that he had seen the river with his wife.";
  read = ReadAloud("pl", en + " " + more + "\n", "He said that");
  ASSERT_GE(read.size(), 2u);
  EXPECT_EQ(read[0], en);
  EXPECT_EQ(read[1], more);

  // A mainframe export in capitals (EBCDIC) keeps "MR." and "DR." too.
  const std::string caps = "MR. SMITH MET DR. JONES AT THE STATION.";
  const std::string late = "HE SAID THAT THE TRAIN WAS LATE AND THAT IT WAS COLD.";
  std::string ebcdic;
  const std::string plain = caps + " " + late + "\n";
  ASSERT_EQ(0, conv::Converter("IBM037", "UTF-8").Convert(plain.data(), plain.size(), &ebcdic));
  read = ReadAloud("pl", ebcdic, late);
  ASSERT_GE(read.size(), 2u);
  EXPECT_EQ(read[0], caps);
  EXPECT_EQ(read[1], late);
}

}  // namespace
