// Playback and capture streams.
#include "audio/soundcard.h"

#include <unistd.h>

#include <cstdio>

#include "audio/alsa_board.h"
#include "audio/soundcard_internal.h"
#include "core/base/diag.h"
#include "core/base/activity.h"
#include "platform/board_profile.h"

bool g_soundcard_capturing = false;
unsigned g_soundcard_channels = 1;
int g_soundcard_samplerate = 16000;
int g_soundcard_latency = 500000;
int g_soundcard_buf_avail = 0;

alsa::Pcm& SoundCardPcm() {
  static alsa::Pcm* pcm = new alsa::Pcm();
  return *pcm;
}

alsa::Pcm& RecordPcm() {
  static alsa::Pcm* pcm = new alsa::Pcm();
  return *pcm;
}

namespace {

const char kCaptureDevice[] = "hw:0,0";
short c_mute_audio[3200];

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

// Opens on the board's configuration, with one retry after 100 ms, as the
// device sometimes is still busy right after a close.
int OpenWithRetry(alsa::Pcm& pcm, const char* name, alsa::Stream stream, bool nonblock) {
  std::string config = AlsaBoardConfigText();
  int err = pcm.Open(name, stream, nonblock, config);
  if (err < 0) {
    printf("snd_pcm_open() error: %s\n", pcm.LastError());
    usleep(100000);
    err = pcm.Open(name, stream, nonblock, config);
    if (err < 0) DiagPrintf("snd_pcm_open() error: %s", pcm.LastError());
  }
  return err;
}

// Opens and sets the parameters; on failure nothing stays open. 0 or -1.
int OpenStream(alsa::Pcm& pcm, const char* name, alsa::Stream stream, bool nonblock, unsigned channels,
               unsigned rate, unsigned latency_us) {
  if (OpenWithRetry(pcm, name, stream, nonblock) < 0) return -1;
  if (pcm.SetParams(channels, rate, latency_us) < 0) {
    DiagPrintf("snd_pcm_set_params() error: %s", pcm.LastError());
    pcm.Close();
    return -1;
  }
  return 0;
}

// Brings a stream back after an xrun or a suspend. 0, or the result when it
// cannot be recovered.
int Recover(alsa::Pcm& pcm, long err) {
  if (err == alsa::kXrun) {
    if (pcm.Prepare() < 0) {
      printf("Can't recovery from underrun, prepare failed: %s\n", pcm.LastError());
      return alsa::kError;
    }
    return 0;
  }
  if (err == alsa::kSuspended) {
    int r;
    while ((r = pcm.Resume()) == alsa::kAgain) sleep(1);
    if (r < 0 && pcm.Prepare() < 0) {
      printf("Can't recovery from suspend, prepare failed: %s\n", pcm.LastError());
      return alsa::kError;
    }
    return 0;
  }
  printf("Initial write error: %s\n", pcm.LastError());
  return (int)err;
}

// Reads `frames` frames of `channels` channels in pieces of at most 4410.
int ReadFrames(alsa::Pcm& pcm, short* samples, int frames, unsigned channels) {
  int got = 0, idle = 0;
  while (got < frames) {
    int chunk = frames - got < 4410 ? frames - got : 4410;
    long n = pcm.Read(samples + (size_t)got * channels, chunk);
    if (n > 0) {
      got += (int)n;
      idle = 0;
      continue;
    }
    if (n == 0 || n == alsa::kAgain) {  // a blocking read should not come back empty; don't spin on it
      if (++idle >= kWedgedPolls) return -1;
      usleep(5000);
      continue;
    }
    printf("snd_pcm_readi() = %s\n", pcm.LastError());
    if (Recover(pcm, n) < 0) return -1;
  }
  return frames;
}

void ClassDAmplifierFollowStream(bool playback) {
  bool on = !board::Profile().amplifier_node && IsSpeakerOn() && playback;
  // The amplifier board's codec lacks the control; the write fails harmlessly.
  SoundCard_CSet("Class-D Amplifier On", on ? 1 : 0, nullptr);
}

}  // namespace

int SoundCard_Init(bool capture, unsigned channels, unsigned rate, unsigned latency_us) {
  if (channels != 1 && channels != 2) return -1;
  rate = RoundRate(rate);
  alsa::Pcm& pcm = SoundCardPcm();
  if (pcm && capture == g_soundcard_capturing && channels == g_soundcard_channels &&
      (int)rate == g_soundcard_samplerate && (int)latency_us == g_soundcard_latency)
    return 0;
  pcm.Close();
  int err = capture ? OpenStream(pcm, kCaptureDevice, alsa::Stream::Capture, false, channels, rate, latency_us)
                    : OpenStream(pcm, device, alsa::Stream::Playback, true, channels, rate, latency_us);
  if (err < 0) return -1;
  g_soundcard_capturing = capture;
  g_soundcard_channels = channels;
  g_soundcard_samplerate = (int)rate;
  g_soundcard_latency = (int)latency_us;
  long avail = pcm.Avail();
  g_soundcard_buf_avail = avail < 100 ? 100 : (int)avail;
  printf("\ng_soundcard_buf_avail = %d\n\n", g_soundcard_buf_avail);
  ClassDAmplifierFollowStream(!capture);
  return 0;
}

