// The sound seam: where the players, player speech, system speech and beeps
// write their samples, and what they ask of the stream behind it. The
// firmware writes to the sound card; tests put a recording sink in its place.
#pragma once

class SoundSink {
 public:
  virtual ~SoundSink() = default;
  // Opens (or keeps) the playback stream. 0 or negative.
  virtual int Init(unsigned channels, unsigned rate, unsigned latencyUs) = 0;
  // Writes frames, blocking until written. 0 or negative.
  virtual int PutSamples(short* samples, int frames) = 0;
  // Pads the buffer with silence so the last samples are heard.
  virtual int Flush() = 0;
  // Waits (at most about a second) for the buffer to drain.
  virtual int WaitBufferFinished() = 0;
  // Frames still queued; negative without a stream.
  virtual int BufferLevel() = 0;
};

// The sound card.
SoundSink& SoundCardSink();

// Where speech writes (the sound card until replaced).
SoundSink& TtsOutput();
// Replaces it (null: the sound card again); returns the previous one. Call
// only while speech is idle.
SoundSink* SetTtsOutput(SoundSink* output);

// What becomes of each block the engine makes of a player text before it is
// handed on: its length, unless a test installs a filter that stands for an
// engine making no sound of some texts (punctuation), or making it slowly.
// The filter returns the samples to keep; 0 for the first block means the
// text made none. Returns the previous filter. Only while player speech is idle.
using PlayTtsBlockFilter = int (*)(const char* text, const short* samples, int count);
PlayTtsBlockFilter SetPlayTtsBlockFilter(PlayTtsBlockFilter filter);
