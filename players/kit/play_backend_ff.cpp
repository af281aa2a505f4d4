// The firmware's play backend: the process-wide streaming decoder and the
// sound card.
#include <strings.h>

#include "audio/decoder.h"
#include "players/kit/player_common.h"
#include "players/kit/play_backend.h"

namespace {

class FirmwareBackend : public PlayBackend {
 public:
  int Open(const char* path, int* rate, int* channels, int* totalMs) override {
    ff_audio_init();
    return ff_audio_open_file(path, rate, channels, totalMs);
  }
  int OpenStream(const char* name, void* opaque, int (*read)(void*, unsigned char*, int),
                 long long (*seek)(void*, long long, int), int* rate, int* channels,
                 int* totalMs) override {
    ff_audio_init();
    return ff_audio_open_stream(name, opaque, read, seek, rate, channels, totalMs);
  }
  int Close() override { return ff_audio_close(); }
  int Read(void* buf, int bytes, int* curMs) override { return ff_audio_read2(buf, bytes, curMs); }
  int Seek(int ms, int direction) override { return ff_audio_seek(ms, direction); }
  int CurMs() override { return ff_audio_get_cur_ms(); }
  int StreamCount() override { return ff_audio_get_total_audio_streams(); }
  int CurStream() override { return ff_audio_get_cur_select_stream(); }
  int SelectStream(int ordinal) override { return ff_audio_set_cur_select_stream(ordinal); }
  int Format(int* rate, int* channels) override { return ff_audio_get_format(rate, channels); }
  // The decoder's own length first: the header-only MP3 estimate takes the
  // bit rate of the first frame, which in most encoders' files is the small
  // information frame, and so doubles or halves the length. It stays the
  // fallback for MP3 files the decoder cannot measure.
  int DurationMs(const char* path) override {
    ff_audio_init();
    int ms = get_audio_total_ms(path);
    const char* ext = ExtOf(path);
    if (ms <= 0 && ext && strcasecmp(ext, "mp3") == 0) ms = fast_get_mp3_total_ms(path);
    return ms;
  }
  // The sound card.
  int Init(unsigned channels, unsigned rate, unsigned latencyUs) override {
    return SoundCardSink().Init(channels, rate, latencyUs);
  }
  int PutSamples(short* samples, int frames) override {
    return SoundCardSink().PutSamples(samples, frames);
  }
  int Flush() override { return SoundCardSink().Flush(); }
  int WaitBufferFinished() override { return SoundCardSink().WaitBufferFinished(); }
  int BufferLevel() override { return SoundCardSink().BufferLevel(); }
};

}  // namespace

PlayBackend& DefaultPlayBackend() {
  static FirmwareBackend backend;
  return backend;
}

namespace {
PlayBackend* g_PlayersBackend = nullptr;
}  // namespace

PlayBackend& PlayersBackend() { return g_PlayersBackend ? *g_PlayersBackend : DefaultPlayBackend(); }

void SetPlayersBackend(PlayBackend* backend) { g_PlayersBackend = backend; }
