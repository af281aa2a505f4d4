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
