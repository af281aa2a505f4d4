// The alarm list and the settings window of one slot.
#include <string>

#include "clock/alarm_speech.h"
#include "clock/alarms.h"
#include "core/ui/key_describer.h"
#include "core/ui/keypad_idle.h"
#include "core/ui/settings_area.h"
#include "core/ui/system_settings.h"
#include "core/ui/window.h"
#include "speech/tts.h"
#include "speech/ux_language.h"

namespace {

enum Field { F_HOUR, F_MINUTE, F_ENABLED, F_REPEAT, F_SIGNAL, F_COUNT };
enum Signal { SIG_DEFAULT, SIG_SELECT, SIG_CUSTOM };

std::string FileName(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

class AlarmsSettingMenu final : public iWindow {
 public:
  explicit AlarmsSettingMenu(int slot) : slot_(slot), a_(g_Alarms[slot]) {
    custom_ = a_.signal;
    signal_ = custom_.empty() ? SIG_DEFAULT : SIG_CUSTOM;
  }

  int OnRefresh() override {
    // Back from the picker without a file: still to be chosen.
    if (signal_ == SIG_CUSTOM && custom_.empty()) signal_ = SIG_SELECT;
    SayField();
    return 0;
  }
  int OnClose() override {
    AlarmStop();
    return 0;
  }

  int OnKeyDown(int code) override {
    AlarmStop();  // a preview never outlives a key
    if (g_bKeyBoardLocked) return LockedKey(code);
    switch (code) {
      case KEY_BACK:
        SysTts_Stop();
        return WND_CLOSE;
      case KEY_MENU:
        return KEY_FILE_MANAGEMENT;
      case KEY_MUSIC:
        SysTts_Stop();
        AlarmStart(signal_ == SIG_CUSTOM ? custom_.c_str() : c_DefaultAlarmSignal);
        return 0;
      case KEY_BOOKMARK:
        if (field_ == F_REPEAT && day_ > 0) {
          a_.repeat ^= 1 << (day_ - 1);
          SayField();
        } else {
          SysTts_Beep(8);  // only a weekday is chosen with it
        }
        return 0;
      case KEY_PLAY:
        return KeyPlay();
      case KEY_UP:
      case KEY_DOWN:
      case KEY_LEFT:
      case KEY_RIGHT:
        SysTts_Stop();
        return 0;  // the press that follows acts
      default:
        return OnDefaultKeyDown(code);
    }
  }

  int OnKeyPress(int code) override {
    if (g_bKeyBoardLocked) return OnDefaultKeyPress(code);
    switch (code) {
      case KEY_UP:
      case KEY_DOWN:
        field_ = (field_ + (code == KEY_DOWN ? 1 : F_COUNT - 1)) % F_COUNT;
        day_ = 0;
        SayField();
        return 0;
      case KEY_LEFT:
      case KEY_RIGHT:
        Change(code == KEY_RIGHT ? 1 : -1);
        SayField();
        return 0;
      default:
        return OnDefaultKeyPress(code);
    }
  }

  std::string DescribeKey(int code, int held) override {
    if (held >= 0) return iWindow::DescribeKey(code, held);
    switch (code) {
      case KEY_UP:
      case KEY_DOWN:
        return PhraseText(UxPhrase::KeyThePreviousOrNextField);
      case KEY_LEFT:
      case KEY_RIGHT:
        return field_ == F_REPEAT ? PhraseText(UxPhrase::KeyThePreviousOrNextDay)
                                  : PhraseText(UxPhrase::KeyChangesTheField);
      case KEY_BOOKMARK:
        return field_ == F_REPEAT && day_ > 0
                   ? PhraseText(UxPhrase::KeySwitchesTheAlarmOnThis)
                   : KeyIgnored();
      case KEY_MUSIC:
        return PhraseText(UxPhrase::KeyPlaysTheAlarmSignal);
      case KEY_PLAY:
        return field_ == F_SIGNAL && signal_ == SIG_SELECT
                   ? PhraseText(UxPhrase::KeyChoosesAFileForThe)
                   : PhraseText(UxPhrase::KeySetsTheAlarm);
      case KEY_BACK:
        return PhraseText(UxPhrase::KeyLeavesWithoutSetting);
      case KEY_MENU:
        return PhraseText(UxPhrase::KeyLeavesAndOpensTheFile);
      default:
        return iWindow::DescribeKey(code, held);
    }
  }

 private:
  static int LockedKey(int code) {
    if (code == KEY_VOL_DOWN || code == KEY_VOL_UP) return 0;
    SysTts_Beep(8);
    return 0;
  }

  void Change(int step) {
    switch (field_) {
      case F_HOUR:
        a_.hour = (a_.hour + 24 + step) % 24;
        break;
      case F_MINUTE:
        a_.minute = (a_.minute + 60 + step) % 60;
        break;
      case F_ENABLED:
        a_.enabled = !a_.enabled;
        break;
      case F_REPEAT:
        day_ = (day_ + 8 + step) % 8;  // the summary, then Monday .. Sunday
        break;
      default:
        NextSignal(step);
        break;
    }
  }

  void NextSignal(int step) {
    int count = custom_.empty() ? 2 : 3;
    signal_ = (signal_ + count + step) % count;
  }

  int KeyPlay() {
    SysTts_Stop();
    if (field_ == F_SIGNAL && signal_ == SIG_SELECT) {
      signal_ = SIG_CUSTOM;
      if (CreateAlarmSignalSelectMenu(&custom_) != 0) signal_ = SIG_DEFAULT;
      return 0;
    }
    if (signal_ == SIG_CUSTOM && custom_.empty()) signal_ = SIG_DEFAULT;
    AlarmSlot& s = g_Alarms[slot_];
    s.hour = a_.hour;
    s.minute = a_.minute;
    s.enabled = a_.enabled;
    s.repeat = a_.repeat;
    s.signal = signal_ == SIG_CUSTOM ? custom_ : std::string();
    ProcessAlarmsNextTime(true);
    StopCurAlarm();
    // Saved before it is confirmed: "Setting done." over a full disk would
    // be an alarm gone at the next start.
    if (SaveSlarms() == 0) {
      SysTts_Add((PhraseText(UxPhrase::SettingDone) + " ").c_str());  // "Setting done.", then the list
    } else {
      MarkSettingsChanged(kAlarmsArea);  // tried again, and at power-off
      SysTts_Add((PhraseText(UxPhrase::DiskFull) + ". ").c_str());
    }
    return WND_CLOSE;
  }

  void SayField() {
    std::string text;
    switch (field_) {
      case F_HOUR:
        text = AlarmHourText(a_.hour);
        break;
      case F_MINUTE:
        text = AlarmMinuteText(a_.minute);
        break;
      case F_ENABLED:
        text = PhraseText(a_.enabled ? UxPhrase::Enable : UxPhrase::Disable);
        break;
      case F_REPEAT:
        text = day_ == 0 ? RepeatSummary(a_.repeat) : RepeatDay(a_.repeat, day_ - 1);
        break;
      default:
        text = signal_ == SIG_DEFAULT  ? PhraseText(UxPhrase::AlarmSignalDefault)
               : signal_ == SIG_SELECT ? PhraseText(UxPhrase::SelectAlarmSignal)
                                       : PhraseText(UxPhrase::AlarmSignal) + ", " + FileName(custom_);
        break;
    }
    SysTts_Play(text.c_str(), -1);
  }

  int slot_;
  AlarmSlot a_;
  std::string custom_;
  int signal_;
  int field_ = F_HOUR;
  int day_ = 0;
};

class AlarmsMenu final : public Menu {
 public:
  AlarmsMenu() { m_ItemCount = kAlarmSlots; }

  int Show() override {
    const AlarmSlot& a = g_Alarms[m_CurIndex];
    char text[512];
    if (g_pUxLanguage &&
        g_pUxLanguage->GetAlarmInfoString(m_CurIndex + 1, g_SystemSettings.timeformat, a.hour,
                                          a.minute, a.enabled != 0, a.repeat, text,
                                          sizeof text) > 0)
      SysTts_Play(text, -1);
    return 0;
  }

  int KeyOK() override {
    OpenClockWindow(new AlarmsSettingMenu(m_CurIndex));
    return 0;
  }
};

}  // namespace

int CreateAlarmsMenu() {
  // The settings menu that opens it speaks it.
  iWindow* w = new AlarmsMenu();
  if (AddWindow(w) == 0) return 0;
  delete w;
  return -1;
}
