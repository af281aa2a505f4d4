// The packet decoder: one context per user, optional reading through caller
// callbacks, optional resampling to a fixed rate and channel count.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include "audio/decoder.h"
#include "audio/ffmpeg_input.h"
#include "audio/pcm_convert.h"
#include "core/base/diag.h"
#include "platform/board.h"

// Diagnostics of this decoder name their origin like this.
#define FDIAG(fmt, ...) DiagPrintf("%s L %d: " fmt, "AudioPlayer/FFMpegDecode.c", __LINE__, ##__VA_ARGS__)

struct FFMpegDecode {
  std::string path;
  bool open = false;
  bool end = false;
  bool draining = false;
  AudioInput in;
  int64_t position = 0;  // frames decoded so far (running time without time stamps)
  // Reading through the caller.
  int use_user_io = 0;
  void* opaque = nullptr;
  FFMpegReadFun read = nullptr;
  FFMpegSeekFun seek = nullptr;
  AVIOContext* avio = nullptr;
  // Resampling: target (0 = off), the converter and its output.
  int swr_rate = 0;
  int swr_channels = 0;
  SwrContext* swr = nullptr;
  double ratio = 1.0;
  int16_t* swr_buf = nullptr;
  int swr_cap = 0;  // frames
  // Converted PCM of the current packet.
  int16_t* pcm = nullptr;
  int pcm_cap = 0;  // bytes
  AVPacket* pkt = nullptr;
  AVFrame* frame = nullptr;
  int packet_ms = 0;
};

