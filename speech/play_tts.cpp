// Player speech: book text synthesised on the caller's thread and handed to
// the caller's callback. While the engine works on the first block, the
// silence thread keeps the sound card fed through the same callback.
#include <pthread.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
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

tts_voice* g_pPlayVoices = nullptr;

std::mutex& PlayTtsMutex() {
  static std::mutex m;
  return m;
}

namespace {

constexpr int kRequestSize = 2048;
constexpr int kSynth0Limit = 2000;
constexpr int kSilenceBlock = 800;     // 50 ms
constexpr int kSilenceQueued = 2400;   // keep 150 ms in the hardware buffer

enum { kMuteStart = 1, kMuteStop = 2 };
// The silence thread's state word: a cancel by the callback stays until the
// next start.
enum { kMuteIdle = 0, kMuteFeeding = 1, kMuteCancelled = 2 };
using Lock = CommandChannel::Lock;

PlayTtsOutputCallback g_playtts_output_cb_fun = nullptr;
void* g_playtts_output_cb_user = nullptr;
pthread_t g_PlayMuteThreadId;
bool g_bPlayMuteThread = false;
int g_SysTtsCodePage = 0;
int g_PlayTtsCodePage = 0;
PlayTtsBlockFilter g_BlockFilter = nullptr;

// Never destroyed: the silence thread waits on it to the end.
CommandChannel& MuteCh() {
  static NoDestructor<CommandChannel> ch(kMuteIdle);
  return *ch;
}

// Feeds silence until stopped; false when the callback cancelled.
bool FeedSilence(Lock& lock) {
  static short zeros[kSilenceBlock];
  for (;;) {
    const int c = MuteCh().Peek();
    if (c != CommandChannel::kNone) {
      MuteCh().Take(lock);
      if (c == kMuteStop) return true;
      continue;
    }
    int level = TtsOutput().BufferLevel();
    // Enough queued, or no stream to feed at all: look again later, or at
    // once for a command.
    if (level >= kSilenceQueued || level < 0) {
      MuteCh().WaitFor(lock, std::chrono::milliseconds(30));
      continue;
    }
    if (g_playtts_output_cb_fun(zeros, kSilenceBlock, g_playtts_output_cb_user) != 0) return false;
    lock.unlock();
    lock.lock();
  }
}

void* PlayMuteThread(void*) {
  Lock lock(MuteCh().Mutex());
  for (;;) {
    while (MuteCh().Wait(lock) != kMuteStart) MuteCh().Take(lock);
    MuteCh().Take(lock);
    MuteCh().SetState(lock, kMuteFeeding);
    MuteCh().SetState(lock, FeedSilence(lock) ? kMuteIdle : kMuteCancelled);
  }
  return nullptr;
}

// Hands a command to the silence thread and waits until it is taken.
void MuteHandover(int cmd) {
  Lock lock(MuteCh().Mutex());
  MuteCh().Send(lock, cmd);
}

// Steps 2 to 6 of one player text; the caller owns `text`.
int SpeakText(const char* text, bool utf16) {
  std::lock_guard<std::mutex> play(PlayTtsMutex());
  PlayTtsOutputCallback cb = g_playtts_output_cb_fun;
  void* user = g_playtts_output_cb_user;
  if (!cb) {
    DIAG("player speech has no data callback");
    return -1;
  }
  tts_streamer* s = tts_streamer_start(g_pPlayVoices, text, -1.0f);
  if (!s) {
    fprintf(stderr, "**Error: Can't create streamer: %s\n", tts_errmsg());
    return -1;
  }
  board::Current().Transcript("read", text);
  if (!g_bPlayMuteThread) {
    int rc = pthread_create(&g_PlayMuteThreadId, nullptr, PlayMuteThread, nullptr);
    if (rc != 0) {
      DiagPrintf("pthread_create fail, return %d", rc);
      tts_streamer_stop(s);
      return -1;
    }
    g_bPlayMuteThread = true;
  }
  MuteHandover(kMuteStart);

  bool first = true;
  short buffer[kRequestSize];
  for (;;) {
    short* samples = nullptr;
    int count = 0;
    tts_wave* w = nullptr;
    if (utf16) {
      count = tts_streamer_synth0(s, buffer, kSynth0Limit);
      samples = buffer;
    } else {
      w = tts_streamer_synth(s, kRequestSize);
      if (w && w->samples) {
        samples = w->samples;
        count = w->num_samples;
      }
    }
    if (g_BlockFilter && count > 0) count = g_BlockFilter(text, samples, count);
    if (count <= 0) {
      if (w) tts_wave_delete(w);
      tts_streamer_stop(s);
      if (!first) return 0;
      MuteHandover(kMuteStop);
      // A text without samples (punctuation) can still be cancelled during
      // its silence; the caller must hear that it was.
      return MuteCh().State() == kMuteCancelled ? -2 : 0;
    }
    if (first) {
      first = false;
      if (MuteCh().State() == kMuteCancelled) {
        if (w) tts_wave_delete(w);
        tts_streamer_stop(s);
        return -2;
      }
      MuteHandover(kMuteStop);
    }
    int r = cb(samples, count, user);
    if (w) tts_wave_delete(w);
    if (r != 0) {
      if (utf16) printf("user canceled\n");
      tts_streamer_stop(s);
      return -2;
    }
  }
}

}  // namespace

