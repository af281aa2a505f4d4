// Playback and capture streams.
#include "audio/soundcard.h"

#include <unistd.h>

#include <alsa/asoundlib.h>

#include <cerrno>
#include <cstdio>

#include "audio/alsa_board.h"
#include "audio/soundcard_internal.h"
#include "core/base/diag.h"
#include "core/base/activity.h"

snd_pcm_t* g_soundcard_handle = nullptr;
bool g_soundcard_capturing = false;
unsigned g_soundcard_channels = 1;
int g_soundcard_samplerate = 16000;
int g_soundcard_latency = 500000;
int g_soundcard_buf_avail = 0;
snd_pcm_t* g_record_handle = nullptr;

namespace {

const char kCaptureDevice[] = "hw:0,0";
short c_mute_audio[3200];
snd_output_t* g_alsa_output = nullptr;
bool g_first_init = true;

// Consecutive would-block results (5 ms apart) taken as a wedged stream.
const int kWedgedPolls = 400;

unsigned RoundRate(unsigned r) {
  static const unsigned ladder[][2] = {{95950, 96000}, {88150, 88200}, {47950, 48000}, {44050, 44100},
                                       {31950, 32000}, {23950, 24000}, {22000, 22050}, {15950, 16000},
                                       {11950, 12000}, {10975, 11025}};
  for (const auto& step : ladder)
    if (r >= step[0]) return step[1];
  return 8000;
}

// snd_pcm_open on the board's configuration.
int OpenPcm(snd_pcm_t** pcm, const char* name, snd_pcm_stream_t stream, int mode) {
  snd_config_t* cfg = AlsaBoardConfig();
  int err = cfg ? snd_pcm_open_lconf(pcm, name, stream, mode, cfg) : snd_pcm_open(pcm, name, stream, mode);
  if (cfg) snd_config_delete(cfg);
  return err;
}

// Opens with one retry after 100 ms, as the device sometimes is still busy
// right after a close.
int OpenWithRetry(snd_pcm_t** pcm, const char* name, snd_pcm_stream_t stream, int mode) {
  int err = OpenPcm(pcm, name, stream, mode);
  if (err < 0) {
    printf("snd_pcm_open() error: %s\n", snd_strerror(err));
    usleep(100000);
    err = OpenPcm(pcm, name, stream, mode);
    if (err < 0) DiagPrintf("snd_pcm_open() error: %s", snd_strerror(err));
  }
  return err;
}

// Brings a stream back after an xrun or a suspend. 0, or the error when it
// cannot be recovered.
int Recover(snd_pcm_t* pcm, int err) {
  if (err == -EPIPE) {
    if ((err = snd_pcm_prepare(pcm)) < 0) {
      printf("Can't recovery from underrun, prepare failed: %s\n", snd_strerror(err));
      return err;
    }
    return 0;
  }
  if (err == -ESTRPIPE) {
    while ((err = snd_pcm_resume(pcm)) == -EAGAIN) sleep(1);
    if (err < 0 && (err = snd_pcm_prepare(pcm)) < 0) {
      printf("Can't recovery from suspend, prepare failed: %s\n", snd_strerror(err));
      return err;
    }
    return 0;
  }
  printf("Initial write error: %s\n", snd_strerror(err));
  return err;
}

// Reads `frames` frames of `channels` channels in pieces of at most 4410.
int ReadFrames(snd_pcm_t* pcm, short* samples, int frames, unsigned channels) {
  int got = 0, idle = 0;
  while (got < frames) {
    int chunk = frames - got < 4410 ? frames - got : 4410;
    snd_pcm_sframes_t n = snd_pcm_readi(pcm, samples + (size_t)got * channels, chunk);
    if (n > 0) {
      got += (int)n;
      idle = 0;
      continue;
    }
    if (n == 0 || n == -EAGAIN) {  // a blocking read should not come back empty; don't spin on it
      if (++idle >= kWedgedPolls) return -1;
      usleep(5000);
      continue;
    }
    printf("snd_pcm_readi() = %d\n", (int)n);
    if (Recover(pcm, (int)n) < 0) return -1;
  }
  return frames;
}

void ClassDAmplifierFollowStream(bool playback) {
  bool on = g_HwVersion == 0 && IsSpeakerOn() && playback;
  // The amplifier board's codec lacks the control; the write fails harmlessly.
  SoundCard_CSet("Class-D Amplifier On", on ? 1 : 0, nullptr);
}

}  // namespace

