#include "audio/pcm_convert.h"

#include <cmath>

namespace {

using Kind = ff::SampleKind;

int16_t Saturate(long v) { return (int16_t)(v < -32768 ? -32768 : v > 32767 ? 32767 : v); }

// value × 32768, truncated toward zero, clamped.
int16_t FromReal(double v) {
  if (std::isnan(v)) return 0;
  double s = v * 32768.0;
  if (s <= -32768.0) return -32768;
  if (s >= 32767.0) return 32767;
  return (int16_t)s;  // truncates toward zero
}

// Reads one source sample: as a real number (float formats) or already
// converted to 16 bits (integer formats).
struct Reader {
  const uint8_t* const* planes;
  Kind kind;
  bool planar;
  int channels;

  const uint8_t* At(int i, int c, int size) const {
    if (planar) return planes[c] + (size_t)i * size;
    return planes[0] + ((size_t)i * channels + c) * size;
  }
  double Real(int i, int c) const {
    if (kind == Kind::Float) return *reinterpret_cast<const float*>(At(i, c, 4));
    return *reinterpret_cast<const double*>(At(i, c, 8));
  }
  int16_t Int(int i, int c) const {
    switch (kind) {
      case Kind::U8:
        return (int16_t)((*At(i, c, 1) - 128) * 256);
      case Kind::S32:
        return (int16_t)(*reinterpret_cast<const int32_t*>(At(i, c, 4)) >> 16);
      case Kind::S64:
        return (int16_t)(*reinterpret_cast<const int64_t*>(At(i, c, 8)) >> 48);
      default:
        return *reinterpret_cast<const int16_t*>(At(i, c, 2));
    }
  }
  int16_t Sample(int i, int c) const { return IsReal() ? FromReal(Real(i, c)) : Int(i, c); }
  bool IsReal() const { return kind == Kind::Float || kind == Kind::Double; }
  // Front + centre + surround of one side (5.1 and up); the LFE is dropped.
  int16_t Mix(int i, int a, int b, int c) const {
    if (IsReal()) return FromReal(Real(i, a) + Real(i, b) + Real(i, c));
    // Saturate rather than wrap: a loud passage must not turn into clicks.
    return Saturate((long)Int(i, a) + Int(i, b) + Int(i, c));
  }
};

}  // namespace

int ConvertFrameToS16(const ff::FrameView& frame, int16_t* out) {
  const int channels = frame.channels;
  if (!frame.planes || !out || channels < 1 || frame.samples <= 0) return 0;
  Reader r{frame.planes, frame.kind, frame.planar, channels};
  const int n = frame.samples;
  int16_t* o = out;
  if (channels == 1) {
    for (int i = 0; i < n; i++) *o++ = r.Sample(i, 0);
  } else if (channels < 6) {
    for (int i = 0; i < n; i++) {
      *o++ = r.Sample(i, 0);
      *o++ = r.Sample(i, 1);
    }
  } else {
    for (int i = 0; i < n; i++) {
      *o++ = r.Mix(i, 0, 2, 4);
      *o++ = r.Mix(i, 1, 2, 5);
    }
  }
  return (int)(o - out);
}
