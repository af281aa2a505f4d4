// Which ALSA configuration the sound card opens its devices with. The
// firmware always names the devices as the device does ("default" for
// playback and the mixer, "hw:0,0" for capture); on the real board the
// system's configuration resolves them. Another board may resolve them to
// its own ALSA plugins (Board::AlsaConfigText; the host board's are
// described in platform/host/simulated_board.h).
#pragma once

#include <string>

// The text merged over the system's ALSA configuration when the sound card
// opens a device ("" on the real board: the system's alone).
std::string AlsaBoardConfigText();
