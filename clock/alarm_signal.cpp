// The alarm-signal thread: decodes one file and writes it to the sound card
// until it ends or it is told to stop. Commands are handed over under its
// mutex; the sender polls every 10 ms until the thread took them.
#include <unistd.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "audio/decoder.h"
#include "audio/soundcard.h"
#include "clock/alarms.h"
#include "core/base/activity.h"
#include "core/base/diag.h"
#include "core/base/no_destructor.h"
#include "speech/tts.h"
#include "speech/ux_language.h"

namespace {

enum { CMD_NONE = 0, CMD_PLAY = 1, CMD_STOP = 2 };

struct SignalThread {
  std::mutex m;
  std::condition_variable cv;
  int command = CMD_NONE;
  bool playing = false;
  bool halve = false;  // above 96000 Hz: every second frame is dropped
  int channels = 1;
  bool started = false;
  bool opened = false;  // the shared decoder holds a file of ours
};

SignalThread& T() {
  static NoDestructor<SignalThread> t;
  return *t;
}

void SendCommand(int command) {
  {
    std::lock_guard<std::mutex> lock(T().m);
    T().command = command;
  }
  T().cv.notify_all();
  for (;;) {
    {
      std::lock_guard<std::mutex> lock(T().m);
      if (T().command == CMD_NONE) return;
    }
    usleep(10000);
  }
}

bool StopAsked() {
  std::lock_guard<std::mutex> lock(T().m);
  if (T().command != CMD_STOP) return false;
  T().command = CMD_NONE;
  return true;
}

void PlayFile() {
  static short pcm[2048];
  int channels = T().channels;
  for (;;) {
    if (StopAsked()) break;
    int got = ff_audio_read(pcm, sizeof pcm);
    if (got <= 0) break;
    int frames = got / 2 / channels;
    if (T().halve) {
      int kept = 0;
      for (int f = 0; f < frames; f += 2, ++kept)
        for (int c = 0; c < channels; ++c) pcm[kept * channels + c] = pcm[f * channels + c];
      frames = kept;
    }
    DelaySleepTime(10);
    if (SoundCard_PutSamples(pcm, frames) != 0) break;
  }
  (void)SoundCard_Flush();
  std::lock_guard<std::mutex> lock(T().m);
  T().playing = false;
}

void Run() {
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(T().m);
      T().cv.wait(lock, [] { return T().command != CMD_NONE; });
      bool play = T().command == CMD_PLAY;
      T().command = CMD_NONE;
      if (!play) continue;
      T().playing = true;
    }
    PlayFile();
  }
}

}  // namespace

int StartAlarmThread() {
  if (T().started) return 0;
  try {
    std::thread(Run).detach();
  } catch (...) {
    return -1;
  }
  T().started = true;
  return 0;
}

void AlarmStop() {
  if (AlarmIsPlaying()) SendCommand(CMD_STOP);
  AlarmRelease();
}

bool AlarmIsPlaying() {
  std::lock_guard<std::mutex> lock(T().m);
  return T().playing;
}

// The decoder is shared with the players: only a file of ours is closed.
void AlarmRelease() {
  if (!T().opened || AlarmIsPlaying()) return;
  ff_audio_close();
  T().opened = false;
}

int SignalPlayFile(const char* path) {
  AlarmStop();
  int rate = 0, channels = 0;
  int r = ff_audio_open_file(path, &rate, &channels, nullptr);
  if (r == -2) {  // a player left its file open
    ff_audio_close();
    r = ff_audio_open_file(path, &rate, &channels, nullptr);
  }
  if (r != 0) {
    ff_audio_close();
    return r;
  }
  T().opened = true;
  T().channels = channels == 1 ? 1 : 2;
  T().halve = rate > 96000;
  if (SoundCard_Init(false, T().channels, T().halve ? rate / 2 : rate, 500000) != 0) {
    AlarmRelease();
    return -1;
  }
  SendCommand(CMD_PLAY);
  return 0;
}

int AlarmStart(const char* path) {
  int r = SignalPlayFile(path);
  if (r != 0) r = SignalPlayFile(c_DefaultAlarmSignal);
  if (r == 0) return 0;
  DiagPrintf("can not play %s, %d", path, r);
  char text[128];
  if (g_pUxLanguage && g_pUxLanguage->GetString(UxPhrase::CantPlay, text, sizeof text) > 0)
    SysTts_Play(text, -1);
  return -1;
}
