#include "core/ui/keypad_idle.h"

#include <climits>
#include <mutex>

#include "core/base/activity.h"
#include "core/ui/system_settings.h"

bool g_bKeyBoardLocked = false;
int g_InfoKeyDownTimes = 0;

namespace {

// Seconds of inactivity before idle power-off; never when not positive.
int IdleSeconds() {
  long long s = static_cast<long long>(g_SystemSettings.idle_shut_down_time) * 60;
  return (s <= 0 || s > INT_MAX) ? INT_MAX : static_cast<int>(s);
}

}  // namespace

void ResetIdleShutDownTime() {
  std::lock_guard<std::mutex> lock(g_SleepTimeMutex);
  g_SleepLeftTime = 60;
  g_IdleShutDownLeftTime = IdleSeconds();
}

void ResetIdleShutDownTimeWithoutChangeSleepTime() {
  std::lock_guard<std::mutex> lock(g_SleepTimeMutex);
  g_IdleShutDownLeftTime = IdleSeconds();
}
