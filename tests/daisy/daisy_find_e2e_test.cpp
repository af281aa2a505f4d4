// Finding text and quieter reading in the DAISY player, end to end through
// the simulator with a text-only DAISY 3 book of the corpus.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/find_script.h"
#include "tests/support/sim_harness.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;

class DaisyTextBookE2e : public ::testing::Test {
 protected:
  void SetUp() override {
    DTB_REQUIRE_PLAYER();
    book_ = dtbtest::CorpusPath("daisy3/mathml_sample2_textonly");
    if (book_.empty()) GTEST_SKIP() << "corpus item absent: daisy3/mathml_sample2_textonly";
    root_ = dir_ / "root";
    ASSERT_EQ(dtbtest::LayOutRoot(root_, "en"), 0);
    fs::create_directories(root_ + "/mnt/emmc/Daisy");
    fs::copy(book_, root_ + "/mnt/emmc/Daisy/math", fs::copy_options::recursive);
  }
  dtbtest::SimResult Run(const std::string& script) {
    dtbtest::SimRun run;
    run.root = root_;
    run.fresh = false;
    run.script = script;
    run.timeout_seconds = 300;
    return dtbtest::RunSim(run);
  }
  static std::string OpenBook() {
    return "wait 3\n"
           "key play\nexpect Audio books\n"
           "key down\nexpect Daisy\n"
           "key play\nexpect math\n"
           "key play\nexpect MathML Modular Extension\n"
           "key play\n";
  }

  dtbtest::TempDir dir_;
  std::string root_;
  std::string book_;
};

TEST_F(DaisyTextBookE2e, AWordIsFoundForwardAndBackInTheBooksText) {
  DTB_REQUIRE_PLAYER();
  using dtbtest::WithPlayHeld;
  const std::string script =
      OpenBook() + "expect Powers of Products and Quotients 20\n" + WithPlayHeld("menu") +
      "expect find text, a\n" + dtbtest::TypeFindWord("area") +
      "key play\nexpect problems involving area 10\n" +
      WithPlayHeld("right") + "expect Find the area of the square tile 10\n" +
      WithPlayHeld("right") + "expect The area of the tile 10\n" +
      WithPlayHeld("left") + "expect Find the area of the square tile 10\n" +
      WithPlayHeld("left") + "expect problems involving area 10\n" +
      WithPlayHeld("left") + "expect not found 10\n"
      "key back\nexpect math\n"
      "power hold 3\nexpect shutting down 10\n"
      "wait 3\n";
  dtbtest::SimResult r = Run(script);
  ASSERT_EQ(r.status, 0) << r.output;
}

// Quieter reading is set in the player's menu, survives power-off, and then
// the book's printed page numbers are not read, while a page move still
// reaches (and names) the page.
TEST_F(DaisyTextBookE2e, QuieterReadingLeavesThePageNumbersOut) {
  DTB_REQUIRE_PLAYER();
  dtbtest::SimResult r = Run(OpenBook() +
                             "expect 278 20\n"
                             "expect Powers of Products and Quotients 10\n"
                             "key menu\nexpect go to page\n"
                             "key up\nexpect quieter reading, without page numbers and notes: disable\n"
                             "key right\nexpect notes: enable\n"
                             "key play\nexpect Setting done\n"
                             "key back\nexpect math\n"
                             "power hold 3\nexpect shutting down 10\n"
                             "wait 3\n");
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_NE(dtbtest::ReadFile(root_ + "/mnt/settings/daisy.config.xml").find("quiet_reading=\"enable\""),
            std::string::npos);
  // From the start again (no history): the page number is passed over.
  fs::remove(root_ + "/mnt/settings/history.xml");
  fs::remove(root_ + "/mnt/settings/poweroff.path");  // start in the browser
  r = Run(OpenBook() +
          "expect Powers of Products and Quotients 20\n"
          "key up\nexpect bookmark\nkey up\nexpect phrase\nkey up\nexpect page\n"
          "key right\nexpect page 279 10\n"
          "wait 3\n"
          "key back\nexpect math\n"
          "power hold 3\nexpect shutting down 10\n"
          "wait 3\n");
  ASSERT_EQ(r.status, 0) << r.output;
  for (const std::string& u : dtbtest::Utterances(r.output)) {
    EXPECT_NE(u, "read: 278") << r.output;
    EXPECT_NE(u, "read: 279") << r.output;
  }
  EXPECT_NE(r.output.find("read: "), std::string::npos);
}

// In a book with audio, the clips that narrate a note reference and the
// note itself are passed over.
TEST(DaisyQuietE2e, NarratedNotesArePassedOverInAnAudioBook) {
  DTB_REQUIRE_PLAYER();
  DTB_REQUIRE_CORPUS(book, "daisy3/dontworrybehappy_fulltext");
  dtbtest::TempDir dir;
  const std::string root = dir / "root";
  ASSERT_EQ(dtbtest::LayOutRoot(root, "en"), 0);
  fs::create_directories(root + "/mnt/emmc/Daisy");
  fs::copy(book, root + "/mnt/emmc/Daisy/happy", fs::copy_options::recursive);
  dtbtest::WriteFile(root + "/mnt/settings/daisy.config.xml",
                     "<?xml version=\"1.0\"?>\n<daisy><daisy_config speed=\"0\" pitch=\"0\" jumptime=\"30\" "
                     "quiet_reading=\"enable\"/></daisy>\n");
  dtbtest::SimRun run;
  run.root = root;
  run.fresh = false;
  run.script =
      "wait 3\n"
      "key play\nexpect Audio books\n"
      "key down\nexpect Daisy\n"
      "key play\nexpect happy\n"
      "key play\nexpect Be Happy\n"
      "key play\nwait 30\n"
      "power hold 3\nexpect shutting down 10\n"
      "wait 3\n";
  dtbtest::SimResult r = dtbtest::RunSim(run);
  ASSERT_EQ(r.status, 0) << r.output;
  const std::string log = dtbtest::ReadFile(root + "/var/log/player.log");
  // The note reference of the second file's text, then the note read out
  // in its place: two clips.
  size_t passed = 0;
  for (size_t at = 0; (at = log.find("quiet reading: clip", at)) != std::string::npos; ++at) ++passed;
  EXPECT_EQ(passed, 2u) << log;
  EXPECT_NE(log.find("speechgen0002.mp3"), std::string::npos);
}

}  // namespace
