// Power-off: save everything, say goodbye, program the RTC wake-up and
// switch off. Also the settings save before an upgrade reboot.
#include <fcntl.h>
#include <linux/rtc.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#if defined(__SANITIZE_ADDRESS__) || defined(DTB_LEAK_CHECK)
#include <sanitizer/lsan_interface.h>
#endif

#include "core/base/atomic_file.h"
#include "core/base/diag.h"
#include "browser/file_browser.h"
#include "core/app/mainloop.h"
#include "core/ui/settings_area.h"
#include "core/ui/system_settings.h"
#include "clock/alarms.h"
#include "clock/voice_reminder.h"
#include "radio/radio.h"
#include "daisy/player/daisy_settings.h"
#include "speech/ux_language.h"
#include "speech/tts.h"
#include "core/ui/window.h"
#include "platform/board.h"
#include "positions/bookmark.h"
#include "positions/history.h"

namespace {

constexpr unsigned int kNone = static_cast<unsigned int>(-1);

void SayPhraseAndWait(int id) {
  char text[512];
  if (g_pUxLanguage && g_pUxLanguage->GetString(id, text, sizeof text) > 0) {
    SysTts_Play(text, -1);
    SysTts_WaitFinish();
  }
}

// The earliest of the next alarm or snooze, the automatic power-on and the
// next reminder or its repeat, no sooner than 30 s from now; kNone when
// there is none.
unsigned int WakeTime(unsigned int now) {
  unsigned int w = GetNextAlarmTime();
  if (GetNextReAlarmTime() < w) w = GetNextReAlarmTime();
  if (VoiceReminder_GetNextRemindTime2() < w) w = VoiceReminder_GetNextRemindTime2();
  if (g_SystemSettings.timer_power_on && g_SystemSettings.timer_power_on_time >= 0) {
    unsigned int p = now - now % 86400 + g_SystemSettings.timer_power_on_time * 60u;
    if (p < now) p += 86400;
    if (p < w) w = p;
  }
  unsigned int r = VoiceReminder_GetNextRemindTime();
  if (r < w) w = r;
  if (w == kNone) return kNone;
  if (w < now + 30) w = now + 30;
  return w;
}

// Power-off ends the process without exit(), so a sanitizer build looks for
// lost memory here, where only the root window is left open. It ends the
// process when it finds some (the simulator reports the exit status).
void CheckForLeaks() {
#if defined(__SANITIZE_ADDRESS__) || defined(DTB_LEAK_CHECK)
  __lsan_do_leak_check();
#endif
}

}  // namespace

int WriteParamFile() {
  if (IsMountDir("/mnt/settings") != 1) return -1;
  auto level = [](int step) {
    if (step < 0) step = 0;
    if (step > 16) step = 16;
    return static_cast<unsigned char>(90 - 5 * step);
  };
  unsigned char param[6] = {0, level(g_SystemSettings.hpvolume), 0,
                            level(g_SystemSettings.volume), 0, 0};
  return WriteFileAtomic("/mnt/settings/param", param, sizeof param);
}

int SetRtcAlarm(bool enable, const struct tm* when) {
  board::System("hwclock --systohc");
  int fd = BOpen("/dev/rtc0", O_RDWR);
  if (fd < 0) {
    DiagPrintf("can not open /dev/rtc0");
    return -1;
  }
  int result = 0;
  if (enable && when) {
    struct rtc_wkalrm alarm;
    memset(&alarm, 0, sizeof alarm);
    alarm.time.tm_sec = when->tm_sec;
    alarm.time.tm_min = when->tm_min;
    alarm.time.tm_hour = when->tm_hour;
    alarm.time.tm_mday = when->tm_mday;
    alarm.time.tm_mon = when->tm_mon;
    alarm.time.tm_year = when->tm_year;
    if (board::Ioctl(fd, RTC_WKALM_SET, &alarm) < 0) {
      DiagPrintf("set alarm time failed");
      result = -1;
    }
    if (board::Ioctl(fd, RTC_AIE_ON, nullptr) < 0) {
      DiagPrintf("enable alarm failed");
      result = -1;
    }
  } else if (board::Ioctl(fd, RTC_AIE_OFF, nullptr) < 0) {
    DiagPrintf("disable alarm failed");
    result = -1;
  }
  close(fd);
  return result;
}

void QuietPowerOff() {
  g_ShutDownMode = 3;
  PowerOff();
}

void TimerPowerOff(bool idle) {
  g_ShutDownMode = idle ? 2 : 0;
  PowerOff();
}

void PowerOff() {
  if (g_SystemSettings.fm_send) {
    DiagPrintf("stop fm send");
    StopFm();
    g_SystemSettings.fm_send = false;
  }
  CloseAllChildWindow();
  SavePowerOffSettings();
  WriteParamFile();
  board::System("sync");
  g_PowerKeyDownTimes = 1;
  switch (g_ShutDownMode) {
    case 3:
      SysTts_Stop();
      break;
    case 1:
      SayPhraseAndWait(UxPhrase::BatteryLevelLowShuttingDown);
      break;
    case 2:
      SayPhraseAndWait(UxPhrase::IdlePowerOff);
      break;
    default:
      SayPhraseAndWait(UxPhrase::ShuttingDown);
      break;
  }
  ReportHeap();
  for (;;) {
    time_t nowT = BTime();
    unsigned int w = WakeTime(static_cast<unsigned int>(nowT));
    if (w == kNone) {
      SetRtcAlarm(false, nullptr);
    } else {
      time_t wt = static_cast<time_t>(w);
      struct tm lt;
      localtime_r(&wt, &lt);
      SetRtcAlarm(true, &lt);
    }
    CheckForLeaks();
    board::System("poweroff");
    sleep(1);
  }
}
