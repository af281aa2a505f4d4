// The streaming decoder: one process-wide instance that the players take
// turns on. Reads return PCM at the file's own rate and keep a running
// position in sample frames.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "audio/decoder.h"
#include "audio/ffmpeg_input.h"
#include "audio/pcm_convert.h"
#include "core/base/diag.h"
#include "platform/board.h"

namespace {

struct FfAudio {
  char filename[4096] = {};
  bool open = false;
  bool end = false;
  bool draining = false;  // the input ended; the decoder gives up what it still holds
  AudioInput in;
  int64_t position = 0;  // frames from the start to the next frame a read returns
  int64_t skip_to = -1;  // after opening at a start time: frames before it are dropped
  uint8_t* pcm = nullptr;
  int pcm_cap = 0;
  int pcm_end = 0;
  int pcm_off = 0;
  AVPacket* pkt = nullptr;
  bool pkt_held = false;
  AVFrame* frame = nullptr;
};

FfAudio* g_ff = nullptr;

int CurMs(const FfAudio* s) { return s->in.rate > 0 ? (int)(s->position * 1000 / s->in.rate) : 0; }

void DropPacket(FfAudio* s) {
  if (s->pkt_held) av_packet_unref(s->pkt);
  s->pkt_held = false;
}

// Converts one decoded frame into the PCM buffer. 1 converted, 0 skipped
// (empty frame), -1 out of memory.
int ConvertIntoBuffer(FfAudio* s) {
  AVFrame* f = s->frame;
  int plane = 0;
  int size = av_samples_get_buffer_size(&plane, s->in.src_channels, f->nb_samples, s->in.sample_fmt, 1);
  if (size < plane || plane < 1) return 0;
  size_t need = ConvertedBytes(f, s->in.src_channels);
  if (need > (size_t)s->pcm_cap) {
    printf("enlarge m_AudioBufSize to %d\n", (int)need);
    auto* grown = static_cast<uint8_t*>(realloc(s->pcm, need));
    if (!grown) {
      DiagPrintf("not enough memory when decode audio");
      return -1;
    }
    s->pcm = grown;
    s->pcm_cap = (int)need;
  }
  s->pcm_end = 2 * ConvertFrameToS16(f, s->in.sample_fmt, s->in.src_channels, reinterpret_cast<int16_t*>(s->pcm));
  s->pcm_off = 0;
  return 1;
}

// Drops the part of the buffered PCM that lies before the start time.
// True when some PCM is left.
bool SkipToStart(FfAudio* s) {
  if (s->skip_to > s->position) {
    int frame_bytes = 2 * s->in.channels;
    int64_t frames = (s->pcm_end - s->pcm_off) / frame_bytes;
    int64_t skip = s->skip_to - s->position < frames ? s->skip_to - s->position : frames;
    s->pcm_off += (int)skip * frame_bytes;
    s->position += skip;
  }
  if (s->skip_to >= 0 && s->position >= s->skip_to) s->skip_to = -1;
  return s->pcm_off < s->pcm_end;
}

// Decodes the next frame of the selected stream into the PCM buffer.
// 1 when PCM is ready, 0 at the end of the file.
int DecodeNext(FfAudio* s) {
  for (;;) {
    int r = avcodec_receive_frame(s->in.codec, s->frame);
    if (r >= 0) {
      int c = ConvertIntoBuffer(s);
      av_frame_unref(s->frame);
      if (c < 0) return 0;
      if (c > 0 && s->pcm_end > 0 && SkipToStart(s)) return 1;
      continue;  // an empty frame, or one before the start: look at the next one
    }
    if (r == AVERROR_EOF || s->draining) return 0;
    if (r != AVERROR(EAGAIN)) {
      // A broken packet: drop it and go on with the next one.
      DropPacket(s);
      avcodec_flush_buffers(s->in.codec);
    }
    // The decoder wants input: the next packet of our stream.
    DropPacket(s);
    if (AudioInput_ReadPacket(&s->in, s->pkt) < 0) {
      s->draining = true;
      if (avcodec_send_packet(s->in.codec, nullptr) < 0) return 0;
      continue;
    }
    s->pkt_held = true;
    if (s->pkt->pts != AV_NOPTS_VALUE)
      s->position = (int64_t)((double)s->pkt->pts * s->in.time_base * s->in.rate);
    if (avcodec_send_packet(s->in.codec, s->pkt) < 0) DropPacket(s);
  }
}

}  // namespace

int ff_audio_init() {
  if (g_ff) return 0;
  avformat_network_init();
  g_ff = new (std::nothrow) FfAudio();
  if (!g_ff) return -1;
  return 0;
}

