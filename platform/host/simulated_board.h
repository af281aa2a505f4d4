// What every board that runs on the PC shares, the host board and the
// tests' own small boards alike: the device's sound names resolve to our
// ALSA plugin (platform/host/alsa/), playback paced like a real DAC into a
// WAV file (only as loud as the codec's routes and volumes let it out of the
// speaker or the plugged-in headphones), capture from a WAV file, and a codec mixer whose values persist
// in a file of the device root; hotplug messages arrive on the loopback,
// at a port of the run's own.
//
// Environment:
//   DTB_AUDIO_OUT    WAV file that receives playback (each stream open starts
//                    it anew; "%r" and "%c" in the name become the stream's
//                    rate and channels); unset: the PC's sound card (its
//                    default device) when it has one, else a paced sink
//                    that keeps nothing; the routes apply to each
//   DTB_PC_SOUND_CARD  "1" or "0": the PC has a sound card or not, whatever
//                    /proc/asound says (tests)
//   DTB_AUDIO_OUT_KEEP  set: earlier streams are kept, later ones go to
//                    numbered files beside them (name.0001, ...)
//   DTB_AUDIO_IN     16-bit PCM WAV file read as the microphone/line input
//                    (default: "/var/board/audio_in.wav" of the device root;
//                    silence when absent). "/var/board/mic_in" and
//                    "line_in" may name a file of their own for the
//                    microphones and the line input; the tuner's input
//                    hears the "fm_stations" entry at "fm_tuned".
//   DTB_AUDIO_MIXER  mixer state file (default "/var/board/mixer" of the root)
//   DTB_AUDIO_PACE   playback/capture speed: 1 real time (default), 0 instant
//   DTB_ALSA_PLUGIN  path of the plugin module (default: the build's)
//   DTB_HOTPLUG_PORT hotplug port, so that several simulated devices can run
//                    side by side (default: the device's)
// The board revision follows the root: "/dev/amp_en" present = amplifier
// board, whose codec has no class-D controls.
#pragma once

#include <string>

#include "platform/board.h"

namespace board {

class SimulatedBoard : public Board {
 public:
  std::string AlsaConfigText() override;
  int HotplugPort() override;
  uint32_t HotplugAddress() override;
};

}  // namespace board
