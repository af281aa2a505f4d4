#include "core/lib/alsa/alsa.h"

#include <alsa/asoundlib.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <utility>

namespace alsa {

namespace {

struct ConfigFree {
  void operator()(snd_config_t* cfg) const { snd_config_delete(cfg); }
};
using Config = std::unique_ptr<snd_config_t, ConfigFree>;

// Keeps the system's own default PCM reachable as "system_default", for a
// text that puts something of its own in front of it as "default".
void KeepSystemDefault(snd_config_t* cfg) {
  snd_config_t *pcms = nullptr, *def = nullptr, *copy = nullptr;
  if (snd_config_search(cfg, "pcm", &pcms) < 0 || snd_config_search(pcms, "default", &def) < 0) return;
  if (snd_config_copy(&copy, def) < 0) return;
  if (snd_config_set_id(copy, "system_default") < 0 || snd_config_add(pcms, copy) < 0) snd_config_delete(copy);
}

// The system's configuration with `text` merged over it (our definitions
// override; the PC's own cards and rate converters stay available). Null for
// an empty text, or when the text cannot be loaded: then the system's is used.
Config LocalConfig(const std::string& text) {
  if (text.empty()) return nullptr;
  snd_config_t* top = nullptr;
  snd_config_t* cfg = nullptr;
  if (snd_config_update_ref(&top) < 0 || snd_config_copy(&cfg, top) < 0) {
    if (top) snd_config_unref(top);
    if (snd_config_top(&cfg) < 0) return nullptr;
    top = nullptr;
  }
  if (top) snd_config_unref(top);
  Config owned(cfg);
  KeepSystemDefault(cfg);
  snd_input_t* input = nullptr;
  if (snd_input_buffer_open(&input, text.data(), (ssize_t)text.size()) < 0) return nullptr;
  int err = snd_config_load(cfg, input);
  snd_input_close(input);
  if (err < 0) {
    fprintf(stderr, "board ALSA configuration: %s\n", snd_strerror(err));
    return nullptr;
  }
  return owned;
}

}  // namespace

long Result(long alsa_err) {
  if (alsa_err >= 0) return alsa_err;
  switch (alsa_err) {
    case -EAGAIN:
      return kAgain;
    case -EPIPE:
      return kXrun;
    case -ESTRPIPE:
      return kSuspended;
    case -ENOMEM:
      return kNoMemory;
    default:
      return kError;
  }
}

// --- Pcm ---------------------------------------------------------------------

// Keeps ALSA's own code for the message, hands out ours.
long Remember(int* last, long alsa_err) {
  if (alsa_err < 0) *last = (int)alsa_err;
  return Result(alsa_err);
}

long Pcm::Track(long alsa_err) { return Remember(&last_, alsa_err); }

const char* Pcm::LastError() const { return snd_strerror(last_); }

Pcm& Pcm::operator=(Pcm&& other) noexcept {
  if (this != &other) {
    Close();
    pcm_ = std::exchange(other.pcm_, nullptr);
    last_ = other.last_;
  }
  return *this;
}

int Pcm::Open(const char* name, Stream stream, bool nonblock, const std::string& config) {
  Close();
  Config cfg = LocalConfig(config);
  snd_pcm_stream_t dir = stream == Stream::Capture ? SND_PCM_STREAM_CAPTURE : SND_PCM_STREAM_PLAYBACK;
  int mode = nonblock ? SND_PCM_NONBLOCK : 0;
  int err = cfg ? snd_pcm_open_lconf(&pcm_, name, dir, mode, cfg.get()) : snd_pcm_open(&pcm_, name, dir, mode);
  if (err < 0) pcm_ = nullptr;
  return (int)Track(err);
}

int Pcm::SetParams(unsigned channels, unsigned rate, unsigned latency_us) {
  if (!pcm_) return kError;
  return (int)Track(
      snd_pcm_set_params(pcm_, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, channels, rate, 1, latency_us));
}

void Pcm::Close() {
  if (pcm_) snd_pcm_close(pcm_);
  pcm_ = nullptr;
}

long Pcm::Write(const short* samples, long frames) {
  if (!pcm_) return kError;
  return Track(snd_pcm_writei(pcm_, samples, (snd_pcm_uframes_t)frames));
}

long Pcm::Read(short* samples, long frames) {
  if (!pcm_) return kError;
  return Track(snd_pcm_readi(pcm_, samples, (snd_pcm_uframes_t)frames));
}

long Pcm::Avail() {
  if (!pcm_) return kError;
  return Track(snd_pcm_avail_update(pcm_));
}

int Pcm::Prepare() { return pcm_ ? (int)Track(snd_pcm_prepare(pcm_)) : kError; }

int Pcm::Resume() { return pcm_ ? (int)Track(snd_pcm_resume(pcm_)) : kError; }

// --- Mixer -------------------------------------------------------------------

long Mixer::Track(long alsa_err) { return Remember(&last_, alsa_err); }

const char* Mixer::LastError() const { return snd_strerror(last_); }

int Mixer::Open(const char* name, const std::string& config) {
  Close();
  Config cfg = LocalConfig(config);
  int err = cfg ? snd_ctl_open_lconf(&ctl_, name, 0, cfg.get()) : snd_ctl_open(&ctl_, name, 0);
  if (err < 0) ctl_ = nullptr;
  return (int)Track(err);
}

void Mixer::Close() {
  if (ctl_) snd_ctl_close(ctl_);
  ctl_ = nullptr;
}

int Mixer::Write(const char* control, int value, int* applied) {
  if (!ctl_ || !control) return kError;
  snd_ctl_elem_id_t* id;
  snd_ctl_elem_info_t* info;
  snd_ctl_elem_value_t* val;
  snd_ctl_elem_id_alloca(&id);
  snd_ctl_elem_info_alloca(&info);
  snd_ctl_elem_value_alloca(&val);
  snd_ctl_elem_id_set_interface(id, SND_CTL_ELEM_IFACE_MIXER);
  snd_ctl_elem_id_set_name(id, control);
  snd_ctl_elem_info_set_id(info, id);
  int err = snd_ctl_elem_info(ctl_, info);
  if (err < 0) return (int)Track(err);
  snd_ctl_elem_info_get_id(info, id);
  snd_ctl_elem_value_set_id(val, id);
  unsigned count = snd_ctl_elem_info_get_count(info);
  unsigned elems = count == 2 ? 2 : 1;  // stereo controls move both channels together
  long long v = value;
  switch (snd_ctl_elem_info_get_type(info)) {
    case SND_CTL_ELEM_TYPE_BOOLEAN:
      v = value != 0;
      for (unsigned i = 0; i < elems; i++) snd_ctl_elem_value_set_boolean(val, i, (long)v);
      break;
    case SND_CTL_ELEM_TYPE_INTEGER: {
      long lo = snd_ctl_elem_info_get_min(info), hi = snd_ctl_elem_info_get_max(info);
      v = v < lo ? lo : v > hi ? hi : v;
      for (unsigned i = 0; i < elems; i++) snd_ctl_elem_value_set_integer(val, i, (long)v);
      break;
    }
    case SND_CTL_ELEM_TYPE_ENUMERATED: {
      long long items = snd_ctl_elem_info_get_items(info);
      v = v < 0 ? 0 : v > items - 1 ? items - 1 : v;
      for (unsigned i = 0; i < elems; i++) snd_ctl_elem_value_set_enumerated(val, i, (unsigned)v);
      break;
    }
    case SND_CTL_ELEM_TYPE_BYTES:
      v = value < 0 ? 0 : value > 255 ? 255 : value;
      for (unsigned i = 0; i < elems; i++) snd_ctl_elem_value_set_byte(val, i, (unsigned char)v);
      break;
    case SND_CTL_ELEM_TYPE_INTEGER64: {
      long long lo = snd_ctl_elem_info_get_min64(info), hi = snd_ctl_elem_info_get_max64(info);
      v = v < lo ? lo : v > hi ? hi : v;
      for (unsigned i = 0; i < elems; i++) snd_ctl_elem_value_set_integer64(val, i, v);
      break;
    }
    default:
      break;
  }
  if ((err = snd_ctl_elem_write(ctl_, val)) < 0) return (int)Track(err);
  if (applied) *applied = (int)v;
  return 0;
}

}  // namespace alsa
