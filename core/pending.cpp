// Placeholders for calls into subsystems that have not landed yet. Each one
// says so once on standard error and returns its failure value; nothing here
// pretends to work. Whoever lands the real function deletes its placeholder.
#include "core/pending.h"

#include <mutex>
#include <set>
#include <string>

#include "core/diag.h"

namespace {

void NotBuilt(const char* name) {
  static std::mutex m;
  static std::set<std::string> told;
  std::lock_guard<std::mutex> lock(m);
  if (told.insert(name).second) DiagPrintf("%s: not built yet", name);
}

constexpr unsigned int kNone = static_cast<unsigned int>(-1);

}  // namespace

#define PENDING_INT(name, ...)   \
  int name(__VA_ARGS__) {        \
    NotBuilt(#name);             \
    return -1;                   \
  }

// --- System settings (audio) -------------------------------------------------
// The record keeps its documented defaults so the core's timers behave.
SystemSettings g_SystemSettings;
SystemSettings::SystemSettings()
    : RemindBeforeIdleShutDown(1), RemindBeforeAutoShutDown(1), language(0), volume(10),
      hpvolume(10), timeformat(24), idle_shut_down_time(10), auto_shut_down_time(10),
      timer_shut_down_enable(false), timer_shut_down(0), timer_power_on(false),
      timer_power_on_time(0), time_announcement_mode(0), tts_role(0), tts_speed(0), tts_pitch(0),
      tts_effect(0), ebook_resume_play(true), music_resume_play(true), daisy_resume_play(true),
      audiobook_resume_play(true), fm_send(false), fm_send_frequency(87000) {}
int SystemSettings::Load() {
  NotBuilt("SystemSettings::Load");
  return -1;
}
int SystemSettings::Save() {
  NotBuilt("SystemSettings::Save");
  return -1;
}
void SystemSettings::SetToDefault(bool) { NotBuilt("SystemSettings::SetToDefault"); }
int SystemSettings::GetVolume() {
  NotBuilt("SystemSettings::GetVolume");
  return volume;
}
void SystemSettings::ChangeVolume(int) { NotBuilt("SystemSettings::ChangeVolume"); }
void SystemSettings::ChangeSpeakerVolume(int) { NotBuilt("SystemSettings::ChangeSpeakerVolume"); }
void SystemSettings::ChangeHeadphoneVolume(int) {
  NotBuilt("SystemSettings::ChangeHeadphoneVolume");
}
void SystemSettings::SetLanguage(int) { NotBuilt("SystemSettings::SetLanguage"); }
void SystemSettings::SetTtsSpeed(int) { NotBuilt("SystemSettings::SetTtsSpeed"); }
void SystemSettings::SetTtsPitch(int) { NotBuilt("SystemSettings::SetTtsPitch"); }
void SystemSettings::SetTtsEffect(int) { NotBuilt("SystemSettings::SetTtsEffect"); }

// --- File browser and card/USB receiver (browser) ---------------------------
int g_UsbState = 0;
PENDING_INT(GoToPoweroffPath)
PENDING_INT(SavePoweroffPath)
PENDING_INT(ReloadBrowserListing)
PENDING_INT(InitSocketReceiver)

// --- Player settings (daisy) -------------------------------------------------
PENDING_INT(LoadDaisySettings)
PENDING_INT(SaveDaisySettings)
PENDING_INT(SetDaisySettingsToDefault)

// --- Radio (radio) -----------------------------------------------------------
PENDING_INT(LoadFmSettings)
PENDING_INT(SaveFmSettings, bool)
PENDING_INT(StopFm)
bool IsFmRxRunning() {
  NotBuilt("IsFmRxRunning");
  return false;
}

// --- Recorder, pins, standby timer (record) ---------------------------------
PENDING_INT(LoadRecordSettings)
PENDING_INT(SaveRecordSettings)
PENDING_INT(SetRecordSettingsToDefault)
PENDING_INT(SetStandbyTime, int)
int GetPinLevel(int) {
  NotBuilt("GetPinLevel");
  return 2;  // a read error, which counts as headphones plugged
}

// --- Tools (tools) -----------------------------------------------------------
bool g_bCalculagraphRunning = false;
PENDING_INT(LoadToolsSettings)
PENDING_INT(SaveToolsSettings)
unsigned int GetRemindLeftTime(unsigned int) {
  NotBuilt("GetRemindLeftTime");
  return kNone;
}

// --- Alarms and voice reminders (clock) --------------------------------------
PENDING_INT(InitAlarms)
PENDING_INT(SaveSlarms)
PENDING_INT(DoAlarm)
PENDING_INT(DoReAlarm)
PENDING_INT(VoiceReminder_Load)
PENDING_INT(CreateVoiceReminderWindow)
unsigned int GetNextAlarmTime() {
  NotBuilt("GetNextAlarmTime");
  return kNone;
}
unsigned int GetNextReAlarmTime() {
  NotBuilt("GetNextReAlarmTime");
  return kNone;
}
unsigned int VoiceReminder_GetNextRemindTime() {
  NotBuilt("VoiceReminder_GetNextRemindTime");
  return kNone;
}
unsigned int VoiceReminder_GetNextRemindTime2() {
  NotBuilt("VoiceReminder_GetNextRemindTime2");
  return kNone;
}