PlayTtsBlockFilter SetPlayTtsBlockFilter(PlayTtsBlockFilter filter) {
  std::lock_guard<std::mutex> play(PlayTtsMutex());
  PlayTtsBlockFilter old = g_BlockFilter;
  g_BlockFilter = filter;
  return old;
}

int PlayTts_Init(PlayTtsOutputCallback callback, void* user) {
  {
    std::lock_guard<std::mutex> play(PlayTtsMutex());
    g_playtts_output_cb_fun = callback;
    g_playtts_output_cb_user = user;
  }
  if (!g_pTtsEngine) {
    DiagPrintf("g_pTtsEngine == NULL");
    return -1;
  }
  return 0;
}

int PlayTts_Play(const char* text, int length) {
  if (!text) return -1;
  if (length <= 0) return SpeakText(text, false);
  size_t n = strnlen(text, static_cast<size_t>(length));  // never past the text's end
  char* copy = static_cast<char*>(malloc(n + 1));
  if (!copy) return -2;
  memcpy(copy, text, n);
  copy[n] = '\0';
  int r = SpeakText(copy, false);
  free(copy);
  return r;
}

int PlayTts_Play(const uint16_t* text16, int count) {
  if (!text16 || count < 0) return -1;
  char* utf8 = static_cast<char*>(malloc(3 * static_cast<size_t>(count) + 1));
  if (!utf8) return -1;
  char* p = utf8;
  for (int i = 0; i < count; ++i) {
    uint32_t c = text16[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < count && text16[i + 1] >= 0xDC00 && text16[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text16[++i] - 0xDC00u);
    } else if (c >= 0xD800 && c < 0xE000) {
      continue;  // a lone half says nothing
    }
    if (c < 0x20 || c == 0x7F) {
      // A NUL or other control would end or garble the engine's text; a
      // space keeps the words on either side apart.
      *p++ = ' ';
    } else if (c < 0x80) {
      *p++ = static_cast<char>(c);
    } else if (c < 0x800) {
      *p++ = static_cast<char>(0xC0 | (c >> 6));
      *p++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      *p++ = static_cast<char>(0xE0 | (c >> 12));
      *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *p++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {  // two units in, four bytes out: the buffer still suffices
      *p++ = static_cast<char>(0xF0 | (c >> 18));
      *p++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *p++ = static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  *p = '\0';
  int r = SpeakText(utf8, true);
  free(utf8);
  return r;
}

int PlayTts_Flush() { return 0; }

int Tts_SetCodePage(int channel, int codePage) {
  if (channel == TTS_CHANNEL_SYSTEM) {
    g_SysTtsCodePage = codePage;
  } else if (channel == TTS_CHANNEL_PLAYER) {
    g_PlayTtsCodePage = codePage;
  } else {
    return -1;
  }
  return 0;
}

int Tts_SetRole(int channel, int voiceIndex) {
  if (!g_pTtsEngine) return -1;
  int i = TtsRoleIndex(voiceIndex);
  if (channel == TTS_CHANNEL_SYSTEM) {
    g_pSysVoices = g_Roles[i].sysHandle;
  } else if (channel == TTS_CHANNEL_PLAYER) {
    std::lock_guard<std::mutex> play(PlayTtsMutex());
    g_pPlayVoices = g_Roles[i].playHandle;
  } else {
    return -1;
  }
  return 0;
}

namespace {

// One engine parameter on every voice of a channel.
int SetChannelParam(int channel, const char* name, int value) {
  if (!g_pTtsEngine) return -1;
  if (channel == TTS_CHANNEL_SYSTEM) {
    for (TtsRole& r : g_Roles) tts_voice_param(r.sysHandle, name, &value);
  } else if (channel == TTS_CHANNEL_PLAYER) {
    std::lock_guard<std::mutex> play(PlayTtsMutex());
    for (TtsRole& r : g_Roles) tts_voice_param(r.playHandle, name, &value);
  } else {
    return -1;
  }
  return 0;
}

}  // namespace

int Tts_SetSpeed(int channel, int speed) {
  return SetChannelParam(channel, "set:dur_stretch:", Tts_SpeedToDurStretch(speed));
}

int Tts_SetPitch(int channel, int value) {
  return SetChannelParam(channel, "set:pitch", Tts_PitchToEngine(value));
}

int Tts_PitchToEngine(int step) {
  if (step < -5) step = -5;
  if (step > 5) step = 5;
  return 50 + 8 * step;
}

int Tts_SetEffect(int, int) { return 0; }
int Tts_SetReadWordMode(int, int) { return 0; }
