// Opening an audio input with FFmpeg and choosing its stream: the part both
// decoders share. RAII-free on purpose: the decoders keep these in their
// process-wide / per-context state and close them explicitly.
#pragma once

#include <cstdint>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

const int kMaxAudioStreams = 8;

struct AudioInput {
  AVFormatContext* fmt = nullptr;
  AVCodecContext* codec = nullptr;
  AVStream* stream = nullptr;
  int stream_index = -1;
  int streams[kMaxAudioStreams] = {};  // indices of the file's audio streams
  int stream_count = 0;
  int selected = -1;  // ordinal of the chosen stream in `streams`
  double time_base = 0;
  int rate = 0;
  int src_channels = 0;
  int channels = 0;  // delivered: 1 or 2
  AVSampleFormat sample_fmt = AV_SAMPLE_FMT_NONE;
  int bytes_per_sample = 2;
  bool planar = false;
  int64_t duration_ms = 0;  // 0 when the container does not know it
};

// Opens `url` and its decoder. When in->fmt is already allocated with a custom
// I/O context, that is used and `url` only names the input. start_ms > 0 seeks
// there first; stream is the ordinal among the audio streams (-1 = FFmpeg's
// best). 0, or -4 open, -5 stream info, -6 no audio stream, -7 no decoder,
// -8 decoder failed; on failure everything opened here is closed again.
int AudioInput_Open(AudioInput* in, const char* url, int start_ms, int dump, int stream);
void AudioInput_Close(AudioInput* in);
// Reads the next packet of the selected stream. 0, or a negative FFmpeg error
// at the end of the input.
int AudioInput_ReadPacket(AudioInput* in, AVPacket* pkt);
// Seeks the container to ms (AV_TIME_BASE µs) within [min_us, max_us] and
// drops what the decoder still holds. The seek's own result.
int AudioInput_Seek(AudioInput* in, int64_t min_us, int64_t target_us, int64_t max_us);
