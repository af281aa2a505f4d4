// ALSA control plugin "dtbhost": the simulated board's codec mixer. It offers
// the codec's controls that the firmware uses, with their names, types,
// ranges and channel counts, and keeps their values in a small text file
// ("state", one "name=value[,value]" line per control) so that they survive
// between opens and tests can read the routes back. "classd" selects the
// board revision whose codec drives the speaker through its class-D amplifier.
#include <alsa/asoundlib.h>
#include <alsa/control_external.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char* const kInputMux[] = {"single-ended", "differential"};
const char* const kHpf[] = {"Disabled", "0.0045xFs", "0.0125xFs", "0.025xFs"};
const char* const kHpcom[] = {"differential of HPLOUT", "constant VCM", "single-ended"};
const char* const kLeftDac[] = {"DAC_L1", "DAC_L3", "DAC_L2"};
const char* const kRightDac[] = {"DAC_R1", "DAC_R3", "DAC_R2"};
const char* const kMicBias[] = {"off", "2V", "2.5V", "AVDD"};

struct Control {
  const char* name;
  snd_ctl_elem_type_t type;
  unsigned count;  // 2 for stereo controls
  long min, max;   // integers; items for enumerations
  const char* const* items;
  bool classd_only;
};

#define BOOL1(n) {n, SND_CTL_ELEM_TYPE_BOOLEAN, 1, 0, 1, nullptr, false}
#define BOOL2(n) {n, SND_CTL_ELEM_TYPE_BOOLEAN, 2, 0, 1, nullptr, false}
#define INT1(n, hi) {n, SND_CTL_ELEM_TYPE_INTEGER, 1, 0, hi, nullptr, false}
#define INT2(n, hi) {n, SND_CTL_ELEM_TYPE_INTEGER, 2, 0, hi, nullptr, false}
#define ENUM(n, c, t) {n, SND_CTL_ELEM_TYPE_ENUMERATED, c, 0, (long)(sizeof t / sizeof t[0]), t, false}

const Control kControls[] = {
    INT2("PCM Playback Volume", 127),
    INT2("PGA Capture Volume", 119),
    BOOL2("PGA Capture Switch"),
    BOOL2("AGC Switch"),
    ENUM("ADC HPF Cut-off", 2, kHpf),
    ENUM("Mic Bias Level", 1, kMicBias),
    ENUM("Left DAC Mux", 1, kLeftDac),
    ENUM("Right DAC Mux", 1, kRightDac),
    ENUM("Left HPCOM Mux", 1, kHpcom),
    ENUM("Left Line1L Mux", 1, kInputMux),
    ENUM("Left Line1R Mux", 1, kInputMux),
    ENUM("Left Line2L Mux", 1, kInputMux),
    ENUM("Right Line1L Mux", 1, kInputMux),
    ENUM("Right Line1R Mux", 1, kInputMux),
    ENUM("Right Line2R Mux", 1, kInputMux),
    INT2("Line DAC Playback Volume", 118),
    INT2("Line Line2 Bypass Volume", 118),
    INT2("Line PGA Bypass Volume", 118),
    INT2("HP DAC Playback Volume", 118),
    INT2("HP Line2 Bypass Volume", 118),
    INT2("HP PGA Bypass Volume", 118),
    BOOL2("Line Playback Switch"),
    BOOL2("HP Playback Switch"),
    BOOL1("Left Line Mixer DACL1 Switch"),
    BOOL1("Left Line Mixer DACR1 Switch"),
    BOOL1("Left Line Mixer Line2L Bypass Switch"),
    BOOL1("Left Line Mixer Line2R Bypass Switch"),
    BOOL1("Left Line Mixer PGAL Bypass Switch"),
    BOOL1("Left Line Mixer PGAR Bypass Switch"),
    BOOL1("Right Line Mixer DACL1 Switch"),
    BOOL1("Right Line Mixer DACR1 Switch"),
    BOOL1("Right Line Mixer Line2L Bypass Switch"),
    BOOL1("Right Line Mixer Line2R Bypass Switch"),
    BOOL1("Right Line Mixer PGAL Bypass Switch"),
    BOOL1("Right Line Mixer PGAR Bypass Switch"),
    BOOL1("Left HP Mixer DACL1 Switch"),
    BOOL1("Left HP Mixer DACR1 Switch"),
    BOOL1("Left HP Mixer Line2L Bypass Switch"),
    BOOL1("Left HP Mixer Line2R Bypass Switch"),
    BOOL1("Left HP Mixer PGAL Bypass Switch"),
    BOOL1("Left HP Mixer PGAR Bypass Switch"),
    BOOL1("Right HP Mixer DACL1 Switch"),
    BOOL1("Right HP Mixer DACR1 Switch"),
    BOOL1("Right HP Mixer Line2L Bypass Switch"),
    BOOL1("Right HP Mixer Line2R Bypass Switch"),
    BOOL1("Right HP Mixer PGAL Bypass Switch"),
    BOOL1("Right HP Mixer PGAR Bypass Switch"),
    BOOL1("Left PGA Mixer Line1L Switch"),
    BOOL1("Left PGA Mixer Line1R Switch"),
    BOOL1("Left PGA Mixer Line2L Switch"),
    BOOL1("Left PGA Mixer Mic3L Switch"),
    BOOL1("Left PGA Mixer Mic3R Switch"),
    BOOL1("Right PGA Mixer Line1L Switch"),
    BOOL1("Right PGA Mixer Line1R Switch"),
    BOOL1("Right PGA Mixer Line2R Switch"),
    BOOL1("Right PGA Mixer Mic3L Switch"),
    BOOL1("Right PGA Mixer Mic3R Switch"),
    INT1("Left Line Mixer DACR1 Playback Volume", 118),
    INT1("Left Line Mixer Line2R Bypass Volume", 118),
    INT1("Left Line Mixer PGAR Bypass Volume", 118),
    INT1("Right Line Mixer DACL1 Playback Volume", 118),
    INT1("Right Line Mixer Line2L Bypass Volume", 118),
    INT1("Right Line Mixer PGAL Bypass Volume", 118),
    INT1("Left HP Mixer Line2R Bypass Volume", 118),
    INT1("Left HP Mixer DACR1 Playback Volume", 118),
    INT1("Left HP Mixer PGAR Bypass Volume", 118),
    INT1("Right HP Mixer DACL1 Playback Volume", 118),
    INT1("Right HP Mixer Line2L Bypass Volume", 118),
    INT1("Right HP Mixer PGAL Bypass Volume", 118),
    {"Class-D Amplifier On", SND_CTL_ELEM_TYPE_BOOLEAN, 1, 0, 1, nullptr, true},
    {"Class-D Amplifier Gain", SND_CTL_ELEM_TYPE_INTEGER, 1, 0, 3, nullptr, true},
};

