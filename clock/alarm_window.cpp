// The ringing alarm: the signal plays once, then "Alarm after 10 minutes."
// (a snooze) or "Alarm is closed." (the fifth ring, or the back key).
#include "audio/soundcard.h"
#include "clock/alarms.h"
#include "core/ui/key_describer.h"
#include "core/ui/session.h"
#include "core/ui/window.h"
#include "power/shutdown_timers.h"
#include "speech/tts.h"
#include "speech/ux_language.h"

namespace {

bool (*g_HeadphonesPlugged)() = nullptr;
// Unknown counts as plugged: the speaker stays off rather than surprise.
bool HeadphonesPlugged() { return !g_HeadphonesPlugged || g_HeadphonesPlugged(); }

void SayPhrase(int id) {
  char text[256];
  if (g_pUxLanguage && g_pUxLanguage->GetString(id, text, sizeof text) > 0) SysTts_Play(text, -1);
}

class AlarmWindow final : public iWindow {
 public:
  int OnRefresh() override { return 0; }
  int OnKeyPress(int) override { return 0; }

  int OnTick() override {
    if (phase_ == 1) {
      if (AlarmIsPlaying()) return 0;
      AlarmRelease();
      SayOutcome(false);
      return 0;
    }
    if (SysTts_CheckRunning()) return 0;
    RestoreSpeaker();
    return WND_CLOSE;
  }

  std::string DescribeKey(int code, int) override {
    if (phase_ == 2) return KeyText("ends the message", "kończy komunikat");
    if (code == KEY_BACK || GetAlarmSnoozeCount() >= kMaxSnoozes)
      return KeyText("closes the alarm", "wyłącza budzik");
    return KeyText("rings again in 10 minutes", "dzwoni ponownie za 10 minut");
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
    SayOutcome(code == KEY_BACK);
    return 0;
  }

 private:
  // Snooze while rings are left, else the alarm is over.
  void SayOutcome(bool close) {
    if (!close && GetAlarmSnoozeCount() < kMaxSnoozes) {
      SayPhrase(74);  // "Alarm after 10 minutes."
    } else {
      StopCurAlarm();
      SayPhrase(73);  // "Alarm is closed."
    }
    phase_ = 2;
  }
  static void RestoreSpeaker() { SoundCard_SpeakerSwitch(!HeadphonesPlugged()); }

  int phase_ = 1;
};

}  // namespace

void SetHeadphoneProbe(bool (*plugged)()) { g_HeadphonesPlugged = plugged; }

int CreateAlarmWindow() {
  iWindow* w = new AlarmWindow();
  if (AddWindow(w) == 0) return 0;
  delete w;
  return -1;
}
