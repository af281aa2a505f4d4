// Alarm slots, their due times, the snooze and the stored file.
#include "clock/alarms.h"

#include <cstring>
#include <vector>

#include "audio/decoder.h"
#include "audio/soundcard.h"
#include "core/base/diag.h"
#include "core/base/settings_file.h"
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

unsigned int g_NextTimes[kAlarmSlots] = {kNone, kNone, kNone, kNone, kNone};
unsigned int g_NextAlarmTime = kNone;
int g_CurAlarm = -1;
int g_SnoozeCount = 0;
unsigned int g_NextSnooze = kNone;

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
  return SaveSettingsFile(kAlarmFile, buf.data(), kFileBytes) == kFileBytes ? 0 : -1;
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
  return 0;
}

unsigned int GetNextAlarmTime() { return g_NextAlarmTime; }
unsigned int GetNextReAlarmTime() { return g_CurAlarm >= 0 ? g_NextSnooze : kNone; }
int GetAlarmSnoozeCount() { return g_SnoozeCount; }

void StopCurAlarm() {
  g_CurAlarm = -1;
  g_SnoozeCount = 0;
  g_NextSnooze = kNone;
}

namespace {

void Ring() {
  CreateAlarmWindow();
  SoundCard_SpeakerSwitch(true);  // an alarm must be heard with headphones in
  const std::string& signal = g_Alarms[g_CurAlarm].signal;
  AlarmStart(signal.empty() ? c_DefaultAlarmSignal : signal.c_str());
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
  RemovePassedAlarms();
  Ring();
  return 0;
}

int DoReAlarm() {
  if (g_CurAlarm < 0) return 0;
  SysTts_Stop();
  ++g_SnoozeCount;
  g_NextSnooze += kSnoozeSeconds;
  Ring();
  return 0;
}
