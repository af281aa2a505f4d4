#include "record/engine/record_settings.h"

#include <sys/stat.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

#include "audio/decoder.h"
#include "browser/browser_folder.h"
#include "browser/file_browser.h"
#include "record/engine/record.h"
#include "speech/tts.h"
#include "core/base/activity.h"
#include "core/base/settings_file.h"
#include "core/base/util.h"
#include "platform/board.h"
#include "speech/ux_language.h"

RecordSettings g_RecordSettings;

namespace {

const char kRecordConfig[] = "/mnt/settings/record.config.xml";
const char* const kFormats[kRecordFormats] = {"wav 16000hz",        "wav 22050hz",        "wav 44100hz",
                                              "mp3 16000hz 32kbps", "mp3 22050hz 64kbps", "mp3 44100hz 128kbps"};

void OnElement(void* ctx, const char* name, xml::Attrs attrs) {
  auto* s = static_cast<RecordSettings*>(ctx);
  ForEachAttr(name, attrs, "record_config", [s](const char* a, const char*, bool num, int v) {
    if (!num) return;
    if (!strcmp(a, "RecordingFilePosition")) s->location = v == 1 ? 1 : 0;
    else if (!strcmp(a, "volume")) s->volume = v >= 1 && v <= 12 ? v : 8;
    else if (!strcmp(a, "format")) s->format = v >= 0 && v <= 5 ? v : 5;
    else if (!strcmp(a, "enoise")) s->noise = v ? 1 : 0;
    else if (!strcmp(a, "ExtLineType")) s->ext_line = v == 1 ? 1 : 0;
  });
}

bool Exists(const std::string& path) {
  struct stat st;
  return BStat(path.c_str(), &st) == 0;
}

}  // namespace

int LoadRecordSettingsFile(const char* devicePath) {
  RecordSettings loaded;
  int r = LoadSettingsXml(devicePath, OnElement, &loaded);
  if (r == 0) g_RecordSettings = loaded;
  return r;
}

int LoadRecordSettings() {
  g_RecordSettings = RecordSettings();
  if (CheckSettingsMounted() != 0) return -1;
  return LoadRecordSettingsFile(kRecordConfig);
}

int SaveRecordSettingsFile(const char* devicePath) {
  const RecordSettings& s = g_RecordSettings;
  return SaveSettingsXml(devicePath, "record", "record_config",
                         {{"RecordingFilePosition", std::to_string(s.location)},
                          {"volume", std::to_string(s.volume)},
                          {"format", std::to_string(s.format)},
                          {"enoise", std::to_string(s.noise)},
                          {"ExtLineType", std::to_string(s.ext_line)}});
}

int SaveRecordSettings() {
  if (CheckSettingsMounted() != 0) return -1;
  return SaveRecordSettingsFile(kRecordConfig);
}

int SetRecordSettingsToDefault() {
  g_RecordSettings = RecordSettings();
  return 0;
}

const char* RecordFormatString(int index) {
  return kFormats[index >= 0 && index < kRecordFormats ? index : kRecordFormats - 1];
}

int ParseRecordFormat(const char* text, int* mp3, int* rate, int* kbps) {
  if (!text || !mp3 || !rate || !kbps) return -1;
  *mp3 = *rate = *kbps = -1;
  std::string s(text);
  for (char& c : s)
    if (c == '-' || c == '_') c = ' ';
  char* save = nullptr;
  for (char* tok = strtok_r(&s[0], " ", &save); tok; tok = strtok_r(nullptr, " ", &save)) {
    size_t n = strlen(tok);
    if (n == 3 && !strcasecmp(tok, "wav")) *mp3 = 0;
    else if (n == 3 && !strcasecmp(tok, "mp3")) *mp3 = 1;
    else if (n > 4 && !strcasecmp(tok + n - 4, "kbps")) *kbps = atoi(tok);
    else if (n > 2 && !strcasecmp(tok + n - 2, "hz") && isdigit(static_cast<unsigned char>(tok[0]))) *rate = atoi(tok);
  }
  return 0;
}

