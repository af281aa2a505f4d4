// The streaming decoder: one process-wide instance that the players take
// turns on. Reads return PCM at the file's own rate and keep a running
// position in sample frames.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "audio/decoder.h"
#include "audio/pcm_convert.h"
#include "core/base/diag.h"
#include "core/lib/ffmpeg/ffmpeg.h"
#include "platform/board.h"

namespace {

struct FfAudio {
  char filename[4096] = {};
  ff::Io io;  // the caller's reads (a member of an archive), else the file itself
  bool open = false;
  bool end = false;
  bool draining = false;  // the input ended; the decoder gives up what it still holds
  ff::Input in;
  int channels = 0;  // delivered: 1 or 2
  int64_t position = 0;  // frames from the start to the next frame a read returns
  int64_t skip_to = -1;  // after opening at a start time: frames before it are dropped
  uint8_t* pcm = nullptr;
  int pcm_cap = 0;
  int pcm_end = 0;
  int pcm_off = 0;
  // Made at each open, so that a moment short of memory does not leave the
  // decoder unable to open anything for the rest of the run.
  std::optional<ff::Packet> pkt;
  bool pkt_held = false;
  std::optional<ff::Frame> frame;
};

FfAudio* g_ff = nullptr;

int CurMs(const FfAudio* s) { return s->in.rate() > 0 ? (int)(s->position * 1000 / s->in.rate()) : 0; }

void DropPacket(FfAudio* s) {
  if (s->pkt_held) s->pkt->Unref();
  s->pkt_held = false;
}

// Converts one decoded frame into the PCM buffer. 1 converted, 0 skipped
// (empty frame), -1 out of memory.
int ConvertIntoBuffer(FfAudio* s) {
  if (!s->in.Plausible(*s->frame)) return 0;
  ff::FrameView view = s->in.View(*s->frame);
  size_t need = ConvertedBytes(view);
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
  s->pcm_end = 2 * ConvertFrameToS16(view, reinterpret_cast<int16_t*>(s->pcm));
  s->pcm_off = 0;
  return 1;
}

// Drops the part of the buffered PCM that lies before the start time.
// True when some PCM is left.
bool SkipToStart(FfAudio* s) {
  if (s->skip_to > s->position) {
    int frame_bytes = 2 * s->channels;
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
    int r = s->in.Receive(*s->frame);
    if (r >= 0) {
      int c = ConvertIntoBuffer(s);
      s->frame->Unref();
      if (c < 0) return 0;
      if (c > 0 && s->pcm_end > 0 && SkipToStart(s)) return 1;
      continue;  // an empty frame, or one before the start: look at the next one
    }
    if (r == ff::kEnd || s->draining) return 0;
    if (r != ff::kAgain) {
      // A broken packet: drop it and go on with the next one.
      DropPacket(s);
      s->in.FlushDecoder();
    }
    // The decoder wants input: the next packet of our stream.
    DropPacket(s);
    if (s->in.ReadPacket(*s->pkt) < 0) {
      s->draining = true;
      if (s->in.Send(nullptr) < 0) return 0;
      continue;
    }
    s->pkt_held = true;
    if (s->pkt->Pts() != ff::kNoTimestamp)
      s->position = (int64_t)((double)s->pkt->Pts() * s->in.time_base() * s->in.rate());
    if (s->in.Send(&*s->pkt) < 0) DropPacket(s);
  }
}

}  // namespace

int ff_audio_init() {
  if (g_ff) return 0;
  ff::Init();
  g_ff = new (std::nothrow) FfAudio();
  if (!g_ff) return -1;
  return 0;
}

