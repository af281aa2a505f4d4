// The reminder store and the reminders' due times.
#include "clock/voice_reminder.h"

#include <ctime>

#include "core/base/settings_file.h"
#include "platform/board.h"

const char* const c_VoiceReminderDir = SETTINGS_DIR "/voice_reminder";
VoiceReminder g_VoiceReminders[kMaxReminders];
int g_VoiceReminderCnt = 0;

namespace {

constexpr unsigned int kNone = static_cast<unsigned int>(-1);
constexpr int kLastYear = 2037;

unsigned int g_DueTimes[kMaxReminders];
unsigned int g_NextRemindTime = kNone;

// Local time through the system's conversion; kNone when out of range.
unsigned int Local(int year, int month, int day, int hour, int minute) {
  struct tm t = {};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_isdst = -1;
  time_t v = mktime(&t);
  return v < 0 ? kNone : static_cast<unsigned int>(v);
}

unsigned int Weekly(const RemindFields& f, unsigned int minuteNow) {
  if ((f.weekdays & 0x7F) == 0) return kNone;
  unsigned int tod = (f.hour * 60u + f.minute) * 60u;
  for (unsigned int d = minuteNow / 86400, k = 0; k <= 7; ++d, ++k) {
    int weekday = static_cast<int>((d + 3) % 7);  // 0 Monday
    if ((f.weekdays & (1 << (6 - weekday))) && d * 86400 + tod >= minuteNow) return d * 86400 + tod;
  }
  return kNone;
}

// The first date from the current month (monthly) or year (yearly) on.
unsigned int Calendar(const RemindFields& f, bool monthly, unsigned int minuteNow) {
  if (f.day < 1) return kNone;
  time_t nowT = minuteNow;
  struct tm lt;
  localtime_r(&nowT, &lt);
  int year = lt.tm_year + 1900, month = monthly ? lt.tm_mon + 1 : f.month;
  while (year <= kLastYear) {
    if (month >= 1 && month <= 12 && f.day <= RemindDaysInMonth(year, month)) {
      unsigned int t = Local(year, month, f.day, f.hour, f.minute);
      if (t != kNone && t >= minuteNow) return t;
    }
    if (monthly && month < 12) {
      ++month;
    } else {
      ++year;
      if (monthly) month = 1;
    }
  }
  return kNone;
}

}  // namespace

int RemindDaysInMonth(int year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

int PackRemindTime(int year, int month, int day, int hour, int minute, int weekdays) {
  int d = ((year - 2015) * 12 + month - 1) * 32 + day;
  return ((d * 24 + hour) * 60 + minute) * 128 + (weekdays & 0x7F);
}

RemindFields UnpackRemindTime(int time) {
  RemindFields f;
  f.weekdays = time % 128;
  f.minute = time / 128 % 60;
  f.hour = time / 7680 % 24;
  int d = time / 184320;
  f.day = d % 32;
  f.month = d / 32 % 12 + 1;
  f.year = 2015 + d / 384;
  return f;
}

unsigned int RemindDueTime(const VoiceReminder& r, unsigned int now) {
  RemindFields f = UnpackRemindTime(r.time);
  unsigned int minuteNow = now - now % 60;
  switch (r.type) {
    case REMIND_DAILY: {
      unsigned int t = now / 86400 * 86400 + (f.hour * 60u + f.minute) * 60u;
      return t < minuteNow ? t + 86400 : t;
    }
    case REMIND_WEEKLY:
      return Weekly(f, minuteNow);
    case REMIND_MONTHLY:
      return Calendar(f, true, minuteNow);
    case REMIND_YEARLY:
      return Calendar(f, false, minuteNow);
    default: {
      if (f.day < 1 || f.day > RemindDaysInMonth(f.year, f.month)) return kNone;
      unsigned int t = Local(f.year, f.month, f.day, f.hour, f.minute);
      return t != kNone && t >= minuteNow ? t : kNone;
    }
  }
}

std::string VoiceReminderPath(int mp3Index) {
  return std::string(c_VoiceReminderDir) + "/" + std::to_string(mp3Index) + ".mp3";
}

// Due times at or after `from`, for the alert that moves past its own minute.
unsigned int VoiceReminderNextAfter(unsigned int from) {
  g_NextRemindTime = kNone;
  for (int i = 0; i < g_VoiceReminderCnt; ++i) {
    g_DueTimes[i] = RemindDueTime(g_VoiceReminders[i], from);
    if (g_DueTimes[i] < g_NextRemindTime) g_NextRemindTime = g_DueTimes[i];
  }
  return g_NextRemindTime;
}

void VoiceReminder_ProcessRemindTime() { VoiceReminderNextAfter(static_cast<unsigned int>(BTime())); }

unsigned int VoiceReminder_GetNextRemindTime() { return g_NextRemindTime; }

unsigned int VoiceReminderDue(int i) { return g_DueTimes[i]; }
