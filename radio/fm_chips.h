// The two tuners, driven over the board's I2C transfer on "/dev/i2c-1":
// the RDA5820 (receive and transmit; address 0x11; frequencies in 10 kHz)
// and the AR1019 (receive only; address 0x10; frequencies in kHz). Each
// call is one or a few transfers; a failed transfer is printed and the
// sequence goes on. Called from the loop thread or the seek thread, never
// both at once.
#pragma once

// --- RDA5820 ---
// Receive / transmit initialisation. 0, or -1 when the bus is missing.
int FmOpenForRx();
int FmOpenForTx();
int FmClose();
int FmSetFreq(int freq_10khz);
int FmMute(bool mute);
// 1 when the frequency holds a station (tunes to it, about 100 ms).
int RDA5820_ValidStop(int freq_10khz);
// The first valid frequency from start toward end by step, or -1.
int FmSeek(int start, int end, int step);

// --- AR1019 ---
struct AR1019_SEEK {
  int freq;  // kHz to start from
  int up;    // 1 up, 0 down
};
int ar1019_init(int band);
// Tunes (clamped to 87500..108000 kHz). 0 or -1.
int ar1019_tune(int khz);
// The frequency found in kHz, or -1 when the seek failed.
int ar1019_seek(AR1019_SEEK* seek);
int ar1019_set_volume(int volume);
int ar1019_pd();
