// Activity counters shared with the sound threads, the mount test and the
// small board controls (processor floor, working LED).
#include <climits>
#include <cstdio>
#include <string>

#include "core/diag.h"
#include "core/mainloop.h"
#include "core/system_settings.h"
#include "platform/board.h"

std::mutex g_SleepTimeMutex;
int g_SleepLeftTime = 10;
int g_IdleShutDownLeftTime = 60;

namespace {

// Seconds of inactivity before idle power-off; never when not positive.
int IdleSeconds() {
  long long s = static_cast<long long>(g_SystemSettings.idle_shut_down_time) * 60;
  return (s <= 0 || s > INT_MAX) ? INT_MAX : static_cast<int>(s);
}

}  // namespace

void DelaySleepTime(int seconds) {
  std::lock_guard<std::mutex> lock(g_SleepTimeMutex);
  if (g_SleepLeftTime < seconds) g_SleepLeftTime = seconds;
  if (g_IdleShutDownLeftTime < seconds) g_IdleShutDownLeftTime = seconds;
}

void ResetIdleShutDownTime() {
  std::lock_guard<std::mutex> lock(g_SleepTimeMutex);
  g_SleepLeftTime = 60;
  g_IdleShutDownLeftTime = IdleSeconds();
}

void ResetIdleShutDownTimeWithoutChangeSleepTime() {
  std::lock_guard<std::mutex> lock(g_SleepTimeMutex);
  g_IdleShutDownLeftTime = IdleSeconds();
}

int IsMountDir(const char* path) {
  if (!path) return -1;
  int r = board::Current().IsMountPoint(path);
  if (r < 0) fprintf(stderr, "%s %s %d stat %s error\n", __FILE__, __func__, __LINE__, path);
  return r;
}

int SetMinCpuMHz(int megahertz) {
  return board::System("echo " + std::to_string(megahertz) +
                       "000 > /sys/devices/system/cpu/cpu0/cpufreq/scaling_min_freq");
}

void SetWorkingLed(int on) {
  board::System("echo " + std::to_string(on) +
                " > /sys/devices/platform/leds-gpio/leds/am335x:EVM_SK:usr0/brightness");
}
