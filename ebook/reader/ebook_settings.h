// The reader's settings record, persisted as "/mnt/settings/ebook.config.xml".
// Loaded at start-up, changed by the reader's settings menu, saved at
// power-off and before an upgrade. Loop thread.
#pragma once

#include "core/ui/settings_area.h"

struct EbookSettings {
  int role = 0;   // voice for books; negative: the system voice
  int speed = 0;  // reading speed step -10..20
  int pitch = 0;
  int effect = 0;
  int background_music_volume = 0;       // music share 0..8; 0 = no music
  int background_music_file_select = 1;  // track 1..15
  int quiet_reading = 0;                 // 1: notes and annotations passed over while reading on

  bool operator==(const EbookSettings& o) const {
    return role == o.role && speed == o.speed && pitch == o.pitch && effect == o.effect &&
           background_music_volume == o.background_music_volume &&
           background_music_file_select == o.background_music_file_select && quiet_reading == o.quiet_reading;
  }
  bool operator!=(const EbookSettings& o) const { return !(*this == o); }
};

constexpr int c_EbookMinSpeed = -10;
constexpr int c_EbookMaxSpeed = 20;
constexpr int c_EbookMaxMusicVolume = 8;
constexpr int c_EbookMusicTracks = 15;

extern EbookSettings g_EbookSettings;

// From "/mnt/settings/ebook.config.xml": 0, or -1 (partition not mounted,
// file missing or of a bad size; the values stay as they were). Values out
// of range take their start-up value.
int LoadEbookSettings();
// Writes the file (atomically) when forced or when a value changed since the
// last load or save. 0 or -1.
int SaveEbookSettings(bool force);
// The values after "restore defaults" (the system voice for books). 0.
int SetEbookSettingsToDefault();

// The settings area of these values. A value the user confirmed calls
// EbookSettingsChanged(): the file is written a moment later, not only at power-off.
inline constexpr SettingsKey kEbookSettingsArea{"ebook"};
void EbookSettingsChanged();

// The rate handed to the speech engine for a speed step: 5 per step below 0,
// 10 per step up to 10, 20 per step above (20 x step - 100).
int EbookSpeedToRate(int step);
