// State shared by the files of system and player speech. Nothing outside
// speech/ includes this.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "speech/tts_engine.h"

struct TtsRole {
  const char* language;
  const char* name;
  const char* description;
  int32_t sex;  // 0 female, 1 male
  const char* modulePath;
  const char* dataPath;
  tts_voice* sysHandle;
  tts_voice* playHandle;
};

constexpr int kTtsRoleCount = 7;
extern TtsRole g_Roles[kTtsRoleCount];

// Per-language voice counts, built from the table on first use.
extern int* g_pVoiceCnt;
extern int g_LanguageCnt;
void CountTtsLanguages();

extern tts_engine* g_pTtsEngine;
extern std::atomic<tts_voice*> g_pSysVoices;
extern tts_voice* g_pPlayVoices;  // under PlayTtsMutex()
// Function-local, so it exists before any caller and is never destroyed
// while worker threads still hold it at exit.
std::mutex& PlayTtsMutex();

// Voice index outside the table means 0.
inline int TtsRoleIndex(int i) { return (i < 0 || i >= kTtsRoleCount) ? 0 : i; }
