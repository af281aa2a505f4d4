#include "speech/tts_output.h"

#include <atomic>

#include "audio/soundcard.h"

namespace {

class CardSink final : public SoundSink {
 public:
  int Init(unsigned channels, unsigned rate, unsigned latencyUs) override {
    return SoundCard_Init(false, channels, rate, latencyUs);
  }
  int PutSamples(short* samples, int frames) override { return SoundCard_PutSamples(samples, frames); }
  int Flush() override { return SoundCard_Flush(); }
  int WaitBufferFinished() override { return SoundCard_WaitBufferFinished(); }
  int BufferLevel() override { return SoundCard_GetHwBufLevel(); }
};

std::atomic<SoundSink*> g_output{nullptr};

}  // namespace

SoundSink& SoundCardSink() {
  static CardSink card;
  return card;
}

SoundSink& TtsOutput() {
  SoundSink* s = g_output.load();
  return s ? *s : SoundCardSink();
}

SoundSink* SetTtsOutput(SoundSink* output) {
  SoundSink* old = g_output.exchange(output);
  return old ? old : &SoundCardSink();
}
