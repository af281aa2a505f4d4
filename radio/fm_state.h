// The FM radio's state: channel, presets, volumes, tuning mode, kept in
// "/mnt/settings/fm.channels", and the band arithmetic of tuning by step,
// by preset and by seeking. Loop thread, except where the seek thread
// writes the channel and presets (the window reads them only after it).
#pragma once

#include "core/ui/settings_area.h"

constexpr int kFmChannels = 211;  // 87.0 .. 108.0 MHz in 100 kHz steps
constexpr int kFmFileSize = 223;

struct FmState {
  int channel = 0;
  unsigned char preset[kFmChannels] = {};
  int headphone_volume = 8;  // 0..16
  int speaker_volume = 8;    // 0..16
  int mode = 0;              // 0 auto (seek), 1 step
};
extern FmState g_Fm;
// 0 off, 1 receiving, 2 transmitting.
extern int g_FmState;
// The settings area of g_Fm: a change is marked with it, written soon.
inline constexpr SettingsKey kFmSettingsArea{"fm"};

int LoadFmSettings();
int LoadFmSettingsFile(const char* devicePath);
// Nothing is written while the channel is outside the band. `always` is
// kept for the settings area (every save writes). 0 or -1.
int SaveFmSettings(bool always);
int SaveFmSettingsFile(const char* devicePath);
// Parses the 223-byte layout into *s (defaults first). 0, or -1 for a
// buffer of another length.
int ParseFmChannels(const unsigned char* data, int size, FmState* s);
void FormatFmChannels(const FmState& s, unsigned char out[kFmFileSize]);

// The lowest channel the board's tuner can tune (its profile says): where
// the tuner cannot go below 87.5 MHz, 87.0 to 87.4 are never offered.
int FirstChannel();
// The neighbour channel, wrapping between the first channel and 108.0 MHz.
int StepChannel(int channel, int direction);
// The next preset after (direction > 0) or before the channel, wrapping
// around the band; the channel itself when no other is a preset.
int NextPreset(const FmState& s, int channel, int direction);
// The lowest preset from the first channel on, or -1.
int LowestPreset(const FmState& s);
int ChannelKhz(int channel);
int ChannelOfKhz(int khz);  // -1 outside the band
