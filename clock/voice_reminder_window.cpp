// The reminder alert: plays every due recording, again and again for at
// least 40 s, and comes back every 10 minutes four times unless dismissed
// with back or menu.
#include <vector>

#include "audio/soundcard.h"
#include "clock/alarm_speech.h"
#include "clock/alarms.h"
#include "clock/voice_reminder.h"
#include "core/ui/key_describer.h"
#include "core/ui/keypad_idle.h"
#include "core/ui/settings_area.h"
#include "core/ui/window.h"
#include "platform/board.h"
#include "speech/tts.h"
#include "speech/ux_language.h"

namespace {

constexpr unsigned int kNone = static_cast<unsigned int>(-1);
constexpr unsigned int kRepeatSeconds = 600;
constexpr unsigned int kRepeatSpan = 3000;  // the fifth repeat would be this late
constexpr int kMinPlaySeconds = 40;

unsigned int g_RepeatTime = kNone;
unsigned int g_AlertDue = kNone;
std::vector<int> g_AlertSet;  // recording indices of the current alert

class VoiceReminderWindow final : public iWindow {
 public:
  // Heard on the speaker, as an alarm is, even with headphones in.
  VoiceReminderWindow() { SoundCard_SpeakerSwitch(true); }
  ~VoiceReminderWindow() override { GiveSpeakerBack(); }

  int OnRefresh() override {
    opened_ = BTime();
    pos_ = 0;
    PlayNext();
    return 0;
  }

  int OnTick() override {
    if (AlarmIsPlaying() || SysTts_CheckRunning()) return 0;
    AlarmRelease();
    if (pos_ >= g_AlertSet.size()) {
      if (BTime() - opened_ >= kMinPlaySeconds || g_AlertSet.empty()) return WND_CLOSE;
      pos_ = 0;
    }
    PlayNext();
    return 0;
  }

  int OnKeyDown(int code) override {
    if (code == KEY_VOL_DOWN || code == KEY_VOL_UP) return 0;
    if (code == KEY_BACK || code == KEY_MENU) {
      if (g_bKeyBoardLocked) {
        SysTts_Beep(8);
        return 0;
      }
      Stop();
      g_RepeatTime = kNone;
      MarkSettingsChanged(kAlarmsArea);  // kept with the alarms' state
      return WND_CLOSE;
    }
    AlarmStop();
    return OnDefaultKeyDown(code);
  }

  std::string DescribeKey(int code, int held) override {
    if (held >= 0) return iWindow::DescribeKey(code, held);
    switch (code) {
      case KEY_BACK:
      case KEY_MENU:
        return PhraseText(UxPhrase::KeyStopsTheReminder);
      case KEY_INFO:
        return PhraseText(UxPhrase::KeyPlaysTheRemindersAgainPressed);
      case KEY_PLAY:
      case KEY_UP:
      case KEY_DOWN:
      case KEY_LEFT:
      case KEY_RIGHT:
        return PhraseText(UxPhrase::KeyPlaysTheRemindersAgain);
      default:
        return iWindow::DescribeKey(code, held);
    }
  }

  int OnKeyPress(int code) override {
    if (code != KEY_VOL_DOWN && code != KEY_VOL_UP) return 0;
    if (AlarmIsPlaying() && pos_ > 0) --pos_;  // that recording again once the volume is said
    AlarmStop();
    return OnDefaultKeyPress(code);
  }

  int OnClose() override {
    Stop();
    return 0;
  }

 private:
  static void Stop() {
    AlarmStop();
    SysTts_Stop();
  }

  // A recording that cannot be played is said so, never played as silence.
  // (The next load drops its reminder.)
  void PlayNext() {
    if (pos_ >= g_AlertSet.size()) return;
    std::string path = VoiceReminderPath(g_AlertSet[pos_]);
    if (SignalPlayFile(path.c_str()) == 0) {
      ++pos_;
      return;
    }
    g_AlertSet.erase(g_AlertSet.begin() + static_cast<long>(pos_));
    SysTts_Play(PhraseText(UxPhrase::CantPlay).c_str(), -1);
  }

  time_t opened_ = 0;
  size_t pos_ = 0;
};

}  // namespace

unsigned int VoiceReminder_GetNextRemindTime2() { return g_RepeatTime; }

void VoiceReminderAlertState(unsigned int* repeat, unsigned int* due) {
  *repeat = g_RepeatTime;
  *due = g_AlertDue;
}

void VoiceReminderRestoreAlert(unsigned int repeat, unsigned int due, unsigned int from) {
  g_AlertDue = due;
  g_RepeatTime = due == kNone ? kNone : repeat;
  g_AlertSet.clear();
  for (int i = 0; i < g_VoiceReminderCnt && g_RepeatTime != kNone; ++i)
    if (RemindDueTime(g_VoiceReminders[i], due) == due) g_AlertSet.push_back(g_VoiceReminders[i].mp3Index);
  if (g_RepeatTime != kNone && g_AlertSet.empty()) g_RepeatTime = kNone;
  if (due != kNone && due + 60 > from) from = due + 60;
  VoiceReminderNextAfter(from);
}

const int* VoiceReminderAlertSet(int* count) {
  *count = static_cast<int>(g_AlertSet.size());
  return g_AlertSet.data();
}

int CreateVoiceReminderWindow() {
  unsigned int next = VoiceReminder_GetNextRemindTime();
  // The event may come late (after an alarm) or twice: only what is due acts,
  // so a repeat is never used up by a stray event.
  unsigned int now = static_cast<unsigned int>(BTime());
  if (now < next && now < g_RepeatTime) return -1;
  SysTts_Stop();
  // An alert that comes late (the clock was moved on) is one alert for all
  // that passed meanwhile, and its repeats count from now: each of them
  // would otherwise come a minute after the other.
  unsigned int minute = now - now % 60;
  if (g_RepeatTime != kNone && g_RepeatTime < next) {
    g_RepeatTime = (g_RepeatTime < minute ? minute : g_RepeatTime) + kRepeatSeconds;
    if (g_RepeatTime - g_AlertDue >= kRepeatSpan) g_RepeatTime = kNone;
  } else if (next != kNone) {
    unsigned int at = next < minute ? minute : next;
    g_AlertSet.clear();
    for (int i = 0; i < g_VoiceReminderCnt; ++i)
      if (VoiceReminderDue(i) <= at) g_AlertSet.push_back(g_VoiceReminders[i].mp3Index);
    g_AlertDue = at;
    g_RepeatTime = at + kRepeatSeconds;
    VoiceReminderNextAfter(at + 60);
  } else {
    return -1;
  }
  MarkSettingsChanged(kAlarmsArea);  // the repeats outlive a power cut
  return OpenClockWindow(new VoiceReminderWindow());
}
