#include "daisy/player/daisy_settings.h"

#include <cstring>
#include <string>

#include "core/base/settings_file.h"
#include "core/ui/settings_area.h"

const int c_DaisyJumpTimes[kDaisyJumpTimes] = {30, 60, 300, 600, 1800, 3600};

int g_Speed = 0;
int g_Pitch = 0;
int g_JumpTimeIndex = 0;
std::atomic<bool> g_DaisyQuietReading{false};
bool g_DaisyTimeLeft = false;

namespace {

const char kDaisyConfig[] = "/mnt/settings/daisy.config.xml";

struct Loaded {
  int speed = 0;
  int pitch = 0;
  int jump = 0;
  bool quiet = false;
  bool timeLeft = false;
};

void OnElement(void* ctx, const char* name, xml::Attrs attrs) {
  auto* s = static_cast<Loaded*>(ctx);
  ForEachAttr(name, attrs, "daisy_config", [&](const char* key, const char* text, bool num, int v) {
    if (strcmp(key, "speed") == 0) {
      s->speed = num && v >= kDaisySpeedMin && v <= kDaisySpeedMax ? v : 0;
    } else if (strcmp(key, "pitch") == 0) {
      s->pitch = num && v >= kDaisyPitchMin && v <= kDaisyPitchMax ? v : 0;
    } else if (strcmp(key, "jumptime") == 0) {
      s->jump = 0;
      for (int k = 0; num && k < kDaisyJumpTimes; ++k) {
        if (c_DaisyJumpTimes[k] == v) s->jump = k;
      }
    } else if (strcmp(key, "quiet_reading") == 0) {
      s->quiet = strcmp(text, "enable") == 0;
    } else if (strcmp(key, "time_left") == 0) {
      s->timeLeft = strcmp(text, "enable") == 0;
    }
  });
}

}  // namespace

int LoadDaisySettingsFile(const char* devicePath) {
  Loaded loaded;  // defaults first: a missing attribute means 0
  int r = LoadSettingsXml(devicePath, OnElement, &loaded);
  if (r != 0) return r;
  g_Speed = loaded.speed;
  g_Pitch = loaded.pitch;
  g_JumpTimeIndex = loaded.jump;
  g_DaisyQuietReading = loaded.quiet;
  g_DaisyTimeLeft = loaded.timeLeft;
  return 0;
}

int LoadDaisySettings() { return LoadIfMounted(LoadDaisySettingsFile, kDaisyConfig); }

int SaveDaisySettingsFile(const char* devicePath) {
  int jump = g_JumpTimeIndex >= 0 && g_JumpTimeIndex < kDaisyJumpTimes ? g_JumpTimeIndex : 0;
  return SaveSettingsXml(devicePath, "daisy", "daisy_config",
                         {{"speed", std::to_string(g_Speed)},
                          {"pitch", std::to_string(g_Pitch)},
                          {"jumptime", std::to_string(c_DaisyJumpTimes[jump])},
                          {"quiet_reading", g_DaisyQuietReading ? "enable" : "disable"},
                          {"time_left", g_DaisyTimeLeft ? "enable" : "disable"}});
}

int SaveDaisySettings() {
  if (CheckSettingsMounted() != 0) return -1;
  return SaveDaisySettingsFile(kDaisyConfig);
}

int SetDaisySettingsToDefault() {
  g_Speed = 0;
  g_Pitch = 0;
  g_JumpTimeIndex = 0;
  g_DaisyQuietReading = false;
  g_DaisyTimeLeft = false;
  return 0;
}

int DaisySpeedToRate(int speed) {
  if (speed < 0) return 5 * speed;
  if (speed <= 10) return 10 * speed;
  return 20 * speed - 100;
}

int DaisyJumpSeconds() {
  int i = g_JumpTimeIndex >= 0 && g_JumpTimeIndex < kDaisyJumpTimes ? g_JumpTimeIndex : 0;
  int s = c_DaisyJumpTimes[i];
  return s < 10 || s > 10000 ? 10 : s;
}

void DaisySettingsChanged() { MarkSettingsChanged(kDaisySettingsArea); }
