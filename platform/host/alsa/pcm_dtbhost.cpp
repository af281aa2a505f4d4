// ALSA PCM plugin "dtbhost": the simulated board's sound device.
// Playback consumes frames at the pace of a real DAC (scaled by "pace";
// 0 = instantly) and discards them; the board configuration puts ALSA's
// "file" plugin in front to keep them in a WAV file. Capture produces frames
// at the same pace from a 16-bit PCM WAV file: the one the simulator names
// for the capture input the codec's mixer selects when the stream opens
// ("boarddir": "mic_in", "line_in", or for the tuner the station of
// "fm_stations" at the frequency in "fm_tuned"), else "infile"; silence
// after its end or without one. Under- and overruns happen as on real
// hardware.
#include <alsa/asoundlib.h>
#include <alsa/pcm_external.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <string>

namespace {

struct WavSource {
  FILE* f = nullptr;
  unsigned rate = 0;
  unsigned channels = 0;
  uint64_t left = 0;  // data bytes from `start` on
  long start = 0;     // file offset of the first sample
};

struct DtbHost {
  snd_pcm_ioplug_t io;
  double pace = 1.0;
  int timer_fd = -1;
  WavSource wav;
  bool running = false;
  struct timespec t0 = {};
  uint64_t base = 0;  // device frames at t0
  uint64_t hw = 0;    // frames the device consumed (playback) or produced (capture)
  uint64_t origin = 0;  // capture: input frames that went by before the last prepare
  snd_pcm_uframes_t boundary = 0;
  snd_pcm_uframes_t avail_min = 1;
};

uint32_t Le32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | (uint32_t)p[3] << 24; }
uint16_t Le16(const unsigned char* p) { return (uint16_t)(p[0] | p[1] << 8); }

// Opens a RIFF/WAVE file of 16-bit PCM and positions it at its samples.
int OpenWav(const char* path, WavSource* w) {
  FILE* f = fopen(path, "rb");
  if (!f) {
    SNDERR("dtbhost: cannot open %s", path);
    return -ENOENT;
  }
  unsigned char h[12];
  if (fread(h, 1, 12, f) != 12 || memcmp(h, "RIFF", 4) || memcmp(h + 8, "WAVE", 4)) {
    fclose(f);
    SNDERR("dtbhost: %s is not a WAV file", path);
    return -EINVAL;
  }
  bool have_fmt = false;
  for (;;) {
    unsigned char c[8];
    if (fread(c, 1, 8, f) != 8) break;
    uint32_t size = Le32(c + 4);
    if (!memcmp(c, "fmt ", 4)) {
      unsigned char fmt[16];
      if (size < 16 || fread(fmt, 1, 16, f) != 16) break;
      unsigned tag = Le16(fmt), bits = Le16(fmt + 14);
      w->channels = Le16(fmt + 2);
      w->rate = Le32(fmt + 4);
      if ((tag != 1 && tag != 0xFFFE) || bits != 16 || w->channels < 1 || w->channels > 8 ||
          w->rate < 1000 || w->rate > 384000) {
        fclose(f);
        SNDERR("dtbhost: %s is not 16-bit PCM", path);
        return -EINVAL;
      }
      have_fmt = true;
      if (fseek(f, (long)(size - 16 + (size & 1)), SEEK_CUR)) break;
    } else if (!memcmp(c, "data", 4)) {
      if (!have_fmt) break;
      // A streamed file may leave the size open; then read to the end.
      w->left = (size == 0 || size == 0xFFFFFFFFu) ? UINT64_MAX : size;
      w->start = ftell(f);
      w->f = f;
      return 0;
    } else if (fseek(f, (long)(size + (size & 1)), SEEK_CUR)) {
      break;
    }
  }
  fclose(f);
  SNDERR("dtbhost: %s has no PCM data", path);
  return -EINVAL;
}

