#include "ebook/reader/ebook_io.h"

#include <atomic>

#include "players/kit/play_backend.h"

namespace {
EbookIo g_DefaultIo;
std::atomic<EbookIo*> g_pIo{&g_DefaultIo};
}  // namespace

int EbookIo::SpeechInit(PlayTtsOutputCallback callback, void* user) { return PlayTts_Init(callback, user); }
int EbookIo::Speak(const uint16_t* text, int count) { return PlayTts_Play(text, count); }
int EbookIo::SpeechFlush() { return PlayTts_Flush(); }
int EbookIo::SetReadWordMode(int on) { return Tts_SetReadWordMode(TTS_CHANNEL_PLAYER, on); }
int EbookIo::SysSay(const char* text) { return SysTts_Play(text, -1); }
int EbookIo::SysSpeaking() { return SysTts_CheckRunning(); }
int EbookIo::Init(unsigned channels, unsigned rate, unsigned latencyUs) {
  return SoundCardSink().Init(channels, rate, latencyUs);
}
int EbookIo::PutSamples(short* samples, int frames) { return SoundCardSink().PutSamples(samples, frames); }
int EbookIo::Flush() { return SoundCardSink().Flush(); }
int EbookIo::WaitBufferFinished() { return SoundCardSink().WaitBufferFinished(); }
int EbookIo::BufferLevel() { return SoundCardSink().BufferLevel(); }

PlayBackend& EbookIo::MusicDecoder() { return DefaultPlayBackend(); }

EbookIo& CurEbookIo() { return *g_pIo.load(); }
void SetEbookIo(EbookIo* io) { g_pIo.store(io ? io : &g_DefaultIo); }
