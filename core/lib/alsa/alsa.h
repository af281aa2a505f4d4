// Owners of ALSA's PCM streams and control handles. Each closes its handle
// when closed, reopened or destroyed. ALSA's negative errno codes become our
// results in one place (Result); positive counts pass through. Devices open
// on a local configuration given as text (merged over the system's, whose
// own default PCM stays reachable as "system_default"), or on the system's
// when the text is empty.
#pragma once

#include <string>

#include "core/lib/no_copy.h"

struct _snd_pcm;
struct _snd_ctl;

namespace alsa {

// Results besides 0 and counts.
constexpr int kError = -1;      // missing device, refused parameters, I/O failure
constexpr int kNoMemory = -2;
constexpr int kAgain = -4;      // would block: try again later
constexpr int kXrun = -5;       // the buffer ran dry (or over): prepare the stream again
constexpr int kSuspended = -6;  // the system suspended the device: resume it

// ALSA's result (negative errno, or a count) as ours.
long Result(long alsa_err);

enum class Stream { Playback, Capture };

class Pcm : NoCopy {
 public:
  Pcm() = default;
  ~Pcm() { Close(); }
  Pcm& operator=(Pcm&& other) noexcept;

  // 0 or a result; on failure nothing is open.
  int Open(const char* name, Stream stream, bool nonblock, const std::string& config);
  // Signed 16-bit little-endian interleaved, resampled by ALSA when needed.
  int SetParams(unsigned channels, unsigned rate, unsigned latency_us);
  void Close();
  explicit operator bool() const { return pcm_ != nullptr; }

  // Frames written / read (may be fewer than asked), or a result.
  [[nodiscard]] long Write(const short* samples, long frames);
  [[nodiscard]] long Read(short* samples, long frames);
  // Frames free for writing (ready for reading), or a result.
  long Avail();
  int Prepare();
  int Resume();
  // ALSA's text for the last failure of this owner.
  const char* LastError() const;

 private:
  long Track(long alsa_err);
  _snd_pcm* pcm_ = nullptr;
  int last_ = 0;
};

// A control handle, for the codec's mixer controls.
class Mixer : NoCopy {
 public:
  Mixer() = default;
  ~Mixer() { Close(); }

  int Open(const char* name, const std::string& config);
  void Close();
  explicit operator bool() const { return ctl_ != nullptr; }
  // Writes the mixer control `control`: the value clamped to the control's
  // range by its type, both channels of a stereo control alike; *applied (may
  // be null) receives the value written. 0 or a result.
  [[nodiscard]] int Write(const char* control, int value, int* applied);
  const char* LastError() const;

 private:
  long Track(long alsa_err);
  _snd_ctl* ctl_ = nullptr;
  int last_ = 0;
};

}  // namespace alsa