struct Mixer {
  snd_ctl_ext_t ext;
  std::string state;
  std::vector<const Control*> controls;
  std::vector<std::vector<long>> values;
};

void MakeParents(const std::string& path) {
  for (size_t p = path.find('/', 1); p != std::string::npos; p = path.find('/', p + 1))
    mkdir(path.substr(0, p).c_str(), 0755);
}

void Load(Mixer* m) {
  FILE* f = fopen(m->state.c_str(), "r");
  if (!f) return;
  char line[256];
  while (fgets(line, sizeof line, f)) {
    char* eq = strrchr(line, '=');
    if (!eq) continue;
    *eq = 0;
    for (size_t i = 0; i < m->controls.size(); i++) {
      if (strcmp(m->controls[i]->name, line)) continue;
      char* p = eq + 1;
      for (long& v : m->values[i]) {
        v = strtol(p, &p, 10);
        if (*p == ',') p++;
      }
    }
  }
  fclose(f);
}

// Rewrites the whole state file (temp file, then rename), so a reader never
// sees half of it.
int Store(Mixer* m) {
  std::string tmp = m->state + ".tmp";
  FILE* f = fopen(tmp.c_str(), "w");
  if (!f) {
    MakeParents(m->state);
    f = fopen(tmp.c_str(), "w");
  }
  if (!f) return -errno;
  for (size_t i = 0; i < m->controls.size(); i++) {
    fprintf(f, "%s=", m->controls[i]->name);
    for (size_t k = 0; k < m->values[i].size(); k++) fprintf(f, k ? ",%ld" : "%ld", m->values[i][k]);
    fputc('\n', f);
  }
  if (fclose(f) != 0 || rename(tmp.c_str(), m->state.c_str()) != 0) return -EIO;
  return 0;
}

Mixer* Of(snd_ctl_ext_t* ext) { return static_cast<Mixer*>(ext->private_data); }

int CbCount(snd_ctl_ext_t* ext) { return (int)Of(ext)->controls.size(); }

int CbList(snd_ctl_ext_t* ext, unsigned int offset, snd_ctl_elem_id_t* id) {
  Mixer* m = Of(ext);
  if (offset >= m->controls.size()) return -EINVAL;
  snd_ctl_elem_id_set_interface(id, SND_CTL_ELEM_IFACE_MIXER);
  snd_ctl_elem_id_set_name(id, m->controls[offset]->name);
  return 0;
}

snd_ctl_ext_key_t CbFind(snd_ctl_ext_t* ext, const snd_ctl_elem_id_t* id) {
  Mixer* m = Of(ext);
  unsigned numid = snd_ctl_elem_id_get_numid(id);
  if (numid > 0 && numid <= m->controls.size()) return numid - 1;
  const char* name = snd_ctl_elem_id_get_name(id);
  for (size_t i = 0; i < m->controls.size(); i++)
    if (!strcmp(m->controls[i]->name, name)) return i;
  return SND_CTL_EXT_KEY_NOT_FOUND;
}

int CbAttribute(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, int* type, unsigned int* acc, unsigned int* count) {
  const Control* c = Of(ext)->controls[key];
  *type = c->type;
  *acc = SND_CTL_EXT_ACCESS_READWRITE;
  *count = c->count;
  return 0;
}

