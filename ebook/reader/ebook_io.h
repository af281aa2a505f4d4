// What the reader's play thread needs from the outside world: player speech,
// the sound seam (the sound card) and the streaming decoder for the
// background music (the players' decoder). The firmware uses the real ones; tests put a scripted
// voice and a recording sink in their place.
#pragma once

#include <cstdint>

#include "speech/tts.h"
#include "speech/tts_output.h"

class PlayBackend;

class EbookIo : public SoundSink {
 public:
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

  // The sound card.
  int Init(unsigned channels, unsigned rate, unsigned latencyUs) override;
  int PutSamples(short* samples, int frames) override;
  int Flush() override;
  int WaitBufferFinished() override;
  int BufferLevel() override;

  // The background music's decoder: the players' streaming decoder.
  virtual PlayBackend& MusicDecoder();
};

// The instance in use: the firmware's unless a test installed another.
EbookIo& CurEbookIo();
// Installs a replacement (null: the firmware's again). Only while no book
// is being read.
void SetEbookIo(EbookIo* io);
