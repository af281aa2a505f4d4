// The FM radio: the receiver window, the transmitter, and the seek thread
// of a tuner that seeks slowly. Loop thread, except the seek thread's own
// work.
#pragma once

#include "radio/fm_tuner.h"


// Pushes the radio window and starts receiving. 0, or -1 when the seek
// thread cannot be started.
int CreatRadioWindow();
// Transmits the device's sound on freq (10 kHz units). 0, or -1 on a
// board without a transmitter or when the chip does not answer.
int StarFmTx(int freq_10khz);
// Receives (a transmitter running is stopped first). 0, or -1 when the
// tuner cannot be reached.
int StartFmReceive();
// Powers the tuner down, receiving or transmitting. 0.
int StopFm();
bool IsFmRxRunning();
bool IsFmTxRunning();

// Seek modes: -1 seek down, +1 seek up, 2 scan the band, 0 (the thread
// only) tune the current channel.
constexpr int kSeekScan = 2;
// One seek or scan on the board's tuner, here and now: a station found
// becomes the current channel and a preset; after a scan the lowest preset
// is current.
void RunSeek(int mode, const FmTuner::Cancelled& cancelled);

// The seek thread, for a tuner whose seek is slow (FmTuner::SlowSeek).
enum SeekState { SEEK_IDLE = 0, SEEK_BUSY = 1, SEEK_DONE = 2, SEEK_NO_BUS = 3 };
int StartRadioSeek(int mode);
// Ends a seek or scan between two tests (one test is about 0.2 s) and
// waits for it. The state the thread ended in.
int CancelRadioSeek();
int RadioSeekState();
// True when the last seek or scan ended by a cancel.
bool RadioSeekCancelled();
