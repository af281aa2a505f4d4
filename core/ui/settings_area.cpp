#include "core/ui/settings_area.h"

#include <time.h>

#include <cstring>
#include <mutex>
#include <vector>

#include "core/base/diag.h"
#include "core/ui/keypad_idle.h"
#include "core/ui/reports.h"
#include "core/ui/system_settings.h"

namespace {

std::vector<SettingsArea>& Areas() {
  static std::vector<SettingsArea> areas;
  return areas;
}

// One waiting save: when the burst began and when it was last marked.
struct Pending {
  SettingsKey area;
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

const SettingsArea* FindArea(SettingsKey key) {
  for (const SettingsArea& a : Areas())
    if (a.key == key) return &a;
  return nullptr;
}

bool Due(const Pending& p, long long nowMs) {
  return nowMs - p.lastMs >= kSettingsQuietMs || nowMs - p.firstMs >= kSettingsLatestMs;
}

// Takes the marks that are due out of the list.
std::vector<SettingsKey> TakeDue(long long nowMs) {
  std::vector<SettingsKey> due;
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
void Mark(SettingsKey area, long long stampMs) {
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

}  // namespace

bool operator==(SettingsKey a, SettingsKey b) {
  return a.name == b.name || (a.name && b.name && std::strcmp(a.name, b.name) == 0);
}

int RegisterSettingsArea(const SettingsArea& area) {
  if (!area.key.name || FindArea(area.key)) {
    DiagPrintf("settings area \"%s\" refused", area.key.name ? area.key.name : "");
    return -1;
  }
  Areas().push_back(area);
  return 0;
}

void ClearSettingsAreas() {
  Areas().clear();
  ForgetMarks();
}

void LoadSettingsAreas() {
  for (const SettingsArea& a : Areas())
    if (a.load) a.load();
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
    if (a.save) MarkSettingsChanged(a.key);
  }
  g_bKeyBoardLocked = false;
  ReportSetToDefault();
  return 0;
}

void MarkSettingsChanged(SettingsKey area) {
  if (!area.name) return;
  Mark(area, g_SettingsClock());
}

int RunDeferredSaves() {
  const long long nowMs = g_SettingsClock();
  int saved = 0;
  for (SettingsKey key : TakeDue(nowMs)) {
    const SettingsArea* a = FindArea(key);
    if (!a || !a->save) {
      DiagPrintf("no settings area \"%s\" to save", key.name);
      continue;
    }
    if (a->save() == 0) {
      ++saved;
      continue;
    }
    // Still marked, for power-off; tried again a minute on, not every tick.
    DiagPrintf("%s (%s) not saved; trying again later", key.name, a->file ? a->file : "");
    Mark(key, nowMs + kSettingsRetryMs - kSettingsQuietMs);
  }
  return saved;
}

void SetSettingsClock(long long (*nowMs)()) { g_SettingsClock = nowMs ? nowMs : MonotonicMs; }

bool SettingsChangePending(SettingsKey area) {
  std::lock_guard<std::mutex> lock(g_PendingMutex);
  for (const Pending& p : g_Pending)
    if (area.name && p.area == area) return true;
  return false;
}
