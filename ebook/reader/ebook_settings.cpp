#include "ebook/reader/ebook_settings.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/base/settings_file.h"
#include "core/ui/settings_area.h"
#include "speech/tts.h"

EbookSettings g_EbookSettings;

namespace {

const char kEbookConfig[] = "/mnt/settings/ebook.config.xml";
EbookSettings g_EbookSettingsSaved;

int InRange(bool num, int v, int lo, int hi, int fallback) { return num && v >= lo && v <= hi ? v : fallback; }

void OnStartElement(void* ctx, const char* name, xml::Attrs attrs) {
  auto* s = static_cast<EbookSettings*>(ctx);
  const EbookSettings start;
  ForEachAttr(name, attrs, "ebook_config", [&](const char* key, const char*, bool num, int v) {
    if (strcmp(key, "role") == 0) {
      s->role = InRange(num, v, -1, Tts_GetTotalRoles() - 1, start.role);
    } else if (strcmp(key, "speed") == 0) {
      s->speed = InRange(num, v, c_EbookMinSpeed, c_EbookMaxSpeed, start.speed);
    } else if (strcmp(key, "pitch") == 0) {
      s->pitch = num ? v : start.pitch;
    } else if (strcmp(key, "effect") == 0) {
      s->effect = num ? v : start.effect;
    } else if (strcmp(key, "background_music_volume") == 0) {
      s->background_music_volume = InRange(num, v, 0, c_EbookMaxMusicVolume, start.background_music_volume);
    } else if (strcmp(key, "background_music_file_select") == 0) {
      s->background_music_file_select =
          InRange(num, v, 1, c_EbookMusicTracks, start.background_music_file_select);
    } else if (strcmp(key, "quiet_reading") == 0) {
      s->quiet_reading = InRange(num, v, 0, 1, start.quiet_reading);
    }
  });
}

}  // namespace

int LoadEbookSettings() {
  EbookSettings loaded = g_EbookSettings;
  if (CheckSettingsMounted() != 0) return -1;
  int r = LoadSettingsXml(kEbookConfig, OnStartElement, &loaded);
  if (r != 0) return -1;
  g_EbookSettings = loaded;
  g_EbookSettingsSaved = loaded;
  return 0;
}

int SaveEbookSettings(bool force) {
  if (!force && g_EbookSettings == g_EbookSettingsSaved) return 0;
  const EbookSettings& s = g_EbookSettings;
  if (CheckSettingsMounted() != 0) return -1;
  int r = SaveSettingsXml(kEbookConfig, "ebook", "ebook_config",
                          {{"role", std::to_string(s.role)},
                           {"speed", std::to_string(s.speed)},
                           {"pitch", std::to_string(s.pitch)},
                           {"effect", std::to_string(s.effect)},
                           {"background_music_volume", std::to_string(s.background_music_volume)},
                           {"background_music_file_select", std::to_string(s.background_music_file_select)},
                           {"quiet_reading", std::to_string(s.quiet_reading)}});
  if (r != 0) return -1;
  g_EbookSettingsSaved = s;
  return 0;
}

int SetEbookSettingsToDefault() {
  g_EbookSettings = EbookSettings();
  g_EbookSettings.role = -1;
  return 0;
}

int EbookSpeedToRate(int step) {
  if (step < 0) return 5 * step;
  if (step <= 10) return 10 * step;
  return 20 * step - 100;
}

void EbookSettingsChanged() { MarkSettingsChanged(kEbookSettingsArea); }
