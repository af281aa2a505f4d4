// An end other than power-off (the player killed with SIGKILL, as a crash,
// the watchdog or a lost battery contact would end it) keeps the bookmarks,
// the reading places and the settings changed before it: the device started
// again on the same root finds them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "tests/players/media/media_fixture.h"
#include "tests/support/sim_harness.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;

bool Has(const std::string& text, const std::string& what) { return text.find(what) != std::string::npos; }

std::string Sentence(int n) {
  return "Sentence " + std::to_string(n) + " of the long book.";
}

// The sentence numbers read aloud, in order.
std::vector<int> ReadSentences(const std::string& output) {
  std::vector<int> out;
  static const std::regex re("^read: Sentence (\\d+) of the long book");
  std::smatch m;
  for (const std::string& u : dtbtest::Utterances(output))
    if (std::regex_search(u, m, re)) out.push_back(std::stoi(m[1]));
  return out;
}

class KilledE2e : public ::testing::Test {
 protected:
  void SetUp() override {
    DTB_REQUIRE_PLAYER();
    root_ = dir_ / "root";
    ASSERT_EQ(dtbtest::LayOutRoot(root_, "en"), 0);
  }
  dtbtest::SimResult Run(const std::string& script) {
    dtbtest::SimRun run;
    run.root = root_;
    run.fresh = false;
    run.audio_out = dir_ / "audio.wav";
    run.script = script;
    run.timeout_seconds = 240;
    dtbtest::SimResult r = dtbtest::RunSim(run);
    if (getenv("DTB_SHOW_TRANSCRIPT")) printf("%s\n", r.output.c_str());
    return r;
  }
  std::string Settings(const char* name) { return dtbtest::ReadFile(root_ + "/mnt/settings/" + name); }

  dtbtest::TempDir dir_;
  std::string root_;
};

TEST_F(KilledE2e, EbookAndMusicBookmarksThePlaceReadAndTheSpeedSurviveAKill) {
  if (!MakeTone(dir_ / "probe.wav", 440, 0.1)) GTEST_SKIP() << "ffmpeg cannot make test tones";
  ASSERT_TRUE(MakeTone(root_ + "/mnt/emmc/Music/tone.wav", 500, 60));
  std::string book;
  for (int i = 1; i <= 400; ++i) book += Sentence(i) + (i % 4 == 0 ? "\n" : " ");
  dtbtest::WriteFile(root_ + "/mnt/emmc/Books/long.txt", book);

  const std::string openBook =
      "key play\nexpect main folder 10\n"
      "key down\nexpect Books\n"
      "key play\nexpect long.txt\n"
      "key play\n";
  // Music: a bookmark, then back to the browser. The book: a bookmark,
  // the speed one step up, reading on; a minute passes on the device's
  // clock (the place is stored once a minute while reading), then the
  // player is killed in the middle of the book.
  dtbtest::SimResult r = Run(
      "expect Internal memory 30\n"
      "key music\nwait 3\n"
      "key bookmark\nexpect add bookmark\n"
      "key play\nexpect bookmark 1 added\n"
      "key back\nexpect tone.wav\n"
      "key back\nexpect Music\n"
      "key up\nexpect Daisy\n"
      "key up\nexpect Books\n"
      "key play\nexpect long.txt\n"
      "key play\n"
      "expect Sentence 1 of 20\n"
      "key bookmark\nexpect add bookmark\n"
      "key play\nexpect Bookmark 1 added\n"
      "wait 1\n"
      "key menu\nexpect go to page\n"
      "key down\nexpect go to heading\n"
      "key down\nexpect voice\n"
      "key down\nexpect Speed: 0 5\n"
      "key right\nexpect Speed: 1 5\n"
      "key play\nexpect Setting done\n"
      "wait 6\n"
      "clock +61\n"
      "wait 3\n"
      "kill\n"
      "wait 1\n");
  ASSERT_EQ(r.status, 0) << r.output;
  ASSERT_TRUE(Has(r.output, "sim: dtbplayer killed")) << r.output;
  const std::vector<int> before = ReadSentences(r.output);
  ASSERT_FALSE(before.empty()) << r.output;

  // What was written before the kill, in the same formats as at power-off.
  const std::string bookmarks = Settings("bookmark.xml");
  EXPECT_TRUE(Has(bookmarks, "<ebook filename=\"/mnt/emmc/Books/long.txt\"")) << bookmarks;
  EXPECT_TRUE(Has(bookmarks, "<music filename=\"/mnt/emmc/Music/tone.wav\"")) << bookmarks;
  EXPECT_TRUE(Has(Settings("ebook.config.xml"), "speed=\"1\"")) << Settings("ebook.config.xml");
  const std::string history = Settings("history.xml");
  EXPECT_TRUE(Has(history, "<ebook filename=\"/mnt/emmc/Books/long.txt\"")) << history;
  EXPECT_TRUE(Has(history, "<music filename=\"/mnt/emmc/Music/tone.wav\"")) << history;

  // Started again: the book resumes where it was read a moment ago, and
  // both bookmarks are listed.
  r = Run("expect Internal memory 30\n" + openBook +
          "expect of the long book 20\n"
          "wait 2\n"
          "key bookmark\nexpect add bookmark\n"
          "key right\nexpect bookmark list\n"
          "key play\nexpect bookmark 1\n"
          "key back\nwait 1\nkey back\nexpect long.txt\n"
          "key music\nwait 3\n"
          "key bookmark\nexpect add bookmark\n"
          "key right\nexpect bookmark list\n"
          "key play\nexpect bookmark 1\n"
          "key back\nwait 1\nkey back\nwait 1\n"
          "power hold 3\nexpect shutting down 10\nwait 2\n");
  ASSERT_EQ(r.status, 0) << r.output;
  const std::vector<int> after = ReadSentences(r.output);
  ASSERT_FALSE(after.empty()) << r.output;
  // Not from the start: from a sentence read before the kill, at most a
  // minute of reading back.
  EXPECT_GT(after.front(), 1) << r.output;
  EXPECT_LE(after.front(), before.back()) << r.output;
  EXPECT_TRUE(Has(Settings("ebook.config.xml"), "speed=\"1\""));
}