int SoundCard_Init(bool capture, unsigned channels, unsigned rate, unsigned latency_us) {
  if (g_first_init) {
    g_first_init = false;
    int err = snd_output_stdio_attach(&g_alsa_output, stdout, 0);
    if (err < 0) {
      printf("Output failed: %s\n", snd_strerror(err));
      return 0;
    }
  }
  if (channels != 1 && channels != 2) return -1;
  rate = RoundRate(rate);
  if (g_soundcard_handle && capture == g_soundcard_capturing && channels == g_soundcard_channels &&
      (int)rate == g_soundcard_samplerate && (int)latency_us == g_soundcard_latency)
    return 0;
  if (g_soundcard_handle) {
    snd_pcm_close(g_soundcard_handle);
    g_soundcard_handle = nullptr;
  }

  snd_pcm_t* pcm = nullptr;
  int err = capture ? OpenWithRetry(&pcm, kCaptureDevice, SND_PCM_STREAM_CAPTURE, 0)
                    : OpenWithRetry(&pcm, device, SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
  if (err < 0) return -1;
  err = snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, channels, rate, 1,
                           latency_us);
  if (err < 0) {
    DiagPrintf("snd_pcm_set_params() error: %s", snd_strerror(err));
    snd_pcm_close(pcm);
    return -1;
  }
  g_soundcard_handle = pcm;
  g_soundcard_capturing = capture;
  g_soundcard_channels = channels;
  g_soundcard_samplerate = (int)rate;
  g_soundcard_latency = (int)latency_us;
  snd_pcm_sframes_t avail = snd_pcm_avail_update(pcm);
  g_soundcard_buf_avail = avail < 100 ? 100 : (int)avail;
  printf("\ng_soundcard_buf_avail = %d\n\n", g_soundcard_buf_avail);
  ClassDAmplifierFollowStream(!capture);
  return 0;
}

int SoundCard_Release() {
  if (g_soundcard_handle) {
    snd_pcm_close(g_soundcard_handle);
    g_soundcard_handle = nullptr;
  }
  return 0;
}

int SoundCard_ResetForPlay() {
  unsigned channels = g_soundcard_channels;
  int rate = g_soundcard_samplerate, latency = g_soundcard_latency;
  g_soundcard_channels = (unsigned)-1;
  g_soundcard_samplerate = -1;
  g_soundcard_latency = -1;
  return SoundCard_Init(false, channels, (unsigned)rate, (unsigned)latency);
}

int SoundCard_PutSamples(short* samples, int frames) {
  DelaySleepTime(10);
  if (frames <= 0) return 0;
  if (!g_soundcard_handle || !samples) return -1;
  int waits = 0;
  while (frames > 0) {
    snd_pcm_sframes_t n = snd_pcm_writei(g_soundcard_handle, samples, (snd_pcm_uframes_t)frames);
    if (n > 0) {
      samples += (size_t)n * g_soundcard_channels;
      frames -= (int)n;
      waits = 0;
    } else if (n == -EAGAIN || n == 0) {
      usleep(5000);
      if (++waits >= kWedgedPolls) {
        DiagPrintf("SoundCard_ResetForPlay");
        SoundCard_ResetForPlay();
        waits = 0;
        if (!g_soundcard_handle) return -1;
      }
    } else if (Recover(g_soundcard_handle, (int)n) < 0) {
      return -1;
    }
  }
  return 0;
}

