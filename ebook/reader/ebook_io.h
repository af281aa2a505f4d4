// What the reader's play thread needs from the outside world: player speech,
// the sound card and the streaming decoder for the background music. The
// firmware uses the real ones; tests put a scripted voice and a recording
// sink in their place.
#pragma once

#include <cstdint>

#include "speech/tts.h"

class EbookIo {
 public:
  virtual ~EbookIo() = default;
  // Registers the sample callback of player speech. 0, or -1 without engine.
  virtual int SpeechInit(PlayTtsOutputCallback callback, void* user);
  // Speaks UTF-16 text on the calling thread, handing the samples to the
  // callback. 0 spoken, -2 cancelled by the callback, -1 failure.
  virtual int Speak(const uint16_t* text, int count);
  virtual int SpeechFlush();
  // Letter-by-letter reading of the player channel on (1) or off (0).
  virtual int SetReadWordMode(int on);

  // System speech for the reader's prompts: speaks UTF-8 text; 1 while it
  // is still speaking, else 0.
  virtual int SysSay(const char* text);
  virtual int SysSpeaking();

  // Playback stream: opened (or kept) mono or stereo at a rate. 0 or -1.
  virtual int CardInit(unsigned channels, unsigned rate);
  // Writes frames, blocking. 0 or -1.
  [[nodiscard]] virtual int PutSamples(short* samples, int frames);
  // Pads with silence so the tail is heard; waits for the buffer to drain.
  virtual int Flush();
  virtual int WaitBufferFinished();

  // The streaming decoder: opens a file (rate and channels of its PCM), reads
  // interleaved 16-bit PCM (bytes, 0 at the end), seeks, closes.
  virtual int MusicOpen(const char* devicePath, int* rate, int* channels);
  virtual int MusicRead(void* buf, int bytes);
  virtual int MusicSeek(int ms);
  virtual int MusicClose();
};

// The instance in use: the firmware's unless a test installed another.
EbookIo& CurEbookIo();
// Installs a replacement (null: the firmware's again). Only while no book
// is being read.
void SetEbookIo(EbookIo* io);
