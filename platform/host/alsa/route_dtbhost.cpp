// ALSA PCM filter "dtbroute": what leaves the simulated codec's outputs.
// The firmware only writes samples to the DAC; whether anyone hears them
// depends on the routes and volumes it set in the mixer. This filter reads
// the mixer's state file ("mixer", kept by the "dtbhost" control plugin)
// and the jack and amplifier state files of the board, and passes on the
// samples as loud as the loudest output that is heard: the speaker when its
// route (and its amplifier) is on, the headphones when they are plugged in
// and their route is on. Nothing heard: silence.
#include <alsa/asoundlib.h>
#include <alsa/pcm_external.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

struct Route {
  snd_pcm_extplug_t ext;
  std::string mixer, jack, amp;  // amp: "" on the class-D board
  bool classd = true;
  std::string seen[3];  // what stat() said of each file
  double gain = 0;
  bool primed = false;
};

std::string ReadFile(const std::string& path) {
  std::string s;
  FILE* f = path.empty() ? nullptr : fopen(path.c_str(), "r");
  if (!f) return s;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
  fclose(f);
  return s;
}

std::map<std::string, std::vector<long>> ParseMixer(const std::string& text) {
  std::map<std::string, std::vector<long>> m;
  size_t at = 0;
  while (at < text.size()) {
    size_t nl = text.find('\n', at);
    if (nl == std::string::npos) nl = text.size();
    std::string line = text.substr(at, nl - at);
    at = nl + 1;
    size_t eq = line.rfind('=');
    if (eq == std::string::npos) continue;
    std::vector<long>& v = m[line.substr(0, eq)];
    const char* p = line.c_str() + eq + 1;
    while (*p) {
      char* end;
      v.push_back(strtol(p, &end, 10));
      if (end == p) break;
      p = *end == ',' ? end + 1 : end;
    }
  }
  return m;
}

// The codec's output stages: 0.5 dB steps below full scale at `top`.
double StageGain(long value, long top) { return pow(10.0, (double)(value - top) * 0.5 / 20.0); }

double ComputeGain(const Route* r) {
  auto m = ParseMixer(ReadFile(r->mixer));
  auto on = [&](const char* name) {
    auto it = m.find(name);
    if (it == m.end()) return false;
    for (long v : it->second)
      if (v) return true;
    return false;
  };
  auto value = [&](const char* name) {
    auto it = m.find(name);
    return it == m.end() || it->second.empty() ? 0L : it->second[0];
  };
  bool speaker = on("Line Playback Switch");
  if (r->classd)
    speaker = speaker && on("Class-D Amplifier On") &&
              (on("Left Line Mixer DACL1 Switch") || on("Left Line Mixer DACR1 Switch"));
  else
    speaker = speaker && ReadFile(r->amp).compare(0, 2, "on") == 0 &&
              (on("Left Line Mixer DACL1 Switch") || on("Right Line Mixer DACR1 Switch"));
  bool plugged = ReadFile(r->jack).compare(0, 1, "1") == 0;
  bool headphones = plugged && on("HP Playback Switch") &&
                    (on("Left HP Mixer DACL1 Switch") || on("Right HP Mixer DACR1 Switch"));
  double out = 0;
  if (speaker) out = StageGain(value("Line DAC Playback Volume"), 118);
  if (headphones) out = std::max(out, StageGain(value("HP DAC Playback Volume"), 118));
  return out * StageGain(value("PCM Playback Volume"), 127);
}

// Looks at the state files again when one of them changed.
void Refresh(Route* r) {
  const std::string* files[3] = {&r->mixer, &r->jack, &r->amp};
  bool changed = false;
  for (int i = 0; i < 3; i++) {
    struct stat st = {};
    if (files[i]->empty() || stat(files[i]->c_str(), &st) != 0) st = {};
    char key[96];
    snprintf(key, sizeof key, "%ld.%ld/%lu/%ld", (long)st.st_mtim.tv_sec, st.st_mtim.tv_nsec,
             (unsigned long)st.st_ino, (long)st.st_size);
    if (r->seen[i] != key) changed = true;
    r->seen[i] = key;
  }
  if (changed || !r->primed) r->gain = ComputeGain(r);
  r->primed = true;
}

