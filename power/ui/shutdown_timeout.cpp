// The 15-second warnings before the auto and idle power-off: any key keeps
// the device on, otherwise it powers off when the 60th tick comes.
#include "core/ui/quiet_shutdown.h"
#include "core/ui/reports.h"
#include "core/ui/settings_area.h"
#include "core/ui/system_settings.h"
#include "core/ui/window.h"
#include "platform/board.h"
#include "power/shutdown_timers.h"
#include "power/ui/shutdown_windows.h"
#include "speech/tts.h"
#include "speech/ux_language.h"

namespace {

constexpr int kWarningTicks = 60;  // 15 s
void (*g_TimerPowerOff)(bool idle) = nullptr;

class ShutDownTimeoutMenu : public iWindow {
 public:
  explicit ShutDownTimeoutMenu(bool idle) : idle_(idle) {}

  int OnRefresh() override {
    int warn = idle_ ? g_SystemSettings.RemindBeforeIdleShutDown
                     : g_SystemSettings.RemindBeforeAutoShutDown;
    char text[512];
    if (warn && g_pUxLanguage && g_pUxLanguage->WillBeShutDownedAfter(-1, 15, text, sizeof text) > 0)
      SysTts_Play(text, -1);
    return 0;
  }

  int OnTick() override {
    if (++ticks_ < kWarningTicks) return 0;
    if (g_TimerPowerOff) g_TimerPowerOff(idle_);
    QuietShutDown();
  }

  int OnKeyPress(int) override { return 0; }

  int OnKeyDown(int code) override { return ReportSystemEvent(code) ? 0 : Cancel(code); }

 protected:
  virtual int Cancel(int code) = 0;

 private:
  bool idle_;
  int ticks_ = 0;
};

class AutoShutDownTimeoutMenu final : public ShutDownTimeoutMenu {
 public:
  AutoShutDownTimeoutMenu() : ShutDownTimeoutMenu(false) {}

 protected:
  int Cancel(int code) override {
    if (code == EV_IDLE_SHUTDOWN) return 0;
    SysTts_Stop();
    int minutes = g_SystemSettings.auto_shut_down_time;
    char text[512];
    if (g_pUxLanguage && g_pUxLanguage->GetAutoShutdownString(minutes, text, sizeof text) > 0) {
      SysTts_Play(text, -1);
      SysTts_WaitFinish();
    }
    ArmAutoShutDown(minutes);
    return WND_CLOSE;
  }
};

class IdleShutDownTimeoutMenu final : public ShutDownTimeoutMenu {
 public:
  IdleShutDownTimeoutMenu() : ShutDownTimeoutMenu(true) {}

 protected:
  int Cancel(int code) override {
    SysTts_Stop();
    // The auto power-off comes back 10 s later, once this one is gone.
    if (code == EV_AUTO_SHUTDOWN) g_AutoShutDownTime = static_cast<unsigned int>(BTime()) + 10;
    return WND_CLOSE;  // the key itself restarted the idle counter
  }
};

int Push(iWindow* w) {
  if (AddWindow(w) == 0) return 0;
  delete w;
  return -1;
}

}  // namespace

void SetTimerPowerOffHandler(void (*powerOff)(bool idle)) { g_TimerPowerOff = powerOff; }
int CreateAutoShutDownTimeoutMenu() { return Push(new AutoShutDownTimeoutMenu()); }
int CreateIdleShutDownTimeoutMenu() { return Push(new IdleShutDownTimeoutMenu()); }
