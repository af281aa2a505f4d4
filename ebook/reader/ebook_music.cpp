#include "ebook/reader/ebook_music.h"

#include <algorithm>
#include <cstdio>
#include <mutex>

#include "core/base/diag.h"
#include "ebook/reader/ebook_io.h"
#include "players/kit/play_backend.h"
#include "ebook/reader/ebook_settings.h"

namespace {

constexpr int kVoiceRate = 16000;
constexpr int kReadBytes = 8192;  // at most this much decoded music per read

// The track, converted on the fly: mono by averaging the channels, 16 kHz by
// linear interpolation between neighbouring frames (16.16 fixed point).
struct Music {
  std::mutex lock;
  bool on = false;
  int volume = 0;
  int rate = kVoiceRate;
  int channels = 1;
  short pcm[kReadBytes / 2];
  int pcmFrames = 0;
  int pcmPos = 0;
  bool primed = false;
  int cur = 0, next = 0;
  unsigned frac = 0, step = 1u << 16;

  void Reset() {
    pcmFrames = pcmPos = 0;
    primed = false;
    frac = 0;
  }

  // The next frame of the track as one mono sample; false at its end.
  bool Frame(int* out) {
    if (pcmPos >= pcmFrames) {
      int ms = 0;
      int bytes = CurEbookIo().MusicDecoder().Read(pcm, (kReadBytes / (2 * channels)) * 2 * channels, &ms);
      int frames = bytes > 0 ? bytes / (2 * channels) : 0;
      if (frames <= 0) return false;
      pcmFrames = frames;
      pcmPos = 0;
    }
    const short* f = pcm + pcmPos * channels;
    *out = channels == 2 ? (f[0] + f[1]) / 2 : f[0];
    ++pcmPos;
    return true;
  }

  // The next music sample at the voice's rate; false at the end.
  bool Sample(int* out) {
    if (!primed) {
      if (!Frame(&cur) || !Frame(&next)) return false;
      primed = true;
    }
    *out = cur + static_cast<int>((static_cast<long long>(next - cur) * frac) >> 16);
    frac += step;
    while (frac >= (1u << 16)) {
      frac -= 1u << 16;
      cur = next;
      if (!Frame(&next)) {
        primed = false;
        return true;  // this sample still counts; the end shows at the next one
      }
    }
    return true;
  }
};

// Never destroyed: the play thread may still mix while the process ends.
Music& g_Music = *new Music;

}  // namespace

void BgMusicTrackPath(int track, char* buf, int size) {
  snprintf(buf, static_cast<size_t>(size), "/home/backgroundmusic/%02d.mp3", track);
}

int BgMusic_Open(int track) {
  std::lock_guard<std::mutex> l(g_Music.lock);
  if (g_Music.on) CurEbookIo().MusicDecoder().Close();
  g_Music.on = false;
  if (track < 1 || track > c_EbookMusicTracks) return -1;
  char path[64];
  BgMusicTrackPath(track, path, sizeof path);
  int rate = 0, channels = 0, totalMs = 0;
  int r = CurEbookIo().MusicDecoder().Open(path, &rate, &channels, &totalMs);
  if (r != 0) {
    DiagPrintf("background music %s: open fail = %d", path, r);
    return r < 0 ? r : -1;
  }
  if (rate <= 0 || (channels != 1 && channels != 2)) {
    CurEbookIo().MusicDecoder().Close();
    return -3;
  }
  g_Music.rate = rate;
  g_Music.channels = channels;
  g_Music.step = static_cast<unsigned>((static_cast<unsigned long long>(rate) << 16) / kVoiceRate);
  if (g_Music.step == 0) g_Music.step = 1;
  g_Music.Reset();
  g_Music.on = true;
  return 0;
}

void BgMusic_Close() {
  std::lock_guard<std::mutex> l(g_Music.lock);
  if (g_Music.on) CurEbookIo().MusicDecoder().Close();
  g_Music.on = false;
  g_Music.Reset();
}

bool BgMusic_IsOn() {
  std::lock_guard<std::mutex> l(g_Music.lock);
  return g_Music.on;
}

void BgMusic_SetVolume(int volume) {
  std::lock_guard<std::mutex> l(g_Music.lock);
  g_Music.volume = std::clamp(volume, 0, c_EbookMaxMusicVolume);
}

int BgMusic_Volume() {
  std::lock_guard<std::mutex> l(g_Music.lock);
  return g_Music.volume;
}

void BgMusic_Mix(short* voice, int count) {
  std::lock_guard<std::mutex> l(g_Music.lock);
  if (!g_Music.on || g_Music.volume <= 0 || !voice) return;
  for (int i = 0; i < count; ++i) {
    int m = 0;
    if (!g_Music.Sample(&m)) {
      CurEbookIo().MusicDecoder().Seek(0, 0);
      g_Music.Reset();
      return;
    }
    voice[i] = MixSample(voice[i], static_cast<short>(m), g_Music.volume);
  }
}
