// The codec's mixer: controls by name, routes and volumes.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "audio/alsa_board.h"
#include "audio/soundcard.h"
#include "audio/soundcard_internal.h"
#include "core/base/diag.h"
#include "core/lib/alsa/alsa.h"
#include "platform/board.h"
#include "platform/board_ioctl.h"
#include "platform/board_profile.h"

bool g_bSpeakerOn = false;

namespace {

int Clamp(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }
int ClampVolume(int v) { return Clamp(v, 0, 118); }

bool AmplifierBoard() { return board::Profile().amplifier_node; }

// Writes each control in order; every failure is already printed by
// SoundCard_CSet. Returns 0 or the last error.
int SetAll(std::initializer_list<const char*> controls, int value) {
  int result = 0;
  for (const char* c : controls) {
    int err = SoundCard_CSet(c, value, nullptr);
    if (err < 0) result = err;
  }
  return result;
}

// Sets the volume controls; the value written, or the last error.
int SetVolumes(std::initializer_list<const char*> controls, int v) {
  v = ClampVolume(v);
  int applied = v, result = 0;
  for (const char* c : controls) {
    int err = SoundCard_CSet(c, v, &applied);
    if (err < 0) result = err;
  }
  return result < 0 ? result : applied;
}

}  // namespace

int SoundCard_CSet(const char* control, int value, int* applied) {
  if (!control) return -1;
  alsa::Mixer mixer;
  int err = mixer.Open(device, AlsaBoardConfigText());
  if (err < 0) {
    DiagPrintf("snd_ctl_open() failed: %s", mixer.LastError());
    return err;
  }
  err = mixer.Write(control, value, applied);
  if (err < 0) DiagPrintf("mixer control %s: %s", control, mixer.LastError());
  return err;
}

int SoundCard_MixerInit() {
  SetAll({"Left Line1L Mux", "Left Line1R Mux", "Left Line2L Mux", "Right Line1L Mux", "Right Line1R Mux",
          "Right Line2R Mux", "ADC HPF Cut-off"},
         0);
  SoundCard_CSet("Left HPCOM Mux", 1, nullptr);
  SetAll({"AGC Switch", "PGA Capture Switch", "Mic Bias Level",
          "Left Line Mixer DACR1 Switch", "Left Line Mixer Line2L Bypass Switch",
          "Left Line Mixer Line2R Bypass Switch", "Left Line Mixer PGAL Bypass Switch",
          "Left Line Mixer PGAR Bypass Switch", "Right Line Mixer DACL1 Switch",
          "Right Line Mixer Line2L Bypass Switch", "Right Line Mixer Line2R Bypass Switch",
          "Right Line Mixer PGAL Bypass Switch", "Right Line Mixer PGAR Bypass Switch",
          "Left HP Mixer DACR1 Switch", "Left HP Mixer Line2L Bypass Switch", "Left HP Mixer Line2R Bypass Switch",
          "Left HP Mixer PGAL Bypass Switch", "Left HP Mixer PGAR Bypass Switch", "Right HP Mixer DACL1 Switch",
          "Right HP Mixer Line2L Bypass Switch", "Right HP Mixer Line2R Bypass Switch",
          "Right HP Mixer PGAL Bypass Switch", "Right HP Mixer PGAR Bypass Switch",
          "Left PGA Mixer Line1L Switch", "Left PGA Mixer Line1R Switch", "Left PGA Mixer Line2L Switch",
          "Left PGA Mixer Mic3L Switch", "Left PGA Mixer Mic3R Switch", "Right PGA Mixer Line1L Switch",
          "Right PGA Mixer Line1R Switch", "Right PGA Mixer Line2R Switch", "Right PGA Mixer Mic3L Switch",
          "Right PGA Mixer Mic3R Switch",
          "PGA Capture Volume", "Line DAC Playback Volume", "Line Line2 Bypass Volume", "Line PGA Bypass Volume",
          "HP DAC Playback Volume", "HP Line2 Bypass Volume", "HP PGA Bypass Volume",
          "Left Line Mixer DACR1 Playback Volume", "Left Line Mixer Line2R Bypass Volume",
          "Left Line Mixer PGAR Bypass Volume", "Right Line Mixer DACL1 Playback Volume",
          "Right Line Mixer Line2L Bypass Volume", "Right Line Mixer PGAL Bypass Volume",
          "Left HP Mixer Line2R Bypass Volume", "Left HP Mixer DACR1 Playback Volume",
          "Left HP Mixer PGAR Bypass Volume", "Right HP Mixer DACL1 Playback Volume",
          "Right HP Mixer Line2L Bypass Volume", "Right HP Mixer PGAL Bypass Volume"},
         0);
  SoundCard_CSet("PCM Playback Volume", 127, nullptr);  // digital gain fully open
  SetAll({"Left DAC Mux", "Right DAC Mux"}, 0);
  return 0;
}

