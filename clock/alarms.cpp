// Alarm slots, their due times, the snooze and the stored file.
#include "clock/alarms.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "audio/decoder.h"
#include "audio/soundcard.h"
#include "clock/voice_reminder.h"
#include "core/base/diag.h"
#include "core/base/settings_file.h"
#include "core/ui/settings_area.h"
#include "platform/board.h"
#include "speech/tts.h"

AlarmSlot g_Alarms[kAlarmSlots];
const char* const c_DefaultAlarmSignal = "/home/default_alarm_signal.mp3";

namespace {

constexpr unsigned int kNone = static_cast<unsigned int>(-1);
constexpr const char* kAlarmFile = SETTINGS_DIR "/alarm.config.xml";
constexpr int kPathBytes = 9217;
constexpr int kRecordBytes = 4 + kPathBytes;
constexpr int kFileBytes = kAlarmSlots * kRecordBytes;  // 46105
// What rings across a power-off: the snooze and the reminder's repeats
// (the device wakes for them), and the last alarm that rang.
constexpr const char* kStateFile = SETTINGS_DIR "/alarm.state";

unsigned int g_NextTimes[kAlarmSlots] = {kNone, kNone, kNone, kNone, kNone};
unsigned int g_NextAlarmTime = kNone;
int g_CurAlarm = -1;
int g_SnoozeCount = 0;
unsigned int g_NextSnooze = kNone;
unsigned int g_LastRung = 0;  // due instant of the last alarm that rang

void ClearSlot(AlarmSlot& s) { s = AlarmSlot(); }

void ReadRecord(const unsigned char* r, AlarmSlot& s) {
  ClearSlot(s);
  if (r[0] > 23 || r[1] >= 60 || r[3] == 255 || r[2] > 1) return;
  s.hour = r[0];
  s.minute = r[1];
  s.enabled = r[2];
  s.repeat = r[3] & 0x7F;
  const char* path = reinterpret_cast<const char*>(r + 4);
  size_t len = strnlen(path, kPathBytes);
  if (len >= 1 && len < static_cast<size_t>(kPathBytes)) s.signal.assign(path, len);
}

}  // namespace

unsigned int AlarmNextTime(const AlarmSlot& slot, unsigned int now, bool afterEvent) {
  if (!slot.enabled) return kNone;
  unsigned int t = slot.hour * 3600u + slot.minute * 60u;
  unsigned int m = now % 86400 / 60 * 60;
  unsigned int day = now / 86400;
  if (!(afterEvent ? t > m : t >= m)) ++day;
  if (slot.repeat & 0x7F) {
    for (int i = 0; i < 7 && !(slot.repeat & (1 << ((day + 3) % 7))); ++i) ++day;
  }
  return day * 86400 + t;
}

int LoadAlarms() {
  for (AlarmSlot& s : g_Alarms) ClearSlot(s);
  if (CheckSettingsMounted() != 0) return -1;
  std::vector<unsigned char> buf(kFileBytes + 1);
  if (LoadSettingsFile(kAlarmFile, buf.data(), static_cast<int>(buf.size())) != kFileBytes)
    return -1;
  for (int i = 0; i < kAlarmSlots; ++i) ReadRecord(buf.data() + i * kRecordBytes, g_Alarms[i]);
  return 0;
}

namespace {

int SaveState() {
  unsigned int repeat = 0, due = 0;
  VoiceReminderAlertState(&repeat, &due);
  char text[160];
  int n = snprintf(text, sizeof text, "rung %u\nsnooze %d %d %u\nreminder %u %u\n", g_LastRung, g_CurAlarm,
                   g_SnoozeCount, g_NextSnooze, repeat, due);
  return SaveSettingsFile(kStateFile, text, n) == n ? 0 : -1;
}

// Takes back what was ringing before the power-off, when it is not long
// past; then alarms and reminders due in the last few minutes ring now (the
// device woke for them, or was switched on a little late).
void RestoreState(unsigned int now) {
  char text[160] = "";
  int n = LoadSettingsFile(kStateFile, text, sizeof text - 1);
  unsigned int rung = 0, next = kNone, repeat = kNone, due = kNone;
  int cur = -1, count = 0;
  if (n > 0) {
    text[n] = 0;
    sscanf(text, "rung %u snooze %d %d %u reminder %u %u", &rung, &cur, &count, &next, &repeat, &due);
  }
  unsigned int from = now - now % 60 - kAlarmCatchUpSeconds;
  // Nothing can have rung after now: such an instant comes from a damaged
  // file or a clock set back since, and would hold every alarm's catch-up
  // and every reminder off until then.
  if (rung > now) rung = 0;
  if (due != kNone && due > now) due = kNone;
  g_LastRung = rung;
  if (cur >= 0 && cur < kAlarmSlots && count >= 0 && count < kMaxSnoozes && next != kNone && next >= from &&
      next <= now + kSnoozeSeconds * kMaxSnoozes) {
    g_CurAlarm = cur;
    g_SnoozeCount = count;
    g_NextSnooze = next;
  }
  for (int i = 0; i < kAlarmSlots; ++i) {
    unsigned int missed = AlarmNextTime(g_Alarms[i], from, false);
    if (missed <= now && missed > g_LastRung) g_NextTimes[i] = missed;
    if (g_NextTimes[i] < g_NextAlarmTime) g_NextAlarmTime = g_NextTimes[i];
  }
  VoiceReminderRestoreAlert(repeat >= from ? repeat : kNone, due, from);
}

}  // namespace

