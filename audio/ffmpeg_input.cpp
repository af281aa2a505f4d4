#include "audio/ffmpeg_input.h"

extern "C" {
#include <libavutil/mem.h>
}

#include <cstdio>

#include "audio/pcm_convert.h"

int AudioInput_Open(AudioInput* in, const char* url, int start_ms, int dump, int stream) {
  // No audio frame needs tens of megabytes; a corrupt header asking for that
  // must fail the file, not exhaust the device's small memory.
  static const bool capped = (av_max_alloc(32u << 20), true);
  (void)capped;
  if (avformat_open_input(&in->fmt, url, nullptr, nullptr) < 0) {
    in->fmt = nullptr;  // freed by FFmpeg, custom I/O context included in the caller's care
    return -4;
  }
  if (avformat_find_stream_info(in->fmt, nullptr) < 0) {
    avformat_close_input(&in->fmt);
    return -5;
  }
  if (in->fmt->pb) in->fmt->pb->eof_reached = 0;
  if (start_ms > 0) {
    // Times handed out come from the packets' time stamps, which already
    // include the container's start time; adding it again would move every
    // resume later by that much.
    int64_t ts = (int64_t)start_ms * 1000;
    // A point at or before the start: the caller skips forward to it, so a
    // resume never lands seconds later at the next key point.
    if (avformat_seek_file(in->fmt, -1, INT64_MIN, ts, ts, 0) < 0)
      printf("%s: could not seek to position %0.3f\n", url, (double)ts / AV_TIME_BASE);
  }
  in->stream_count = 0;
  for (unsigned i = 0; i < in->fmt->nb_streams; i++) {
    in->fmt->streams[i]->discard = AVDISCARD_ALL;
    if (in->fmt->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO && in->stream_count < kMaxAudioStreams)
      in->streams[in->stream_count++] = (int)i;
  }
  if (stream >= 0 && stream < in->stream_count) {
    in->selected = stream;
    in->stream_index = in->streams[stream];
  } else {
    int best = av_find_best_stream(in->fmt, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (best < 0) {
      avformat_close_input(&in->fmt);
      return -6;
    }
    in->stream_index = best;
    in->selected = 0;
    for (int k = 0; k < in->stream_count; k++)
      if (in->streams[k] == best) in->selected = k;
  }
  if (dump) av_dump_format(in->fmt, 0, url, 0);
  in->stream = in->fmt->streams[in->stream_index];
  const AVCodec* decoder = avcodec_find_decoder(in->stream->codecpar->codec_id);
  if (!decoder) {
    avformat_close_input(&in->fmt);
    return -7;
  }
  in->codec = avcodec_alloc_context3(decoder);
  if (!in->codec || avcodec_parameters_to_context(in->codec, in->stream->codecpar) < 0 ||
      avcodec_open2(in->codec, decoder, nullptr) < 0) {
    avcodec_free_context(&in->codec);
    avformat_close_input(&in->fmt);
    return -8;
  }
  in->stream->discard = AVDISCARD_DEFAULT;
  in->time_base = av_q2d(in->stream->time_base);
  in->rate = in->codec->sample_rate;
  in->src_channels = in->codec->ch_layout.nb_channels;
  in->channels = OutputChannels(in->src_channels);
  in->sample_fmt = in->codec->sample_fmt;
  in->bytes_per_sample = BytesPerSample(in->sample_fmt);
  in->planar = IsPlanar(in->sample_fmt);
  in->duration_ms = in->fmt->duration != AV_NOPTS_VALUE && in->fmt->duration > 0 ? in->fmt->duration / 1000 : 0;
  if (in->rate <= 0 || in->src_channels <= 0) {  // nothing could be played from it
    AudioInput_Close(in);
    return -8;
  }
  return 0;
}

void AudioInput_Close(AudioInput* in) {
  if (in->stream) in->stream->discard = AVDISCARD_ALL;
  avcodec_free_context(&in->codec);
  if (in->fmt) avformat_close_input(&in->fmt);
  in->stream = nullptr;
  in->stream_index = -1;
  in->stream_count = 0;
  in->selected = -1;
}

int AudioInput_ReadPacket(AudioInput* in, AVPacket* pkt) {
  for (;;) {
    int err = av_read_frame(in->fmt, pkt);
    if (err < 0) return err;
    if (pkt->stream_index == in->stream_index) return 0;
    av_packet_unref(pkt);
  }
}

int AudioInput_Seek(AudioInput* in, int64_t min_us, int64_t target_us, int64_t max_us) {
  int r = avformat_seek_file(in->fmt, -1, min_us, target_us, max_us, 0);
  avcodec_flush_buffers(in->codec);
  return r;
}