int ff_audio_open(const char* path, int start_ms, int dump, int stream) {
  FfAudio* s = g_ff;
  if (!s) return -1;
  if (s->open) return -2;
  if (path) {
    snprintf(s->filename, sizeof s->filename, "%s", path);
  } else if (!s->filename[0]) {
    return -1;
  }
  std::string url = board::Path(s->filename);
  int r = AudioInput_Open(&s->in, url.c_str(), start_ms, dump, stream);
  if (r < 0) return r;
  if (!s->pkt) s->pkt = av_packet_alloc();
  if (!s->frame) s->frame = av_frame_alloc();
  if (!s->pkt || !s->frame) {
    DiagPrintf("avcodec_alloc_frame() failed");
    AudioInput_Close(&s->in);
    return -2;
  }
  s->open = true;
  s->end = false;
  s->draining = false;
  s->pkt_held = false;
  s->pcm_end = s->pcm_off = 0;
  s->position = start_ms >= 1 ? (int64_t)start_ms * s->in.rate / 1000 : 0;
  s->skip_to = start_ms >= 1 ? s->position : -1;
  return 0;
}

int ff_audio_open_file(const char* path, int* rate, int* channels, int* total_ms) {
  int r = ff_audio_open(path, -1, 1, -1);
  if (r < 0) return r;
  if (rate) *rate = g_ff->in.rate;
  if (channels) *channels = g_ff->in.channels;
  if (total_ms) *total_ms = (int)g_ff->in.duration_ms;
  return 0;
}

int ff_audio_close() {
  FfAudio* s = g_ff;
  if (!s) return -1;
  if (!s->open) return 0;
  DropPacket(s);
  AudioInput_Close(&s->in);
  s->open = false;
  s->pcm_end = s->pcm_off = 0;
  return 0;
}

int ff_audio_read(void* buf, int bytes) {
  FfAudio* s = g_ff;
  if (!s || !buf || bytes < 1 || !s->open) return -1;
  if (s->end) return 0;
  auto* out = static_cast<uint8_t*>(buf);
  const int want = bytes & ~1;  // whole 16-bit samples only
  int copied = 0;
  for (;;) {
    int n = (s->pcm_end - s->pcm_off) & ~1;
    if (n > want - copied) n = want - copied;
    if (n > 0) {
      memcpy(out + copied, s->pcm + s->pcm_off, (size_t)n);
      s->pcm_off += n;
      copied += n;
      s->position += n / 2 / s->in.channels;
    }
    if (copied >= want) return copied;
    s->pcm_off = s->pcm_end = 0;
    if (DecodeNext(s) <= 0) {
      s->end = true;
      return copied;
    }
  }
}

int ff_audio_read2(void* buf, int bytes, int* cur_ms) {
  int r = ff_audio_read(buf, bytes);
  if (cur_ms) {
    if (r > 0) *cur_ms = CurMs(g_ff);
    else if (r == 0) *cur_ms = (int)g_ff->in.duration_ms;
  }
  return r;
}

int ff_audio_seek(int ms, int direction) {
  FfAudio* s = g_ff;
  if (!s || !s->open) return -1;
  DropPacket(s);
  s->pcm_off = s->pcm_end = 0;
  s->end = false;
  s->draining = false;
  s->skip_to = -1;
  if (ms < 0) ms = 0;
  // A seek into the last second ends the file (when the length is known).
  if (s->in.duration_ms > 0 && ms >= s->in.duration_ms - 1000) {
    s->end = true;
    return 0;
  }
  s->position = (int64_t)ms * s->in.rate / 1000;
  int64_t ts = (int64_t)ms * 1000;
  if (direction > 0) AudioInput_Seek(&s->in, ts, ts, INT64_MAX);
  else if (direction == 0) AudioInput_Seek(&s->in, INT64_MIN, ts, INT64_MAX);
  else AudioInput_Seek(&s->in, INT64_MIN, ts, ts);
  return 0;
}

int ff_audio_get_cur_ms() {
  FfAudio* s = g_ff;
  if (!s || !s->open) return -1;
  return s->end ? (int)s->in.duration_ms : CurMs(s);
}

int ff_audio_get_total_audio_streams() { return g_ff && g_ff->open ? g_ff->in.stream_count : -1; }

int ff_audio_get_cur_select_stream() { return g_ff && g_ff->open ? g_ff->in.selected : -1; }

int ff_audio_set_cur_select_stream(int ordinal) {
  FfAudio* s = g_ff;
  if (!s || !s->open || s->in.stream_count < 2 || ordinal < 0 || ordinal >= s->in.stream_count) return -1;
  int ms = CurMs(s);
  ff_audio_close();
  return ff_audio_open(nullptr, ms, 0, ordinal);
}

int get_audio_total_ms(const char* path) {
  if (ff_audio_init() < 0) return -1;
  int r = ff_audio_open(path, -1, 0, -1);
  if (r < 0) return r;
  int ms = (int)g_ff->in.duration_ms;
  ff_audio_close();
  return ms;
}
