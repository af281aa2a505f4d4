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
// Nothing marked below is left waiting afterwards.
int SavePowerOffSettings();

// Changes written soon, not only at power-off, so that a crash, the watchdog
// or a lost battery contact costs at most the last moments. A mark asks for
// the area's save once it has been quiet for kSettingsQuietMs (a burst of
// changes is one write), and no later than kSettingsLatestMs after the first
// mark of a burst. The tick runs the saves, so a key handler never waits for
// the flash. Marking takes a lock: any thread may mark.
constexpr long long kSettingsQuietMs = 1500;
constexpr long long kSettingsLatestMs = 5000;
// A failed save (partition not mounted, disk full) is tried again this late.
constexpr long long kSettingsRetryMs = 60000;
void MarkSettingsChanged(const char* area);
// Saves the marked areas that are due; the number saved. The tick calls it
// (loop thread, where the stores are changed too).
int RunDeferredSaves();
// The steady clock in ms the marks and runs read (tests; null: the real one).
void SetSettingsClock(long long (*nowMs)());
// True while a mark waits for its save (tests).
bool SettingsChangePending(const char* area);
// Every area to its defaults (system settings first), the keypad unlocked,
// and "set to default" spoken.
int SetAllToDefault();

// Hooks that close or stop what a higher layer runs (the radio's
// transmitter, a recording) before power-off or an upgrade.
void RegisterCloseHook(void (*hook)());
void RunCloseHooks();

// What must follow a change of the wall clock (passed alarms off, the
// ringing one stopped, reminders due anew); the clock layer registers it.
void RegisterClockSetHook(void (*hook)());
void RunClockSetHooks();

// Powers off without a word; the composition root installs the real one.
void SetQuietShutDownHandler(void (*handler)());
[[noreturn]] void QuietShutDown();