namespace {

const int kUserIoBuffer = 32768;

void FreeUserIo(FFMpegDecode* ctx) {
  if (ctx->avio) {
    av_freep(&ctx->avio->buffer);
    avio_context_free(&ctx->avio);
  }
}

// Frees the converter; keeps the target for the next open.
void FreeSwr(FFMpegDecode* ctx) {
  swr_free(&ctx->swr);
  ctx->ratio = 1.0;
}

int SetUpSwr(FFMpegDecode* ctx) {
  const AudioInput& in = ctx->in;
  if (ctx->swr_rate <= 0 || (ctx->swr_rate == in.rate && ctx->swr_channels == in.channels)) return 0;
  AVChannelLayout src, dst;
  av_channel_layout_default(&src, in.channels);
  av_channel_layout_default(&dst, ctx->swr_channels);
  if (swr_alloc_set_opts2(&ctx->swr, &dst, AV_SAMPLE_FMT_S16, ctx->swr_rate, &src, AV_SAMPLE_FMT_S16, in.rate, 0,
                          nullptr) < 0 ||
      swr_init(ctx->swr) < 0) {
    FDIAG("swr_init() failed");
    swr_free(&ctx->swr);
    return -1;
  }
  double src_rate = (double)in.rate * in.channels, dst_rate = (double)ctx->swr_rate * ctx->swr_channels;
  ctx->ratio = dst_rate > src_rate ? dst_rate * 1.2 / src_rate : 1.0;
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

// The caller's callbacks speak plain stdio terms; FFmpeg's I/O wants its
// end-of-file code and a size query.
int ReadThroughCaller(void* opaque, uint8_t* buf, int size) {
  auto* ctx = static_cast<FFMpegDecode*>(opaque);
  int n = ctx->read(ctx->opaque, buf, size);
  return n > 0 ? n : AVERROR_EOF;
}

int64_t SeekThroughCaller(void* opaque, int64_t offset, int whence) {
  auto* ctx = static_cast<FFMpegDecode*>(opaque);
  if (!ctx->seek) return -1;
  if (whence & AVSEEK_SIZE) {
    long long here = ctx->seek(ctx->opaque, 0, SEEK_CUR);
    if (here < 0) return -1;
    long long size = ctx->seek(ctx->opaque, 0, SEEK_END);
    ctx->seek(ctx->opaque, here, SEEK_SET);
    return size;
  }
  return ctx->seek(ctx->opaque, offset, whence & ~AVSEEK_FORCE);
}

void DropDecoderState(FFMpegDecode* ctx) {
  ctx->end = false;
  ctx->draining = false;
}

}  // namespace

int FFMpegDecode_Register() {
  avformat_network_init();
  return 0;
}

FFMpegDecode* FFMpegDecode_New() { return new (std::nothrow) FFMpegDecode(); }

int FFMpegDecode_Delete(FFMpegDecode* ctx) {
  if (!ctx) return -1;
  FFMpegDecode_Close(ctx);
  free(ctx->swr_buf);
  free(ctx->pcm);
  av_packet_free(&ctx->pkt);
  av_frame_free(&ctx->frame);
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
  ctx->opaque = opaque;
  ctx->read = read;
  ctx->seek = seek;
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
  std::string url;
  if (ctx->use_user_io) {
    if (!ctx->read) return -3;
    auto* buffer = static_cast<unsigned char*>(av_malloc(kUserIoBuffer));
    ctx->avio = buffer ? avio_alloc_context(buffer, kUserIoBuffer, 0, ctx, ReadThroughCaller, nullptr,
                                            ctx->seek ? SeekThroughCaller : nullptr)
                       : nullptr;
    if (!ctx->avio) av_free(buffer);
    ctx->in.fmt = ctx->avio ? avformat_alloc_context() : nullptr;
    if (!ctx->in.fmt) {
      FreeUserIo(ctx);
      return -3;
    }
    ctx->in.fmt->pb = ctx->avio;
    url = path;
  } else {
    url = board::Path(path);
  }
  int r = AudioInput_Open(&ctx->in, url.c_str(), -1, dump, stream);
  if (r < 0) {
    FreeUserIo(ctx);
    return r;
  }
  if (!ctx->pkt) ctx->pkt = av_packet_alloc();
  if (!ctx->frame) ctx->frame = av_frame_alloc();
  if (!ctx->pkt || !ctx->frame || SetUpSwr(ctx) < 0) {
    AudioInput_Close(&ctx->in);
    FreeUserIo(ctx);
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
  if (!ctx->frame) return -4;
  AudioInput& in = ctx->in;
  for (;;) {
    int r = avcodec_receive_frame(in.codec, ctx->frame);
    if (r == AVERROR(EAGAIN) && !ctx->draining) {
      if (AudioInput_ReadPacket(&in, ctx->pkt) < 0) {
        ctx->draining = true;
        avcodec_send_packet(in.codec, nullptr);
        continue;
      }
      avcodec_send_packet(in.codec, ctx->pkt);  // a broken packet is dropped by the decoder
      av_packet_unref(ctx->pkt);
      continue;
    }
    if (r < 0) {
      if (r == AVERROR_EOF || ctx->draining) {
        ctx->end = true;
        return -3;
      }
      avcodec_flush_buffers(in.codec);
      continue;
    }
    AVFrame* f = ctx->frame;
    int plane = 0;
    int size = av_samples_get_buffer_size(&plane, in.src_channels, f->nb_samples, in.sample_fmt, 1);
    if (size < plane || plane < 1) {
      av_frame_unref(f);
      continue;
    }
    int64_t ts = f->best_effort_timestamp;
    int start_ms = ts != AV_NOPTS_VALUE ? (int)((double)ts * in.time_base * 1000) : (int)(ctx->position * 1000 / in.rate);
    if (!Grow(&ctx->pcm, &ctx->pcm_cap, ConvertedBytes(f, in.src_channels), true)) {
      av_frame_unref(f);
      return -4;
    }
    int n = ConvertFrameToS16(f, in.sample_fmt, in.src_channels, ctx->pcm);
    ctx->position += f->nb_samples;
    av_frame_unref(f);
    short* out = ctx->pcm;
    if (ctx->swr) {
      int in_frames = n / in.channels;
      int max_out = swr_get_out_samples(ctx->swr, in_frames);
      int cap_bytes = ctx->swr_cap * ctx->swr_channels * 2;
      if (max_out < 0 || !Grow(&ctx->swr_buf, &cap_bytes, (size_t)max_out * ctx->swr_channels * 2, false)) return -4;
      ctx->swr_cap = cap_bytes / (ctx->swr_channels * 2);
      const uint8_t* src[1] = {reinterpret_cast<const uint8_t*>(ctx->pcm)};
      uint8_t* dst[1] = {reinterpret_cast<uint8_t*>(ctx->swr_buf)};
      int got = swr_convert(ctx->swr, dst, ctx->swr_cap, src, in_frames);
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
  if (ctx->in.duration_ms > 0 && ms >= ctx->in.duration_ms - 1000) {
    ctx->end = true;
    return 0;
  }
  ctx->position = (int64_t)ms * ctx->in.rate / 1000;
  int64_t ts = (int64_t)ms * 1000;
  AudioInput_Seek(&ctx->in, INT64_MIN, ts, ts + 10000);
  if (ctx->swr) swr_init(ctx->swr);  // forget the tail of the old position
  return 0;
}

int FFMpegDecode_SetStreamIndex(FFMpegDecode* ctx, int ordinal) {
  if (!ctx || !ctx->open || ctx->in.stream_count < 2 || ordinal < 0 || ordinal >= ctx->in.stream_count) return -1;
  int ms = (int)(ctx->position * 1000 / ctx->in.rate);
  std::string path = ctx->path;
  FFMpegDecode_Close(ctx);
  if (ctx->use_user_io && ctx->seek) ctx->seek(ctx->opaque, 0, SEEK_SET);
  int r = FFMpegDecode_Open(ctx, path.c_str(), ordinal, 0);
  if (r < 0) return r;
  return FFMpegDecode_Seek(ctx, ms);
}

int FFMpegDecode_GetInfo(FFMpegDecode* ctx, int* rate, int* channels, int64_t* duration_us, unsigned* stream_count,
                         unsigned* current_stream) {
  if (!ctx || !ctx->open) return -1;
  if (rate) *rate = ctx->in.rate;
  if (channels) *channels = ctx->in.channels;
  if (duration_us) *duration_us = ctx->in.duration_ms * 1000;
  if (stream_count) *stream_count = (unsigned)ctx->in.stream_count;
  if (current_stream) *current_stream = (unsigned)ctx->in.selected;
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
  if (ctx->open) AudioInput_Close(&ctx->in);
  FreeUserIo(ctx);
  FreeSwr(ctx);
  ctx->open = false;
  DropDecoderState(ctx);
  return 0;
}
