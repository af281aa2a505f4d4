// Which ALSA configuration the sound card opens its devices with. The
// firmware always names the devices as the device does ("default" for
// playback and the mixer, "hw:0,0" for capture); on the real board the
// system's configuration resolves them. Another board may resolve them to
// its own ALSA plugins (Board::AlsaConfigText; the host board's are
// described in platform/host/simulated_board.h).
#pragma once

#include <string>

#include <alsa/asoundlib.h>

// Local configuration for snd_pcm_open_lconf / snd_ctl_open_lconf, or null
// for the system's. The caller deletes it with snd_config_delete.
snd_config_t* AlsaBoardConfig();
// The text merged over the system configuration ("" on the real board).
std::string AlsaBoardConfigText();