std::string ReadText(const std::string& path) {
  std::ifstream f(path);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

std::string FirstLine(const std::string& path) {
  std::string t = ReadText(path);
  t = t.substr(0, t.find('\n'));
  while (!t.empty() && (t.back() == '\r' || t.back() == ' ')) t.pop_back();
  return t;
}

// First value of a control in the mixer's state text, or -1.
long MixerValue(const std::string& text, const std::string& name) {
  size_t at = text.find("\n" + name + "=");
  if (at == std::string::npos) {
    if (text.compare(0, name.size() + 1, name + "=") != 0) return -1;
    at = 0;
  } else {
    at += 1;
  }
  return strtol(text.c_str() + at + name.size() + 1, nullptr, 10);
}

// The capture input the codec routes to its ADC: 1 built-in microphone,
// 2 external microphone, 3 line input, 4 the tuner (Line2); 0 none.
int CaptureRoute(const std::string& mixer) {
  std::string t = ReadText(mixer);
  if (MixerValue(t, "PGA Capture Switch") != 1) return 0;
  if (MixerValue(t, "Left PGA Mixer Line2L Switch") == 1) return 4;
  bool bias = MixerValue(t, "Mic Bias Level") > 0;
  if (bias && MixerValue(t, "Left PGA Mixer Line1R Switch") == 1) return 1;
  if (MixerValue(t, "Left PGA Mixer Line1L Switch") == 1) return bias ? 2 : 3;
  return 0;
}

// The station's audio at the tuned frequency ("kHz strength file" lines).
std::string TunerAudio(const std::string& boarddir) {
  long tuned = strtol(FirstLine(boarddir + "/fm_tuned").c_str(), nullptr, 10);
  std::istringstream lines(ReadText(boarddir + "/fm_stations"));
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream w(line);
    long khz = 0, strength = 0;
    std::string file;
    if (w >> khz >> strength >> file && tuned > 0 && labs(khz - tuned) < 50) return file;
  }
  return "";
}

std::string CaptureSource(const char* mixer, const char* boarddir, const char* infile) {
  std::string fallback = infile ? infile : "";
  if (!mixer || !boarddir) return fallback;
  std::string dir = boarddir, named;
  switch (CaptureRoute(mixer)) {
    case 1:
    case 2:
      named = FirstLine(dir + "/mic_in");
      break;
    case 3:
      named = FirstLine(dir + "/line_in");
      break;
    case 4:
      return TunerAudio(dir);  // off the station: silence
    default:
      break;
  }
  return named.empty() ? fallback : named;
}

double Elapsed(const struct timespec& t0) {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return (double)(now.tv_sec - t0.tv_sec) + (double)(now.tv_nsec - t0.tv_nsec) / 1e9;
}

// Frames the application has written (playback) or taken (capture).
uint64_t Appl(const DtbHost* h) { return h->io.appl_ptr; }

// Where the device would be now, without changing any state.
uint64_t DeviceNow(const DtbHost* h) {
  if (!h->running) return h->hw;
  bool playback = h->io.stream == SND_PCM_STREAM_PLAYBACK;
  if (h->pace <= 0) return playback ? Appl(h) : Appl(h) + h->io.buffer_size;
  return h->base + (uint64_t)(Elapsed(h->t0) * h->io.rate * h->pace);
}

snd_pcm_sframes_t Position(DtbHost* h) {
  snd_pcm_uframes_t wrap = h->boundary ? h->boundary : h->io.buffer_size;
  return (snd_pcm_sframes_t)(h->hw % wrap);
}

int CbStart(snd_pcm_ioplug_t* io) {
  auto* h = static_cast<DtbHost*>(io->private_data);
  clock_gettime(CLOCK_MONOTONIC, &h->t0);
  h->base = h->hw;
  h->running = true;
  return 0;
}

int CbStop(snd_pcm_ioplug_t* io) {
  auto* h = static_cast<DtbHost*>(io->private_data);
  h->hw = DeviceNow(h);
  if (io->stream == SND_PCM_STREAM_PLAYBACK && h->hw > Appl(h)) h->hw = Appl(h);
  h->running = false;
  return 0;
}

snd_pcm_sframes_t CbPointer(snd_pcm_ioplug_t* io) {
  auto* h = static_cast<DtbHost*>(io->private_data);
  if (!h->running) return Position(h);
  uint64_t now = DeviceNow(h);
  if (io->stream == SND_PCM_STREAM_PLAYBACK) {
    if (now > Appl(h)) {  // the buffer ran dry: underrun
      h->hw = Appl(h);
      h->running = false;
      return -EPIPE;
    }
  } else if (now > Appl(h) + io->buffer_size) {  // nobody read in time: overrun
    h->hw = Appl(h) + io->buffer_size;
    h->running = false;
    return -EPIPE;
  }
  h->hw = now;
  return Position(h);
}

