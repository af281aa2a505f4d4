// Calls the core makes into subsystems that have not landed yet. Each group
// names its owner; whoever builds that subsystem moves the declarations into
// its own header, deletes the placeholders in core/pending.cpp, and points
// the includes here at the new header.
#pragma once

#include <ctime>

#include "core/system_settings.h"
#include "players/audiobook_settings.h"
#include "players/music_settings.h"

// --- File browser and the card/USB receiver (browser) --------------------
// 0 normal, 1 mass storage, 2 host configured, 3 ended with the cable in.
extern int g_UsbState;
int GoToPoweroffPath();
int SavePoweroffPath();
// g_DirInfo.LoadDir(nullptr): reload the browser's listing.
int ReloadBrowserListing();
int InitSocketReceiver();

// --- Player settings (ebook) ----------------------------------
int LoadEbookSettings();
int SaveEbookSettings(bool always);
int SetEbookSettingsToDefault();

// --- Radio ---------------------------------------------------------------
int LoadFmSettings();
int SaveFmSettings(bool always);
int StopFm();
bool IsFmRxRunning();

// --- Recorder, detection pins and standby timer (record) -----------------
int LoadRecordSettings();
int SaveRecordSettings();
int SetRecordSettingsToDefault();
// Level of detection pin `pin` (59 = headphone jack: 1 plugged); >1 on error.
int GetPinLevel(int pin);
int SetStandbyTime(int seconds);

// --- Tools ---------------------------------------------------------------
int LoadToolsSettings();
int SaveToolsSettings();
extern bool g_bCalculagraphRunning;
// Seconds until the running countdown's next reminder; (unsigned)-1 none.
unsigned int GetRemindLeftTime(unsigned int now);

// --- Alarms and voice reminders (clock) ----------------------------------
int InitAlarms();
int SaveSlarms();
// Absolute times; (unsigned)-1 = none.
unsigned int GetNextAlarmTime();
unsigned int GetNextReAlarmTime();
int DoAlarm();
int DoReAlarm();
int VoiceReminder_Load();
unsigned int VoiceReminder_GetNextRemindTime();
unsigned int VoiceReminder_GetNextRemindTime2();
int CreateVoiceReminderWindow();