int SoundCard_SpeakerSwitch(bool on) {
  g_bSpeakerOn = on;
  if (AmplifierBoard()) {
    int fd = BOpen("/dev/amp_en", O_RDONLY);
    if (fd < 0) {
      DiagPrintf("can not open /dev/amp_en");
      return -1;
    }
    int arg[2] = {1, on ? 1 : 0};
    if (board::Ioctl(fd, AMP_EN_SET, arg) < 0) DiagPrintf("ioctl() failed");
    close(fd);
    SetAll({"Line Playback Switch", "Left Line Mixer DACL1 Switch", "Right Line Mixer DACR1 Switch"}, on);
  } else {
    // Both DAC channels into the left line output that feeds the mono amplifier.
    SetAll({"Line Playback Switch", "Left Line Mixer DACL1 Switch", "Left Line Mixer DACR1 Switch",
            "Class-D Amplifier On"},
           on);
    SoundCard_CSet("Class-D Amplifier Gain", 0, nullptr);
  }
  return 0;
}

bool IsSpeakerOn() { return g_bSpeakerOn; }

bool SoundCard_FmOnSpeaker() { return AmplifierBoard(); }

int SoundCard_LopSwitch(bool on) {
  return SetAll({"Line Playback Switch", "Left Line Mixer DACL1 Switch", "Right Line Mixer DACR1 Switch"}, on);
}

int SoundCard_HeadPhoneSwitch(bool on) {
  return SetAll({"HP Playback Switch", "Left HP Mixer DACL1 Switch", "Right HP Mixer DACR1 Switch"}, on);
}

int SoundCard_Line1ToOutputSwitch(bool on) {
  int r = SetAll({"Left Line Mixer PGAL Bypass Switch", "Right Line Mixer PGAR Bypass Switch",
                  "Left HP Mixer PGAL Bypass Switch", "Right HP Mixer PGAR Bypass Switch"},
                 on);
  if (!AmplifierBoard() && on && g_bSpeakerOn) SoundCard_CSet("Class-D Amplifier On", 1, nullptr);
  return r;
}

int SoundCard_FmToHeadPhoneSwitch(bool on) {
  int r = SetAll({"Left HP Mixer Line2L Bypass Switch", "Right HP Mixer Line2R Bypass Switch"}, on);
  if (AmplifierBoard())
    SetAll({"Left Line Mixer Line2L Bypass Switch", "Right Line Mixer Line2R Bypass Switch"}, on);
  // The digital playback leaves the outputs that carry the radio.
  SetAll({"Left HP Mixer DACL1 Switch", "Right HP Mixer DACR1 Switch"}, !on);
  if (AmplifierBoard()) SetAll({"Left Line Mixer DACL1 Switch", "Right Line Mixer DACR1 Switch"}, !on);
  SetAll({"Left Line2L Mux", "Right Line2R Mux"}, 0);
  return r;
}

int SoundCard_SetSpeakerVolume(int v) {
  if (AmplifierBoard()) return SetVolumes({"Line DAC Playback Volume"}, v);
  return SetVolumes({"Line DAC Playback Volume", "Left Line Mixer DACR1 Playback Volume"}, v);
}

int SoundCard_SetHeadPhoneVolume(int v) { return SetVolumes({"HP DAC Playback Volume"}, v); }

int SoundCard_SetVolume(int v) {
  int speaker = SoundCard_SetSpeakerVolume(v);
  int headphone = SoundCard_SetHeadPhoneVolume(v);
  return speaker < 0 ? speaker : headphone;
}

int SoundCard_SetLine1ToOutputVolume(int v) { return SetVolumes({"HP PGA Bypass Volume", "Line PGA Bypass Volume"}, v); }

int SoundCard_SetFmToSpeakerVolume(int v) {
  if (!AmplifierBoard()) return ClampVolume(v);
  return SetVolumes({"Line Line2 Bypass Volume"}, v);
}

int SoundCard_SetFmToHeadPhoneVolume(int v) { return SetVolumes({"HP Line2 Bypass Volume"}, v); }

int SoundCard_SetPgaCaptureVolume(int v) { return SetVolumes({"PGA Capture Volume"}, v); }

int SoundCard_SetCaptureRouteway(int route) {
  static const char* const kControls[] = {
      "PGA Capture Switch",           "Mic Bias Level",
      "Left PGA Mixer Line1L Switch", "Left PGA Mixer Line1R Switch",
      "Right PGA Mixer Line1L Switch", "Right PGA Mixer Line1R Switch",
      "Left PGA Mixer Line2L Switch", "Right PGA Mixer Line2R Switch",
      "Left Line1L Mux",              "Right Line1R Mux"};
  // Columns: route 1 built-in mic, 2 external mic, 3 line in, 4 FM (Line2).
  static const int kRoutes[10][4] = {{1, 1, 1, 1}, {2, 2, 0, 0}, {0, 1, 1, 0}, {1, 0, 0, 0}, {0, 1, 0, 0},
                                     {1, 0, 1, 0}, {0, 0, 0, 1}, {0, 0, 0, 1}, {0, 0, 0, 0}, {1, 1, 0, 1}};
  int result = 0;
  for (int i = 0; i < 10; i++) {
    int v = (route >= 1 && route <= 4) ? kRoutes[i][route - 1] : 0;
    int err = SoundCard_CSet(kControls[i], v, nullptr);
    if (err < 0) result = err;
  }
  return result;
}
