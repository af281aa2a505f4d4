// Time settings: the power-off timers (power's own menus), the clock, the
// automatic power-on, the time announcements and the hour format.
#include <cstdio>
#include <ctime>
#include <string>

#include "browser/openers.h"
#include "core/ui/key_describer.h"
#include "core/ui/device_hooks.h"
#include "core/ui/keypad_idle.h"
#include "core/ui/system_settings.h"
#include "power/shutdown_timers.h"
#include "platform/board.h"
#include "settings/settings_menu.h"
#include "settings/settings_menus.h"
#include "speech/tts.h"
#include "speech/ux_language.h"

int DaysInMonth(int year, int month) {
  static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 31;
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : days[month - 1];
}

namespace {

// v moved by step inside [lo, hi], wrapping.
int WrapIn(int v, int step, int lo, int hi) {
  int n = hi - lo + 1;
  return lo + ((v - lo + step) % n + n) % n;
}

std::string HourText(int hour) {
  char text[256] = "";
  if (g_pUxLanguage) g_pUxLanguage->GetHourDes(g_SystemSettings.timeformat, hour, text, sizeof text);
  return text;
}

std::string MinuteText(int minute) {
  char text[256] = "";
  if (g_pUxLanguage) g_pUxLanguage->GetMinuteDes(minute, text, sizeof text);
  return text;
}

// A menu of fields: up/down pick the field, left/right change it.
class FieldMenu : public SettingsMenu {
 public:
  int OnKeyPress(int code) override {
    if (g_bKeyBoardLocked) return 0;
    switch (code) {
      case KEY_UP: m_CurIndex = WrapIn(m_CurIndex, -1, 0, m_ItemCount - 1); break;
      case KEY_DOWN: m_CurIndex = WrapIn(m_CurIndex, 1, 0, m_ItemCount - 1); break;
      case KEY_LEFT: Change(-1); break;
      case KEY_RIGHT: Change(1); break;
      default: return Menu::OnKeyPress(code);
    }
    return Show();
  }

  std::string DescribeKey(int code, int held) override {
    if (held < 0 && (code == KEY_UP || code == KEY_DOWN))
      return PhraseText(UxPhrase::KeyThePreviousOrNextField2);
    if (held < 0 && (code == KEY_LEFT || code == KEY_RIGHT))
      return PhraseText(UxPhrase::KeyChangesTheField);
    return DescribeSettingKey(code, held, this);
  }

 protected:
  virtual void Change(int step) = 0;
};

class SystemTimeMenu final : public FieldMenu {
 public:
  SystemTimeMenu() {
    m_ItemCount = 5;
    time_t now = BTime();
    struct tm tm;
    localtime_r(&now, &tm);
    v_[0] = tm.tm_year + 1900;
    if (v_[0] < 2013 || v_[0] > 2060) v_[0] = 2013;
    v_[1] = tm.tm_mon + 1;
    v_[2] = tm.tm_mday;
    v_[3] = tm.tm_hour;
    v_[4] = tm.tm_min;
  }
  int Show() override {
    char text[256] = "";
    if (!g_pUxLanguage) return 0;
    switch (m_CurIndex) {
      case 0: g_pUxLanguage->GetString_Int(UxIntFormat::Year, v_[0], text, sizeof text); break;
      case 1: g_pUxLanguage->GetMonthString(v_[1], text, sizeof text); break;
      case 2: g_pUxLanguage->GetDayString(v_[2], text, sizeof text); break;
      case 3: return Say(HourText(v_[3])), 0;
      default: return Say(MinuteText(v_[4])), 0;
    }
    Say(text);
    return 0;
  }
  int KeyOK() override {
    char cmd[128];
    snprintf(cmd, sizeof cmd, "date \"%d-%d-%d %d:%d\"\n", v_[0], v_[1], v_[2], v_[3], v_[4]);
    board::System(cmd);
    board::System("hwclock -w");
    RunClockSetHooks();
    g_AutoShutDownTime = static_cast<unsigned int>(-1);
    SettingDone();
    return WND_CLOSE;
  }