snd_pcm_sframes_t CbTransfer(snd_pcm_ioplug_t* io, const snd_pcm_channel_area_t* areas,
                             snd_pcm_uframes_t offset, snd_pcm_uframes_t size) {
  auto* h = static_cast<DtbHost*>(io->private_data);
  if (io->stream == SND_PCM_STREAM_CAPTURE) {
    // Interleaved S16_LE: one area describes the whole frame.
    size_t frame = 2u * io->channels;
    char* dst = static_cast<char*>(areas[0].addr) + areas[0].first / 8 + offset * areas[0].step / 8;
    // The same stretch may be asked for again before it is taken: the input
    // is read by position, as the ADC's frames are one moment each.
    snd_pcm_uframes_t appl = io->appl_ptr % io->buffer_size;
    uint64_t at = h->origin + io->appl_ptr + (offset + io->buffer_size - appl) % io->buffer_size;
    size_t want = size * frame, got = 0;
    uint64_t pos = at * frame;
    if (h->wav.f && pos < h->wav.left && fseek(h->wav.f, h->wav.start + (long)pos, SEEK_SET) == 0) {
      size_t n = want;
      if (h->wav.left - pos < n) n = (size_t)(h->wav.left - pos);
      got = fread(dst, 1, n, h->wav.f);
    }
    memset(dst + got, 0, want - got);
  }
  return (snd_pcm_sframes_t)size;
}

int CbPrepare(snd_pcm_ioplug_t* io) {
  auto* h = static_cast<DtbHost*>(io->private_data);
  h->origin += h->hw;  // the input went on while the stream stood
  h->running = false;
  h->hw = h->base = 0;
  return 0;
}

int CbSwParams(snd_pcm_ioplug_t* io, snd_pcm_sw_params_t* params) {
  auto* h = static_cast<DtbHost*>(io->private_data);
  snd_pcm_sw_params_get_boundary(params, &h->boundary);
  snd_pcm_sw_params_get_avail_min(params, &h->avail_min);
  if (h->avail_min < 1) h->avail_min = 1;
  return 0;
}

int CbPollRevents(snd_pcm_ioplug_t* io, struct pollfd* pfd, unsigned int nfds, unsigned short* revents) {
  auto* h = static_cast<DtbHost*>(io->private_data);
  uint64_t ticks;
  for (unsigned i = 0; i < nfds; i++)
    if (pfd[i].revents & POLLIN) (void)!read(pfd[i].fd, &ticks, sizeof ticks);
  uint64_t now = DeviceNow(h);
  bool ready;
  if (io->stream == SND_PCM_STREAM_PLAYBACK) {
    uint64_t queued = Appl(h) > now ? Appl(h) - now : 0;
    ready = !h->running || io->buffer_size - queued >= h->avail_min;
    *revents = ready ? POLLOUT : 0;
  } else {
    // A period is ready for the reader whatever the layer above asked.
    snd_pcm_uframes_t want = h->avail_min < io->period_size ? h->avail_min : io->period_size;
    ready = !h->running || now >= Appl(h) + want;
    *revents = ready ? POLLIN : 0;
  }
  return 0;
}

int CbClose(snd_pcm_ioplug_t* io) {
  auto* h = static_cast<DtbHost*>(io->private_data);
  if (h->wav.f) fclose(h->wav.f);
  if (h->timer_fd >= 0) close(h->timer_fd);
  delete h;
  return 0;
}

const snd_pcm_ioplug_callback_t kCallbacks = [] {
  snd_pcm_ioplug_callback_t c{};
  c.start = CbStart;
  c.stop = CbStop;
  c.pointer = CbPointer;
  c.transfer = CbTransfer;
  c.close = CbClose;
  c.prepare = CbPrepare;
  c.sw_params = CbSwParams;
  c.poll_revents = CbPollRevents;
  return c;
}();

