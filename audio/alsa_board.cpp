#include "audio/alsa_board.h"

#include <cstdio>

#include "platform/board.h"

std::string AlsaBoardConfigText() { return board::Current().AlsaConfigText(); }

snd_config_t* AlsaBoardConfig() {
  std::string text = AlsaBoardConfigText();
  if (text.empty()) return nullptr;
  snd_config_t* top = nullptr;
  snd_config_t* cfg = nullptr;
  // Our definitions override the system's; everything else (rate
  // converters, the PC's own cards) stays available.
  if (snd_config_update_ref(&top) < 0 || snd_config_copy(&cfg, top) < 0) {
    if (top) snd_config_unref(top);
    if (snd_config_top(&cfg) < 0) return nullptr;
    top = nullptr;
  }
  if (top) snd_config_unref(top);
  snd_input_t* input = nullptr;
  if (snd_input_buffer_open(&input, text.data(), (ssize_t)text.size()) < 0) {
    snd_config_delete(cfg);
    return nullptr;
  }
  int err = snd_config_load(cfg, input);
  snd_input_close(input);
  if (err < 0) {
    fprintf(stderr, "board ALSA configuration: %s\n", snd_strerror(err));
    snd_config_delete(cfg);
    return nullptr;
  }
  return cfg;
}
