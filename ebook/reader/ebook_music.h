// Background music under the reader's voice: a track of the device decoded
// by the streaming decoder, brought to the voice's 16 kHz mono and mixed in
// at a share of 0 to 8 tenths. The reader's window opens and closes it; the
// play thread mixes. Both may call at any time (one lock inside).
#pragma once

// "/home/backgroundmusic/%02d.mp3" for a track number.
void BgMusicTrackPath(int track, char* buf, int size);

// Opens a track (closing any open one). 0, or the decoder's negative code.
int BgMusic_Open(int track);
// Closes the track; the music is off afterwards.
void BgMusic_Close();
bool BgMusic_IsOn();
// Share of the music, 0..8 (clamped).
void BgMusic_SetVolume(int volume);
int BgMusic_Volume();
// Mixes the music into `count` voice samples in place. When the track runs
// out it is rewound and the rest of the block stays unmixed. Play thread.
void BgMusic_Mix(short* voice, int count);

// One mixed sample: v + volume x (m - v) / 10.
inline short MixSample(short v, short m, int volume) {
  return static_cast<short>(v + volume * (m - v) / 10);
}
