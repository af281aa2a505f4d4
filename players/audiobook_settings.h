// Settings of the audio book player, kept in "/mnt/settings/audiobook.config.xml".
#pragma once

#include "core/ui/settings_area.h"

constexpr int kAudioBookSteps = 7;
// Step sizes in seconds; the stored index 7 is accepted and means index 0.
extern const int c_AudioBookStepSeconds[kAudioBookSteps];

struct AudioBookSettings {
  int speed = 0;  // -10..30
  int pitch = 0;  // -5..5
  int step = 0;   // 0..7 into c_AudioBookStepSeconds
  // Off unless set, as they change what is heard: the information key also
  // tells the time left; a folder whose files all carry disc or track tags
  // plays in tag order (from the book's next opening).
  int time_left = 0;  // 0..1
  int tag_order = 0;  // 0..1
  bool operator==(const AudioBookSettings& o) const {
    return speed == o.speed && pitch == o.pitch && step == o.step && time_left == o.time_left &&
           tag_order == o.tag_order;
  }
  bool operator!=(const AudioBookSettings& o) const { return !(*this == o); }
};

extern AudioBookSettings g_AudioBookSettings;

// Seconds of a step index (index 7 or any other out-of-table index: 10).
int AudioBookStepSeconds(int stepIndex);

int LoadAudioBookSettings();
int SaveAudioBookSettings(bool force);
int SetAudioBookSettingsToDefault();

// The settings area of these values: a value the user confirmed marks it
// (MarkSettingsChanged), and the file is written a moment later.
inline constexpr SettingsKey kAudioBookSettingsArea{"audio book"};

// The same on an explicit device path, without the mount test.
int LoadAudioBookSettingsFile(const char* devicePath);
int SaveAudioBookSettingsFile(const char* devicePath, bool force);