int CbIntegerInfo(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, long* imin, long* imax, long* istep) {
  const Control* c = Of(ext)->controls[key];
  *imin = c->min;
  *imax = c->max;
  *istep = 1;
  return 0;
}

int CbEnumInfo(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, unsigned int* items) {
  *items = (unsigned)Of(ext)->controls[key]->max;
  return 0;
}

int CbEnumName(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, unsigned int item, char* name, size_t max) {
  const Control* c = Of(ext)->controls[key];
  if (!c->items || item >= (unsigned)c->max) return -EINVAL;
  snprintf(name, max, "%s", c->items[item]);
  return 0;
}

int CbReadInt(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, long* value) {
  const std::vector<long>& v = Of(ext)->values[key];
  for (size_t k = 0; k < v.size(); k++) value[k] = v[k];
  return 0;
}

int CbReadEnum(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, unsigned int* items) {
  const std::vector<long>& v = Of(ext)->values[key];
  for (size_t k = 0; k < v.size(); k++) items[k] = (unsigned)v[k];
  return 0;
}

// Like the kernel: out-of-range values are refused, 1 means "changed".
template <typename T>
int WriteValues(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, const T* in) {
  Mixer* m = Of(ext);
  const Control* c = m->controls[key];
  long hi = c->type == SND_CTL_ELEM_TYPE_ENUMERATED ? c->max - 1 : c->max;
  std::vector<long>& v = m->values[key];
  bool changed = false;
  for (size_t k = 0; k < v.size(); k++) {
    long x = (long)in[k];
    if (x < c->min || x > hi) return -EINVAL;
    changed |= v[k] != x;
    v[k] = x;
  }
  int err = Store(m);
  return err < 0 ? err : changed;
}

int CbWriteInt(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, long* value) { return WriteValues(ext, key, value); }
int CbWriteEnum(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, unsigned int* items) {
  return WriteValues(ext, key, items);
}

void CbSubscribe(snd_ctl_ext_t*, int) {}
int CbReadEvent(snd_ctl_ext_t*, snd_ctl_elem_id_t*, unsigned int*) { return -EAGAIN; }

void CbClose(snd_ctl_ext_t* ext) { delete Of(ext); }

const snd_ctl_ext_callback_t kCallbacks = [] {
  snd_ctl_ext_callback_t c{};
  c.close = CbClose;
  c.elem_count = CbCount;
  c.elem_list = CbList;
  c.find_elem = CbFind;
  c.get_attribute = CbAttribute;
  c.get_integer_info = CbIntegerInfo;
  c.get_enumerated_info = CbEnumInfo;
  c.get_enumerated_name = CbEnumName;
  c.read_integer = CbReadInt;
  c.read_enumerated = CbReadEnum;
  c.write_integer = CbWriteInt;
  c.write_enumerated = CbWriteEnum;
  c.subscribe_events = CbSubscribe;
  c.read_event = CbReadEvent;
  return c;
}();

}  // namespace

extern "C" {

SND_CTL_PLUGIN_DEFINE_FUNC(dtbhost) {
  (void)root;
  const char* state = nullptr;
  int classd = 1;
  snd_config_iterator_t i, next;
  snd_config_for_each(i, next, conf) {
    snd_config_t* n = snd_config_iterator_entry(i);
    const char* id;
    if (snd_config_get_id(n, &id) < 0) continue;
    if (!strcmp(id, "comment") || !strcmp(id, "type") || !strcmp(id, "hint")) continue;
    if (!strcmp(id, "state")) {
      if (snd_config_get_string(n, &state) < 0) return -EINVAL;
      continue;
    }
    if (!strcmp(id, "classd")) {
      if ((classd = snd_config_get_bool(n)) < 0) return -EINVAL;
      continue;
    }
    SNDERR("dtbhost: unknown field %s", id);
    return -EINVAL;
  }
  if (!state || !*state) {
    SNDERR("dtbhost: no state file");
    return -EINVAL;
  }

  auto* m = new Mixer();
  m->state = state;
  for (const Control& c : kControls) {
    if (c.classd_only && !classd) continue;
    m->controls.push_back(&c);
    m->values.emplace_back(c.count, 0L);
  }
  Load(m);
  m->ext.version = SND_CTL_EXT_VERSION;
  m->ext.card_idx = 0;
  snprintf(m->ext.id, sizeof m->ext.id, "dtbhost");
  snprintf(m->ext.driver, sizeof m->ext.driver, "dtbhost");
  snprintf(m->ext.name, sizeof m->ext.name, "Simulated codec");
  snprintf(m->ext.longname, sizeof m->ext.longname, "Simulated board codec mixer");
  snprintf(m->ext.mixername, sizeof m->ext.mixername, "Simulated codec");
  m->ext.poll_fd = -1;
  m->ext.callback = &kCallbacks;
  m->ext.private_data = m;
  int err = snd_ctl_ext_create(&m->ext, name, mode);
  if (err < 0) {
    delete m;
    return err;
  }
  *handlep = m->ext.handle;
  return 0;
}
SND_CTL_PLUGIN_SYMBOL(dtbhost);

}  // extern "C"
