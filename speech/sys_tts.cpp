// System speech: callers fill the text buffer and hand a command word to the
// speech thread, which speaks through the engine or plays a beep file.
#include <pthread.h>

#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "core/base/command_channel.h"
#include "core/base/diag.h"
#include "core/base/no_destructor.h"
#include "platform/board.h"
#include "speech/tts.h"
#include "speech/tts_internal.h"
#include "speech/tts_output.h"
#include "speech/ux_language.h"

tts_engine* g_pTtsEngine = nullptr;
std::atomic<tts_voice*> g_pSysVoices{nullptr};

namespace {

constexpr int kTextSize = 4096;
constexpr int kMaxText = kTextSize - 1;
constexpr int kRequestSize = 2048;
constexpr int kBeepBlock = 4096;

enum { kCmdNone = CommandChannel::kNone, kCmdStart = 1, kCmdStop = 2 };
enum { kIdle = 0, kRunning = 1 };  // the channel's state word
using Lock = CommandChannel::Lock;

char g_SysTtsText[kTextSize];
int g_SysTtsTextLength = 0;
bool g_bSysTtsTextAdded = false;
pthread_t g_SysTtsThreadId;
bool g_bSysTtsThread = false;

// The speech thread waits on it until the process ends, so it is never
// destroyed (destroying a condition with a waiter hangs the exit).
CommandChannel& Ch() {
  static NoDestructor<CommandChannel> ch(kIdle);
  return *ch;
}

// Callers on different threads take turns at the text buffer.
std::mutex& CallerMutex() {
  static std::mutex m;
  return m;
}

void Handover(int cmd) {
  Lock lock(Ch().Mutex());
  Ch().Send(lock, cmd);
}

void StopFirst() {
  if (Ch().State() == kRunning) Handover(kCmdStop);
}

// Bytes of text that fit in `room`, not splitting a UTF-8 character.
int FitUtf8(const char* text, int length, int room) {
  if (length <= room) return length;
  int n = room;
  // Step back over continuation bytes to the lead byte of the cut character.
  int back = 0;
  while (n - back > 0 && (static_cast<unsigned char>(text[n - back - 1]) & 0xC0) == 0x80 &&
         back < 3)
    ++back;
  if (n - back > 0) {
    unsigned char lead = static_cast<unsigned char>(text[n - back - 1]);
    int need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (need > back + 1) n -= back + 1;  // the character does not fit whole
  }
  return n;
}

void Append(const char* text, int length) {
  int n = FitUtf8(text, length, kMaxText - g_SysTtsTextLength);
  memcpy(g_SysTtsText + g_SysTtsTextLength, text, static_cast<size_t>(n));
  g_SysTtsTextLength += n;
  g_SysTtsText[g_SysTtsTextLength] = '\0';
}

void StartNew(const char* text, int length) {
  StopFirst();
  g_SysTtsTextLength = 0;
  Append(text, length);
}

bool IsBeepRequest() {
  return g_SysTtsTextLength > 8 && g_SysTtsText[0] == 0 && g_SysTtsText[1] == 0 &&
         memcmp(g_SysTtsText + 2, "beep", 4) == 0;
}

void PlayBeep() {
  const char* path = g_SysTtsText + 8;
  FILE* f = BFopen(path, "rb");
  if (!f) {
    printf("can not open %s\n", path);
    TtsOutput().Flush();
    return;
  }
  static short block[kBeepBlock / 2];
  for (;;) {
    size_t n = fread(block, 1, kBeepBlock, f);
    if (n == 0) break;
    TtsOutput().PutSamples(block, static_cast<int>(n / 2));
    Lock lock(Ch().Mutex());
    const int c = Ch().Peek();
    if (c == kCmdStart) Ch().Take(lock);
    if (c == kCmdStop) break;
  }
  fclose(f);
  TtsOutput().Flush();
}

void Speak() {
  tts_streamer* s = tts_streamer_start(g_pSysVoices.load(), g_SysTtsText, -1.0f);
  if (!s) {
    printf("tts_streamer_start() failed: %s\n", tts_errmsg());
    return;
  }
  for (;;) {
    tts_wave* w = tts_streamer_synth(s, kRequestSize);
    if (!w) {
      tts_streamer_stop(s);
      TtsOutput().Flush();
      return;
    }
    if (!w->samples || w->num_samples <= 0) {
      tts_wave_delete(w);
      tts_streamer_stop(s);
      return;
    }
    TtsOutput().PutSamples(w->samples, w->num_samples);
    int c;
    {
      Lock lock(Ch().Mutex());
      c = Ch().Peek();
    }
    tts_wave_delete(w);
    if (c != kCmdNone) {
      tts_streamer_stop(s);
      return;
    }
  }
}

void* SysTts_PlayThread(void*) {
  for (;;) {
    {
      Lock lock(Ch().Mutex());
      Ch().SetState(lock, kIdle);
      // Anything but a start acknowledges a stop.
      while (Ch().Wait(lock) != kCmdStart) Ch().Take(lock);
      Ch().Take(lock);
      Ch().SetState(lock, kRunning);
    }
    TtsOutput().Init(1, 16000, 400000);
    if (IsBeepRequest())
      PlayBeep();
    else if (g_SysTtsText[0] == 0 && g_SysTtsText[1] == 0)
      TtsOutput().Flush();
    else
      Speak();
  }
  return nullptr;
}

void UnloadAll() {
  for (TtsRole& r : g_Roles) {
    if (r.sysHandle) tts_unload_voice(r.sysHandle);
    if (r.playHandle) tts_unload_voice(r.playHandle);
    r.sysHandle = r.playHandle = nullptr;
  }
}

tts_voice* LoadVoice(const TtsRole& r, bool player) {
  tts_voice* v = tts_load_voice(g_pTtsEngine, board::Path(r.modulePath).c_str(),
                                board::Path(r.dataPath).c_str());
  if (!v) return nullptr;
  const char* type = "text/plain";
  int volume = 80, silence = 10;
  tts_voice_param(v, "set:input type", &type);
  tts_voice_param(v, "set:volume", &volume);
  if (player) {
    tts_voice_param(v, "set:final_silence", &silence);
    tts_voice_param(v, "set:initial_silence", &silence);
  }
  return v;
}

}  // namespace

