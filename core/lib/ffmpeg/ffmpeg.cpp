#include "core/lib/ffmpeg/ffmpeg.h"

#include <algorithm>
#include <cstdio>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
#include <libavutil/mem.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

static_assert(ff::kNoTimestamp == AV_NOPTS_VALUE, "time stamp marker");
static_assert(ff::kAgain == AVERROR(EAGAIN), "decoder wants input");
static_assert(ff::kEnd == AVERROR_EOF, "decoder is done");

namespace ff {

namespace {

const int kIoBuffer = 32768;

void CapAllocations() {
  // No audio frame needs tens of megabytes; a corrupt header asking for that
  // must fail the file, not exhaust the device's small memory.
  static const bool capped = (av_max_alloc(32u << 20), true);
  (void)capped;
}

SampleKind KindOf(int fmt) {
  switch (fmt) {
    case AV_SAMPLE_FMT_U8:
    case AV_SAMPLE_FMT_U8P:
      return SampleKind::U8;
    case AV_SAMPLE_FMT_S32:
    case AV_SAMPLE_FMT_S32P:
      return SampleKind::S32;
    case AV_SAMPLE_FMT_S64:
    case AV_SAMPLE_FMT_S64P:
      return SampleKind::S64;
    case AV_SAMPLE_FMT_FLT:
    case AV_SAMPLE_FMT_FLTP:
      return SampleKind::Float;
    case AV_SAMPLE_FMT_DBL:
    case AV_SAMPLE_FMT_DBLP:
      return SampleKind::Double;
    default:
      return SampleKind::S16;
  }
}

bool IsPlanar(int fmt) {
  switch (fmt) {
    case AV_SAMPLE_FMT_U8P:
    case AV_SAMPLE_FMT_S16P:
    case AV_SAMPLE_FMT_S32P:
    case AV_SAMPLE_FMT_FLTP:
    case AV_SAMPLE_FMT_DBLP:
    case AV_SAMPLE_FMT_S64P:
      return true;
    default:
      return false;
  }
}

}  // namespace

void Init() {
  static const bool done = (avformat_network_init(), true);
  (void)done;
  CapAllocations();
}

void Quiet() { av_log_set_level(AV_LOG_QUIET); }

// --- Packet, Frame -----------------------------------------------------------

Packet::Packet() : pkt_(av_packet_alloc()) {}
Packet::~Packet() { av_packet_free(&pkt_); }
void Packet::Unref() {
  if (pkt_) av_packet_unref(pkt_);
}
int64_t Packet::Pts() const { return pkt_ ? pkt_->pts : kNoTimestamp; }

Frame::Frame() : frame_(av_frame_alloc()) {}
Frame::~Frame() { av_frame_free(&frame_); }
void Frame::Unref() {
  if (frame_) av_frame_unref(frame_);
}
int Frame::Samples() const { return frame_ ? frame_->nb_samples : 0; }
int64_t Frame::BestEffortTimestamp() const { return frame_ ? frame_->best_effort_timestamp : kNoTimestamp; }

FrameView Frame::ViewAs(int format, int channels) const {
  FrameView v;
  if (!frame_) return v;
  v.planes = frame_->extended_data;
  v.samples = frame_->nb_samples;
  v.kind = KindOf(format);
  v.planar = IsPlanar(format);
  v.channels = channels;
  return v;
}

// --- Input -------------------------------------------------------------------

void Input::IoFree::operator()(AVIOContext* avio) const {
  av_freep(&avio->buffer);  // FFmpeg may have replaced the one we gave it
  avio_context_free(&avio);
}

int Input::ReadThrough(void* opaque, uint8_t* buf, int size) {
  auto* in = static_cast<Input*>(opaque);
  int n = in->io_.read(in->io_.opaque, buf, size);
  return n > 0 ? n : AVERROR_EOF;
}

int64_t Input::SeekThrough(void* opaque, int64_t offset, int whence) {
  auto* in = static_cast<Input*>(opaque);
  const Io& io = in->io_;
  if (!io.seek) return -1;
  if (whence & AVSEEK_SIZE) {
    long long here = io.seek(io.opaque, 0, SEEK_CUR);
    if (here < 0) return -1;
    long long size = io.seek(io.opaque, 0, SEEK_END);
    io.seek(io.opaque, here, SEEK_SET);
    return size;
  }
  return io.seek(io.opaque, offset, whence & ~AVSEEK_FORCE);
}

int Input::Fail(int result) {
  Close();
  return result;
}

int Input::Open(const char* url, const Io& io, int start_ms, bool dump, int stream) {
  if (IsOpen()) Close();
  CapAllocations();
  if (io.read) {
    io_ = io;
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBuffer));
    AVIOContext* avio =
        buffer ? avio_alloc_context(buffer, kIoBuffer, 0, this, ReadThrough, nullptr, io.seek ? SeekThrough : nullptr)
               : nullptr;
    if (!avio) {
      av_free(buffer);
      return -3;
    }
    avio_.reset(avio);
    fmt_ = avformat_alloc_context();
    if (!fmt_) return Fail(-3);
    fmt_->pb = avio;
  }
  if (avformat_open_input(&fmt_, url, nullptr, nullptr) < 0) {
    fmt_ = nullptr;  // FFmpeg freed it; our I/O context is ours to free
    return Fail(-4);
  }
  if (avformat_find_stream_info(fmt_, nullptr) < 0) return Fail(-5);
  if (fmt_->pb) fmt_->pb->eof_reached = 0;
  if (start_ms > 0) {
    // Times handed out come from the packets' time stamps, which already
    // include the container's start time; adding it again would move every
    // resume later by that much.
    int64_t ts = (int64_t)start_ms * 1000;
    // A point at or before the start: the caller skips forward to it, so a
    // resume never lands seconds later at the next key point.
    if (avformat_seek_file(fmt_, -1, INT64_MIN, ts, ts, 0) < 0)
      printf("%s: could not seek to position %0.3f\n", url, (double)ts / AV_TIME_BASE);
  }
  stream_count_ = 0;
  for (unsigned i = 0; i < fmt_->nb_streams; i++) {
    fmt_->streams[i]->discard = AVDISCARD_ALL;
    if (fmt_->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO && stream_count_ < kMaxAudioStreams)
      streams_[stream_count_++] = (int)i;
  }
  if (stream >= 0 && stream < stream_count_) {
    selected_ = stream;
    stream_index_ = streams_[stream];
  } else {
    int best = av_find_best_stream(fmt_, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (best < 0) return Fail(-6);
    stream_index_ = best;
    selected_ = 0;
    for (int k = 0; k < stream_count_; k++)
      if (streams_[k] == best) selected_ = k;
  }
  if (dump) av_dump_format(fmt_, 0, url, 0);
  stream_ = fmt_->streams[stream_index_];
  const AVCodec* decoder = avcodec_find_decoder(stream_->codecpar->codec_id);
  if (!decoder) return Fail(-7);
  codec_ = avcodec_alloc_context3(decoder);
  if (!codec_ || avcodec_parameters_to_context(codec_, stream_->codecpar) < 0 ||
      avcodec_open2(codec_, decoder, nullptr) < 0)
    return Fail(-8);
  stream_->discard = AVDISCARD_DEFAULT;
  time_base_ = av_q2d(stream_->time_base);
  rate_ = codec_->sample_rate;
  src_channels_ = codec_->ch_layout.nb_channels;
  sample_fmt_ = codec_->sample_fmt;
  duration_ms_ = fmt_->duration != AV_NOPTS_VALUE && fmt_->duration > 0 ? fmt_->duration / 1000 : 0;
  if (rate_ <= 0 || src_channels_ <= 0) return Fail(-8);  // nothing could be played from it
  return 0;
}

