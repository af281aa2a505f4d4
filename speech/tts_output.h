// Where system speech, beeps and the leading silence of player speech go:
// the sound card, or a replacement that a test installs to hear them.
#pragma once

struct TtsSoundOutput {
  int (*init)(bool capture, unsigned channels, unsigned rate, unsigned latency_us);
  int (*putSamples)(short* samples, int frames);
  int (*flush)();
  int (*hwBufLevel)();
};

// The output in use (the sound card until replaced).
const TtsSoundOutput& TtsOutput();
// Replaces the output; returns the previous one. Call only while speech is idle.
TtsSoundOutput SetTtsOutput(const TtsSoundOutput& output);

// What becomes of each block the engine makes of a player text before it is
// handed on: its length, unless a test installs a filter that stands for an
// engine making no sound of some texts (punctuation), or making it slowly.
// The filter returns the samples to keep; 0 for the first block means the
// text made none. Returns the previous filter. Only while player speech is idle.
using PlayTtsBlockFilter = int (*)(const char* text, const short* samples, int count);
PlayTtsBlockFilter SetPlayTtsBlockFilter(PlayTtsBlockFilter filter);