 private:
  void Change(int step) override {
    switch (m_CurIndex) {
      case 0: v_[0] = WrapIn(v_[0], step, 2013, 2060); break;
      case 1: v_[1] = WrapIn(v_[1], step, 1, 12); break;
      case 2: v_[2] = WrapIn(v_[2], step, 1, DaysInMonth(v_[0], v_[1])); break;
      case 3: v_[3] = WrapIn(v_[3], step, 0, 23); break;
      default: v_[4] = WrapIn(v_[4], step, 0, 59); break;
    }
    if (v_[2] > DaysInMonth(v_[0], v_[1])) v_[2] = DaysInMonth(v_[0], v_[1]);
  }
  int v_[5];
};

class TimerPowerOnMenu final : public FieldMenu {
 public:
  TimerPowerOnMenu() {
    m_ItemCount = 3;
    int t = g_SystemSettings.timer_power_on_time;
    hour_ = t >= 0 && t / 60 <= 23 ? t / 60 : 0;
    minute_ = t >= 0 ? t % 60 : 0;
    on_ = g_SystemSettings.timer_power_on;
  }
  int Show() override {
    if (m_CurIndex == 0) Say(HourText(hour_));
    else if (m_CurIndex == 1) Say(MinuteText(minute_));
    else Say(PhraseText(on_ ? UxPhrase::Enable2 : UxPhrase::Disable2));
    return 0;
  }
  int KeyOK() override {
    g_SystemSettings.SetTimerPowerOnTime(on_, hour_ * 60 + minute_);
    SettingDone();
    return WND_CLOSE;
  }

 private:
  void Change(int step) override {
    if (m_CurIndex == 0) hour_ = WrapIn(hour_, step, 0, 23);
    else if (m_CurIndex == 1) minute_ = WrapIn(minute_, step, 0, 59);
    else on_ = !on_;
  }
  int hour_, minute_;
  bool on_;
};

class TimeAnnouncementMenu final : public ValueMenu {
 public:
  TimeAnnouncementMenu() {
    m_ItemCount = 4;
    int m = g_SystemSettings.time_announcement_mode;
    m_CurIndex = m >= 0 && m < 4 ? m : 0;
  }
  int Show() override { return Say(PhraseText(UxPhrase::AutomaticTimeAnnouncementsDisable + m_CurIndex)), 0; }
  int KeyOK() override {
    g_SystemSettings.SetTimerAnnouncementMode(m_CurIndex);
    SettingDone();
    return WND_CLOSE;
  }
};

class TimeFormatMenu final : public ValueMenu {
 public:
  TimeFormatMenu() {
    m_ItemCount = 2;
    m_CurIndex = g_SystemSettings.timeformat == 12 ? 0 : 1;
  }
  int Show() override { return Say(PhraseText(UxPhrase::N12Hours + m_CurIndex)), 0; }
  int KeyOK() override {
    g_SystemSettings.timeformat = m_CurIndex == 0 ? 12 : 24;
    SettingDone();
    return WND_CLOSE;
  }
};

class TimeSettingsMenu final : public SettingsMenu {
 public:
  TimeSettingsMenu() { m_ItemCount = 6; }
  int Show() override {
    static const int phrases[6] = {UxPhrase::IdlePowerOff2, UxPhrase::AutoPowerOff, UxPhrase::SetTimeAndDate, UxPhrase::AutomaticPowerOn, UxPhrase::AutomaticTimeAnnouncements, UxPhrase::TimeFormat};
    return Say(PhraseText(phrases[m_CurIndex])), 0;
  }
  int KeyOK() override {
    int r;
    switch (m_CurIndex) {
      case 0: r = OpenBrowserWindow(BW_IDLE_SHUTDOWN_MENU); break;
      case 1: r = OpenBrowserWindow(BW_AUTO_SHUTDOWN_SETTINGS_MENU); break;
      case 2: r = OpenSettingsWindow(new SystemTimeMenu()); break;
      case 3: r = OpenSettingsWindow(new TimerPowerOnMenu()); break;
      case 4: r = OpenSettingsWindow(new TimeAnnouncementMenu()); break;
      default: r = OpenSettingsWindow(new TimeFormatMenu()); break;
    }
    // The power-off menus speak as they open.
    if (r == 0 && m_CurIndex > 1) RefreshCurWindow();
    else if (r != 0) Say(PhraseText(UxPhrase::FileNotSupported));
    return 0;
  }
};

}  // namespace

iWindow* NewTimeSettingsMenu() { return new TimeSettingsMenu(); }
