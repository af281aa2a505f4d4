// The one rule both decoders use to turn a decoded FFmpeg frame into signed
// 16-bit interleaved PCM: mono stays mono, everything else becomes stereo
// (the first two channels, or a front + centre + surround mix-down from 5.1 up).
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/samplefmt.h>
}

// Output channel count for a source with `channels` channels.
inline int OutputChannels(int channels) { return channels <= 1 ? 1 : 2; }

// Converts every sample frame of `frame` (format fmt, `channels` channels) into
// `out`, which must hold frame->nb_samples * OutputChannels(channels) samples.
// Returns the number of 16-bit samples written.
int ConvertFrameToS16(const AVFrame* frame, AVSampleFormat fmt, int channels, int16_t* out);

// Bytes of PCM that ConvertFrameToS16 writes for this frame.
inline size_t ConvertedBytes(const AVFrame* frame, int channels) {
  return (size_t)frame->nb_samples * OutputChannels(channels) * 2;
}

// Size of one sample and whether the format keeps one plane per channel.
int BytesPerSample(AVSampleFormat fmt);
bool IsPlanar(AVSampleFormat fmt);
