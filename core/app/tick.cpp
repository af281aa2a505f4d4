// The 250 ms heartbeat: key repeat, window ticks, the power key, USB power,
// and once a second / once a minute the power timers, battery, time
// announcements, alarms, reminders, idle power-off and standby.
#include <climits>
#include <cstdio>
#include <ctime>

#include "core/base/diag.h"
#include "browser/file_browser.h"
#include "core/app/mainloop.h"
#include "core/ui/keypad_idle.h"
#include "core/ui/settings_area.h"
#include "core/ui/system_settings.h"
#include "clock/alarms.h"
#include "clock/voice_reminder.h"
#include "tools/calculagraph.h"
#include "radio/radio.h"
#include "core/ui/window.h"
#include "platform/board.h"
#include "power/battery.h"
#include "power/mic2det.h"
#include "power/tps65217.h"

int g_PowerKeyDownTimes = 0;
int g_UsbInTimes = 0;
int g_250msTimes = 0;
int g_LastMinute = -1;
bool g_CharingFinished = false;

namespace {

constexpr unsigned int kNone = static_cast<unsigned int>(-1);
constexpr int kPowerOffTicks = 7;  // power off on the 8th tick held (2 s)
constexpr int kUsbTicks = 3;

bool UsbMassStorage() { return g_UsbState == 1 || g_UsbState == 2; }

// Returns true when the tick ends here.
bool AutoShutDownStep(unsigned int now) {
  if (now <= g_AutoShutDownTime) return false;
  if (g_UsbState == 2) {
    g_AutoShutDownTime = kNone;
  } else if (g_UsbState == 0 || g_UsbState == 3) {
    g_AutoShutDownTime = kNone;
    SendSimulateKey(EV_AUTO_SHUTDOWN, KEY_KIND_DOWN);
    return true;
  }
  return false;  // mass storage: fires once that mode ends
}

bool TimeAnnouncementDue(int mode, int minute) {
  if (minute % 15 != 0) return false;
  switch (mode) {
    case 1:
      return true;
    case 2:
      return minute % 30 == 0;
    case 3:
      return minute == 0;
    default:
      return false;
  }
}

void MinuteStep(unsigned int now, const struct tm& lt) {
  if (lt.tm_min == g_LastMinute) return;
  g_LastMinute = lt.tm_min;
  int s = GetBatState(false);
  if (s == BAT_CHARGED && !g_CharingFinished) {
    g_CharingFinished = true;
    SendSimulateKey(EV_CHARGING_DONE, KEY_KIND_DOWN);
    DiagPrintf("charing finished");
    return;
  }
  if (s != BAT_CHARGED) {
    g_CharingFinished = false;
    if (s == BAT_EMPTY) {
      g_ShutDownMode = 1;
      SendSimulateKey(EV_POWER_OFF, KEY_KIND_DOWN);
      return;
    }
    if (s == BAT_LOW) {
      SendSimulateKey(EV_BATTERY_LOW, KEY_KIND_DOWN);
      return;
    }
  }
  if (TimeAnnouncementDue(g_SystemSettings.time_announcement_mode, lt.tm_min)) {
    DiagPrintf("TIME_ANNOUNCEMENT");
    SendSimulateKey(EV_TIME_ANNOUNCE, KEY_KIND_DOWN);
  }
  if (now >= GetNextAlarmTime())
    SendSimulateKey(EV_ALARM, KEY_KIND_DOWN);
  else if (now >= GetNextReAlarmTime())
    SendSimulateKey(EV_REALARM, KEY_KIND_DOWN);
  if (now >= VoiceReminder_GetNextRemindTime() || now >= VoiceReminder_GetNextRemindTime2())
    SendSimulateKey(EV_VOICE_REMINDER, KEY_KIND_DOWN);
  if (g_SystemSettings.timer_shut_down_enable &&
      lt.tm_hour * 60 + lt.tm_min == g_SystemSettings.timer_shut_down &&
      (g_UsbState == 0 || g_UsbState == 3)) {
    g_ShutDownMode = 2;
    SendSimulateKey(EV_POWER_OFF, KEY_KIND_DOWN);
  }
}

unsigned int Until(unsigned int when, unsigned int now) { return when - now; }

// Seconds to the next thing standby must not sleep through.
unsigned int StandbySeconds(unsigned int now) {
  unsigned int t = Until(GetNextAlarmTime(), now);
  unsigned int u = Until(GetNextReAlarmTime(), now);
  if (u < t) t = u;
  unsigned int r1 = VoiceReminder_GetNextRemindTime(), r2 = VoiceReminder_GetNextRemindTime2();
  u = Until(r1 < r2 ? r1 : r2, now);
  if (u < t) t = u;
  u = 900 - now % 900;  // the next quarter hour: time announcements
  if (u < t) t = u;
  if (g_bCalculagraphRunning) {
    u = GetRemindLeftTime(now);
    if (u < t) t = u;
  }
  if (g_SystemSettings.timer_shut_down_enable) {
    long long d = static_cast<long long>(g_SystemSettings.timer_shut_down) * 60 - now % 86400;
    if (d <= 0) d += 86400;
    if (static_cast<unsigned int>(d) < t) t = static_cast<unsigned int>(d);
  }
  return t;
}

void StandbyStep(unsigned int now) {
  if (!IsFmRxRunning() && !g_bCalculagraphRunning) {
    std::lock_guard<std::mutex> lock(g_SleepTimeMutex);
    g_SleepLeftTime = 60;
    return;
  }
  unsigned int t = StandbySeconds(now);
  if (t < 2) {
    std::lock_guard<std::mutex> lock(g_SleepTimeMutex);
    g_SleepLeftTime = 2;
    return;
  }
  int seconds = t > INT_MAX ? INT_MAX : static_cast<int>(t);
  printf("sleep %d seconds\n", seconds);
  fflush(stdout);
  SetStandbyTime(seconds);
  time_t before = BTime();
  board::System("echo standby > /sys/power/state");
  long long slept = static_cast<long long>(BTime()) - before;
  if (slept < 0) slept = 0;
  std::lock_guard<std::mutex> lock(g_SleepTimeMutex);
  g_SleepLeftTime = 2;
  long long idle = static_cast<long long>(g_IdleShutDownLeftTime) - slept;
  g_IdleShutDownLeftTime = idle < INT_MIN ? INT_MIN : static_cast<int>(idle);
}

// Returns true when the tick ends here.
bool PowerKeyAndUsbStep() {
  if (IsPowerKeyDown()) {
    ResetIdleShutDownTime();
    if (++g_PowerKeyDownTimes > kPowerOffTicks) {
      g_ShutDownMode = 0;
      SendSimulateKey(EV_POWER_OFF, KEY_KIND_DOWN);
      return true;
    }
  } else {
    g_PowerKeyDownTimes = 0;
  }

  if (IsUsbIn()) {
    if (++g_UsbInTimes == kUsbTicks) {
      ResetIdleShutDownTime();
      SendSimulateKey(EV_USB_IN, KEY_KIND_DOWN);
      return true;
    }
  } else {
    bool wasIn = g_UsbInTimes >= kUsbTicks;
    g_UsbInTimes = 0;
    if (wasIn) {
      ResetIdleShutDownTime();
      SendSimulateKey(EV_USB_OUT, KEY_KIND_DOWN);
      return true;
    }
  }
  return false;
}

// Once a second.
void SecondStep() {
  time_t nowT = BTime();
  unsigned int now = static_cast<unsigned int>(nowT);
  struct tm lt;
  localtime_r(&nowT, &lt);
  if (AutoShutDownStep(now)) return;
  MinuteStep(now, lt);
  CalculagraphStep();  // also when its window is closed or covered

  g_250msTimes = 0;
  int idleLeft, sleepLeft;
  {
    std::lock_guard<std::mutex> lock(g_SleepTimeMutex);
    if (UsbMassStorage())
      g_SleepLeftTime = 10;
    else
      --g_SleepLeftTime;
    --g_IdleShutDownLeftTime;
    idleLeft = g_IdleShutDownLeftTime;
    sleepLeft = g_SleepLeftTime;
  }

  if (idleLeft <= 0) {
    if (g_UsbInTimes <= 0 && GetNextReAlarmTime() > now + 600 &&
        VoiceReminder_GetNextRemindTime2() > now + 600) {
      {
        std::lock_guard<std::mutex> lock(g_SleepTimeMutex);
        g_IdleShutDownLeftTime = 20;
      }
      SendSimulateKey(EV_IDLE_SHUTDOWN, KEY_KIND_DOWN);
      return;
    }
    ResetIdleShutDownTime();
  }

  if (sleepLeft <= 0) StandbyStep(now);
}

}  // namespace

gboolean TimeOutFun_250ms(void*) {
  // Held key: first repeat 6 ticks after going down, then one every tick.
  if (g_LastKeyCode >= 0) {
    ResetIdleShutDownTime();
    if (--g_LastKeyLeftTime <= 0) {
      g_LastKeyLeftTime = 1;
      SendSimulateKey(g_LastKeyCode, KEY_KIND_PRESS);
    }
    ++g_KeyContinueTimes;
  }

  if (g_PowerKeyShiftFunLeftTime >= 0 && --g_PowerKeyShiftFunLeftTime == -1) SetWorkingLed(0);

  WindowTick();
  RunDeferredSaves();
  SampleHeap();

  if (PowerKeyAndUsbStep()) return TRUE;
  if (++g_250msTimes <= 3) return TRUE;
  SecondStep();
  return TRUE;
}
