// Activity counters shared with the sound threads, and the mount test.
#include <climits>

#include "core/diag.h"
#include "core/mainloop.h"
#include "platform/board.h"

std::mutex g_SleepTimeMutex;
int g_SleepLeftTime = 10;
int g_IdleShutDownLeftTime = 60;

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
