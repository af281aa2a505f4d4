#include "core/ui/session.h"

#include <time.h>

#include <climits>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "core/base/activity.h"
#include "core/base/diag.h"
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

void (*g_ClockSetHook)() = nullptr;

void (*g_QuietShutDown)() = nullptr;

// One waiting save: when the burst began and when it was last marked.
struct Pending {
  std::string area;
  long long firstMs;
  long long lastMs;
};

std::mutex g_PendingMutex;
std::vector<Pending> g_Pending;

long long MonotonicMs() {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

long long (*g_SettingsClock)() = MonotonicMs;

const SettingsArea* FindArea(const std::string& name) {
  for (const SettingsArea& a : Areas())
    if (a.name && name == a.name) return &a;
  return nullptr;
}

bool Due(const Pending& p, long long nowMs) {
  return nowMs - p.lastMs >= kSettingsQuietMs || nowMs - p.firstMs >= kSettingsLatestMs;
}

// Takes the marks that are due out of the list.
std::vector<std::string> TakeDue(long long nowMs) {
  std::vector<std::string> due;
  std::lock_guard<std::mutex> lock(g_PendingMutex);
  for (size_t i = 0; i < g_Pending.size();) {
    if (Due(g_Pending[i], nowMs)) {
      due.push_back(g_Pending[i].area);
      g_Pending.erase(g_Pending.begin() + static_cast<std::ptrdiff_t>(i));
    } else {
      ++i;
    }
  }
  return due;
}

// A mark at `stampMs`: a new burst, or the quiet time of the waiting one
// counted afresh.
void Mark(const char* area, long long stampMs) {
  std::lock_guard<std::mutex> lock(g_PendingMutex);
  for (Pending& p : g_Pending) {
    if (p.area != area) continue;
    if (stampMs > p.lastMs) p.lastMs = stampMs;
    return;
  }
  g_Pending.push_back({area, stampMs, stampMs});
}

// Everything marked so far is written by whoever saves every area now.
void ForgetMarks() {
  std::lock_guard<std::mutex> lock(g_PendingMutex);
  g_Pending.clear();
}

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
void ClearSettingsAreas() {
  Areas().clear();
  ForgetMarks();
}

int SavePowerOffSettings() {
  ForgetMarks();
  int failures = 0;
  for (const SettingsArea& a : Areas())
    if (a.save) failures += a.save() != 0;
  return failures ? -1 : 0;
}

int SetAllToDefault() {
  g_SystemSettings.SetToDefault(true);
  for (const SettingsArea& a : Areas()) {
    if (a.set_default) a.set_default();
    if (a.save) MarkSettingsChanged(a.name);
  }
  g_bKeyBoardLocked = false;
  ReportSetToDefault();
  return 0;
}

void MarkSettingsChanged(const char* area) {
  if (!area) return;
  Mark(area, g_SettingsClock());
}

int RunDeferredSaves() {
  const long long nowMs = g_SettingsClock();
  int saved = 0;
  for (const std::string& name : TakeDue(nowMs)) {
    const SettingsArea* a = FindArea(name);
    if (!a || !a->save) {
      DiagPrintf("no settings area \"%s\" to save", name.c_str());
      continue;
    }
    if (a->save() == 0) {
      ++saved;
      continue;
    }
    // Still marked, for power-off; tried again a minute on, not every tick.
    DiagPrintf("%s not saved; trying again later", name.c_str());
    Mark(name.c_str(), nowMs + kSettingsRetryMs - kSettingsQuietMs);
  }
  return saved;
}

void SetSettingsClock(long long (*nowMs)()) { g_SettingsClock = nowMs ? nowMs : MonotonicMs; }

bool SettingsChangePending(const char* area) {
  std::lock_guard<std::mutex> lock(g_PendingMutex);
  for (const Pending& p : g_Pending)
    if (area && p.area == area) return true;
  return false;
}

void RegisterCloseHook(void (*hook)()) {
  if (hook) CloseHooks().push_back(hook);
}

void RunCloseHooks() {
  for (auto hook : CloseHooks()) hook();
}

void RegisterClockSetHook(void (*hook)()) { g_ClockSetHook = hook; }

void RunClockSetHooks() {
  if (g_ClockSetHook) g_ClockSetHook();
}

void SetQuietShutDownHandler(void (*handler)()) { g_QuietShutDown = handler; }

void QuietShutDown() {
  if (g_QuietShutDown) g_QuietShutDown();
  std::_Exit(0);  // only without a composition root (tools, tests)
}
