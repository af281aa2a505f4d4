// The auto and idle power-off menus: left/right pick the minutes, up/down
// the 15-second warning, play stores both.
#include <string>

#include "core/ui/keypad_idle.h"
#include "core/ui/settings_area.h"
#include "core/ui/system_settings.h"
#include "core/ui/window.h"
#include "power/shutdown_timers.h"
#include "power/ui/shutdown_windows.h"
#include "speech/tts.h"
#include "speech/ux_language.h"

const int c_AutoShutDownTimeList[17] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 15, 20, 30, 40, 50, 60, -1};
const int c_IdleShutDownTimeList[17] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 15, 20, 30, 40, 50, 60, -1};

namespace {

constexpr int kListSize = 17;

using TimeStringFn = int (iUxLanguage::*)(int minutes, char* buf, int size);

// The list moves with the menu's own left/right; up and down turn the
// warning on and off instead of moving.
class ShutDownMenu : public Menu {
 public:
  ShutDownMenu(const int* list, TimeStringFn timeString, int minutes, bool warn)
      : list_(list), time_string_(timeString), warn_(warn) {
    m_ItemCount = kListSize;
    m_CurIndex = kListSize - 1;  // a value not in the list counts as off
    for (int i = 0; i < kListSize; ++i)
      if (list_[i] == minutes) m_CurIndex = i;
  }

  int OnRefresh() override {
    std::string text = TimeString() + ", " + WarnString();
    SysTts_Play(text.c_str(), -1);
    return 0;
  }
  int Show() override { return SysTts_Play(TimeString().c_str(), -1); }

  int OnKeyPress(int code) override {
    if (g_bKeyBoardLocked || (code != KEY_UP && code != KEY_DOWN)) return Menu::OnKeyPress(code);
    warn_ = !warn_;
    SysTts_Play(WarnString().c_str(), -1);
    return 0;
  }

  // The menu key leaves without a change, as back does.
  int OnKeyDown(int code) override { return Menu::OnKeyDown(code == KEY_MENU ? KEY_BACK : code); }

  int KeyOK() override {
    Store(list_[m_CurIndex], warn_);
    MarkSettingsChanged(kSystemSettingsArea);  // written soon, as every other setting
    SysTts_Add((PhraseText(UxPhrase::SettingDone) + " ").c_str());  // "Setting done.", then where the user is
    return WND_CLOSE;
  }

 protected:
  virtual void Store(int minutes, bool warn) = 0;

 private:
  std::string TimeString() {
    char text[512] = "";
    if (g_pUxLanguage) (g_pUxLanguage->*time_string_)(list_[m_CurIndex], text, sizeof text);
    return text;
  }
  std::string WarnString() { return PhraseText(warn_ ? UxPhrase::Warn15SecondsBeforeShuttingDown : UxPhrase::Warn15SecondsBeforeShuttingDown2); }

  const int* list_;
  TimeStringFn time_string_;
  bool warn_;
};

class AutoShutDownMenu final : public ShutDownMenu {
 public:
  explicit AutoShutDownMenu(bool byPowerKey)
      : ShutDownMenu(c_AutoShutDownTimeList, &iUxLanguage::GetAutoShutdownString,
                     g_SystemSettings.auto_shut_down_time,
                     g_SystemSettings.RemindBeforeAutoShutDown != 0),
        by_power_key_(byPowerKey) {}

  int OnKeyDown(int code) override {
    switch (code) {
      case KEY_POWER_SHORT:
        // A second click: the menu is meant, not a shifted key; it says
        // where the user is.
        by_power_key_ = false;
        SysTts_Stop();
        return OnRefresh();
      case EV_KEYPAD_LOCKED:
      case EV_KEYPAD_UNLOCKED:
        // Power key then music: the lock, not this menu, was meant.
        if (by_power_key_) return WND_CLOSE_PASS_DOWN;
        return OnDefaultKeyDown(code);
      case EV_RESTORE_DEFAULTS:
        return WND_CLOSE_PASS_DOWN;
      default:
        return ShutDownMenu::OnKeyDown(code);
    }
  }

 protected:
  void Store(int minutes, bool warn) override {
    g_SystemSettings.auto_shut_down_time = minutes;
    g_SystemSettings.RemindBeforeAutoShutDown = warn ? 1 : 0;
    ArmAutoShutDown(minutes);
  }

 private:
  bool by_power_key_;
};

class IdleShutDownMenu final : public ShutDownMenu {
 public:
  IdleShutDownMenu()
      : ShutDownMenu(c_IdleShutDownTimeList, &iUxLanguage::GetIdleShutdownString,
                     g_SystemSettings.idle_shut_down_time,
                     g_SystemSettings.RemindBeforeIdleShutDown != 0) {}

  int OnKeyDown(int code) override {
    if (code == EV_RESTORE_DEFAULTS) return WND_CLOSE_PASS_DOWN;
    return ShutDownMenu::OnKeyDown(code);
  }

 protected:
  void Store(int minutes, bool warn) override {
    g_SystemSettings.SetIdleShutDownTime(minutes);
    g_SystemSettings.RemindBeforeIdleShutDown = warn ? 1 : 0;
    ResetIdleShutDownTime();
  }
};

int Push(iWindow* w) {
  if (AddWindow(w) != 0) {
    delete w;
    return -1;
  }
  w->OnRefresh();
  return 0;
}

}  // namespace

int CreateAutoShutDownMenu(bool byPowerKey) { return Push(new AutoShutDownMenu(byPowerKey)); }
int CreateIdleShutDownMenu() { return Push(new IdleShutDownMenu()); }