int GetRecordParameter(int* volume, int* mp3, int* rate, int* kbps) {
  if (volume) *volume = g_RecordSettings.volume;
  int m, r, k;
  ParseRecordFormat(RecordFormatString(g_RecordSettings.format), &m, &r, &k);
  if (mp3) *mp3 = m;
  if (rate) *rate = r;
  if (kbps) *kbps = k;
  return 0;
}

int GoToRecordDir(bool microsd) {
  if (microsd && IsMountDir("/mnt/microsd") != 1) {
    return Exists("/dev/mmcblk1") ? UxPhrase::DiskNotFormatted : UxPhrase::NoMicroSdCard;
  }
  const char* base = microsd ? "/mnt/microsd/" : "/mnt/emmc/";
  if (ChangeDirname(base, UxPhrase::Record) != 0) return UxPhrase::CantOpenRecordingFile;
  char name[256] = "";
  if (!g_pUxLanguage || g_pUxLanguage->GetString(UxPhrase::Record, name, sizeof name) <= 0) return UxPhrase::CantOpenRecordingFile;
  if (BrowserShowFolder(std::string(base) + name, "") < 0) return UxPhrase::CantOpenRecordingFile;
  return 0;
}

namespace {

}  // namespace

int GoToRecordPlace(std::string* note) {
  note->clear();
  if (g_RecordSettings.location == 1) {
    int why = GoToRecordDir(true);
    if (why != UxPhrase::DiskNotFormatted && why != UxPhrase::NoMicroSdCard) return why;
    *note = PhraseText(why) + ", " + PhraseText(UxPhrase::InternalMemory) + ", ";
  }
  return GoToRecordDir(false);
}

int GetCurDirRecordFilename(const char* ext, std::string* name) {
  if (!ext || !name) return -1;
  time_t now = board::Now();
  struct tm t;
  localtime_r(&now, &t);
  char prefix[32];
  snprintf(prefix, sizeof prefix, "Record%04d%02d%02d_", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
  // One pass over the listing instead of two lookups per candidate number.
  std::vector<bool> taken(10000, false);
  size_t plen = strlen(prefix);
  const DirInfo& listing = BrowserListing();
  for (int i = 0; i < listing.GetFileCount(); i++) {
    const char* f = listing.GetFileName(i);
    if (!f || strncasecmp(f, prefix, plen) != 0) continue;
    char* end = nullptr;
    long n = strtol(f + plen, &end, 10);
    if (n >= 1 && n <= 9999 && (!strcasecmp(end, ".mp3") || !strcasecmp(end, ".wav")) &&
        isdigit(static_cast<unsigned char>(f[plen])) && f[plen] != '0')
      taken[n] = true;
  }
  for (int n = 1; n <= 9999; n++) {
    if (taken[n]) continue;
    *name = std::string(prefix) + std::to_string(n) + "." + ext;
    return 0;
  }
  return -1;
}

void SelectRecordedFile(const std::string& name) {
  BrowserShowFolder(BrowserFolder(), name);
}

int PlayRecordStartBeep(int rate) { return PlayAudioAndWaitEnd("/home/beep/beep_22.wav", rate, 1); }

std::string RecordingEndedText(const std::string& name, int64_t bytes) {
  char text[512] = "";
  if (g_pUxLanguage)
    g_pUxLanguage->GetFilePlaceAndSizeString(false, SpeakableName(name.c_str()).c_str(), bytes, -1, 0, text,
                                             sizeof text);
  return PhraseText(UxPhrase::RecordingEnded) + text;
}

void SayRecordingEnded(const std::string& name) {
  // Composed, not spoken and waited for: what closed the window speaks next
  // and carries it first, and the loop goes on answering keys meanwhile.
  SysTts_Add((RecordingEndedText(name, TheRecord().BytesWritten()) + ", ").c_str());
}
