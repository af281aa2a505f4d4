// Settings areas (a player's settings, a list, the tuner's channels) and
// their deferred saves. Each area declares its key beside its own code; the
// composition root registers every area's record, once, in the order they
// are loaded at start-up, saved at power-off and set to their defaults.
// Nothing here includes the areas. Loop thread unless a comment says
// otherwise.
#pragma once

// Names an area where its changes are marked. Declared once per area, next
// to the area's own code (`inline constexpr SettingsKey kFooArea{"foo"};`);
// a bare string is no key. The name is unique among the areas.
struct SettingsKey {
  constexpr explicit SettingsKey(const char* areaName) : name(areaName) {}
  const char* name;
};
bool operator==(SettingsKey a, SettingsKey b);
inline bool operator!=(SettingsKey a, SettingsKey b) { return !(a == b); }

// One area. Any of the functions may be null.
struct SettingsArea {
  SettingsKey key;
  const char* file;  // what it is kept in, named in the log; null when no file
  int (*load)();     // start-up; a missing or damaged file leaves the defaults
  int (*save)();     // 0, or negative when the file could not be written
  int (*set_default)();
};

// A second area of the same key is refused (-1).
int RegisterSettingsArea(const SettingsArea& area);
void ClearSettingsAreas();  // tests

// Start-up: loads every area in order.
void LoadSettingsAreas();
// Saves every area; 0, or -1 when any failed (the others are still saved).
// Nothing marked below is left waiting afterwards.
int SavePowerOffSettings();
// Every area to its defaults (system settings first), each marked for its
// save, the keypad unlocked, and "set to default" spoken.
int SetAllToDefault();

// Changes written soon, not only at power-off, so that a crash, the watchdog
// or a lost battery contact costs at most the last moments. A mark asks for
// the area's save once it has been quiet for kSettingsQuietMs (a burst of
// changes is one write), and no later than kSettingsLatestMs after the first
// mark of a burst. The tick runs the saves, so a key handler never waits for
// the flash. Marking takes a lock: any thread may mark.
constexpr long long kSettingsQuietMs = 1500;
constexpr long long kSettingsLatestMs = 5000;
// A failed save (partition not mounted, disk full) is tried again this late.
constexpr long long kSettingsRetryMs = 60000;
void MarkSettingsChanged(SettingsKey area);
// Saves the marked areas that are due; the number saved. The tick calls it
// (loop thread, where the stores are changed too).
int RunDeferredSaves();
// The steady clock in ms the marks and runs read (tests; null: the real one).
void SetSettingsClock(long long (*nowMs)());
// True while a mark waits for its save (tests).
bool SettingsChangePending(SettingsKey area);
