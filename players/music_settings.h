// Settings of the music player, kept in "/mnt/settings/music.config.xml".
#pragma once

#include "core/ui/settings_area.h"

enum AudioPlayMode {
  PLAY_MODE_SINGLE = 0,      // "Single play"
  PLAY_MODE_REPEAT_ONE = 1,  // "Repeat one"
  PLAY_MODE_REPEAT_ALL = 2,  // "Repeat All"
  PLAY_MODE_NORMAL = 3,      // "Normal": through the list once
  PLAY_MODE_SHUFFLE = 4,     // "Shuffle"
};

// Navigation units of a left/right step.
enum AudioNavMode {
  NAV_1_MINUTE = 0,
  NAV_5_MINUTES = 1,
  NAV_30_MINUTES = 2,
  NAV_1_HOUR = 3,
  NAV_FILE = 4,
  NAV_BOOKMARK = 5,
  NAV_MODES = 6,
};

struct AudioSettings {
  int mode = PLAY_MODE_REPEAT_ALL;  // 0..4
  int equalizer = 0;                // 0..4, 0 = off
  int speed = 0;                    // -10..30
  int pitch = 0;                    // -5..5 semitones
  int navMode = NAV_1_MINUTE;       // 0..5
  bool operator==(const AudioSettings& o) const {
    return mode == o.mode && equalizer == o.equalizer && speed == o.speed && pitch == o.pitch &&
           navMode == o.navMode;
  }
  bool operator!=(const AudioSettings& o) const { return !(*this == o); }
};

extern AudioSettings g_AudioSettings;

// Texts of the navigation units as stored in the file ("NavMode").
extern const char* const c_NavModeNames[NAV_MODES];
// Seconds of a time unit, 0 for "file" and "bookmark".
int NavModeSeconds(int navMode);

// Start-up: loads the file. 0, or -1 when the settings partition is not
// mounted or the file is missing or of the wrong size (defaults stay).
int LoadMusicSettings();
// Power-off: writes the file when forced or when a value changed since the
// last load or save. 0 or -1.
int SaveMusicSettings(bool force);
// Restore-defaults action.
int SetAudioSettingsToDefault();

// The settings area of these values: a value the user confirmed marks it
// (MarkSettingsChanged), and the file is written a moment later.
inline constexpr SettingsKey kMusicSettingsArea{"music"};

// The same on an explicit device path, without the mount test.
int LoadMusicSettingsFile(const char* devicePath);
int SaveMusicSettingsFile(const char* devicePath, bool force);
