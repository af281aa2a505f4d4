// End to end: the player on the simulated board, driven by dtbsim scripts.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "tests/support/sim_harness.h"
#include "tests/support/test_support.h"

namespace {

bool Said(const dtbtest::SimResult& r, const std::string& text) {
  for (const std::string& u : dtbtest::Utterances(r.output))
    if (u.find(text) != std::string::npos) return true;
  return false;
}

class SimE2E : public ::testing::Test {
 protected:
  dtbtest::SimResult Run(const std::string& script) {
    dtbtest::SimRun run;
    run.root = dir.path() + "/device";
    run.lang = "en";
    run.script = script;
    return dtbtest::RunSim(run);
  }
  std::string Root(const std::string& rel) { return dir.path() + "/device/" + rel; }
  dtbtest::TempDir dir;
};

TEST_F(SimE2E, KeysReachTheTopWindow) {
  DTB_REQUIRE_PLAYER();
  dtbtest::SimResult r = Run(
      "expect Internal memory 20\n"
      "key down\n"
      "expect micro sd card\n"
      "key volup\n"
      "expect volume 11 5\n"
      "quit\n");
  EXPECT_EQ(r.status, 0) << r.output;
}

// Control name -> first value, from the host codec's state file.
long MixerValue(const std::string& state, const std::string& name) {
  size_t at = state.find(name + "=");
  if (at == std::string::npos || (at > 0 && state[at - 1] != '\n')) return -1;
  return strtol(state.c_str() + at + name.size() + 1, nullptr, 10);
}

uint32_t Le32(const std::string& b, size_t at) {
  return static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8 |
         static_cast<unsigned char>(b[at + 2]) << 16 | static_cast<uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}

// The WAV of the run is whole however the player ended: lengths that match
// the file, and sound in it.
void ExpectSealedWav(const std::string& path) {
  std::string b = dtbtest::ReadFile(path);
  ASSERT_GT(b.size(), 44u) << path;
  EXPECT_EQ(b.size() - 8, Le32(b, 4));
  size_t data = b.find("data", 12);
  ASSERT_NE(data, std::string::npos);
  EXPECT_EQ(b.size() - data - 8, Le32(b, data + 4));
  bool sound = false;
  for (size_t i = data + 8; i + 1 < b.size() && !sound; i += 2) sound = b[i] != 0 || b[i + 1] != 0;
  EXPECT_TRUE(sound) << "speech through the open route";
}

TEST_F(SimE2E, TheHeadphoneJackPicksTheSpeakerOrTheHeadphones) {
  DTB_REQUIRE_PLAYER();
  dtbtest::SimResult r = Run(
      "expect Internal memory 20\n"
      "key volup\n"
      "expect volume 11 5\n"
      "headphones in\n"
      "wait 0.5\n"
      "key volup\n"
      "expect volume 11 5\n"
      "key volup\n"
      "expect volume 12 5\n"
      "quit\n");
  EXPECT_EQ(r.status, 0) << r.output;
  std::string mixer = dtbtest::ReadFile(Root("var/board/mixer"));
  EXPECT_EQ(83, MixerValue(mixer, "Line DAC Playback Volume")) << "speaker volume 11 before the jack";
  EXPECT_EQ(88, MixerValue(mixer, "HP DAC Playback Volume")) << "headphone volume 12 after it";
  EXPECT_EQ(0, MixerValue(mixer, "Line Playback Switch"));
  EXPECT_EQ(1, MixerValue(mixer, "HP Playback Switch"));
  ExpectSealedWav(dir.path() + "/device.wav");

  r = Run("expect Internal memory 20\nheadphones in\nwait 0.5\nheadphones out\nwait 0.5\nquit\n");
  EXPECT_EQ(r.status, 0) << r.output;
  mixer = dtbtest::ReadFile(Root("var/board/mixer"));
  EXPECT_EQ(1, MixerValue(mixer, "Line Playback Switch"));
  EXPECT_EQ(0, MixerValue(mixer, "HP Playback Switch"));
}

TEST_F(SimE2E, PowerClickThenMusicLocksAndUnlocksTheKeypad) {
  DTB_REQUIRE_PLAYER();
  dtbtest::SimResult r = Run(
      "expect Internal memory 20\n"
      "wait 0.5\n"
      "power click\n"
      "key music\n"
      "expect Buttons locked, click power button then music button to unlock.\n"
      "key info\n"
      "expect Buttons locked\n"
      "wait 0.5\n"
      "power click\n"
      "key music\n"
      "expect Buttons unlocked.\n"
      "key info\n"
      "expect Internal memory\n"
      "key info\n"
      "expect Current time is\n"
      "key info\n"
      "expect Battery level full.\n"
      "quit\n");
  EXPECT_EQ(r.status, 0) << r.output;
}

TEST_F(SimE2E, HoldingThePowerKeyTwoSecondsSavesAndPowersOff) {
  DTB_REQUIRE_PLAYER();
  dtbtest::SimResult r = Run(
      "expect Internal memory 20\n"
      "wait 1\n"
      "power hold 2.5\n"
      "expect shutting down. 10\n"
      "wait 2\n");
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("powered off"), std::string::npos) << r.output;

  std::string param = dtbtest::ReadFile(Root("mnt/settings/param"));
  EXPECT_EQ(param, std::string("\x00\x28\x00\x28\x00\x00", 6)) << "volumes 10 give 40";

  std::string log = dtbtest::ReadFile(Root("var/log/commands.log"));
  size_t hw = log.find("hwclock --systohc");
  size_t off = log.find("poweroff");
  ASSERT_NE(hw, std::string::npos) << log;
  ASSERT_NE(off, std::string::npos) << log;
  EXPECT_LT(hw, off);
  struct stat st;
  EXPECT_EQ(stat(Root("mnt/settings/bookmark.xml").c_str(), &st), 0) << "the save sequence ran";
  EXPECT_EQ(stat(Root("mnt/settings/history.xml").c_str(), &st), 0);
}

TEST_F(SimE2E, UsbCableMustStayThreeTicks) {
  DTB_REQUIRE_PLAYER();
  // 0.4 s covers at most two ticks; a whole second at least three.
  dtbtest::SimResult brief = Run(
      "expect Internal memory 20\n"
      "usb charger\n"
      "wait 0.4\n"
      "usb out\n"
      "wait 1.5\n"
      "quit\n");
  EXPECT_EQ(brief.status, 0) << brief.output;
  EXPECT_FALSE(Said(brief, "USB connected")) << brief.output;

  dtbtest::SimResult held = Run(
      "expect Internal memory 20\n"
      "usb charger\n"
      "expect USB connected 3\n"
      "quit\n");
  EXPECT_EQ(held.status, 0) << held.output;
}

}  // namespace