// The DAISY player, on a corpus book: its bookmark and its place.
TEST_F(KilledE2e, DaisyBookmarkAndPlaceSurviveAKill) {
  const std::string corpus = dtbtest::CorpusPath("daisy202/dontworrybehappy");
  if (corpus.empty()) GTEST_SKIP() << "corpus absent";
  fs::create_directories(root_ + "/mnt/emmc/Daisy");
  fs::copy(corpus, root_ + "/mnt/emmc/Daisy/happy", fs::copy_options::recursive);
  const std::string openBook =
      "wait 3\n"
      "key play\nexpect Audio books\n"
      "key down\nexpect Daisy\n"
      "key play\nexpect folder\n"
      "key play\nexpect Be Happy Lyrics\n"
      "key play\n";
  dtbtest::SimResult r = Run(openBook +
                             "wait 4\n"
                             "key bookmark\nexpect add bookmark\n"
                             "key play\nexpect bookmark 1 added\n"
                             "key back\nwait 5\n"
                             "clock +61\n"
                             "wait 3\n"
                             "kill\n");
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_TRUE(Has(Settings("bookmark.xml"), "<daisy filename=\"/mnt/emmc/Daisy/happy/")) << Settings("bookmark.xml");
  // The place stored while playing.
  const std::string history = Settings("history.xml");
  std::smatch m;
  ASSERT_TRUE(std::regex_search(history, m, std::regex("<daisy filename=\"/mnt/emmc/Daisy/happy/[^\"]*\" "
                                                       "object=\"(\\d+)\" place=\"(\\d+)\"")))
      << history;
  const std::string stored = m[1].str() + "/" + m[2].str();
  const size_t logBefore = dtbtest::ReadFile(root_ + "/var/log/player.log").size();

  r = Run(openBook +
          "wait 3\n"
          "key bookmark\nexpect add bookmark\n"
          "key right\nexpect bookmark list\n"
          "key play\nexpect bookmark 1,\n"
          "key back\nwait 1\nkey back\nwait 1\n"
          "power hold 3\nexpect shutting down 10\nwait 2\n");
  ASSERT_EQ(r.status, 0) << r.output;
  // Opened again where the place was stored before the kill.
  const std::string log = dtbtest::ReadFile(root_ + "/var/log/player.log").substr(logBefore);
  EXPECT_TRUE(Has(log, "objects, start " + stored)) << stored << "\n" << log;
}

}  // namespace