int SetConstraints(DtbHost* h) {
  snd_pcm_ioplug_t* io = &h->io;
  // "plug" in front of capture converts through the mmap interface.
  static const unsigned accesses[] = {SND_PCM_ACCESS_RW_INTERLEAVED, SND_PCM_ACCESS_MMAP_INTERLEAVED};
  static const unsigned formats[] = {SND_PCM_FORMAT_S16_LE};
  int err;
  if ((err = snd_pcm_ioplug_set_param_list(io, SND_PCM_IOPLUG_HW_ACCESS, 2, accesses)) < 0 ||
      (err = snd_pcm_ioplug_set_param_list(io, SND_PCM_IOPLUG_HW_FORMAT, 1, formats)) < 0)
    return err;
  unsigned cmin = 1, cmax = 8, rmin = 4000, rmax = 192000;
  if (h->wav.f) {  // the file's own format; "plug" in front converts
    cmin = cmax = h->wav.channels;
    rmin = rmax = h->wav.rate;
  }
  if ((err = snd_pcm_ioplug_set_param_minmax(io, SND_PCM_IOPLUG_HW_CHANNELS, cmin, cmax)) < 0 ||
      (err = snd_pcm_ioplug_set_param_minmax(io, SND_PCM_IOPLUG_HW_RATE, rmin, rmax)) < 0 ||
      (err = snd_pcm_ioplug_set_param_minmax(io, SND_PCM_IOPLUG_HW_PERIOD_BYTES, 64, 1 << 20)) < 0 ||
      (err = snd_pcm_ioplug_set_param_minmax(io, SND_PCM_IOPLUG_HW_PERIODS, 2, 1024)) < 0 ||
      (err = snd_pcm_ioplug_set_param_minmax(io, SND_PCM_IOPLUG_HW_BUFFER_BYTES, 256, 4 << 20)) < 0)
    return err;
  return 0;
}

}  // namespace

extern "C" {

SND_PCM_PLUGIN_DEFINE_FUNC(dtbhost) {
  (void)root;
  double pace = 1.0;
  const char* infile = nullptr;
  const char* mixer = nullptr;
  const char* boarddir = nullptr;
  snd_config_iterator_t i, next;
  snd_config_for_each(i, next, conf) {
    snd_config_t* n = snd_config_iterator_entry(i);
    const char* id;
    if (snd_config_get_id(n, &id) < 0) continue;
    if (!strcmp(id, "comment") || !strcmp(id, "type") || !strcmp(id, "hint")) continue;
    if (!strcmp(id, "pace")) {
      if (snd_config_get_ireal(n, &pace) < 0) {
        const char* s;
        if (snd_config_get_string(n, &s) < 0) return -EINVAL;
        pace = atof(s);
      }
      continue;
    }
    if (!strcmp(id, "infile") || !strcmp(id, "mixer") || !strcmp(id, "boarddir")) {
      const char** field = !strcmp(id, "infile") ? &infile : !strcmp(id, "mixer") ? &mixer : &boarddir;
      if (snd_config_get_string(n, field) < 0) return -EINVAL;
      continue;
    }
    SNDERR("dtbhost: unknown field %s", id);
    return -EINVAL;
  }

  auto* h = new DtbHost();
  h->pace = pace < 0 ? 0 : pace;
  int err;
  if (stream == SND_PCM_STREAM_CAPTURE) {
    std::string source = CaptureSource(mixer, boarddir, infile);
    if (!source.empty() && (err = OpenWav(source.c_str(), &h->wav)) < 0) {
      delete h;
      return err;
    }
  }
  // Blocking callers sleep in poll(); a 5 ms tick wakes them to look again.
  h->timer_fd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
  if (h->timer_fd >= 0) {
    struct itimerspec its = {{0, 5000000}, {0, 5000000}};
    timerfd_settime(h->timer_fd, 0, &its, nullptr);
  }
  h->io.version = SND_PCM_IOPLUG_VERSION;
  h->io.name = "Simulated board sound device";
  h->io.flags = SND_PCM_IOPLUG_FLAG_BOUNDARY_WA;
  h->io.poll_fd = h->timer_fd;
  h->io.poll_events = POLLIN;
  h->io.mmap_rw = 0;
  h->io.callback = &kCallbacks;
  h->io.private_data = h;
  if ((err = snd_pcm_ioplug_create(&h->io, name, stream, mode)) < 0) {
    if (h->wav.f) fclose(h->wav.f);
    if (h->timer_fd >= 0) close(h->timer_fd);
    delete h;
    return err;
  }
  if ((err = SetConstraints(h)) < 0) {
    snd_pcm_ioplug_delete(&h->io);
    return err;
  }
  *pcmp = h->io.pcm;
  return 0;
}
SND_PCM_PLUGIN_SYMBOL(dtbhost);

}  // extern "C"
