// The speech engine: independent voice handles, each able to stream speech
// on its own thread at the same time as the others. Every voice yields signed
// 16-bit mono samples at 16 000 Hz. A null handle means failure; the reason
// is in tts_errmsg() of the failing thread.
#pragma once

#include <cstdint>

struct tts_engine;
struct tts_voice;
struct tts_streamer;

// One block of synthesised speech; a null `samples` marks the end of text.
struct tts_wave {
  int32_t sample_rate;
  int32_t num_samples;
  int16_t* samples;
};

enum { TTS_SAMPLE_RATE = 16000 };

tts_engine* tts_create();
// module_path names the voice module (unused here: one synthesiser serves
// all voices); data_path is the voice's data file. Each call gives a new,
// independent handle.
tts_voice* tts_load_voice(tts_engine* engine, const char* module_path, const char* data_path);
// Sets one parameter on this handle alone; `value` points to the value
// (an int, or a const char* for "set:input type"). 0, or -1 unknown/bad.
int tts_voice_param(tts_voice* voice, const char* name, const void* value);
// Starts speaking `text` (UTF-8). `unused` is reserved (callers pass -1.0).
tts_streamer* tts_streamer_start(tts_voice* voice, const char* text, float unused);
// Next block of about `request` samples; a record with null samples at the
// end of text; null on error. Free each record with tts_wave_delete.
tts_wave* tts_streamer_synth(tts_streamer* streamer, int request);
// Next samples into the caller's buffer (at most max); 0 at the end, <0 error.
int tts_streamer_synth0(tts_streamer* streamer, int16_t* buffer, int max);
// Ends synthesis at once (also mid-text) and frees the streamer.
void tts_streamer_stop(tts_streamer* streamer);
void tts_wave_delete(tts_wave* wave);
// Text of the calling thread's last error.
const char* tts_errmsg();
// A voice must have no running streamer when it is unloaded.
void tts_unload_voice(tts_voice* voice);
// Frees the engine; every voice must be unloaded first.
void tts_destroy(tts_engine* engine);
