// What every window may ask of the device as a whole: the keypad lock, the
// idle timers, the spoken reports, and the actions that reach every
// subsystem (all settings to default, saving them, shutting down). The
// subsystems above register their part at start-up; nothing here includes
// them. Loop thread unless a comment says otherwise.
#pragma once

extern bool g_bKeyBoardLocked;
extern int g_InfoKeyDownTimes;  // consecutive info key presses

void ResetIdleShutDownTime();
void ResetIdleShutDownTimeWithoutChangeSleepTime();

// Spoken reports.
void ReportSystemVolume();
void ChgAndRepSysVol(int delta);
void ReportSystemTime();
void ReportSystemTimeAndDate();
void ReportBatteryLevel();
void ReportKeyBoardLock();
void ReportKeyBoardUnLock();
void ReportSetToDefault();
void ReportChargingFinished();
void ReportBatLowShutDownLeftTime();

// A settings area (a player's settings, a list, a chip's channels): how it
// is saved at power-off and set to its defaults. Either may be null.
struct SettingsArea {
  const char* name;
  int (*save)();  // 0, or negative when the file could not be written
  void (*set_default)();
};
// Areas are saved and set to default in the order they were registered.
void RegisterSettingsArea(const SettingsArea& area);
void ClearSettingsAreas();  // tests
// Saves every area; 0, or -1 when any failed (the others are still saved).
int SavePowerOffSettings();
// Every area to its defaults (system settings first), the keypad unlocked,
// and "set to default" spoken.
int SetAllToDefault();

// Hooks that close or stop what a higher layer runs (the radio's
// transmitter, a recording) before power-off or an upgrade.
void RegisterCloseHook(void (*hook)());
void RunCloseHooks();

// Powers off without a word; the composition root installs the real one.
void SetQuietShutDownHandler(void (*handler)());
[[noreturn]] void QuietShutDown();
