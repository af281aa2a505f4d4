// The one rule both decoders use to turn a decoded frame into signed 16-bit
// interleaved PCM: mono stays mono, everything else becomes stereo (the first
// two channels, or a front + centre + surround mix-down from 5.1 up).
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/lib/ffmpeg/ffmpeg.h"

// Output channel count for a source with `channels` channels.
inline int OutputChannels(int channels) { return channels <= 1 ? 1 : 2; }

// Converts every sample frame of `frame` into `out`, which must hold
// ConvertedBytes(frame) bytes. Returns the number of 16-bit samples written.
int ConvertFrameToS16(const ff::FrameView& frame, int16_t* out);

// Bytes of PCM that ConvertFrameToS16 writes for this frame.
inline size_t ConvertedBytes(const ff::FrameView& frame) {
  return frame.samples > 0 ? (size_t)frame.samples * OutputChannels(frame.channels) * 2 : 0;
}