int SaveSlarms() {
  if (CheckSettingsMounted() != 0) return -1;
  std::vector<unsigned char> buf(kFileBytes, 0);
  for (int i = 0; i < kAlarmSlots; ++i) {
    unsigned char* r = buf.data() + i * kRecordBytes;
    const AlarmSlot& s = g_Alarms[i];
    r[0] = static_cast<unsigned char>(s.hour);
    r[1] = static_cast<unsigned char>(s.minute);
    r[2] = static_cast<unsigned char>(s.enabled);
    r[3] = static_cast<unsigned char>(s.repeat);
    if (s.signal.size() < static_cast<size_t>(kPathBytes))
      memcpy(r + 4, s.signal.data(), s.signal.size());
  }
  bool saved = SaveSettingsFile(kAlarmFile, buf.data(), kFileBytes) == kFileBytes;
  return SaveState() == 0 && saved ? 0 : -1;
}

void ProcessAlarmsNextTime(bool afterEvent) {
  unsigned int now = static_cast<unsigned int>(BTime());
  g_NextAlarmTime = kNone;
  for (int i = 0; i < kAlarmSlots; ++i) {
    g_NextTimes[i] = AlarmNextTime(g_Alarms[i], now, afterEvent);
    if (g_NextTimes[i] < g_NextAlarmTime) g_NextAlarmTime = g_NextTimes[i];
  }
}

void RemovePassedAlarms() {
  unsigned int now = static_cast<unsigned int>(BTime());
  for (int i = 0; i < kAlarmSlots; ++i)
    if (g_NextTimes[i] <= now && g_Alarms[i].repeat == 0) g_Alarms[i].enabled = 0;
  ProcessAlarmsNextTime(true);
}

int InitAlarms() {
  LoadAlarms();
  ff_audio_init();
  if (StartAlarmThread() != 0) {
    DiagPrintf("pthread_create() failed");
    return -1;
  }
  ProcessAlarmsNextTime(false);
  RestoreState(static_cast<unsigned int>(BTime()));
  return 0;
}

unsigned int GetNextAlarmTime() { return g_NextAlarmTime; }
unsigned int GetNextReAlarmTime() { return g_CurAlarm >= 0 ? g_NextSnooze : kNone; }
int GetAlarmSnoozeCount() { return g_SnoozeCount; }

void StopCurAlarm() {
  if (g_CurAlarm >= 0) MarkSettingsChanged(kAlarmsArea);  // no snooze after a power cut
  g_CurAlarm = -1;
  g_SnoozeCount = 0;
  g_NextSnooze = kNone;
}

namespace {

void Ring() {
  const std::string& signal = g_Alarms[g_CurAlarm].signal;
  RingAlarm(signal.empty() ? c_DefaultAlarmSignal : signal);
}

}  // namespace

int DoAlarm() {
  SysTts_Stop();
  unsigned int now = static_cast<unsigned int>(BTime());
  int slot = -1;
  for (int i = 0; i < kAlarmSlots && slot < 0; ++i)
    if (g_NextTimes[i] <= now) slot = i;
  if (slot < 0) return 0;
  g_CurAlarm = slot;
  g_SnoozeCount = 0;
  g_NextSnooze = now - now % 60 + kSnoozeSeconds;
  g_LastRung = g_NextTimes[slot];
  RemovePassedAlarms();
  MarkSettingsChanged(kAlarmsArea);  // a snooze outlives a power cut
  Ring();
  return 0;
}

int DoReAlarm() {
  if (g_CurAlarm < 0) return 0;
  SysTts_Stop();
  ++g_SnoozeCount;
  // A snooze rung late (the clock moved on) counts the next from now, or
  // the ones gone by would ring a minute apart, each cutting the other off.
  unsigned int now = static_cast<unsigned int>(BTime());
  if (g_NextSnooze < now - now % 60) g_NextSnooze = now - now % 60;
  g_NextSnooze += kSnoozeSeconds;
  MarkSettingsChanged(kAlarmsArea);
  Ring();
  return 0;
}
