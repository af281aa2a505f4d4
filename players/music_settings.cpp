#include "players/music_settings.h"

#include <strings.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "core/base/settings_file.h"
#include "core/ui/settings_area.h"
#include "players/kit/settings_record.h"

AudioSettings g_AudioSettings;

const char* const c_NavModeNames[NAV_MODES] = {"1 minute", "5 minutes", "30 minutes",
                                               "1 hour",   "file",      "bookmark"};

namespace {

const char kMusicConfig[] = "/mnt/settings/music.config.xml";
AudioSettings g_AudioSettingsSaved;

void OnElement(void* ctx, const char* name, xml::Attrs attrs) {
  auto* s = static_cast<AudioSettings*>(ctx);
  ForEachAttr(name, attrs, "music_config", [&](const char* key, const char* val, bool num, int v) {
    if (strcmp(key, "mode") == 0) {
      s->mode = num && v >= 0 && v <= 4 ? v : PLAY_MODE_REPEAT_ALL;
    } else if (strcmp(key, "equalizer") == 0) {
      s->equalizer = num && v >= 0 && v <= 4 ? v : 0;
    } else if (strcmp(key, "speed") == 0) {
      s->speed = num && v >= -10 && v <= 30 ? v : 0;
    } else if (strcmp(key, "pitch") == 0) {
      s->pitch = num && v >= -5 && v <= 5 ? v : 0;
    } else if (strcmp(key, "NavMode") == 0) {
      s->navMode = NAV_1_MINUTE;
      for (int m = 0; m < NAV_MODES; ++m) {
        if (strcasecmp(val, c_NavModeNames[m]) == 0) s->navMode = m;
      }
    }
  });
}

}  // namespace

int NavModeSeconds(int navMode) {
  if (navMode < 0 || navMode >= NAV_MODES) return 0;
  const char* text = c_NavModeNames[navMode];
  int n = atoi(text);
  if (strstr(text, "second")) return n;
  if (strstr(text, "minute")) return n * 60;
  if (strstr(text, "hour")) return n * 3600;
  return 0;
}

int LoadMusicSettingsFile(const char* devicePath) {
  return LoadSettingsRecord(devicePath, OnElement, &g_AudioSettings, &g_AudioSettingsSaved);
}

int LoadMusicSettings() { return LoadIfMounted(LoadMusicSettingsFile, kMusicConfig); }

int SaveMusicSettingsFile(const char* devicePath, bool force) {
  const AudioSettings& s = g_AudioSettings;
  int nav = s.navMode >= 0 && s.navMode < NAV_MODES ? s.navMode : 0;
  return SaveSettingsRecord(devicePath, force, s, &g_AudioSettingsSaved, "music", "music_config",
                            {{"mode", std::to_string(s.mode)},
                             {"equalizer", std::to_string(s.equalizer)},
                             {"speed", std::to_string(s.speed)},
                             {"pitch", std::to_string(s.pitch)},
                             {"NavMode", c_NavModeNames[nav]}});
}

int SaveMusicSettings(bool force) { return SaveIfMounted(SaveMusicSettingsFile, kMusicConfig, force); }

int SetAudioSettingsToDefault() {
  g_AudioSettings = AudioSettings();
  return 0;
}

