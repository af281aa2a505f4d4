// The FM radio: the receiver window, the transmitter, and the seek thread
// of the RDA5820 board. Loop thread, except the seek thread's own work.
#pragma once

// "all presets deleted, "
constexpr int kPhraseAllPresetsDeleted = 338;

// Pushes the radio window and starts receiving. 0, or -1 when the seek
// thread cannot be started.
int CreatRadioWindow();
// Transmits the device's sound on freq (10 kHz units). 0, or -1 on the
// AR1019 board (receive only) or when the chip does not answer.
int StarFmTx(int freq_10khz);
// Powers the tuner down, receiving or transmitting. 0.
int StopFm();
bool IsFmRxRunning();
bool IsFmTxRunning();

// The seek thread (RDA5820 board): mode -1 seek down, +1 seek up, 2 scan
// the band, 0 tune the current channel.
enum SeekState { SEEK_IDLE = 0, SEEK_BUSY = 1, SEEK_DONE = 2, SEEK_NO_BUS = 3 };
int StartRadioSeek(int mode);
// Ends a seek or scan between two tests (one test is about 0.2 s) and
// waits for it. The state the thread ended in.
int CancelRadioSeek();
int RadioSeekState();
// True when the last seek or scan ended by a cancel.
bool RadioSeekCancelled();
