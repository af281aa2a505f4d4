// Mixer routes and volumes, read back from the simulated codec.
#include <filesystem>
#include <string>
#include <vector>

#include "audio/soundcard.h"
#include "core/app/mainloop.h"
#include "platform/board_profile.h"
#include "tests/audio/audio_test_util.h"

namespace dtbtest {
namespace {

class MixerTest : public SoundCardTest {};

TEST_F(MixerTest, SetClampsByControlType) {
  int applied = -1;
  EXPECT_EQ(0, SoundCard_CSet("PGA Capture Volume", 500, &applied));  // integer 0..119
  EXPECT_EQ(119, applied);
  EXPECT_EQ(119, Control("PGA Capture Volume", 0));
  EXPECT_EQ(119, Control("PGA Capture Volume", 1));  // stereo: both channels
  EXPECT_EQ(0, SoundCard_CSet("Left HPCOM Mux", 7, &applied));  // three items
  EXPECT_EQ(2, applied);
  EXPECT_EQ(0, SoundCard_CSet("HP Playback Switch", 5, &applied));  // boolean
  EXPECT_EQ(1, applied);
  EXPECT_EQ(1, Control("HP Playback Switch", 1));
  EXPECT_EQ(0, SoundCard_CSet("Line DAC Playback Volume", -3, &applied));
  EXPECT_EQ(0, applied);
  EXPECT_LT(SoundCard_CSet("No Such Control", 1, &applied), 0);
  EXPECT_EQ(0, applied);  // untouched on failure
}

TEST_F(MixerTest, InitPutsEveryRouteOff) {
  // Leave some routes on first, as a previous run could have.
  SoundCard_HeadPhoneSwitch(true);
  SoundCard_SetCaptureRouteway(2);
  SoundCard_SetVolume(100);
  SoundCard_CSet("Left DAC Mux", 2, nullptr);
  EXPECT_EQ(0, SoundCard_MixerInit());
  auto m = ReadMixer(MixerFile());
  ASSERT_FALSE(m.empty());
  for (const char* c : {"Left Line1L Mux", "Right Line2R Mux", "ADC HPF Cut-off", "AGC Switch", "PGA Capture Switch",
                        "Mic Bias Level", "Left PGA Mixer Line1L Switch", "Right PGA Mixer Line1L Switch",
                        "Right PGA Mixer Mic3R Switch", "Line DAC Playback Volume", "HP DAC Playback Volume",
                        "Left Line Mixer DACR1 Playback Volume", "Right HP Mixer PGAL Bypass Volume", "Left DAC Mux",
                        "Right DAC Mux"})
    for (long v : m[c]) EXPECT_EQ(0, v) << c;
  EXPECT_EQ(1, Control("Left HPCOM Mux"));
  EXPECT_EQ(127, Control("PCM Playback Volume", 0));
  EXPECT_EQ(127, Control("PCM Playback Volume", 1));
  // The headphone DAC switches are routes of their own, not reset here.
  EXPECT_EQ(1, Control("Left HP Mixer DACL1 Switch"));
}

TEST_F(MixerTest, SpeakerOnTheClassDBoard) {
  EXPECT_EQ(0, SoundCard_SpeakerSwitch(true));
  EXPECT_TRUE(IsSpeakerOn());
  EXPECT_EQ(1, Control("Line Playback Switch", 0));
  EXPECT_EQ(1, Control("Line Playback Switch", 1));
  EXPECT_EQ(1, Control("Left Line Mixer DACL1 Switch"));
  EXPECT_EQ(1, Control("Left Line Mixer DACR1 Switch"));  // both channels into the mono amplifier
  EXPECT_EQ(0, Control("Right Line Mixer DACR1 Switch"));
  EXPECT_EQ(1, Control("Class-D Amplifier On"));
  EXPECT_EQ(0, Control("Class-D Amplifier Gain"));
  // The amplifier follows the stream: off for capture, on again for playback.
  ASSERT_EQ(0, SoundCard_Init(true, 2, 16000, 100000));
  EXPECT_EQ(0, Control("Class-D Amplifier On"));
  ASSERT_EQ(0, SoundCard_Init(false, 2, 16000, 100000));
  EXPECT_EQ(1, Control("Class-D Amplifier On"));
  EXPECT_EQ(0, SoundCard_SpeakerSwitch(false));
  EXPECT_FALSE(IsSpeakerOn());
  EXPECT_EQ(0, Control("Class-D Amplifier On"));
  EXPECT_EQ(0, Control("Left Line Mixer DACR1 Switch"));
}

TEST_F(MixerTest, SpeakerOnTheAmplifierBoard) {
  UseAmplifierBoard();
  EXPECT_EQ(0, SoundCard_SpeakerSwitch(true));
  EXPECT_EQ(1, Control("Line Playback Switch"));
  EXPECT_EQ(1, Control("Left Line Mixer DACL1 Switch"));
  EXPECT_EQ(1, Control("Right Line Mixer DACR1 Switch"));
  EXPECT_EQ(0, Control("Left Line Mixer DACR1 Switch"));
  EXPECT_FALSE(HasControl("Class-D Amplifier On"));  // this codec has none
  // Without the amplifier node the mixer is left alone.
  std::filesystem::remove(dir_ / "root/dev/amp_en");
  EXPECT_EQ(-1, SoundCard_SpeakerSwitch(false));
  EXPECT_EQ(1, Control("Line Playback Switch"));
}

TEST_F(MixerTest, OutputRoutes) {
  EXPECT_EQ(0, SoundCard_HeadPhoneSwitch(true));
  EXPECT_EQ(1, Control("HP Playback Switch", 1));
  EXPECT_EQ(1, Control("Left HP Mixer DACL1 Switch"));
  EXPECT_EQ(1, Control("Right HP Mixer DACR1 Switch"));
  EXPECT_EQ(0, SoundCard_LopSwitch(true));
  EXPECT_EQ(1, Control("Right Line Mixer DACR1 Switch"));

  EXPECT_EQ(0, SoundCard_FmToHeadPhoneSwitch(true));
  EXPECT_EQ(1, Control("Left HP Mixer Line2L Bypass Switch"));
  EXPECT_EQ(1, Control("Right HP Mixer Line2R Bypass Switch"));
  EXPECT_EQ(0, Control("Left HP Mixer DACL1 Switch"));  // playback taken off the radio's outputs
  EXPECT_EQ(0, Control("Right HP Mixer DACR1 Switch"));
  EXPECT_EQ(0, Control("Left Line Mixer Line2L Bypass Switch"));  // speaker path only on the amplifier board
  EXPECT_EQ(1, Control("Right Line Mixer DACR1 Switch"));
  EXPECT_EQ(0, SoundCard_FmToHeadPhoneSwitch(false));
  EXPECT_EQ(1, Control("Left HP Mixer DACL1 Switch"));
  EXPECT_EQ(0, Control("Left HP Mixer Line2L Bypass Switch"));

  UseAmplifierBoard();
  EXPECT_EQ(0, SoundCard_FmToHeadPhoneSwitch(true));
  EXPECT_EQ(1, Control("Left Line Mixer Line2L Bypass Switch"));
  EXPECT_EQ(1, Control("Right Line Mixer Line2R Bypass Switch"));
  EXPECT_EQ(0, Control("Left Line Mixer DACL1 Switch"));
  EXPECT_EQ(0, Control("Right Line Mixer DACR1 Switch"));
}

TEST_F(MixerTest, LineInMonitorSwitchesTheClassDAmplifierOnlyForTheSpeaker) {
  SoundCard_SpeakerSwitch(false);
  EXPECT_EQ(0, SoundCard_Line1ToOutputSwitch(true));
  EXPECT_EQ(1, Control("Left Line Mixer PGAL Bypass Switch"));
  EXPECT_EQ(1, Control("Right HP Mixer PGAR Bypass Switch"));
  EXPECT_EQ(0, Control("Class-D Amplifier On"));
  board::SelectProfile(board::ProfileOfRevision(0));
  SoundCard_SpeakerSwitch(true);
  SoundCard_CSet("Class-D Amplifier On", 0, nullptr);
  EXPECT_EQ(0, SoundCard_Line1ToOutputSwitch(true));
  EXPECT_EQ(1, Control("Class-D Amplifier On"));
}

TEST_F(MixerTest, VolumesAreClampedAndGoToTheirControls) {
  EXPECT_EQ(0, SoundCard_SetSpeakerVolume(-5));
  EXPECT_EQ(0, Control("Line DAC Playback Volume"));
  EXPECT_EQ(118, SoundCard_SetSpeakerVolume(200));
  EXPECT_EQ(118, Control("Line DAC Playback Volume", 1));
  EXPECT_EQ(118, Control("Left Line Mixer DACR1 Playback Volume"));  // class-D path
  EXPECT_EQ(78, SoundCard_SetVolume(78));
  EXPECT_EQ(78, Control("HP DAC Playback Volume", 0));
  EXPECT_EQ(78, Control("Line DAC Playback Volume", 0));
  EXPECT_EQ(118, SoundCard_SetHeadPhoneVolume(119));
  EXPECT_EQ(43, SoundCard_SetLine1ToOutputVolume(43));
  EXPECT_EQ(43, Control("HP PGA Bypass Volume"));
  EXPECT_EQ(43, Control("Line PGA Bypass Volume"));
  EXPECT_EQ(0, SoundCard_SetFmToHeadPhoneVolume(-1));
  EXPECT_EQ(0, Control("HP Line2 Bypass Volume"));
  EXPECT_EQ(118, SoundCard_SetPgaCaptureVolume(119));  // the control goes to 119, the setter not
  EXPECT_EQ(118, Control("PGA Capture Volume"));
  // The radio's speaker volume exists only on the amplifier board.
  EXPECT_EQ(59, SoundCard_SetFmToSpeakerVolume(59));
  EXPECT_EQ(0, Control("Line Line2 Bypass Volume"));
  UseAmplifierBoard();
  EXPECT_EQ(59, SoundCard_SetFmToSpeakerVolume(59));
  EXPECT_EQ(59, Control("Line Line2 Bypass Volume"));
  SoundCard_SetSpeakerVolume(33);
  EXPECT_EQ(33, Control("Line DAC Playback Volume"));
  EXPECT_EQ(78, Control("Left Line Mixer DACR1 Playback Volume"));  // left alone on the amplifier board
}

TEST_F(MixerTest, CaptureRoutes) {
  const char* controls[] = {"PGA Capture Switch",           "Mic Bias Level",
                            "Left PGA Mixer Line1L Switch", "Left PGA Mixer Line1R Switch",
                            "Right PGA Mixer Line1L Switch", "Right PGA Mixer Line1R Switch",
                            "Left PGA Mixer Line2L Switch", "Right PGA Mixer Line2R Switch",
                            "Left Line1L Mux",              "Right Line1R Mux"};
  const int expected[4][10] = {{1, 2, 0, 1, 0, 1, 0, 0, 0, 1},
                               {1, 2, 1, 0, 1, 0, 0, 0, 0, 1},
                               {1, 0, 1, 0, 0, 1, 0, 0, 0, 0},
                               {1, 0, 0, 0, 0, 0, 1, 1, 0, 1}};
  for (int route = 1; route <= 4; route++) {
    ASSERT_EQ(0, SoundCard_SetCaptureRouteway(route));
    for (int i = 0; i < 10; i++) EXPECT_EQ(expected[route - 1][i], Control(controls[i])) << route << controls[i];
  }
  ASSERT_EQ(0, SoundCard_SetCaptureRouteway(0));
  for (const char* c : controls) EXPECT_EQ(0, Control(c)) << c;
  EXPECT_EQ(0, Control("PGA Capture Switch", 1));
}

TEST_F(MixerTest, ValuesPersistInTheStateFileOfTheRoot) {
  SoundCard_SetHeadPhoneVolume(88);
  // Another process (the simulator, a second run) sees the same codec.
  auto m = ReadMixer(MixerFile());
  ASSERT_EQ(2u, m["HP DAC Playback Volume"].size());
  EXPECT_EQ(88, m["HP DAC Playback Volume"][0]);
  setenv("DTB_AUDIO_MIXER", (dir_ / "other_mixer").c_str(), 1);
  SoundCard_SetHeadPhoneVolume(10);
  unsetenv("DTB_AUDIO_MIXER");
  EXPECT_EQ(10, ReadMixer(dir_ / "other_mixer")["HP DAC Playback Volume"][0]);
  EXPECT_EQ(88, Control("HP DAC Playback Volume"));
}

}  // namespace
}  // namespace dtbtest
