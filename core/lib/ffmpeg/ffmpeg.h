// Owners of FFmpeg's objects for the audio decoders: an opened input with its
// decoder, packets, frames and a resampler. Each frees what it holds when it
// goes out of scope or is closed, on every path. No FFmpeg type leaks out of
// here; results are our integers (0, or negative as documented).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/lib/no_copy.h"

struct AVFormatContext;
struct AVCodecContext;
struct AVIOContext;
struct AVPacket;
struct AVFrame;
struct AVStream;
struct SwrContext;

namespace ff {

// A time stamp the container does not know.
constexpr int64_t kNoTimestamp = INT64_MIN;
// Decoder results besides 0 and other negative errors: it wants input first,
// or it has given up everything.
constexpr int kAgain = -11;
constexpr int kEnd = -541478725;

// Registers the network layer and caps single allocations (once).
void Init();
// Silences FFmpeg's own log.
void Quiet();

enum class SampleKind { U8, S16, S32, S64, Float, Double };

// A decoded frame as the sample converter reads it.
struct FrameView {
  const uint8_t* const* planes = nullptr;  // one per channel when planar, else one
  int samples = 0;                         // per channel
  SampleKind kind = SampleKind::S16;
  bool planar = false;
  int channels = 0;
};

class Packet : NoCopy {
 public:
  Packet();
  ~Packet();
  explicit operator bool() const { return pkt_ != nullptr; }
  void Unref();
  int64_t Pts() const;
  AVPacket* get() const { return pkt_; }

 private:
  AVPacket* pkt_;
};

class Frame : NoCopy {
 public:
  Frame();
  ~Frame();
  explicit operator bool() const { return frame_ != nullptr; }
  void Unref();
  int Samples() const;
  int64_t BestEffortTimestamp() const;
  // The frame read as sample format `format` (an AVSampleFormat) with `channels`.
  FrameView ViewAs(int format, int channels) const;
  AVFrame* get() const { return frame_; }

 private:
  AVFrame* frame_;
};

// Reading through the caller in plain stdio terms: read returns the bytes
// given (0 or less at the end); seek works like lseek and may be null.
struct Io {
  void* opaque = nullptr;
  int (*read)(void* opaque, unsigned char* buf, int size) = nullptr;
  long long (*seek)(void* opaque, long long offset, int whence) = nullptr;
};

const int kMaxAudioStreams = 8;

// A container opened for one of its audio streams, and that stream's decoder.
class Input : NoCopy {
 public:
  Input() = default;
  ~Input() { Close(); }

  // Opens `url`, or, when io.read is set, reads through io and `url` only
  // names the input. start_ms > 0 seeks there first (at or before it);
  // stream is the ordinal among the audio streams (-1 = the best one).
  // 0, or -3 I/O set-up, -4 open, -5 stream info, -6 no audio stream,
  // -7 no decoder, -8 decoder failed; on failure nothing stays open.
  int Open(const char* url, const Io& io, int start_ms, bool dump, int stream);
  void Close();
  bool IsOpen() const { return fmt_ != nullptr; }

  // Next packet of the selected stream: 0, or negative at the end of the input.
  int ReadPacket(Packet& pkt);
  // Container seek in microseconds within [min_us, max_us]; drops what the
  // decoder holds. The seek's own result.
  int Seek(int64_t min_us, int64_t target_us, int64_t max_us);

  // Decoder: a packet in (null pkt = no more input), frames out (0, kAgain,
  // kEnd or another negative error).
  int Send(const Packet* pkt);
  int Receive(Frame& frame);
  void FlushDecoder();
  // False for a frame whose size does not add up (it is skipped).
  bool Plausible(const Frame& frame) const;
  FrameView View(const Frame& frame) const { return frame.ViewAs(sample_fmt_, src_channels_); }

  int rate() const { return rate_; }
  int src_channels() const { return src_channels_; }
  double time_base() const { return time_base_; }
  int64_t duration_ms() const { return duration_ms_; }  // 0 when unknown
  int stream_count() const { return stream_count_; }
  int selected() const { return selected_; }  // ordinal of the open stream

 private:
  struct IoFree {
    void operator()(AVIOContext* avio) const;
  };
  int Fail(int result);
  static int ReadThrough(void* opaque, uint8_t* buf, int size);
  static int64_t SeekThrough(void* opaque, int64_t offset, int whence);

  AVFormatContext* fmt_ = nullptr;
  AVCodecContext* codec_ = nullptr;
  AVStream* stream_ = nullptr;
  std::unique_ptr<AVIOContext, IoFree> avio_;
  Io io_;
  int stream_index_ = -1;
  int streams_[kMaxAudioStreams] = {};
  int stream_count_ = 0;
  int selected_ = -1;
  double time_base_ = 0;
  int rate_ = 0;
  int src_channels_ = 0;
  int sample_fmt_ = -1;
  int64_t duration_ms_ = 0;
};

// Converts interleaved signed 16-bit PCM between rates and channel counts.
class Resampler : NoCopy {
 public:
  Resampler() = default;
  ~Resampler() { Close(); }
  // 0, or -1 when FFmpeg refuses the conversion (nothing stays allocated).
  int Open(int src_rate, int src_channels, int dst_rate, int dst_channels);
  void Close();
  explicit operator bool() const { return swr_ != nullptr; }
  // Output frames that `in_frames` more input could give at most; <0 on error.
  int OutFrames(int in_frames);
  // Frames written to dst (room for cap frames), or negative.
  int Convert(int16_t* dst, int cap, const int16_t* src, int in_frames);
  // Forgets buffered input (after a seek).
  void Reset();

 private:
  SwrContext* swr_ = nullptr;
};

// A chapter of a file, in ms from its start.
struct Chapter {
  int64_t start_ms = 0;
  int64_t end_ms = 0;
  std::string title;
};

// What a file says about its place in an album and its parts.
struct MediaTags {
  int disc = -1;  // -1: no such tag
  int track = -1;
  std::vector<Chapter> chapters;  // in order, each ending where the next starts
};

// Reads the disc and track tags (ID3, Vorbis comments, MP4 atoms, wherever
// the container keeps them) and the chapters of a file without decoding it.
// 0, or -4 when it cannot be opened.
int ReadTags(const char* path, MediaTags* out);

}  // namespace ff