void Input::Close() {
  if (stream_) stream_->discard = AVDISCARD_ALL;
  avcodec_free_context(&codec_);
  if (fmt_) avformat_close_input(&fmt_);
  avio_.reset();  // after the container, which reads through it to the end
  io_ = Io();
  stream_ = nullptr;
  stream_index_ = -1;
  stream_count_ = 0;
  selected_ = -1;
}

int Input::ReadPacket(Packet& pkt) {
  if (!fmt_ || !pkt) return -1;
  for (;;) {
    int err = av_read_frame(fmt_, pkt.get());
    if (err < 0) return err;
    if (pkt.get()->stream_index == stream_index_) return 0;
    pkt.Unref();
  }
}

int Input::Seek(int64_t min_us, int64_t target_us, int64_t max_us) {
  if (!fmt_) return -1;
  int r = avformat_seek_file(fmt_, -1, min_us, target_us, max_us, 0);
  avcodec_flush_buffers(codec_);
  return r;
}

int Input::Send(const Packet* pkt) {
  if (!codec_) return -1;
  return avcodec_send_packet(codec_, pkt ? pkt->get() : nullptr);
}

int Input::Receive(Frame& frame) {
  if (!codec_ || !frame) return -1;
  return avcodec_receive_frame(codec_, frame.get());
}

void Input::FlushDecoder() {
  if (codec_) avcodec_flush_buffers(codec_);
}

