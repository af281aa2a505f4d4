#include "players/audiobook_settings.h"

#include <cstring>
#include <string>

#include "core/base/settings_file.h"
#include "core/ui/settings_area.h"
#include "players/kit/settings_record.h"

const int c_AudioBookStepSeconds[kAudioBookSteps] = {10, 30, 60, 300, 600, 1800, 3600};

AudioBookSettings g_AudioBookSettings;

namespace {

const char kAudioBookConfig[] = "/mnt/settings/audiobook.config.xml";
AudioBookSettings g_AudioBookSettingsSaved;

void OnElement(void* ctx, const char* name, xml::Attrs attrs) {
  auto* s = static_cast<AudioBookSettings*>(ctx);
  ForEachAttr(name, attrs, "audiobook_config", [&](const char* key, const char*, bool num, int v) {
    if (strcmp(key, "speed") == 0) {
      s->speed = num && v >= -10 && v <= 30 ? v : 0;
    } else if (strcmp(key, "pitch") == 0) {
      s->pitch = num && v >= -5 && v <= 5 ? v : 0;
    } else if (strcmp(key, "step") == 0) {
      s->step = num && v >= 0 && v <= kAudioBookSteps ? v : 0;
    } else if (strcmp(key, "time_left") == 0) {
      s->time_left = num && v == 1 ? 1 : 0;
    } else if (strcmp(key, "tag_order") == 0) {
      s->tag_order = num && v == 1 ? 1 : 0;
    }
  });
}

}  // namespace

int AudioBookStepSeconds(int stepIndex) {
  if (stepIndex < 0 || stepIndex >= kAudioBookSteps) stepIndex = 0;
  return c_AudioBookStepSeconds[stepIndex];
}

int LoadAudioBookSettingsFile(const char* devicePath) {
  return LoadSettingsRecord(devicePath, OnElement, &g_AudioBookSettings, &g_AudioBookSettingsSaved);
}

int LoadAudioBookSettings() { return LoadIfMounted(LoadAudioBookSettingsFile, kAudioBookConfig); }

int SaveAudioBookSettingsFile(const char* devicePath, bool force) {
  const AudioBookSettings& s = g_AudioBookSettings;
  return SaveSettingsRecord(devicePath, force, s, &g_AudioBookSettingsSaved, "audiobook", "audiobook_config",
                            {{"speed", std::to_string(s.speed)},
                             {"pitch", std::to_string(s.pitch)},
                             {"step", std::to_string(s.step)},
                             {"time_left", std::to_string(s.time_left)},
                             {"tag_order", std::to_string(s.tag_order)}});
}

int SaveAudioBookSettings(bool force) { return SaveIfMounted(SaveAudioBookSettingsFile, kAudioBookConfig, force); }

int SetAudioBookSettingsToDefault() {
  g_AudioBookSettings = AudioBookSettings();
  return 0;
}

