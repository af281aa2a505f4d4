// The keys every player answers, through the real program, in each of the
// four players: the info key, the volume spoken while paused, the settings
// menu left with back, and back closing the player into the browser.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <string>

#include "tests/support/sim_harness.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;

struct PlayerCase {
  const char* name;
  const char* start;  // where the browser starts, under /mnt/emmc
  const char* open;   // the browser's words, then keys, until the player opens
  const char* menu;   // the player's first settings item: the player is open
  const char* info;   // part of what the player's info key says
  const char* after;  // what the browser says once the player has closed
};

void PrintTo(const PlayerCase& c, std::ostream* os) { *os << c.name; }

class PlayerKeysE2e : public ::testing::TestWithParam<PlayerCase> {
 protected:
  void SetUp() override {
    DTB_REQUIRE_PLAYER();
    if (std::system("ffmpeg -version >/dev/null 2>&1") != 0) GTEST_SKIP() << "ffmpeg is not installed";
    root_ = dir_ / "root";
    ASSERT_EQ(dtbtest::LayOutRoot(root_, "en"), 0);
    const std::string emmc = root_ + "/mnt/emmc/";
    fs::create_directories(emmc + "Music");
    fs::create_directories(emmc + "Audio books/Tale");
    fs::create_directories(emmc + "Daisy");
    Tone(emmc + "Music/song.mp3");
    Tone(emmc + "Audio books/Tale/part 1.mp3");
    fs::copy(dtbtest::DataPath("daisy/books/book202"), emmc + "Daisy/Book202", fs::copy_options::recursive);
    Tone(emmc + "Daisy/Book202/one.mp3");  // the fixture's audio files are empty
    Tone(emmc + "Daisy/Book202/two.mp3");
    std::string text;
    for (int i = 0; i < 200; ++i) text += "This is sentence " + std::to_string(i) + " of a plain book. ";
    dtbtest::WriteFile(emmc + "Books/plain.txt", text);
  }
  static void Tone(const std::string& path) {
    const std::string cmd = "ffmpeg -loglevel error -y -f lavfi -i sine=frequency=440:duration=60 -ac 1 -ar 22050 '" +
                            path + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
  }

  dtbtest::TempDir dir_;
  std::string root_;
};

TEST_P(PlayerKeysE2e, MenuInfoVolumeAndBack) {
  const PlayerCase& c = GetParam();
  dtbtest::WriteFile(root_ + "/mnt/settings/poweroff.path", std::string("/mnt/emmc/") + c.start);
  dtbtest::SimRun run;
  run.root = root_;
  run.fresh = false;
  run.timeout_seconds = 150;
  run.script = std::string(c.open) +
               "key menu\n"
               "expect " + c.menu + " 30\n"
               "key back\n"  // leaves the menu
               "key info\n"
               "expect " + c.info + " 20\n"
               "key play\n"  // paused: the volume is spoken
               "key volup\n"
               "expect volume 20\n"
               "key back\n"  // closes the player
               "expect " + c.after + " 20\n"
               "quit\n";
  dtbtest::SimResult r = dtbtest::RunSim(run);
  EXPECT_EQ(r.status, 0) << r.output;
}

INSTANTIATE_TEST_SUITE_P(
    Players, PlayerKeysE2e,
    ::testing::Values(
        PlayerCase{"Music", "Music/song.mp3", "expect song.mp3 20\nkey play\nexpect opened song.mp3 30\n",
                   "playing mode", "song.mp3, current time", "song.mp3"},
        PlayerCase{"AudioBook", "Audio books/Tale",
                   "expect Tale, folder 20\nkey play\nexpect Tale\nkey play\nexpect opened part 1.mp3 30\n",
                   "Speed: normal", "current time", "Tale"},
        PlayerCase{"Daisy", "Daisy",
                   "expect Daisy, folder 20\nkey play\nexpect Book202, folder 20\nkey play\nexpect Small book 20\n"
                   "key play\nexpect opened Book202 30\n",
                   "go to page", "Small book", "Small book"},
        PlayerCase{"Ebook", "Books/plain.txt", "expect plain.txt 20\nkey play\nexpect opened plain.txt 30\n", "go to page",
                   "Current page: 1", "plain.txt"}),
    [](const ::testing::TestParamInfo<PlayerCase>& info) { return std::string(info.param.name); });

}  // namespace