int SysTts_Init() {
  if (g_pTtsEngine) return 0;
  CountTtsLanguages();
  g_pTtsEngine = tts_create();
  if (!g_pTtsEngine) {
    DIAG("tts_create() failed: %s", tts_errmsg());
    return -1;
  }
  int loaded = 0;
  for (TtsRole& r : g_Roles) {
    for (int player = 0; player < 2; ++player) {
      tts_voice* v = LoadVoice(r, player == 1);
      if (!v) {
        DiagPrintf("tts_load_voice() failed: %s", tts_errmsg());
        DiagPrintf("i = %d, SoPath = %s, DbPath = %s", loaded, r.modulePath, r.dataPath);
        UnloadAll();
        tts_destroy(g_pTtsEngine);
        g_pTtsEngine = nullptr;
        return -3;
      }
      (player ? r.playHandle : r.sysHandle) = v;
      ++loaded;
    }
  }
  g_pSysVoices = g_Roles[0].sysHandle;
  {
    std::lock_guard<std::mutex> lock(PlayTtsMutex());
    g_pPlayVoices = g_Roles[0].playHandle;
  }
  if (!g_bSysTtsThread) {
    int rc = pthread_create(&g_SysTtsThreadId, nullptr, SysTts_PlayThread, nullptr);
    if (rc != 0) {
      DiagPrintf("pthread_create fail, return %d", rc);
      exit(-1);
    }
    g_bSysTtsThread = true;
  }
  return 0;
}

int SysTts_Play(const char* text, int length) {
  if (!g_pTtsEngine || !text) return -1;
  std::lock_guard<std::mutex> caller(CallerMutex());
  // Never past the end of the text, whatever length the caller gives.
  length = static_cast<int>(length <= 0 ? strlen(text) : strnlen(text, static_cast<size_t>(length)));
  if (length == 0 && !g_bSysTtsTextAdded) return 0;
  if (g_bSysTtsTextAdded) {
    g_bSysTtsTextAdded = false;
    Append(text, length);
  } else {
    StartNew(text, length);
  }
  printf("%s\n", g_SysTtsText);
  board::Current().Transcript("say", std::string(g_SysTtsText, g_SysTtsTextLength));
  Handover(kCmdStart);
  return 0;
}

int SysTts_Add(const char* text) {
  if (!g_pTtsEngine || !text) return -1;
  std::lock_guard<std::mutex> caller(CallerMutex());
  int length = static_cast<int>(strlen(text));
  if (length == 0) return 0;
  if (g_bSysTtsTextAdded) {
    Append(text, length);
  } else {
    StartNew(text, length);
    g_bSysTtsTextAdded = true;
  }
  return 0;
}

int SysTts_Stop() {
  if (!g_pTtsEngine) return -1;
  std::lock_guard<std::mutex> caller(CallerMutex());
  StopFirst();
  return 0;
}

int SysTts_Beep(int number) {
  if (!g_pTtsEngine) return -1;
  std::lock_guard<std::mutex> caller(CallerMutex());
  char path[512];
  snprintf(path, sizeof path, "/home/beep/beep16_%d.pcm", number);
  StopFirst();
  // The beep takes the buffer: a composition in progress is dropped rather
  // than appended to the beep order later.
  g_bSysTtsTextAdded = false;
  memset(g_SysTtsText, 0, 8);
  memcpy(g_SysTtsText + 2, "beep", 4);
  int n = static_cast<int>(strlen(path));
  memcpy(g_SysTtsText + 8, path, static_cast<size_t>(n) + 1);
  g_SysTtsTextLength = 8 + n;
  printf("beep: %s\n", path);
  board::Current().Transcript("beep", std::to_string(number));
  Handover(kCmdStart);
  return 0;
}

int SysTts_CheckRunning() {
  if (!g_pTtsEngine) return 0;
  return Ch().State() == kRunning ? 1 : 0;
}

int SysTts_WaitFinish() {
  if (!g_pTtsEngine) return 0;
  Lock lock(Ch().Mutex());
  Ch().WaitUntil(lock, [] { return Ch().StateLocked() != kRunning; });
  return 0;
}

int SysTts_SynchFmtStr(int phraseId) {
  char buf[512];
  buf[0] = '\0';
  int n = g_pUxLanguage ? g_pUxLanguage->GetString(phraseId, buf, sizeof buf) : -1;
  if (n <= 0) buf[0] = '\0';
  return SysTts_Play(buf, n);
}
