// Which ALSA configuration the sound card opens its devices with. The
// firmware always names the devices as the device does ("default" for
// playback and the mixer, "hw:0,0" for capture); on the real board the
// system's configuration resolves them. On the simulated host board the names
// resolve to our own plugins (host_alsa/): playback paced like a real DAC
// into a WAV file, capture from a WAV file, and a codec mixer whose values
// persist in a file of the device root.
//
// Host environment:
//   DTB_AUDIO_OUT    WAV file that receives playback (each stream open starts
//                    it anew; "%r" and "%c" in the name become the stream's
//                    rate and channels); unset: the PC's sound card when it
//                    has one, else a paced sink that keeps nothing
//   DTB_AUDIO_OUT_KEEP  set: earlier streams are kept, later ones go to
//                    numbered files beside them (name.0001, ...)
//   DTB_AUDIO_IN     16-bit PCM WAV file read as the microphone/line input
//                    (default: "/var/board/audio_in.wav" of the device root;
//                    silence when absent)
//   DTB_AUDIO_MIXER  mixer state file (default "/var/board/mixer" of the root)
//   DTB_AUDIO_PACE   playback/capture speed: 1 real time (default), 0 instant
//   DTB_ALSA_PLUGIN  path of the plugin module (default: the build's)
// The board revision follows the root: "/dev/amp_en" present = amplifier
// board, whose codec has no class-D controls.
#pragma once

#include <string>

// The text merged over the system's ALSA configuration when the sound card
// opens a device ("" on the real board: the system's alone).
std::string AlsaBoardConfigText();