namespace {
// ff_audio_open over s->io when it is set.
int OpenInput(const char* path, int start_ms, int dump, int stream) {
  FfAudio* s = g_ff;
  if (!s) return -1;
  if (s->open) return -2;
  if (path) {
    snprintf(s->filename, sizeof s->filename, "%s", path);
  } else if (!s->filename[0]) {
    return -1;
  }
  // The caller's input is read again from its start.
  if (s->io.read && !path && s->io.seek && s->io.seek(s->io.opaque, 0, SEEK_SET) != 0) return -4;
  std::string url = s->io.read ? std::string(s->filename) : board::Path(s->filename);
  s->pkt.emplace();
  s->frame.emplace();
  if (!*s->pkt || !*s->frame) {
    DiagPrintf("avcodec_alloc_frame() failed");
    s->pkt.reset();
    s->frame.reset();
    return -3;
  }
  int r = s->in.Open(url.c_str(), s->io, start_ms, dump != 0, stream);
  if (r < 0) {
    s->pkt.reset();
    s->frame.reset();
    return r;
  }
  s->channels = OutputChannels(s->in.src_channels());
  s->open = true;
  s->end = false;
  s->draining = false;
  s->pkt_held = false;
  s->pcm_end = s->pcm_off = 0;
  s->position = start_ms >= 1 ? (int64_t)start_ms * s->in.rate() / 1000 : 0;
  s->skip_to = start_ms >= 1 ? s->position : -1;
  return 0;
}

int OpenFilled(const char* path, int* rate, int* channels, int* total_ms) {
  int r = OpenInput(path, -1, 1, -1);
  if (r < 0) return r;
  if (rate) *rate = g_ff->in.rate();
  if (channels) *channels = g_ff->channels;
  if (total_ms) *total_ms = (int)g_ff->in.duration_ms();
  return 0;
}
}  // namespace

int ff_audio_open(const char* path, int start_ms, int dump, int stream) {
  // A name opens that file; reopening (no name) reads what was open before.
  if (path && g_ff && !g_ff->open) g_ff->io = ff::Io();
  return OpenInput(path, start_ms, dump, stream);
}

int ff_audio_open_file(const char* path, int* rate, int* channels, int* total_ms) {
  if (path && g_ff && !g_ff->open) g_ff->io = ff::Io();
  return OpenFilled(path, rate, channels, total_ms);
}

int ff_audio_open_stream(const char* name, void* opaque, FFMpegReadFun read, FFMpegSeekFun seek,
                         int* rate, int* channels, int* total_ms) {
  if (!name || !read) return -1;
  if (!g_ff || g_ff->open) return g_ff ? -2 : -1;
  g_ff->io.opaque = opaque;
  g_ff->io.read = read;
  g_ff->io.seek = seek;
  int r = OpenFilled(name, rate, channels, total_ms);
  if (r < 0) g_ff->io = ff::Io();
  return r;
}

int ff_audio_close() {
  FfAudio* s = g_ff;
  if (!s) return -1;
  if (!s->open) return 0;
  DropPacket(s);
  s->in.Close();
  s->pkt.reset();
  s->frame.reset();
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
      s->position += n / 2 / s->channels;
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
    else if (r == 0) *cur_ms = (int)g_ff->in.duration_ms();
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
  if (s->in.duration_ms() > 0 && ms >= s->in.duration_ms() - 1000) {
    s->end = true;
    return 0;
  }
  s->position = (int64_t)ms * s->in.rate() / 1000;
  int64_t ts = (int64_t)ms * 1000;
  if (direction > 0) s->in.Seek(ts, ts, INT64_MAX);
  else if (direction == 0) s->in.Seek(INT64_MIN, ts, INT64_MAX);
  else s->in.Seek(INT64_MIN, ts, ts);
  return 0;
}

int ff_audio_get_cur_ms() {
  FfAudio* s = g_ff;
  if (!s || !s->open) return -1;
  return s->end ? (int)s->in.duration_ms() : CurMs(s);
}

int ff_audio_get_total_audio_streams() { return g_ff && g_ff->open ? g_ff->in.stream_count() : -1; }

int ff_audio_get_cur_select_stream() { return g_ff && g_ff->open ? g_ff->in.selected() : -1; }

int ff_audio_set_cur_select_stream(int ordinal) {
  FfAudio* s = g_ff;
  if (!s || !s->open || s->in.stream_count() < 2 || ordinal < 0 || ordinal >= s->in.stream_count()) return -1;
  int ms = CurMs(s);
  ff_audio_close();
  return ff_audio_open(nullptr, ms, 0, ordinal);
}

int ff_audio_get_format(int* rate, int* channels) {
  if (!g_ff || !g_ff->open) return -1;
  if (rate) *rate = g_ff->in.rate();
  if (channels) *channels = g_ff->channels;
  return 0;
}

int get_audio_total_ms(const char* path) {
  if (ff_audio_init() < 0) return -1;
  int r = ff_audio_open(path, -1, 0, -1);
  if (r < 0) return r;
  int ms = (int)g_ff->in.duration_ms();
  ff_audio_close();
  return ms;
}
