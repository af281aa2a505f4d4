#include "core/ui/session.h"

#include <climits>
#include <cstdlib>
#include <vector>

#include "core/base/activity.h"
#include "core/ui/system_settings.h"

bool g_bKeyBoardLocked = false;
int g_InfoKeyDownTimes = 0;

namespace {

std::vector<SettingsArea>& Areas() {
  static std::vector<SettingsArea> areas;
  return areas;
}

std::vector<void (*)()>& CloseHooks() {
  static std::vector<void (*)()> hooks;
  return hooks;
}

void (*g_QuietShutDown)() = nullptr;

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

void RegisterSettingsArea(const SettingsArea& area) { Areas().push_back(area); }
void ClearSettingsAreas() { Areas().clear(); }

int SavePowerOffSettings() {
  int failures = 0;
  for (const SettingsArea& a : Areas())
    if (a.save) failures += a.save() != 0;
  return failures ? -1 : 0;
}

int SetAllToDefault() {
  g_SystemSettings.SetToDefault(true);
  for (const SettingsArea& a : Areas())
    if (a.set_default) a.set_default();
  g_bKeyBoardLocked = false;
  ReportSetToDefault();
  return 0;
}

void RegisterCloseHook(void (*hook)()) {
  if (hook) CloseHooks().push_back(hook);
}

void RunCloseHooks() {
  for (auto hook : CloseHooks()) hook();
}

void SetQuietShutDownHandler(void (*handler)()) { g_QuietShutDown = handler; }

void QuietShutDown() {
  if (g_QuietShutDown) g_QuietShutDown();
  std::_Exit(0);  // only without a composition root (tools, tests)
}
