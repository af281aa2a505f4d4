// The voice table, language counting and the queries the settings menus use.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "speech/tts.h"
#include "speech/tts_internal.h"

TtsRole g_Roles[kTtsRoleCount] = {
    {"polish", "Ewa", "Ewa", 0, "/lib/libvoice_pl_ewa.so",
     "/home/voices/pl_ewa.voice", nullptr, nullptr},
    {"polish", "Agnieszka", "Agnieszka", 0, "/lib/libvoice_pl_agnieszka.so",
     "/home/voices/pl_agnieszka.voice", nullptr, nullptr},
    {"polish", "Maja", "Maja", 0, "/lib/libvoice_pl_maja.so",
     "/home/voices/pl_maja.voice", nullptr, nullptr},
    {"polish", "Jacek", "Jacek", 1, "/lib/libvoice_pl_jacek.so",
     "/home/voices/pl_jacek.voice", nullptr, nullptr},
    {"polish", "Jan", "Jan", 1, "/lib/libvoice_pl_jan.so",
     "/home/voices/pl_jan.voice", nullptr, nullptr},
    {"english", "Salli", "Salli", 0, "/lib/libvoice_en_us_salli.so",
     "/home/voices/en_us_salli.voice", nullptr, nullptr},
    {"english", "Joey", "Joey", 1, "/lib/libvoice_en_us_joey.so",
     "/home/voices/en_us_joey.voice", nullptr, nullptr},
};

int* g_pVoiceCnt = nullptr;
int g_LanguageCnt = 0;

namespace {
std::once_flag g_countOnce;

void CountOnce() {
  g_pVoiceCnt = static_cast<int*>(malloc(sizeof(int)));
  if (!g_pVoiceCnt) {
    printf("g_pVoiceCnt == NULL\n");
    exit(-1);
  }
  int languages = 0;
  for (int i = 0; i < kTtsRoleCount; ++i) {
    if (i == 0 || strcmp(g_Roles[i].language, g_Roles[i - 1].language) != 0) {
      if (languages > 0) {
        int* p = static_cast<int*>(realloc(g_pVoiceCnt, sizeof(int) * (languages + 1)));
        if (!p) {
          printf("p == NULL\n");
          exit(-1);
        }
        g_pVoiceCnt = p;
      }
      g_pVoiceCnt[languages++] = 0;
    }
    g_pVoiceCnt[languages - 1]++;
  }
  g_LanguageCnt = languages;
}
}  // namespace

// The languages follow from the constant table, so they are counted even
// when the engine is missing: the settings still need the language list.
void CountTtsLanguages() { std::call_once(g_countOnce, CountOnce); }

int Tts_GetTotalRoles() { return kTtsRoleCount; }
int Tts_GetSex(int index) { return g_Roles[TtsRoleIndex(index)].sex; }
const char* Tts_GetRoleDes(int index) { return g_Roles[TtsRoleIndex(index)].description; }
int Tts_GetTotalEffects() { return 0; }
const char* Tts_GetEffectDes(int, int) { return ""; }

int Tts_GetTotalLanguages() {
  CountTtsLanguages();
  return g_LanguageCnt;
}

const char* Tts_GetLanguageDes(int language) {
  CountTtsLanguages();
  if (language < 0 || language >= g_LanguageCnt) return "";
  return g_Roles[Tts_GetLanguageStartVoiceIndex(language)].language;
}

int Tts_GetVoiceCnt(int language) {
  CountTtsLanguages();
  if (language < 0 || language >= g_LanguageCnt) return 0;
  return g_pVoiceCnt[language];
}

int Tts_GetLanguageStartVoiceIndex(int language) {
  CountTtsLanguages();
  if (language <= 0 || language >= g_LanguageCnt) return 0;
  int start = 0;
  for (int i = 0; i < language; ++i) start += g_pVoiceCnt[i];
  return start;
}

int Tts_SpeedToDurStretch(int s) {
  int d;
  if (s >= 0 && s <= 100) {
    d = 60 - 3 * (s / 10);
  } else if (s > 100) {
    int t = 100 + (s - 100) / 2;
    d = (t / 10 > 20) ? 1 : 60 - 3 * (t / 10);
  } else {
    int q = s / 5;
    d = (q < -10) ? 90 : 60 - 3 * q;
  }
  if (d <= 0) d = 1;
  if (d > 99) d = 99;
  return d;
}
