#include "speech/tts_output.h"

#include "audio/soundcard.h"

namespace {
TtsSoundOutput g_output = {SoundCard_Init, SoundCard_PutSamples, SoundCard_Flush,
                           SoundCard_GetHwBufLevel};
}

const TtsSoundOutput& TtsOutput() { return g_output; }

TtsSoundOutput SetTtsOutput(const TtsSoundOutput& output) {
  TtsSoundOutput old = g_output;
  g_output = output;
  return old;
}
