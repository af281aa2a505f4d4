// The sound card: the only code that touches the ALSA device. One playback
// stream, one capture stream for the recorder, and the codec's mixer routes
// and volumes addressed by control name. Samples are signed 16-bit
// little-endian interleaved; counts are frames. No locks: one writer on the
// playback stream, one reader on the capture stream, mixer calls from the
// loop thread (each opens its own control handle).
#pragma once

// --- Playback stream -------------------------------------------------------

// Opens (or keeps, when nothing changed) the stream: channels 1 or 2, the rate
// rounded to the supported ladder, latency in microseconds. capture = true
// opens the capture device in blocking mode instead. 0 or -1.
int SoundCard_Init(bool capture, unsigned channels, unsigned rate, unsigned latency_us);
// Closes the stream if open. Always 0.
int SoundCard_Release();
// Closes and reopens the stream with the previous parameters.
int SoundCard_ResetForPlay();
// Writes every frame, blocking the caller; recovers from underrun, suspend and
// a wedged stream. 0, or -1 without a stream or on an unrecoverable error.
[[nodiscard]] int SoundCard_PutSamples(short* samples, int frames);
// Pads the buffer with silence so the queued tail reaches the output. 0 or <0.
[[nodiscard]] int SoundCard_Flush();
// Waits (at most about 0.9 s) for the buffer to drain. 0, -1 no stream, -2 error.
int SoundCard_WaitBufferFinished();
// Frames still queued in the hardware buffer; -1 without a stream.
int SoundCard_GetHwBufLevel();
// Free frames now and the buffer size; either pointer may be null. 0 or -1.
int SoundCard_GetAvail(int* avail, int* buf_size);
// Reads frames from a stream opened with SoundCard_Init(true, ...).
[[nodiscard]] int SoundCard_ReceiveSamples(short* samples, int frames);

// --- Capture stream (recorder, voice tags) ---------------------------------

// Opens the stereo capture stream. -2 already open, -3 unsupported rate, -1 error.
int SoundCardRecord_Init(unsigned rate, unsigned latency_us);
// Reads exactly `frames` stereo frames; returns frames or a negative error.
[[nodiscard]] int SoundCardRecord_Read(short* samples, int frames);
// Closes the capture stream if open. Always 0.
int SoundCardRecord_Release();

// --- Mixer -----------------------------------------------------------------

// Writes one control by name, clamped to its range, both channels of a
// stereo control; *applied (may be null) receives the value written.
// 0 or a negative result (alsa::kError ...).
int SoundCard_CSet(const char* control, int value, int* applied);
// Puts every route the program uses into a known off state. Always 0.
int SoundCard_MixerInit();

// Output routes; on = true switches the route on.
int SoundCard_SpeakerSwitch(bool on);
int SoundCard_LopSwitch(bool on);
int SoundCard_HeadPhoneSwitch(bool on);
int SoundCard_Line1ToOutputSwitch(bool on);
int SoundCard_FmToHeadPhoneSwitch(bool on);
bool IsSpeakerOn();
// True when the radio's route reaches the speaker too (the amplifier
// board's line output); otherwise the radio plays on the headphones only.
bool SoundCard_FmOnSpeaker();

// Volumes on the codec's 0..118 scale (arguments are clamped). Each returns
// the value written (>= 0) or a negative result.
int SoundCard_SetSpeakerVolume(int v);
int SoundCard_SetHeadPhoneVolume(int v);
int SoundCard_SetVolume(int v);
int SoundCard_SetLine1ToOutputVolume(int v);
int SoundCard_SetFmToSpeakerVolume(int v);
int SoundCard_SetFmToHeadPhoneVolume(int v);
int SoundCard_SetPgaCaptureVolume(int v);
// Capture input: 1 built-in mic, 2 external mic, 3 line in, 4 FM (Line2);
// anything else switches capture off. 0 or a negative result.
int SoundCard_SetCaptureRouteway(int route);
