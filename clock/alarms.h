// Five alarm slots: due times with weekdays, the snooze, the stored file
// "/mnt/settings/alarm.config.xml" (a fixed binary layout), the signal
// thread and the windows. Everything but the signal thread runs on the loop
// thread.
#pragma once

#include <string>
#include "core/ui/settings_area.h"

constexpr int kAlarmSlots = 5;
constexpr int kSnoozeSeconds = 600;
constexpr int kMaxSnoozes = 4;
// An alarm or reminder due this long before the start rings at once.
constexpr unsigned int kAlarmCatchUpSeconds = 300;

struct AlarmSlot {
  int hour = 0;     // 0..23
  int minute = 0;   // 0..59
  int enabled = 0;  // 0 or 1
  int repeat = 0;   // bit 0 Monday .. bit 6 Sunday; 0 = once
  std::string signal;  // full path; empty = the default signal
};

extern AlarmSlot g_Alarms[kAlarmSlots];
extern const char* const c_DefaultAlarmSignal;

// Next due instant of one slot, or (unsigned)-1 when it is off. After an
// event (an alarm, an edit, a clock change) an alarm of this very minute is
// due tomorrow; at start-up it is still due now.
unsigned int AlarmNextTime(const AlarmSlot& slot, unsigned int now, bool afterEvent);

// Clears the slots, loads them, starts the signal thread and computes the
// start-up due times. 0, or -1 when the thread cannot start.
int InitAlarms();
// 0; a missing or wrongly sized file leaves every alarm off (-1).
int LoadAlarms();
// Atomic save (power-off, and soon after a change), with what is ringing
// (the snooze, the reminder's repeats). 0 or -1.
int SaveSlarms();
// The settings area of the slots and of what is ringing.
inline constexpr SettingsKey kAlarmsArea{"alarms"};
void ProcessAlarmsNextTime(bool afterEvent);
// After the clock was set: once-only alarms that have passed switch off.
void RemovePassedAlarms();
unsigned int GetNextAlarmTime();
// The snooze instant while an alarm is current; (unsigned)-1 otherwise.
unsigned int GetNextReAlarmTime();
// Forgets the current alarm and its snoozes.
void StopCurAlarm();
// Snoozes of the current alarm so far (0 on its first ring).
int GetAlarmSnoozeCount();
int DoAlarm();
int DoReAlarm();

// The signal thread: plays one file once (falling back to the default
// signal, then to the spoken "can't play"). 0 or -1.
int AlarmStart(const char* path);
// Plays one file once on the same thread, with no fallback (recordings).
// 0, or negative when it cannot be played.
int SignalPlayFile(const char* path);
// Starts the thread once. 0 or -1.
int StartAlarmThread();
// Stops the signal and closes its file.
void AlarmStop();
bool AlarmIsPlaying();
// Closes the decoder once playing ended (the signal window's tick).
void AlarmRelease();

// How the signal window learns whether headphones are plugged (the
// detection pin), so that it can give the speaker back.
void SetHeadphoneProbe(bool (*plugged)());
// After an alarm or a reminder: the speaker as the headphone jack wants it,
// at the user's own volume.
void GiveSpeakerBack();

// The alarm list (settings menu).
int CreateAlarmsMenu();
// Opens the ringing window: the signal on the speaker, at least at a
// volume that wakes. 0 or -1.
int RingAlarm(const std::string& signal);
// True while an alarm rings or says its outcome. A reminder due meanwhile
// waits for it: ReminderWaitsForAlarm() has it raised again once the
// alarm's window is gone.
bool AlarmWindowOpen();
void ReminderWaitsForAlarm();