snd_pcm_sframes_t CbTransfer(snd_pcm_extplug_t* ext, const snd_pcm_channel_area_t* dst, snd_pcm_uframes_t doff,
                             const snd_pcm_channel_area_t* src, snd_pcm_uframes_t soff, snd_pcm_uframes_t size) {
  auto* r = static_cast<Route*>(ext->private_data);
  Refresh(r);
  for (unsigned c = 0; c < ext->channels; c++) {
    const char* in = static_cast<const char*>(src[c].addr) + (src[c].first + soff * src[c].step) / 8;
    char* out = static_cast<char*>(dst[c].addr) + (dst[c].first + doff * dst[c].step) / 8;
    for (snd_pcm_uframes_t f = 0; f < size; f++) {
      int16_t v;
      memcpy(&v, in + f * src[c].step / 8, 2);
      v = (int16_t)lrint(v * r->gain);
      memcpy(out + f * dst[c].step / 8, &v, 2);
    }
  }
  return (snd_pcm_sframes_t)size;
}

int CbClose(snd_pcm_extplug_t* ext) {
  delete static_cast<Route*>(ext->private_data);
  return 0;
}

const snd_pcm_extplug_callback_t kCallbacks = [] {
  snd_pcm_extplug_callback_t c{};
  c.transfer = CbTransfer;
  c.close = CbClose;
  return c;
}();

int StringField(snd_config_t* n, std::string* out) {
  const char* s;
  if (snd_config_get_string(n, &s) < 0) return -EINVAL;
  *out = s;
  return 0;
}

}  // namespace

extern "C" {

SND_PCM_PLUGIN_DEFINE_FUNC(dtbroute) {
  snd_config_t* slave = nullptr;
  auto* r = new Route();
  int err = 0;
  snd_config_iterator_t i, next;
  snd_config_for_each(i, next, conf) {
    snd_config_t* n = snd_config_iterator_entry(i);
    const char* id;
    if (snd_config_get_id(n, &id) < 0) continue;
    if (!strcmp(id, "comment") || !strcmp(id, "type") || !strcmp(id, "hint")) continue;
    if (!strcmp(id, "slave")) slave = n;
    else if (!strcmp(id, "mixer")) err = StringField(n, &r->mixer);
    else if (!strcmp(id, "jack")) err = StringField(n, &r->jack);
    else if (!strcmp(id, "amp")) err = StringField(n, &r->amp);
    else if (!strcmp(id, "classd")) err = (r->classd = snd_config_get_bool(n) > 0, 0);
    else err = -EINVAL;
    if (err < 0) {
      SNDERR("dtbroute: bad field %s", id);
      delete r;
      return err;
    }
  }
  if (!slave || r->mixer.empty()) {
    SNDERR("dtbroute: needs slave and mixer");
    delete r;
    return -EINVAL;
  }
  r->ext.version = SND_PCM_EXTPLUG_VERSION;
  r->ext.name = "Simulated codec outputs";
  r->ext.callback = &kCallbacks;
  r->ext.private_data = r;
  if ((err = snd_pcm_extplug_create(&r->ext, name, root, slave, stream, mode)) < 0) {
    delete r;
    return err;
  }
  snd_pcm_extplug_set_param(&r->ext, SND_PCM_EXTPLUG_HW_FORMAT, SND_PCM_FORMAT_S16_LE);
  snd_pcm_extplug_set_slave_param(&r->ext, SND_PCM_EXTPLUG_HW_FORMAT, SND_PCM_FORMAT_S16_LE);
  *pcmp = r->ext.pcm;
  return 0;
}
SND_PCM_PLUGIN_SYMBOL(dtbroute);

}  // extern "C"
