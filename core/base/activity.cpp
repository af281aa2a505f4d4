// Activity counters shared with the sound threads, the mount test and the
// small board controls (processor floor, working LED).
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "core/base/diag.h"
#include "core/base/activity.h"
#include "platform/board.h"

std::mutex g_SleepTimeMutex;
int g_SleepLeftTime = 10;
int g_IdleShutDownLeftTime = 60;
int g_SimulateKeyPipe[2] = {-1, -1};

int SendSimulateKey(int code, int kind) {
  int32_t rec[2] = {code, kind};
  // One 8-byte write: atomic on a pipe, so any thread may send.
  return static_cast<int>(write(g_SimulateKeyPipe[1], rec, sizeof rec));
}

void DelaySleepTime(int seconds) {
  std::lock_guard<std::mutex> lock(g_SleepTimeMutex);
  if (g_SleepLeftTime < seconds) g_SleepLeftTime = seconds;
  if (g_IdleShutDownLeftTime < seconds) g_IdleShutDownLeftTime = seconds;
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
