// The ringing alarm: the signal plays again and again for a minute, then
// "Alarm after 10 minutes." (a snooze) or "Alarm is closed." (the fifth
// ring, or the back key).
#include <chrono>
#include <string>
#include <utility>

#include "audio/soundcard.h"
#include "clock/alarms.h"
#include "core/base/activity.h"
#include "core/ui/key_describer.h"
#include "core/ui/system_settings.h"
#include "core/ui/window.h"
#include "power/shutdown_timers.h"
#include "speech/tts.h"
#include "speech/ux_language.h"

namespace {

// One short signal is easily slept through: it starts again until the ring
// has lasted this long (or a key ends it).
constexpr std::chrono::seconds kRingSeconds{60};
// A volume set low for listening in bed must not silence the alarm.
constexpr int kMinRingVolume = 6;

bool (*g_HeadphonesPlugged)() = nullptr;
int g_OpenAlarmWindows = 0;
bool g_ReminderWaits = false;
// Unknown counts as plugged: the speaker stays off rather than surprise.
bool HeadphonesPlugged() { return !g_HeadphonesPlugged || g_HeadphonesPlugged(); }

void SayPhrase(int id) {
  char text[256];
  if (g_pUxLanguage && g_pUxLanguage->GetString(id, text, sizeof text) > 0) SysTts_Play(text, -1);
}

class AlarmWindow final : public iWindow {
 public:
  explicit AlarmWindow(std::string signal) : signal_(std::move(signal)) { ++g_OpenAlarmWindows; }
  // A reminder that fell due meanwhile plays now that the alarm is over.
  ~AlarmWindow() override {
    if (--g_OpenAlarmWindows == 0 && g_ReminderWaits) {
      g_ReminderWaits = false;
      SendSimulateKey(EV_VOICE_REMINDER, KEY_KIND_DOWN);
    }
  }

  void Ring() {
    SoundCard_SpeakerSwitch(true);  // an alarm must be heard with headphones in
    if (g_SystemSettings.volume < kMinRingVolume) SoundCard_SetSpeakerVolume(c_VolumeList[kMinRingVolume]);
    started_ = std::chrono::steady_clock::now();
    Play();
  }

  int OnRefresh() override { return 0; }
  int OnKeyPress(int) override { return 0; }

  // Closed from outside (the cable, the keypad lock): the signal stops and
  // the decoder is the players' again.
  int OnClose() override {
    AlarmStop();
    if (phase_ == 2) SysTts_Stop();
    RestoreSpeaker();
    return 0;
  }

  int OnTick() override {
    if (phase_ == 1) {
      if (AlarmIsPlaying()) return 0;
      AlarmRelease();
      if (!failed_ && std::chrono::steady_clock::now() - started_ < kRingSeconds) {
        Play();
        return 0;
      }
      if (SysTts_CheckRunning()) return 0;  // "can't play" first
      SayOutcome(false);
      return 0;
    }
    if (SysTts_CheckRunning()) return 0;
    RestoreSpeaker();
    return WND_CLOSE;
  }

  std::string DescribeKey(int code, int) override {
    if (phase_ == 2) return PhraseText(UxPhrase::KeyEndsTheMessage);
    if (code == KEY_BACK || GetAlarmSnoozeCount() >= kMaxSnoozes)
      return PhraseText(UxPhrase::KeyClosesTheAlarm);
    return PhraseText(UxPhrase::KeyRingsAgainIn10Minutes);
  }

  int OnKeyDown(int code) override {
    bool passDown = code == KEY_POWER_SHORT || code == EV_AUTO_SHUTDOWN || code == EV_IDLE_SHUTDOWN;
    if (phase_ == 2) {
      SysTts_Stop();
      if (passDown) return WND_CLOSE_PASS_DOWN;
      RestoreSpeaker();
      return WND_CLOSE;
    }
    if (passDown) return WND_PASS_DOWN;
    if (code == EV_TIME_ANNOUNCE) return 0;
    AlarmStop();
    AlarmRelease();
    char text[512];
    if (code == EV_BATTERY_LOW && g_pUxLanguage &&
        g_pUxLanguage->BatLowTimeToShutDown(g_BatLowShutDownLeftTime, -1, text, sizeof text) > 0) {
      SysTts_Add(text);
      SysTts_Add(", ");
    }
    // The lock switched while ringing (power click, then music) is said too.
    if ((code == EV_KEYPAD_LOCKED || code == EV_KEYPAD_UNLOCKED) && g_pUxLanguage &&
        g_pUxLanguage->GetString(code == EV_KEYPAD_LOCKED ? UxPhrase::ButtonsLockedClickPowerButtonThen : UxPhrase::ButtonsUnlocked, text, sizeof text) > 0) {
      SysTts_Add(text);
      SysTts_Add(" ");
    }
    SayOutcome(code == KEY_BACK);
    return 0;
  }

 private:
  // Snooze while rings are left, else the alarm is over.
  void SayOutcome(bool close) {
    if (!close && GetAlarmSnoozeCount() < kMaxSnoozes) {
      SayPhrase(UxPhrase::AlarmAfter10Minutes);
    } else {
      StopCurAlarm();
      SayPhrase(UxPhrase::AlarmIsClosed);
    }
    phase_ = 2;
  }
  void Play() { failed_ = AlarmStart(signal_.c_str()) != 0; }
  static void RestoreSpeaker() { GiveSpeakerBack(); }

  std::string signal_;
  std::chrono::steady_clock::time_point started_;
  bool failed_ = false;
  int phase_ = 1;
};

}  // namespace

void SetHeadphoneProbe(bool (*plugged)()) { g_HeadphonesPlugged = plugged; }

void GiveSpeakerBack() {
  SoundCard_SetSpeakerVolume(c_VolumeList[g_SystemSettings.volume]);
  SoundCard_SpeakerSwitch(!HeadphonesPlugged());
}

bool AlarmWindowOpen() { return g_OpenAlarmWindows > 0; }
void ReminderWaitsForAlarm() { g_ReminderWaits = true; }

int RingAlarm(const std::string& signal) {
  AlarmWindow* w = new AlarmWindow(signal);
  if (AddWindow(w) != 0) {
    delete w;
    return -1;
  }
  w->Ring();
  return 0;
}
