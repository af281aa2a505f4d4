// The packet decoder: one context per user, optional reading through caller
// callbacks, optional resampling to a fixed rate and channel count.
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "audio/decoder.h"
#include "audio/pcm_convert.h"
#include "core/base/diag.h"
#include "core/lib/ffmpeg/ffmpeg.h"
#include "platform/board.h"

// Diagnostics of this decoder name their origin like this.
#define FDIAG(fmt, ...) DiagPrintf("%s L %d: " fmt, "AudioPlayer/FFMpegDecode.c", __LINE__, ##__VA_ARGS__)

struct FFMpegDecode {
  std::string path;
  bool open = false;
  bool end = false;
  bool draining = false;
  ff::Input in;
  int channels = 0;  // delivered before resampling: 1 or 2
  int64_t position = 0;  // frames decoded so far (running time without time stamps)
  // Reading through the caller.
  int use_user_io = 0;
  ff::Io io;
  // Resampling: target (0 = off), the converter and its output.
  int swr_rate = 0;
  int swr_channels = 0;
  ff::Resampler swr;
  int16_t* swr_buf = nullptr;
  int swr_cap = 0;  // frames
  // Converted PCM of the current packet.
  int16_t* pcm = nullptr;
  int pcm_cap = 0;  // bytes
  ff::Packet pkt;
  ff::Frame frame;
  int packet_ms = 0;

  ~FFMpegDecode() {
    free(swr_buf);
    free(pcm);
  }
};

namespace {

int SetUpSwr(FFMpegDecode* ctx) {
  const ff::Input& in = ctx->in;
  if (ctx->swr_rate <= 0 || (ctx->swr_rate == in.rate() && ctx->swr_channels == ctx->channels)) return 0;
  if (ctx->swr.Open(in.rate(), ctx->channels, ctx->swr_rate, ctx->swr_channels) < 0) {
    FDIAG("swr_init() failed");
    return -1;
  }
  return 0;
}

// Grows a buffer to at least `need` bytes; false when memory is short.
template <typename T>
bool Grow(T** buf, int* cap_bytes, size_t need, bool announce) {
  if (need <= (size_t)*cap_bytes) return true;
  if (need > INT32_MAX) return false;
  if (announce) printf("enlarge m_AudioBufSize to %d\n", (int)need);
  void* p = realloc(*buf, need);
  if (!p) return false;
  *buf = static_cast<T*>(p);
  *cap_bytes = (int)need;
  return true;
}

void DropDecoderState(FFMpegDecode* ctx) {
  ctx->end = false;
  ctx->draining = false;
}

}  // namespace

int FFMpegDecode_Register() {
  ff::Init();
  return 0;
}

FFMpegDecode* FFMpegDecode_New() { return new (std::nothrow) FFMpegDecode(); }

int FFMpegDecode_Delete(FFMpegDecode* ctx) {
  if (!ctx) return -1;
  delete ctx;
  return 0;
}

int FFMpegDecode_SetSwr(FFMpegDecode* ctx, int rate, unsigned channels) {
  if (!ctx) return -1;
  bool on = rate > 0 && (channels == 1 || channels == 2);
  ctx->swr_rate = on ? rate : 0;
  ctx->swr_channels = on ? (int)channels : 0;
  return 0;
}

int FFMpegDecode_SetUserReadFileFun(FFMpegDecode* ctx, int use, void* opaque, FFMpegReadFun read, FFMpegSeekFun seek) {
  if (!ctx) return -1;
  ctx->use_user_io = use;
  ctx->io.opaque = opaque;
  ctx->io.read = read;
  ctx->io.seek = seek;
  return 0;
}

int FFMpegDecode_Open(FFMpegDecode* ctx, const char* path, int stream, int dump) {
  if (!ctx || !path) {
    FDIAG("ctx == %p, Filename = %s", (void*)ctx, path ? path : "(null)");
    return -1;
  }
  if (ctx->open) {
    FDIAG("open twice");
    return -2;
  }
  ff::Io io;
  std::string url;
  if (ctx->use_user_io) {
    if (!ctx->io.read) return -3;
    io = ctx->io;
    url = path;
  } else {
    url = board::Path(path);
  }
  int r = ctx->in.Open(url.c_str(), io, -1, dump != 0, stream);
  if (r < 0) return r;
  ctx->channels = OutputChannels(ctx->in.src_channels());
  if (!ctx->pkt || !ctx->frame || SetUpSwr(ctx) < 0) {
    ctx->in.Close();
    return -2;
  }
  ctx->path = path;
  ctx->open = true;
  ctx->position = 0;
  ctx->packet_ms = 0;
  DropDecoderState(ctx);
  return 0;
}

