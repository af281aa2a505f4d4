#include "ebook/reader/ebook_settings.h"

#include <libxml/tree.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/base/settings_file.h"
#include "speech/tts.h"

EbookSettings g_EbookSettings;

namespace {

const char kEbookConfig[] = "/mnt/settings/ebook.config.xml";
EbookSettings g_EbookSettingsSaved;

bool ParseInt(const char* text, int* out) {
  if (!text) return false;
  errno = 0;
  char* end = nullptr;
  long v = strtol(text, &end, 10);
  if (end == text || errno == ERANGE || v < INT_MIN || v > INT_MAX) return false;
  *out = static_cast<int>(v);
  return true;
}

int InRange(bool num, int v, int lo, int hi, int fallback) { return num && v >= lo && v <= hi ? v : fallback; }

void OnStartElement(void* ctx, const xmlChar* name, const xmlChar** attrs) {
  auto* s = static_cast<EbookSettings*>(ctx);
  if (strcmp(reinterpret_cast<const char*>(name), "ebook_config") != 0 || !attrs) return;
  const EbookSettings start;
  for (int i = 0; attrs[i] && attrs[i + 1]; i += 2) {
    const char* key = reinterpret_cast<const char*>(attrs[i]);
    int v = 0;
    bool num = ParseInt(reinterpret_cast<const char*>(attrs[i + 1]), &v);
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
    }
  }
}

void SetIntProp(xmlNodePtr node, const char* name, int value) {
  xmlNewProp(node, BAD_CAST name, BAD_CAST std::to_string(value).c_str());
}

}  // namespace

int LoadEbookSettings() {
  EbookSettings loaded = g_EbookSettings;
  int r = LoadSettingsXml(kEbookConfig, &loaded, OnStartElement);
  if (r != 0) return -1;
  g_EbookSettings = loaded;
  g_EbookSettingsSaved = loaded;
  return 0;
}

int SaveEbookSettings(bool force) {
  if (!force && g_EbookSettings == g_EbookSettingsSaved) return 0;
  const EbookSettings& s = g_EbookSettings;
  xmlDocPtr doc = xmlNewDoc(BAD_CAST "1.0");
  if (!doc) return -1;
  xmlNodePtr root = xmlNewNode(nullptr, BAD_CAST "ebook");
  xmlDocSetRootElement(doc, root);
  xmlNodePtr e = xmlNewChild(root, nullptr, BAD_CAST "ebook_config", nullptr);
  SetIntProp(e, "role", s.role);
  SetIntProp(e, "speed", s.speed);
  SetIntProp(e, "pitch", s.pitch);
  SetIntProp(e, "effect", s.effect);
  SetIntProp(e, "background_music_volume", s.background_music_volume);
  SetIntProp(e, "background_music_file_select", s.background_music_file_select);
  int r = SaveSettingsXml(kEbookConfig, doc);
  xmlFreeDoc(doc);
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