int SoundCard_Release() {
  SoundCardPcm().Close();
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
  alsa::Pcm& pcm = SoundCardPcm();
  if (!pcm || !samples) return -1;
  int waits = 0;
  while (frames > 0) {
    long n = pcm.Write(samples, frames);
    if (n > 0) {
      samples += (size_t)n * g_soundcard_channels;
      frames -= (int)n;
      waits = 0;
    } else if (n == alsa::kAgain || n == 0) {
      usleep(5000);
      if (++waits >= kWedgedPolls) {
        DiagPrintf("SoundCard_ResetForPlay");
        SoundCard_ResetForPlay();
        waits = 0;
        if (!pcm) return -1;
      }
    } else if (Recover(pcm, n) < 0) {
      return -1;
    }
  }
  return 0;
}

int SoundCard_Flush() {
  alsa::Pcm& pcm = SoundCardPcm();
  if (!pcm) return -1;
  long avail = pcm.Avail();
  if (avail < 0) return (int)avail;
  if (avail >= g_soundcard_buf_avail || avail == 0) return 0;
  int left = avail > 96000 ? 96000 : (int)avail;
  int piece = (int)(sizeof c_mute_audio / sizeof c_mute_audio[0] / g_soundcard_channels);
  int fails = 0;
  while (left > 0) {
    long n = pcm.Write(c_mute_audio, left < piece ? left : piece);
    if (n > 0) {
      left -= (int)n;
      fails = 0;
      continue;
    }
    if (n == alsa::kXrun) {
      // The queue ran dry while padding: the tail has already played.
      return pcm.Prepare() < 0 ? -1 : 0;
    }
    usleep(10000);
    if (++fails > kWedgedPolls - 1) {
      DiagPrintf("SoundCard_ResetForPlay");
      SoundCard_ResetForPlay();
      fails = 0;
      if (!pcm) return -1;
    }
  }
  return 0;
}

int SoundCard_WaitBufferFinished() {
  alsa::Pcm& pcm = SoundCardPcm();
  if (!pcm) return -1;
  for (int sleeps = 0;; sleeps++) {
    long avail = pcm.Avail();
    // An underrun means the buffer has run empty: that is what we wait for.
    if (avail == alsa::kXrun) return 0;
    if (avail < 0) return -2;
    if (avail >= g_soundcard_buf_avail || sleeps >= 30) return 0;
    usleep(30000);
  }
}

int SoundCard_GetHwBufLevel() {
  alsa::Pcm& pcm = SoundCardPcm();
  if (!pcm) return -1;
  long avail = pcm.Avail();
  if (avail < 0) return (int)avail;
  return g_soundcard_buf_avail - (int)avail;
}

int SoundCard_GetAvail(int* avail, int* buf_size) {
  alsa::Pcm& pcm = SoundCardPcm();
  if (!pcm) return -1;
  long a = pcm.Avail();
  if (avail) *avail = (int)a;
  if (buf_size) *buf_size = g_soundcard_buf_avail;
  return a < 0 ? (int)a : 0;
}

int SoundCard_ReceiveSamples(short* samples, int frames) {
  DelaySleepTime(10);
  alsa::Pcm& pcm = SoundCardPcm();
  if (!pcm || !g_soundcard_capturing || !samples || frames <= 0) return -1;
  return ReadFrames(pcm, samples, frames, g_soundcard_channels);
}

int SoundCardRecord_Init(unsigned rate, unsigned latency_us) {
  alsa::Pcm& pcm = RecordPcm();
  if (pcm) return -2;
  static const unsigned rates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000, 88200, 96000};
  bool known = false;
  for (unsigned r : rates) known |= r == rate;
  if (!known) return -3;
  return OpenStream(pcm, kCaptureDevice, alsa::Stream::Capture, false, 2, rate, latency_us);
}

int SoundCardRecord_Read(short* samples, int frames) {
  DelaySleepTime(10);
  alsa::Pcm& pcm = RecordPcm();
  if (!pcm || !samples || frames <= 0) return -1;
  return ReadFrames(pcm, samples, frames, 2);
}

int SoundCardRecord_Release() {
  RecordPcm().Close();
  return 0;
}