bool Input::Plausible(const Frame& frame) const {
  if (!frame) return false;
  int plane = 0;
  int size = av_samples_get_buffer_size(&plane, src_channels_, frame.Samples(), (AVSampleFormat)sample_fmt_, 1);
  return size >= plane && plane >= 1;
}

// --- Resampler ---------------------------------------------------------------

int Resampler::Open(int src_rate, int src_channels, int dst_rate, int dst_channels) {
  Close();
  AVChannelLayout src, dst;
  av_channel_layout_default(&src, src_channels);
  av_channel_layout_default(&dst, dst_channels);
  if (swr_alloc_set_opts2(&swr_, &dst, AV_SAMPLE_FMT_S16, dst_rate, &src, AV_SAMPLE_FMT_S16, src_rate, 0, nullptr) <
          0 ||
      swr_init(swr_) < 0) {
    Close();
    return -1;
  }
  return 0;
}

void Resampler::Close() { swr_free(&swr_); }

int Resampler::OutFrames(int in_frames) { return swr_ ? swr_get_out_samples(swr_, in_frames) : -1; }

int Resampler::Convert(int16_t* dst, int cap, const int16_t* src, int in_frames) {
  if (!swr_) return -1;
  const uint8_t* in[1] = {reinterpret_cast<const uint8_t*>(src)};
  uint8_t* out[1] = {reinterpret_cast<uint8_t*>(dst)};
  return swr_convert(swr_, out, cap, in, in_frames);
}

void Resampler::Reset() {
  if (swr_) swr_init(swr_);
}

namespace {

// The number a tag starts with ("3", "03", "3/12"); -1 for none.
int TagNumber(const AVDictionary* dict, const char* key) {
  const AVDictionaryEntry* e = av_dict_get(dict, key, nullptr, 0);
  if (!e || !e->value) return -1;
  const char* v = e->value;
  while (*v == ' ') ++v;
  if (*v < '0' || *v > '9') return -1;
  long n = 0;
  for (; *v >= '0' && *v <= '9' && n < 100000; ++v) n = n * 10 + (*v - '0');
  return static_cast<int>(n);
}

int FirstTag(const AVFormatContext* fmt, const char* const* keys) {
  for (const char* const* k = keys; *k; ++k) {
    int n = TagNumber(fmt->metadata, *k);
    for (unsigned i = 0; n < 0 && i < fmt->nb_streams; ++i)
      n = TagNumber(fmt->streams[i]->metadata, *k);
    if (n >= 0) return n;
  }
  return -1;
}

int64_t Ms(int64_t t, AVRational tb) {
  return t == AV_NOPTS_VALUE ? -1 : av_rescale_q(t, tb, AVRational{1, 1000});
}

}  // namespace

int ReadTags(const char* path, MediaTags* out) {
  if (!path || !out) return -4;
  *out = MediaTags();
  CapAllocations();
  AVFormatContext* fmt = nullptr;
  if (avformat_open_input(&fmt, path, nullptr, nullptr) < 0) return -4;
  static const char* const kTrack[] = {"track", "tracknumber", nullptr};
  static const char* const kDisc[] = {"disc", "discnumber", nullptr};
  out->track = FirstTag(fmt, kTrack);
  out->disc = FirstTag(fmt, kDisc);
  const int64_t whole = fmt->duration > 0 ? fmt->duration / 1000 : -1;
  for (unsigned i = 0; i < fmt->nb_chapters; ++i) {
    const AVChapter* c = fmt->chapters[i];
    Chapter ch;
    ch.start_ms = Ms(c->start, c->time_base);
    ch.end_ms = Ms(c->end, c->time_base);
    if (ch.start_ms < 0) continue;
    const AVDictionaryEntry* t = av_dict_get(c->metadata, "title", nullptr, 0);
    if (t && t->value) ch.title = t->value;
    out->chapters.push_back(ch);
  }
  avformat_close_input(&fmt);
  std::vector<Chapter>& cs = out->chapters;
  std::stable_sort(cs.begin(), cs.end(),
                   [](const Chapter& a, const Chapter& b) { return a.start_ms < b.start_ms; });
  // Gaps and overlaps are the container's: a chapter lasts until the next.
  for (size_t i = 0; i < cs.size(); ++i) {
    int64_t next = i + 1 < cs.size() ? cs[i + 1].start_ms : (whole > 0 ? whole : cs[i].end_ms);
    if (next > cs[i].start_ms) cs[i].end_ms = next;
    if (cs[i].end_ms < cs[i].start_ms) cs[i].end_ms = cs[i].start_ms;
  }
  return 0;
}

}  // namespace ff