int FFMpegDecode_DecodeOnePacket(FFMpegDecode* ctx, short** pcm, int* samples, int* packet_ms) {
  if (!ctx || !ctx->open) return -1;
  if (ctx->end) return -3;
  ff::Input& in = ctx->in;
  for (;;) {
    int r = in.Receive(ctx->frame);
    if (r == ff::kAgain && !ctx->draining) {
      if (in.ReadPacket(ctx->pkt) < 0) {
        ctx->draining = true;
        in.Send(nullptr);
        continue;
      }
      in.Send(&ctx->pkt);  // a broken packet is dropped by the decoder
      ctx->pkt.Unref();
      continue;
    }
    if (r < 0) {
      if (r == ff::kEnd || ctx->draining) {
        ctx->end = true;
        return -3;
      }
      in.FlushDecoder();
      continue;
    }
    ff::Frame& f = ctx->frame;
    if (!in.Plausible(f)) {
      f.Unref();
      continue;
    }
    int64_t ts = f.BestEffortTimestamp();
    // A damaged file's timestamp can lie far outside what an int holds.
    double ms = ts != ff::kNoTimestamp ? (double)ts * in.time_base() * 1000
                                       : (double)ctx->position * 1000 / in.rate();
    int start_ms = !(ms > INT_MIN) ? INT_MIN : ms >= INT_MAX ? INT_MAX : (int)ms;
    ff::FrameView view = in.View(f);
    if (!Grow(&ctx->pcm, &ctx->pcm_cap, ConvertedBytes(view), true)) {
      f.Unref();
      return -4;
    }
    int n = ConvertFrameToS16(view, ctx->pcm);
    ctx->position += f.Samples();
    f.Unref();
    short* out = ctx->pcm;
    if (ctx->swr) {
      int in_frames = n / ctx->channels;
      int max_out = ctx->swr.OutFrames(in_frames);
      int cap_bytes = ctx->swr_cap * ctx->swr_channels * 2;
      if (max_out < 0 || !Grow(&ctx->swr_buf, &cap_bytes, (size_t)max_out * ctx->swr_channels * 2, false)) return -4;
      ctx->swr_cap = cap_bytes / (ctx->swr_channels * 2);
      int got = ctx->swr.Convert(ctx->swr_buf, ctx->swr_cap, ctx->pcm, in_frames);
      if (got < 0) return -4;
      out = ctx->swr_buf;
      n = got * ctx->swr_channels;
    }
    ctx->packet_ms = start_ms;
    if (pcm) *pcm = out;
    if (samples) *samples = n;
    if (packet_ms) *packet_ms = start_ms;
    return 0;
  }
}

int FFMpegDecode_Seek(FFMpegDecode* ctx, int ms) {
  if (!ctx || !ctx->open) return -1;
  DropDecoderState(ctx);
  if (ms < 0) ms = 0;
  if (ctx->in.duration_ms() > 0 && ms >= ctx->in.duration_ms() - 1000) {
    ctx->end = true;
    return 0;
  }
  ctx->position = (int64_t)ms * ctx->in.rate() / 1000;
  int64_t ts = (int64_t)ms * 1000;
  ctx->in.Seek(INT64_MIN, ts, ts + 10000);
  ctx->swr.Reset();  // forget the tail of the old position
  return 0;
}

int FFMpegDecode_SetStreamIndex(FFMpegDecode* ctx, int ordinal) {
  if (!ctx || !ctx->open || ctx->in.stream_count() < 2 || ordinal < 0 || ordinal >= ctx->in.stream_count()) return -1;
  int ms = (int)(ctx->position * 1000 / ctx->in.rate());
  std::string path = ctx->path;
  FFMpegDecode_Close(ctx);
  if (ctx->use_user_io && ctx->io.seek) ctx->io.seek(ctx->io.opaque, 0, SEEK_SET);
  int r = FFMpegDecode_Open(ctx, path.c_str(), ordinal, 0);
  if (r < 0) return r;
  return FFMpegDecode_Seek(ctx, ms);
}

int FFMpegDecode_GetInfo(FFMpegDecode* ctx, int* rate, int* channels, int64_t* duration_us, unsigned* stream_count,
                         unsigned* current_stream) {
  if (!ctx || !ctx->open) return -1;
  if (rate) *rate = ctx->in.rate();
  if (channels) *channels = ctx->channels;
  if (duration_us) *duration_us = ctx->in.duration_ms() * 1000;
  if (stream_count) *stream_count = (unsigned)ctx->in.stream_count();
  if (current_stream) *current_stream = (unsigned)ctx->in.selected();
  return 0;
}

int FFMpegDecode_GetInfoFromFile(const char* path, int* rate, int* channels, int64_t* duration_us,
                                 unsigned* stream_count, unsigned* current_stream) {
  FFMpegDecode* ctx = FFMpegDecode_New();
  if (!ctx) return -2;
  int r = FFMpegDecode_Open(ctx, path, -1, 0);
  if (r == 0) r = FFMpegDecode_GetInfo(ctx, rate, channels, duration_us, stream_count, current_stream);
  FFMpegDecode_Delete(ctx);
  return r;
}

int FFMpegDecode_Close(FFMpegDecode* ctx) {
  if (!ctx) return -1;
  ctx->in.Close();
  ctx->swr.Close();  // the target stays for the next open
  ctx->open = false;
  DropDecoderState(ctx);
  return 0;
}
