// Recorded voice reminders: the store of up to 200 with their MP3
// recordings under "/mnt/settings/voice_reminder", their due times and the
// alert that repeats every 10 minutes four times. Loop thread only.
#pragma once

#include <string>

constexpr int kMaxReminders = 200;

enum RemindType { REMIND_ONCE, REMIND_DAILY, REMIND_WEEKLY, REMIND_MONTHLY, REMIND_YEARLY };

struct VoiceReminder {
  int type = REMIND_ONCE;
  int time = 0;  // packed date, time and weekdays (below)
  int mp3Index = 0;
  int mp3Size = 0;
};

// Packed time: ((D * 24 + hour) * 60 + minute) * 128 + weekdays, with
// D = ((year - 2015) * 12 + month - 1) * 32 + day; weekdays bit 6 Monday ..
// bit 0 Sunday.
int PackRemindTime(int year, int month, int day, int hour, int minute, int weekdays);
int RemindDaysInMonth(int year, int month);
struct RemindFields {
  int year, month, day, hour, minute, weekdays;
};
RemindFields UnpackRemindTime(int time);

// The next due instant of one reminder at or after the minute of `now`, or
// (unsigned)-1 when there is none (a once that passed, nothing chosen).
unsigned int RemindDueTime(const VoiceReminder& r, unsigned int now);

extern VoiceReminder g_VoiceReminders[kMaxReminders];
extern int g_VoiceReminderCnt;
extern int g_VoiceReminderNextIndex;  // the next recording's number, 1..999999999

// The reminders' folder, and the recording of one reminder (device paths).
extern const char* const c_VoiceReminderDir;
std::string VoiceReminderPath(int mp3Index);
// Loads the store; reminders whose recording is gone are dropped (and said
// on standard error), stray files removed. 0, or -1 when not mounted.
int VoiceReminder_Load();
// Atomic save, then the due times anew. 0 or -1.
int VoiceReminder_Save();

// Adding is refused at 200 reminders or once the recordings take more than
// 7199999 bytes.
bool VoiceReminder_IsFull();
// Stores a new reminder whose recording is the file `recording` (moved into
// place under the next free index), then saves. 0; -1 full, not mounted
// or not saved (nothing is added); -2 the recording cannot be moved.
int VoiceReminder_Add(VoiceReminder r, const char* recording);
// Changes reminder i; a recording, when given, replaces its file. 0 or -1.
int VoiceReminder_Replace(int i, VoiceReminder r, const char* recording);
// Removes reminder i and its recording. 0 or -1.
int VoiceReminder_Delete(int i);
// Removes every reminder and every file of the folder. 0 or -1.
int VoiceReminder_Clear();
void VoiceReminder_ProcessRemindTime();
unsigned int VoiceReminder_GetNextRemindTime();
unsigned int VoiceReminder_GetNextRemindTime2();

// The due time of reminder i as last computed.
unsigned int VoiceReminderDue(int i);
// The earliest due time at or after `from`, which becomes the next one.
unsigned int VoiceReminderNextAfter(unsigned int from);

// The alert: decides whether this is a new alert or a repeat, then plays
// every due recording. 0, or -1 when nothing is due.
int CreateVoiceReminderWindow();
// The reminder menu (tools menu): pushed, and its first item said. 0 or -1.
int CreateVoiceReminderMenu();

// The alert's repeat time and due time, kept over a power-off; restoring
// them at the start, the reminders due from `from` on (minutes before the
// start, so that one just missed rings now) unless that alert was played.
void VoiceReminderAlertState(unsigned int* repeat, unsigned int* due);
void VoiceReminderRestoreAlert(unsigned int repeat, unsigned int due, unsigned int from);

// Which recordings the current alert plays (their indices).
const int* VoiceReminderAlertSet(int* count);
