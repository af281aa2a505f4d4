// Settings of the DAISY player, kept in "/mnt/settings/daisy.config.xml":
// speed, pitch, the time-jump interval, quieter reading and time left. Read at start-up, written at
// power-off; changed by the player's menu on the event-loop thread.
#pragma once

#include <atomic>
#include "core/ui/settings_area.h"

constexpr int kDaisyJumpTimes = 6;
// Time-jump intervals in seconds, selected by g_JumpTimeIndex.
extern const int c_DaisyJumpTimes[kDaisyJumpTimes];

extern int g_Speed;          // -10 .. 20
extern int g_Pitch;          // -5 .. 5 semitones
extern int g_JumpTimeIndex;  // 0 .. kDaisyJumpTimes - 1
// Quieter reading: page numbers, notes and annotations of the text are
// passed over while reading on (attribute "quiet_reading", "enable" or
// "disable"; off unless set). The play thread reads it while the settings
// menu may change it.
extern std::atomic<bool> g_DaisyQuietReading;
// The information key also tells the time left in the heading and the book
// (attribute "time_left", "enable" or "disable"; off unless set).
extern bool g_DaisyTimeLeft;

constexpr int kDaisySpeedMin = -10;
constexpr int kDaisySpeedMax = 20;
constexpr int kDaisyPitchMin = -5;
constexpr int kDaisyPitchMax = 5;

// "/mnt/settings/daisy.config.xml" (-1 when the settings partition is not
// mounted, the file is missing, or its size is out of 11 .. 4095 bytes).
int LoadDaisySettings();
// Rewrites the file atomically with all the values. 0 or -1.
int SaveDaisySettings();
// Speed, pitch and interval back to 0, quieter reading and time left off. Always 0.
int SetDaisySettingsToDefault();

// The settings area of these values. A value the user confirmed calls
// DaisySettingsChanged(): the file is written a moment later, not only at power-off.
inline constexpr SettingsKey kDaisySettingsArea{"daisy"};
void DaisySettingsChanged();

// The same on any device path (tests, tools).
int LoadDaisySettingsFile(const char* devicePath);
int SaveDaisySettingsFile(const char* devicePath);

// Speech rate and tempo change in percent for a speed step: 5 per step
// below 0, 10 per step up to 10, 20 per step above (minus 100).
int DaisySpeedToRate(int speed);
// The current interval in seconds; one outside 10 .. 10000 counts as 10.
int DaisyJumpSeconds();