int SoundCard_Flush() {
  if (!g_soundcard_handle) return -1;
  snd_pcm_sframes_t avail = snd_pcm_avail_update(g_soundcard_handle);
  if (avail < 0) return (int)avail;
  if (avail >= g_soundcard_buf_avail || avail == 0) return 0;
  int left = avail > 96000 ? 96000 : (int)avail;
  int piece = (int)(sizeof c_mute_audio / sizeof c_mute_audio[0] / g_soundcard_channels);
  int fails = 0;
  while (left > 0) {
    snd_pcm_sframes_t n = snd_pcm_writei(g_soundcard_handle, c_mute_audio, left < piece ? left : piece);
    if (n > 0) {
      left -= (int)n;
      fails = 0;
      continue;
    }
    if (n == -EPIPE) {
      // The queue ran dry while padding: the tail has already played.
      snd_pcm_prepare(g_soundcard_handle);
      return 0;
    }
    usleep(10000);
    if (++fails > kWedgedPolls - 1) {
      DiagPrintf("SoundCard_ResetForPlay");
      SoundCard_ResetForPlay();
      fails = 0;
      if (!g_soundcard_handle) return -1;
    }
  }
  return 0;
}

int SoundCard_WaitBufferFinished() {
  if (!g_soundcard_handle) return -1;
  for (int sleeps = 0;; sleeps++) {
    snd_pcm_sframes_t avail = snd_pcm_avail_update(g_soundcard_handle);
    // An underrun means the buffer has run empty: that is what we wait for.
    if (avail == -EPIPE) return 0;
    if (avail < 0) return -2;
    if (avail >= g_soundcard_buf_avail || sleeps >= 30) return 0;
    usleep(30000);
  }
}

int SoundCard_GetHwBufLevel() {
  if (!g_soundcard_handle) return -1;
  snd_pcm_sframes_t avail = snd_pcm_avail_update(g_soundcard_handle);
  if (avail < 0) return (int)avail;
  return g_soundcard_buf_avail - (int)avail;
}

int SoundCard_GetAvail(int* avail, int* buf_size) {
  if (!g_soundcard_handle) return -1;
  snd_pcm_sframes_t a = snd_pcm_avail_update(g_soundcard_handle);
  if (avail) *avail = (int)a;
  if (buf_size) *buf_size = g_soundcard_buf_avail;
  return a < 0 ? (int)a : 0;
}

int SoundCard_ReceiveSamples(short* samples, int frames) {
  DelaySleepTime(10);
  if (!g_soundcard_handle || !g_soundcard_capturing || !samples || frames <= 0) return -1;
  return ReadFrames(g_soundcard_handle, samples, frames, g_soundcard_channels);
}

int SoundCardRecord_Init(unsigned rate, unsigned latency_us) {
  if (g_record_handle) return -2;
  static const unsigned rates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000, 88200, 96000};
  bool known = false;
  for (unsigned r : rates) known |= r == rate;
  if (!known) return -3;
  snd_pcm_t* pcm = nullptr;
  if (OpenWithRetry(&pcm, kCaptureDevice, SND_PCM_STREAM_CAPTURE, 0) < 0) return -1;
  int err = snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, 2, rate, 1, latency_us);
  if (err < 0) {
    DiagPrintf("snd_pcm_set_params() error: %s", snd_strerror(err));
    snd_pcm_close(pcm);
    return -1;
  }
  g_record_handle = pcm;
  return 0;
}

int SoundCardRecord_Read(short* samples, int frames) {
  DelaySleepTime(10);
  if (!g_record_handle || !samples || frames <= 0) return -1;
  return ReadFrames(g_record_handle, samples, frames, 2);
}

int SoundCardRecord_Release() {
  if (g_record_handle) {
    snd_pcm_close(g_record_handle);
    g_record_handle = nullptr;
  }
  return 0;
}
