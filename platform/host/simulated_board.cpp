#include "platform/host/simulated_board.h"

#include <netinet/in.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifndef DTB_ALSA_PLUGIN_PATH
#define DTB_ALSA_PLUGIN_PATH ""
#endif

namespace board {
namespace {

std::string Env(const char* name) {
  const char* v = getenv(name);
  return v ? v : "";
}

bool Exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

// A string literal of the ALSA configuration language.
std::string Quote(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

bool PcHasSoundCard() {
  std::string stand_in = Env("DTB_PC_SOUND_CARD");
  if (!stand_in.empty()) return stand_in == "1";
  FILE* f = fopen("/proc/asound/cards", "r");
  if (!f) return false;
  char line[256];
  bool card = false;
  while (fgets(line, sizeof line, f))
    if (!strstr(line, "no soundcards") && strchr(line, '[')) card = true;
  fclose(f);
  return card;
}

}  // namespace

std::string SimulatedBoard::AlsaConfigText() {
  std::string lib = Env("DTB_ALSA_PLUGIN");
  if (lib.empty()) lib = DTB_ALSA_PLUGIN_PATH;
  std::string pace = Env("DTB_AUDIO_PACE");
  if (pace.empty() || strtod(pace.c_str(), nullptr) < 0) pace = "1";
  char pacebuf[32];
  snprintf(pacebuf, sizeof pacebuf, "%g", strtod(pace.c_str(), nullptr));
  std::string out = Env("DTB_AUDIO_OUT");
  std::string in = Env("DTB_AUDIO_IN");
  if (in.empty() && Exists(Path("/var/board/audio_in.wav"))) in = Path("/var/board/audio_in.wav");
  std::string mixer = Env("DTB_AUDIO_MIXER");
  if (mixer.empty()) mixer = Path("/var/board/mixer");
  bool classd = !Exists(Path("/dev/amp_en"));

  std::string t;
  t += "pcm_type.dtbhost { lib " + Quote(lib) + " }\n";
  t += "ctl_type.dtbhost { lib " + Quote(lib) + " }\n";
  t += "pcm_type.dtbroute { lib " + Quote(lib) + " }\n";
  // What the codec's outputs let through, as the mixer routes it.
  std::string route = "type dtbroute mixer " + Quote(mixer) + " jack " + Quote(Path("/var/board/headphones")) +
                      (classd ? " classd true" : " classd false amp " + Quote(Path("/var/board/amplifier")));
  // Whatever hears it, the PC's own card included, hears only what the
  // routes let out.
  std::string sink;
  if (!out.empty()) {
    sink = "{ type file slave.pcm { type dtbhost pace " + std::string(pacebuf) + " } file " + Quote(out) +
           " format \"wav\" perm 0644" + (Env("DTB_AUDIO_OUT_KEEP").empty() ? "" : " truncate false") + " }";
  } else if (PcHasSoundCard()) {
    sink = "\"system_default\"";
  } else {
    sink = "{ type dtbhost pace " + std::string(pacebuf) + " }";
  }
  t += "pcm.!default { " + route + " slave.pcm " + sink + " }\n";
  t += "pcm.!hw { @args [ CARD DEV SUBDEV ]\n"
       "  @args.CARD { type string default \"0\" }\n"
       "  @args.DEV { type integer default 0 }\n"
       "  @args.SUBDEV { type integer default -1 }\n"
       "  type plug slave.pcm { type dtbhost pace " +
       std::string(pacebuf) + (in.empty() ? "" : " infile " + Quote(in)) + " mixer " + Quote(mixer) +
       " boarddir " + Quote(Path("/var/board")) + " } }\n";
  t += "ctl.!default { type dtbhost state " + Quote(mixer) + " classd " + (classd ? "true" : "false") + " }\n";
  return t;
}

int SimulatedBoard::HotplugPort() {
  const char* env = getenv("DTB_HOTPLUG_PORT");
  if (env && *env) {
    long p = strtol(env, nullptr, 10);
    if (p > 0 && p < 65536) return static_cast<int>(p);
  }
  return Board::HotplugPort();
}

uint32_t SimulatedBoard::HotplugAddress() { return INADDR_LOOPBACK; }

}  // namespace board
